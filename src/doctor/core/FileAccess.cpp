#include "doctor/core/FileAccess.h"

#include "doctor/core/UserIdentity.h"

namespace wayline {

namespace {

constexpr std::uint32_t ReadWrite = 6;

bool Grants(std::uint32_t permissions) {
    return (permissions & ReadWrite) == ReadWrite;
}

std::uint32_t ReadLe(std::string_view bytes, std::size_t at, std::size_t size) {
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < size; ++i) {
        value |= static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[at + i])) << (8 * i);
    }
    return value;
}

} // namespace

std::optional<std::vector<TAclEntry>> ParseAccessAcl(std::string_view bytes) {
    constexpr std::size_t HeaderSize = 4;
    constexpr std::size_t EntrySize = 8;
    if (bytes.size() < HeaderSize || (bytes.size() - HeaderSize) % EntrySize != 0 ||
        ReadLe(bytes, 0, 4) != 2) {
        return std::nullopt;
    }
    std::vector<TAclEntry> entries;
    for (std::size_t at = HeaderSize; at < bytes.size(); at += EntrySize) {
        entries.push_back({static_cast<std::uint16_t>(ReadLe(bytes, at, 2)),
                           static_cast<std::uint16_t>(ReadLe(bytes, at + 2, 2)),
                           ReadLe(bytes, at + 4, 4)});
    }
    return entries;
}

TDeviceAccess CheckDeviceAccess(const TFileStatus& status, const std::optional<std::string>& acl,
                                const TUserIdentity& user) {
    TDeviceAccess access;
    if (user.Uid == 0) {
        access.Allowed = true;
        return access;
    }
    const std::optional<std::vector<TAclEntry>> entries = acl ? ParseAccessAcl(*acl) : std::nullopt;
    if (!entries) {
        // Plain permission bits: owner, else group, else others.
        access.GroupWouldAllow = Grants(status.Mode >> 3);
        if (user.Uid == status.Uid) {
            access.Allowed = Grants(status.Mode >> 6);
        } else if (user.HasGroup(status.Gid)) {
            access.Allowed = access.GroupWouldAllow;
        } else {
            access.Allowed = Grants(status.Mode);
        }
        return access;
    }

    // The POSIX ACL check: the owner entry, a named user entry, then every
    // group entry that matches (any one granting is enough), then others.
    // Named entries and the owning group are limited by the mask.
    std::uint32_t mask = 7;
    std::uint32_t groupObj = 0;
    std::uint32_t other = 0;
    for (const TAclEntry& e : *entries) {
        if (e.Tag == AclMask) {
            mask = e.Permissions;
        } else if (e.Tag == AclGroupObj) {
            groupObj = e.Permissions;
        } else if (e.Tag == AclOther) {
            other = e.Permissions;
        }
    }
    access.GroupWouldAllow = Grants(groupObj & mask);
    if (user.Uid == status.Uid) {
        for (const TAclEntry& e : *entries) {
            if (e.Tag == AclUserObj) {
                access.Allowed = Grants(e.Permissions);
            }
        }
        return access;
    }
    for (const TAclEntry& e : *entries) {
        if (e.Tag == AclUser && e.Id == user.Uid) {
            access.Allowed = Grants(e.Permissions & mask);
            return access;
        }
    }
    bool groupMatched = false;
    for (const TAclEntry& e : *entries) {
        const bool matches = (e.Tag == AclGroupObj && user.HasGroup(status.Gid)) ||
                             (e.Tag == AclGroup && user.HasGroup(e.Id));
        if (matches) {
            groupMatched = true;
            if (Grants(e.Permissions & mask)) {
                access.Allowed = true;
                return access;
            }
        }
    }
    access.Allowed = !groupMatched && Grants(other);
    return access;
}

std::vector<std::uint32_t> GroupsThatMayOpen(const TFileStatus& status,
                                             const std::optional<std::string>& acl) {
    std::vector<std::uint32_t> groups;
    const std::optional<std::vector<TAclEntry>> entries = acl ? ParseAccessAcl(*acl) : std::nullopt;
    if (!entries) {
        if (Grants(status.Mode >> 3)) {
            groups.push_back(status.Gid);
        }
        return groups;
    }
    std::uint32_t mask = 7;
    for (const TAclEntry& e : *entries) {
        if (e.Tag == AclMask) {
            mask = e.Permissions;
        }
    }
    for (const TAclEntry& e : *entries) {
        if (e.Tag == AclGroupObj && Grants(e.Permissions & mask)) {
            groups.insert(groups.begin(), status.Gid);
        } else if (e.Tag == AclGroup && Grants(e.Permissions & mask)) {
            groups.push_back(e.Id);
        }
    }
    return groups;
}

std::vector<std::uint32_t> UsersThatMayOpen(const TFileStatus& status,
                                            const std::optional<std::string>& acl) {
    std::vector<std::uint32_t> users;
    const std::optional<std::vector<TAclEntry>> entries = acl ? ParseAccessAcl(*acl) : std::nullopt;
    if (!entries) {
        if (Grants(status.Mode >> 6)) {
            users.push_back(status.Uid);
        }
        return users;
    }
    std::uint32_t mask = 7;
    for (const TAclEntry& e : *entries) {
        if (e.Tag == AclMask) {
            mask = e.Permissions;
        }
    }
    for (const TAclEntry& e : *entries) {
        if (e.Tag == AclUserObj && Grants(e.Permissions)) {
            users.insert(users.begin(), status.Uid);
        } else if (e.Tag == AclUser && Grants(e.Permissions & mask)) {
            users.push_back(e.Id);
        }
    }
    return users;
}

} // namespace wayline
