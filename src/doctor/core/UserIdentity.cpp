#include "doctor/core/UserIdentity.h"

#include "doctor/core/SystemFiles.h"
#include "doctor/core/SystemRoot.h"

#include <pwd.h>
#include <unistd.h>

#include <algorithm>
#include <array>

namespace wayline {

bool TUserIdentity::HasGroup(std::uint32_t gid) const {
    return gid == Gid || std::find(Groups.begin(), Groups.end(), gid) != Groups.end();
}

namespace {

// Accounts from a directory service are not in /etc/passwd.
std::string HostAccountName(std::uint32_t uid) {
    struct passwd entry {};
    struct passwd* found = nullptr;
    std::array<char, 4096> buffer{};
    if (::getpwuid_r(uid, &entry, buffer.data(), buffer.size(), &found) == 0 && found != nullptr &&
        found->pw_name != nullptr) {
        return found->pw_name;
    }
    return {};
}

} // namespace

std::optional<TUserIdentity> ReadUserIdentity(const TSystemRoot& root) {
    const std::optional<std::string> statusText = root.ReadFile("/proc/self/status");
    const std::optional<TProcessStatus> status =
        statusText ? ParseProcessStatus(*statusText) : std::nullopt;
    if (!status) {
        return std::nullopt;
    }
    TUserIdentity identity;
    identity.Uid = status->Uid;
    identity.Gid = status->Gid;
    identity.Groups = status->Groups;
    if (const std::optional<std::string> self = root.ReadLink("/proc/self")) {
        if (const auto pid = ParseSmallNumber(*self)) {
            identity.Pid = static_cast<int>(*pid);
        }
    }
    if (const std::optional<std::string> passwd = root.ReadFile("/etc/passwd")) {
        if (const std::optional<TPasswdEntry> entry = FindPasswdEntry(*passwd, identity.Uid)) {
            identity.Name = entry->Name;
        }
    }
    if (identity.Name.empty() && root.IsHostRoot()) {
        identity.Name = HostAccountName(identity.Uid);
    }
    return identity;
}

} // namespace wayline
