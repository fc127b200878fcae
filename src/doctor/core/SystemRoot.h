#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace wayline {

// Owner, group and permission bits of a file, as stat reports them.
struct TFileStatus {
    std::uint32_t Uid = 0;
    std::uint32_t Gid = 0;
    std::uint32_t Mode = 0; // permission bits only (07777)
    bool CharDevice = false;
    std::uint32_t Major = 0; // of a device: its major and minor number
    std::uint32_t Minor = 0;
};

// The part of the file system the connection diagnosis reads: /sys, /proc,
// /dev, /etc, /run and the udev rule folders. Every path is given as on the
// running system ("/sys/class/tty") and read below the root, so a test lays
// out a tree of its own in a temporary folder and diagnoses that instead.
// Nothing here writes, and every failure reads as "not there".
class TSystemRoot {
public:
    explicit TSystemRoot(std::filesystem::path root = "/");

    const std::filesystem::path& Root() const { return RootPath; }
    // True when this is the running system's own root.
    bool IsHostRoot() const;

    // The file below the root for an absolute system path.
    std::filesystem::path Map(std::string_view systemPath) const;

    // The content of a small file (sysfs attributes, /proc files, the group
    // file), at most `limit` bytes of it.
    std::optional<std::string> ReadFile(std::string_view systemPath,
                                        std::size_t limit = 1 << 20) const;
    // The first line of a file with surrounding blanks removed.
    std::optional<std::string> ReadValue(std::string_view systemPath) const;
    // The names in a folder, sorted; empty when it cannot be read.
    std::vector<std::string> ListDir(std::string_view systemPath) const;
    // The target of a symbolic link as written in the link.
    std::optional<std::string> ReadLink(std::string_view systemPath) const;
    bool Exists(std::string_view systemPath) const;
    // Follows links; nothing when the file is missing.
    std::optional<TFileStatus> Status(std::string_view systemPath) const;
    // The raw POSIX access ACL of a file, when it has one.
    std::optional<std::string> AccessAcl(std::string_view systemPath) const;

    // The path with every link followed, as a system path ("/sys/devices/...");
    // nothing when it does not exist or leads out of the root.
    std::optional<std::string> Resolve(std::string_view systemPath) const;

private:
    std::filesystem::path RootPath;
};

// The parent folder of a system path ("/a/b" -> "/a"; "/" stays "/").
std::string ParentPath(std::string_view systemPath);
// The last component of a path.
std::string BaseName(std::string_view path);

} // namespace wayline
