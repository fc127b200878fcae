#include "doctor/core/PortAdvice.h"

#include "comm/core/PortLock.h"
#include "comm/core/Serial.h"
#include "doctor/core/FileAccess.h"
#include "doctor/core/SystemRoot.h"

#include <algorithm>
#include <memory>

namespace wayline {

namespace {

constexpr const char* RuleName = "70-wayline.rules";
constexpr std::uint32_t StickyBit = 01000;

std::string GroupName(const std::vector<TGroupEntry>& groups, std::uint32_t gid) {
    for (const TGroupEntry& group : groups) {
        if (group.Gid == gid) {
            return group.Name;
        }
    }
    return std::to_string(gid);
}

std::string AccountName(const TSystemRoot& root, std::uint32_t uid) {
    const std::optional<TPasswdEntry> entry =
        FindPasswdEntry(root.ReadFile("/etc/passwd", 8 << 20).value_or(""), uid);
    return entry ? entry->Name : std::to_string(uid);
}

bool GroupFileLists(const std::vector<TGroupEntry>& groups, std::uint32_t gid,
                    const std::string& user) {
    if (user.empty()) {
        return false;
    }
    return std::any_of(groups.begin(), groups.end(), [&](const TGroupEntry& group) {
        return group.Gid == gid &&
               std::find(group.Members.begin(), group.Members.end(), user) != group.Members.end();
    });
}

// Whether the user may make and remove files in a folder, by its mode
// (write and search for the owner, the group or the others).
bool MayWriteIn(const TFileStatus& folder, const TUserIdentity& user) {
    const std::uint32_t bits = folder.Uid == user.Uid       ? folder.Mode >> 6
                               : user.HasGroup(folder.Gid) ? folder.Mode >> 3
                                                           : folder.Mode;
    return (bits & 03) == 03;
}

} // namespace

bool InstalledRuleInForce(const TSystemRoot& root) {
    for (const char* folder : {"/etc/udev/rules.d", "/run/udev/rules.d",
                               "/usr/local/lib/udev/rules.d", "/usr/lib/udev/rules.d",
                               "/lib/udev/rules.d"}) {
        const std::string path = std::string(folder) + "/" + RuleName;
        if (!root.Exists(path)) {
            continue;
        }
        // The first one found decides; one linked to /dev/null is masked.
        const std::optional<std::string> link = root.ReadLink(path);
        return !(link && *link == "/dev/null");
    }
    return false;
}

TAccessAdvice AdviseDeviceAccess(const TSystemRoot& root, const std::string& device,
                                 const TUserIdentity& user,
                                 const std::vector<TGroupEntry>& groups, bool knownAdapter) {
    TAccessAdvice advice;
    const std::optional<TFileStatus> status = root.Status(device);
    if (!status) {
        return advice;
    }
    const std::optional<std::string> acl = root.AccessAcl(device);
    if (CheckDeviceAccess(*status, acl, user).Allowed) {
        return advice;
    }
    // Only a group that may read and write the device is worth joining.
    for (const std::uint32_t gid : GroupsThatMayOpen(*status, acl)) {
        if (user.HasGroup(gid)) {
            continue; // it does not help this user (an entry of the list says no)
        }
        advice.Group = GroupName(groups, gid);
        if (GroupFileLists(groups, gid, user.Name)) {
            advice.Kind = aaLogInAgain;
        } else {
            advice.Kind = aaJoinGroup;
            // Without a known name the shell fills it in.
            advice.Command =
                "sudo usermod -aG " + advice.Group + " " + (user.Name.empty() ? "$USER" : user.Name);
        }
        return advice;
    }
    advice.Kind = aaOwnerOnly;
    for (const std::uint32_t uid : UsersThatMayOpen(*status, acl)) {
        advice.Owners += (advice.Owners.empty() ? "" : ", ") + AccountName(root, uid);
    }
    if (advice.Owners.empty()) {
        advice.Owners = AccountName(root, status->Uid);
    }
    const std::string who = user.Name.empty() ? "$USER" : user.Name;
    if (knownAdapter && InstalledRuleInForce(root)) {
        // The rule gives the adapter to the person at the computer; it was
        // not applied to this port (plugged in before the rule came).
        advice.Command = "sudo udevadm trigger --action=change " + device;
    } else if (root.Exists("/usr/bin/setfacl") || root.Exists("/bin/setfacl")) {
        advice.Command = "sudo setfacl -m u:" + who + ":rw " + device;
    } else {
        advice.Command = "sudo chown " + who + " " + device;
    }
    return advice;
}

std::string AccessCellText(const TAccessAdvice& advice, const TIdentifyTexts& texts) {
    switch (advice.Kind) {
    case aaAllowed:
        return texts.NoPermission;
    case aaJoinGroup:
        return FillPlaceholders(texts.JoinGroup, {{"group", advice.Group}});
    case aaLogInAgain:
        return texts.LogInAgain;
    case aaOwnerOnly:
        return FillPlaceholders(texts.OwnerOnly, {{"owner", advice.Owners}});
    }
    return texts.NoPermission;
}

std::vector<TStaleLock> FindStaleLocks(const TSystemRoot& root, const std::string& device,
                                       const std::optional<TUserIdentity>& user) {
    std::vector<std::string> names = {NameLockFileName(device)};
    if (const std::optional<std::string> resolved = root.Resolve(device);
        resolved && *resolved != device) {
        names.push_back(NameLockFileName(*resolved));
    }
    if (const std::optional<TFileStatus> status = root.Status(device);
        status && status->CharDevice) {
        names.push_back(IdentityLockFileName(status->Major, status->Minor));
    }
    std::vector<TStaleLock> locks;
    std::vector<std::string> seen;
    for (const char* folder : {"/run/lock", "/var/lock"}) {
        const std::string canonicalFolder = root.Resolve(folder).value_or("");
        if (canonicalFolder.empty()) {
            continue;
        }
        for (const std::string& name : names) {
            const std::string file = std::string(folder) + "/" + name;
            const std::string key = canonicalFolder + "/" + name;
            if (std::find(seen.begin(), seen.end(), key) != seen.end()) {
                continue; // /var/lock is /run/lock
            }
            seen.push_back(key);
            const std::optional<std::string> text = root.ReadFile(file, 256);
            const int pid = text ? LockFilePid(*text) : 0;
            if (pid <= 0 || root.Exists("/proc/" + std::to_string(pid))) {
                continue;
            }
            TStaleLock lock;
            lock.File = file;
            lock.Pid = pid;
            const std::optional<TFileStatus> status = root.Status(file);
            lock.OwnerUid = status ? status->Uid : 0;
            const std::optional<TFileStatus> folderStatus = root.Status(folder);
            const bool sticky = folderStatus && (folderStatus->Mode & StickyBit) != 0;
            // Removing a file takes writing in its folder, and in a sticky
            // folder owning the file.
            lock.Removable =
                user && (user->Uid == 0 || (folderStatus && MayWriteIn(*folderStatus, *user) &&
                                            (!sticky || user->Uid == lock.OwnerUid)));
            locks.push_back(std::move(lock));
        }
    }
    return locks;
}

std::optional<TFinding> StaleLockFinding(const TSystemRoot& root, const std::string& port,
                                         const std::optional<TUserIdentity>& user,
                                         const TDoctorTexts& texts) {
    std::vector<TStaleLock> kept;
    std::vector<TStaleLock> removable;
    for (TStaleLock& lock : FindStaleLocks(root, DevicePathOf(port), user)) {
        (lock.Removable ? removable : kept).push_back(std::move(lock));
    }
    const auto files = [](const std::vector<TStaleLock>& locks, const char* separator) {
        std::string text;
        for (const TStaleLock& lock : locks) {
            text += (text.empty() ? "" : separator) + lock.File;
        }
        return text;
    };
    if (!kept.empty()) {
        return TFinding{fkStaleLock, fsBlocking, port,
                        FillText(texts.Sentences[fkStaleLock],
                                 {{"port", port},
                                  {"file", files(kept, " and ")},
                                  {"pid", std::to_string(kept.front().Pid)},
                                  {"owner", AccountName(root, kept.front().OwnerUid)}}),
                        "sudo rm " + files(kept, " ")};
    }
    if (!removable.empty()) {
        return TFinding{fkStaleLockRemovable, fsInformation, port,
                        FillText(texts.Sentences[fkStaleLockRemovable],
                                 {{"port", port},
                                  {"file", files(removable, " and ")},
                                  {"pid", std::to_string(removable.front().Pid)}}),
                        ""};
    }
    return std::nullopt;
}

std::vector<THolder> FindPortHolders(const TSystemRoot& root, const std::string& device,
                                     int selfPid) {
    std::vector<std::string> names = {device};
    if (const std::optional<std::string> resolved = root.Resolve(device);
        resolved && *resolved != device) {
        names.push_back(*resolved);
    }
    std::vector<THolder> holders;
    for (const auto& [path, found] : FindHolders(root, names, selfPid)) {
        (void)path;
        for (const THolder& holder : found) {
            if (std::find(holders.begin(), holders.end(), holder) == holders.end()) {
                holders.push_back(holder);
            }
        }
    }
    return holders;
}

void ExplainPortRow(const TSystemRoot& root, const std::optional<TUserIdentity>& user,
                    const std::string& portName, const TIdentifyTexts& texts,
                    TIdentifyResult& result) {
    const std::string device = DevicePathOf(portName);
    if (result.OpenError == OpenErrorPermission && user) {
        const std::vector<TGroupEntry> groups =
            ParseGroupFile(root.ReadFile("/etc/group", 8 << 20).value_or(""));
        bool knownAdapter = false;
        for (const TSerialPortInfo& port : SurveySerialPorts(root)) {
            knownAdapter = knownAdapter || ("/dev/" + port.Name == device && port.Adapter);
        }
        const TAccessAdvice advice = AdviseDeviceAccess(root, device, *user, groups, knownAdapter);
        if (advice.Kind != aaAllowed) {
            result.DeviceText = AccessCellText(advice, texts);
        }
        return;
    }
    // A port held by another program: one that refused to open (its lock
    // named nobody alive), or one that opened but where the other program
    // takes the replies away, so that no module seems to answer.
    const bool refused = result.OpenError == OpenErrorInUse && result.HolderPid == 0;
    const bool silent = result.OpenError == OpenErrorNone && result.DeviceType == 0;
    if (!refused && !silent) {
        return;
    }
    const std::vector<THolder> holders = FindPortHolders(root, device, user ? user->Pid : 0);
    if (holders.empty()) {
        return;
    }
    result.HolderPid = holders.front().Pid;
    result.HolderName = holders.front().Name;
    result.DeviceText = InUseByText(result.HolderName, result.HolderPid, texts);
}

TIdentifyWork ExplainingIdentifyWork(TSerialSlots& slots, int downloadTargetType,
                                     const TIdentifyTexts& texts, const TSystemRoot& root) {
    // Read once: who this process is does not change during a scan.
    auto user = std::make_shared<const std::optional<TUserIdentity>>(ReadUserIdentity(root));
    return [&slots, downloadTargetType, &texts, &root, user](const std::string& portName) {
        TIdentifyResult result = IdentifyPort(slots, portName, downloadTargetType, texts);
        ExplainPortRow(root, *user, portName, texts, result);
        return result;
    };
}

} // namespace wayline
