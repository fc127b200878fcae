#pragma once

#include "doctor/core/SystemRoot.h"

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace wayline {

struct TUserIdentity;

// Whether a user may open a device for reading and writing, decided from its
// owner, group and permission bits and, when it has one, its POSIX access
// ACL: a desktop session gets its devices through an ACL entry for the user
// (the "uaccess" tag of udev), not through the group.
struct TDeviceAccess {
    bool Allowed = false;
    // The owning group would allow it (its permission bits, under the ACL's
    // mask): joining that group is the way in.
    bool GroupWouldAllow = false;
};

TDeviceAccess CheckDeviceAccess(const TFileStatus& status, const std::optional<std::string>& acl,
                                const TUserIdentity& user);

// Who may read and write the device: the groups (the owning group first,
// under the access list's mask, then the list's named groups) and the users
// (the owner first, then the list's named users).
std::vector<std::uint32_t> GroupsThatMayOpen(const TFileStatus& status,
                                             const std::optional<std::string>& acl);
std::vector<std::uint32_t> UsersThatMayOpen(const TFileStatus& status,
                                            const std::optional<std::string>& acl);

// The entries of a "system.posix_acl_access" value (little-endian version 2
// header, then tag, permission and id per entry); nothing when malformed.
struct TAclEntry {
    std::uint16_t Tag = 0;
    std::uint16_t Permissions = 0; // 4 read, 2 write, 1 execute
    std::uint32_t Id = 0;
};
std::optional<std::vector<TAclEntry>> ParseAccessAcl(std::string_view bytes);

inline constexpr std::uint16_t AclUserObj = 0x01;
inline constexpr std::uint16_t AclUser = 0x02;
inline constexpr std::uint16_t AclGroupObj = 0x04;
inline constexpr std::uint16_t AclGroup = 0x08;
inline constexpr std::uint16_t AclMask = 0x10;
inline constexpr std::uint16_t AclOther = 0x20;

} // namespace wayline
