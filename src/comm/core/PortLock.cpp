#include "comm/core/PortLock.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <signal.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace wayline {

namespace {

constexpr std::size_t LockFileLimit = 256;

std::string ReadSmallFile(const std::string& path, bool& exists) {
    exists = false;
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return {};
    }
    exists = true;
    std::string text(LockFileLimit, '\0');
    in.read(text.data(), static_cast<std::streamsize>(text.size()));
    text.resize(static_cast<std::size_t>(in.gcount()));
    return text;
}

} // namespace

std::string CanonicalPath(const std::string& path) {
    char* resolved = ::realpath(path.c_str(), nullptr);
    if (resolved == nullptr) {
        return {};
    }
    std::string result = resolved;
    std::free(resolved);
    return result;
}

int LockFilePid(std::string_view text) {
    const std::string_view line = text.substr(0, text.find('\n'));
    std::size_t i = 0;
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) {
        ++i;
    }
    const std::size_t start = i;
    while (i < line.size() && line[i] >= '0' && line[i] <= '9') {
        ++i;
    }
    // At most nine digits: anything longer is no process id.
    if (i == start || i - start > 9 ||
        (i < line.size() && line[i] != ' ' && line[i] != '\t' && line[i] != '\r')) {
        return 0;
    }
    int pid = 0;
    for (std::size_t k = start; k < i; ++k) {
        pid = pid * 10 + (line[k] - '0');
    }
    return pid;
}

bool ProcessExists(int pid) {
    if (pid <= 0) {
        return false;
    }
    return ::kill(pid, 0) == 0 || errno == EPERM;
}

std::string ProcessName(int pid) {
    bool exists = false;
    std::string name = ReadSmallFile("/proc/" + std::to_string(pid) + "/comm", exists);
    while (!name.empty() && (name.back() == '\n' || name.back() == '\r')) {
        name.pop_back();
    }
    return name;
}

std::string DevicePathOf(const std::string& portName) {
    if (!portName.empty() && portName.front() == '/') {
        return portName;
    }
    return "/dev/" + portName;
}

std::string NameLockFileName(const std::string& devicePath) {
    std::string name = devicePath;
    if (name.rfind("/dev/", 0) == 0) {
        name.erase(0, 5);
    }
    for (char& c : name) {
        if (c == '/') {
            c = '_';
        }
    }
    return "LCK.." + name;
}

std::string IdentityLockFileName(unsigned major, unsigned minor) {
    return "LCK.dev." + std::to_string(major) + "." + std::to_string(minor);
}

std::vector<std::string> DefaultLockFolders() {
    std::vector<std::string> folders;
    for (const char* folder : {"/run/lock", "/var/lock"}) {
        const std::string canonical = CanonicalPath(folder);
        if (canonical.empty()) {
            continue;
        }
        bool known = false;
        for (const std::string& seen : folders) {
            known = known || CanonicalPath(seen) == canonical;
        }
        if (!known) {
            folders.push_back(folder);
        }
    }
    return folders;
}

TPortLock::TPortLock(std::vector<std::string> folders) : Folders(std::move(folders)) {}

TPortLock::~TPortLock() {
    Release();
}

TOpenFailure TPortLock::Acquire(const std::string& devicePath) {
    TOpenFailure failure;
    failure.Path = devicePath;
    if (!Held.empty()) {
        failure.Code = OpenErrorInUse; // this object holds a port already
        return failure;
    }
    struct stat device {};
    if (::stat(devicePath.c_str(), &device) != 0 || !S_ISCHR(device.st_mode)) {
        failure.Code = OpenErrorNoSuchPort;
        return failure;
    }
    const std::string identity = IdentityLockFileName(::major(device.st_rdev), ::minor(device.st_rdev));
    const std::string names[] = {NameLockFileName(devicePath), identity};
    const int self = static_cast<int>(::getpid());

    std::string staleKept;
    for (const std::string& folder : Folders) {
        for (const std::string& name : names) {
            const std::string path = folder + "/" + name;
            bool exists = false;
            const int pid = LockFilePid(ReadSmallFile(path, exists));
            if (!exists) {
                continue;
            }
            // A lock in a form that names no process is left to the program
            // that reads it; only ours must be readable to be taken over.
            if (pid == 0 && name != identity) {
                continue;
            }
            if (pid == self) {
                failure.Code = OpenErrorInUse; // another port of this program
                return failure;
            }
            if (ProcessExists(pid)) {
                failure.Code = OpenErrorInUse;
                failure.HolderPid = pid;
                failure.HolderName = ProcessName(pid);
                return failure;
            }
            // Its process has ended: the lock is stale, take it over.
            if (::unlink(path.c_str()) == 0 || errno == ENOENT) {
                continue;
            }
            struct stat lock {};
            if (::stat(path.c_str(), &lock) == 0) {
                failure.LockOwner = lock.st_uid;
            }
            failure.LockPid = pid;
            staleKept += (staleKept.empty() ? "" : " ") + path;
        }
    }
    if (!staleKept.empty()) {
        failure.Code = OpenErrorStaleLock;
        failure.LockFiles = staleKept;
        return failure;
    }

    for (const std::string& folder : Folders) {
        const std::string path = folder + "/" + identity;
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (fd < 0) {
            if (errno == EEXIST) {
                // Another program took it in the meantime.
                bool exists = false;
                failure.Code = OpenErrorInUse;
                failure.HolderPid = LockFilePid(ReadSmallFile(path, exists));
                failure.HolderName = failure.HolderPid > 0 ? ProcessName(failure.HolderPid) : "";
                return failure;
            }
            continue; // a folder this user may not write in
        }
        // The form serial programs read: ten right-aligned digits and a newline.
        char text[16];
        const int length = std::snprintf(text, sizeof text, "%10d\n", self);
        const bool written = ::write(fd, text, static_cast<std::size_t>(length)) == length;
        ::close(fd);
        if (!written) {
            ::unlink(path.c_str());
            continue;
        }
        Held = path;
        break;
    }
    return {};
}

void TPortLock::Release() {
    if (!Held.empty()) {
        ::unlink(Held.c_str());
        Held.clear();
    }
}

} // namespace wayline
