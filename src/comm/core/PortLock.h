#pragma once

#include "comm/core/SerialDevice.h"

#include <string>
#include <string_view>
#include <vector>

namespace wayline {

// The process id a serial lock file names: the first number on its first
// line (ten right-aligned digits as serial programs write it, or the number
// alone on its line as Qt writes it); 0 when there is none.
int LockFilePid(std::string_view text);

// Whether the process exists, also when it belongs to another user.
bool ProcessExists(int pid);
// The process's name from /proc/<pid>/comm; empty when it cannot be read.
std::string ProcessName(int pid);

// The device path a port name stands for: the name itself when it is a path
// from the root, else the name under /dev (ttyUSB0, pts/5). A name is never
// looked up in the current folder.
std::string DevicePathOf(const std::string& portName);

// The path with every link and "." or ".." resolved; empty when it does not exist.
std::string CanonicalPath(const std::string& path);

// The lock file a device has under its name, as other serial programs (and
// Qt Serial Port) name it: LCK..ttyUSB0, LCK..pts_5 for /dev/pts/5.
std::string NameLockFileName(const std::string& devicePath);
// The lock file of the device itself: LCK.dev.188.0 for major 188, minor 0.
// Every name that leads to the device (a link, a second device node) has
// the same one, so two names never make two locks.
std::string IdentityLockFileName(unsigned major, unsigned minor);

// The folders lock files live in: /run/lock, and /var/lock where it is not
// the same folder. Only those that exist.
std::vector<std::string> DefaultLockFolders();

// The lock a port is opened under. Acquire looks at the device's lock files
// by its name and by its identity in every lock folder: one of a running
// process means the port is in use by that process; one whose process has
// ended is removed, and when it may not be (another user's file in the
// sticky lock folder) the port is refused with the file named. Then the
// identity lock is made, naming this process; Release removes it.
class TPortLock {
public:
    explicit TPortLock(std::vector<std::string> folders = DefaultLockFolders());
    ~TPortLock();
    TPortLock(const TPortLock&) = delete;
    TPortLock& operator=(const TPortLock&) = delete;

    // `devicePath` is the device's own path, every link resolved. The result's
    // Code is OpenErrorNone when the port may be opened; the identity lock is
    // then held (unless no lock folder is writable, where no program can
    // lock). Otherwise OpenErrorInUse (with the holder) or OpenErrorStaleLock.
    TOpenFailure Acquire(const std::string& devicePath);
    // Removes the identity lock this object made; harmless when it holds none.
    void Release();
    // The identity lock file held, or empty.
    const std::string& HeldFile() const { return Held; }

private:
    std::vector<std::string> Folders;
    std::string Held;
};

} // namespace wayline
