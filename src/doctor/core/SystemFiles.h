#pragma once

#include "comm/core/PortLock.h" // LockFilePid

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace wayline {

// Readers of the small system files the diagnosis looks at. Each takes the
// file's text and never fails: what it cannot read it leaves out.

// One line of the group file: "dialout:x:20:pupil,teacher".
struct TGroupEntry {
    std::string Name;
    std::uint32_t Gid = 0;
    std::vector<std::string> Members;
};
std::vector<TGroupEntry> ParseGroupFile(std::string_view text);

// The name of the account `uid` in a passwd file, and its primary group.
struct TPasswdEntry {
    std::string Name;
    std::uint32_t Uid = 0;
    std::uint32_t Gid = 0;
};
std::optional<TPasswdEntry> FindPasswdEntry(std::string_view text, std::uint32_t uid);

// The identity lines of /proc/<pid>/status: effective user and group and
// the supplementary groups of the process.
struct TProcessStatus {
    std::uint32_t Uid = 0;
    std::uint32_t Gid = 0;
    std::vector<std::uint32_t> Groups;
};
std::optional<TProcessStatus> ParseProcessStatus(std::string_view text);

// The value of property `key` in a udev database entry ("E:KEY=value"
// lines of /run/udev/data/c188:0).
std::optional<std::string> UdevProperty(std::string_view database, std::string_view key);

// A decimal number of at most nine digits; nothing for anything else.
std::optional<std::uint32_t> ParseSmallNumber(std::string_view text);

} // namespace wayline
