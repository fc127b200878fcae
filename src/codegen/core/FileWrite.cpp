#include "codegen/core/FileWrite.h"

#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace wayline {

namespace fs = std::filesystem;

namespace {

constexpr int MaxLinkHops = 40;

// A file descriptor that closes itself.
class TDescriptor {
public:
    explicit TDescriptor(int fd = -1) : Fd(fd) {}
    TDescriptor(TDescriptor&& other) noexcept : Fd(std::exchange(other.Fd, -1)) {}
    TDescriptor& operator=(TDescriptor&& other) noexcept {
        if (this != &other) {
            Close();
            Fd = std::exchange(other.Fd, -1);
        }
        return *this;
    }
    TDescriptor(const TDescriptor&) = delete;
    TDescriptor& operator=(const TDescriptor&) = delete;
    ~TDescriptor() { Close(); }

    int Get() const { return Fd; }
    explicit operator bool() const { return Fd >= 0; }
    // The result of close(2): a delayed write error can show up only here.
    int Close() {
        const int result = Fd >= 0 ? ::close(Fd) : 0;
        Fd = -1;
        return result;
    }

private:
    int Fd;
};

// Writes all of `bytes` from offset 0; false with errno set on a failure.
bool WriteAt(int fd, std::span<const std::uint8_t> bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n =
            ::pwrite(fd, bytes.data() + done, bytes.size() - done, static_cast<off_t>(done));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            if (n == 0) {
                errno = EIO;
            }
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

// The whole content of a file; false when it cannot be read.
bool ReadAll(const fs::path& path, std::vector<std::uint8_t>& content) {
    TDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (!fd) {
        return false;
    }
    content.clear();
    std::uint8_t buffer[4096];
    for (;;) {
        const ssize_t n = ::read(fd.Get(), buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return n == 0;
        }
        content.insert(content.end(), buffer, buffer + n);
    }
}

// Best effort: a rename reaches the disk with its folder.
void SyncFolder(const fs::path& folder) {
    const std::string name = folder.empty() ? std::string(".") : folder.string();
    TDescriptor fd(::open(name.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (fd) {
        ::fsync(fd.Get());
    }
}

// A new file beside the target with a name no other file has (O_EXCL fails
// when the name exists).
TDescriptor CreateTemporaryBeside(const fs::path& target, mode_t mode, fs::path& created,
                                  int& error) {
    const auto stamp = static_cast<unsigned long long>(
        std::chrono::steady_clock::now().time_since_epoch().count());
    for (int attempt = 0; attempt < 100; ++attempt) {
        fs::path candidate = target;
        candidate += ".~" + std::to_string((stamp + static_cast<unsigned>(attempt)) % 1000000u);
        TDescriptor fd(::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode));
        if (fd) {
            created = candidate;
            return fd;
        }
        error = errno;
        if (error != EEXIST) {
            break;
        }
    }
    return TDescriptor();
}

enum class TReplace { rpDone, rpFailed, rpWriteInPlace };

// The temporary file takes on the old file's owner, group and permissions;
// false when it cannot, so that replacing would change them.
bool TakeOverIdentity(int fd, const struct stat& old) {
    if (::fchown(fd, old.st_uid, old.st_gid) != 0) {
        // An ordinary user cannot give a file away, but may hand out a
        // group of their own. Whether that worked is what the check
        // below reads back.
        const int groupOnly = ::fchown(fd, static_cast<uid_t>(-1), old.st_gid);
        static_cast<void>(groupOnly);
    }
    struct stat now {};
    if (::fstat(fd, &now) != 0 || now.st_uid != old.st_uid || now.st_gid != old.st_gid) {
        return false;
    }
    return ::fchmod(fd, old.st_mode & 07777) == 0;
}

// Writes a new file beside the target and renames it over the target.
TReplace Replace(const fs::path& target, std::span<const std::uint8_t> bytes,
                 const struct stat* old, int& error) {
    fs::path temporary;
    // A new file gets the mode any new file gets (the umask applies); the
    // copy of an existing one stays private until it has the old mode.
    TDescriptor fd =
        CreateTemporaryBeside(target, old ? S_IRUSR | S_IWUSR : 0666, temporary, error);
    if (!fd) {
        return TReplace::rpWriteInPlace; // no room for a new file here
    }
    const auto discard = [&] { ::unlink(temporary.c_str()); };
    if (old && !TakeOverIdentity(fd.Get(), *old)) {
        fd.Close();
        discard();
        return TReplace::rpWriteInPlace;
    }
    if (!WriteAt(fd.Get(), bytes) || ::fsync(fd.Get()) != 0 || fd.Close() != 0) {
        error = errno;
        fd.Close();
        discard();
        return TReplace::rpFailed;
    }
    if (::rename(temporary.c_str(), target.c_str()) != 0) {
        error = errno;
        discard();
        // In a folder with the sticky bit only the owner may replace a
        // file; writing into it is still allowed.
        return error == EPERM || error == EACCES ? TReplace::rpWriteInPlace : TReplace::rpFailed;
    }
    SyncFolder(target.parent_path());
    return TReplace::rpDone;
}

// Writes into the target itself. The old content is read first, so that it
// can be put back if the write fails half-way.
TFileWriteResult WriteInPlace(const fs::path& target, std::span<const std::uint8_t> bytes,
                              bool regular) {
    TFileWriteResult result;
    result.InPlace = true;
    std::vector<std::uint8_t> oldContent;
    const bool haveOld = regular && ReadAll(target, oldContent);
    TDescriptor fd(::open(target.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0666));
    if (!fd) {
        result.Error = errno;
        return result;
    }
    // A device or pipe takes the bytes, but cannot be cut or flushed.
    const auto finish = [&](std::size_t size) {
        return !regular ||
               (::ftruncate(fd.Get(), static_cast<off_t>(size)) == 0 && ::fsync(fd.Get()) == 0);
    };
    if (!WriteAt(fd.Get(), bytes) || !finish(bytes.size())) {
        result.Error = errno;
        if (haveOld && WriteAt(fd.Get(), oldContent)) {
            finish(oldContent.size());
        }
        return result;
    }
    if (fd.Close() != 0) {
        result.Error = errno;
        return result;
    }
    result.Written = true;
    return result;
}

} // namespace

fs::path ResolveLinks(const fs::path& path) {
    fs::path current = path;
    std::error_code error;
    for (int hop = 0; hop < MaxLinkHops && fs::is_symlink(current, error); ++hop) {
        const fs::path target = fs::read_symlink(current, error);
        if (error) {
            break;
        }
        current = target.is_absolute() ? target : current.parent_path() / target;
    }
    return current;
}

TFileWriteResult WriteWholeFile(const fs::path& path, std::span<const std::uint8_t> bytes) {
    const fs::path target = ResolveLinks(path);
    struct stat old {};
    const bool exists = ::stat(target.c_str(), &old) == 0;
    if (!exists && errno != ENOENT) {
        return {false, errno, false}; // a loop of links, a folder that cannot be searched
    }
    if (exists && S_ISDIR(old.st_mode)) {
        return {false, EISDIR, false};
    }
    // A file the user may not write is left alone, even where the folder
    // would let it be replaced: it was protected on purpose.
    if (exists && ::access(target.c_str(), W_OK) != 0) {
        return {false, errno, false};
    }
    const bool regular = !exists || S_ISREG(old.st_mode);
    // Replacing a file with a second name would leave the old content there.
    if (regular && (!exists || old.st_nlink <= 1)) {
        int error = 0;
        switch (Replace(target, bytes, exists ? &old : nullptr, error)) {
        case TReplace::rpDone:
            return {true, 0, false};
        case TReplace::rpFailed:
            return {false, error, false};
        case TReplace::rpWriteInPlace:
            break;
        }
    }
    return WriteInPlace(target, bytes, regular);
}

} // namespace wayline
