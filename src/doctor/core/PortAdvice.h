#pragma once

#include "comm/core/Identify.h"
#include "comm/core/PortScan.h"
#include "doctor/core/Finding.h"
#include "doctor/core/SystemFiles.h"
#include "doctor/core/SystemSurvey.h"
#include "doctor/core/UserIdentity.h"

#include <optional>
#include <string>
#include <vector>

namespace wayline {

class TSerialSlots;
class TSystemRoot;

// What lets a user open a device, decided from its owner, group, mode and
// access list. Joining a group is advised only when that group may read
// and write the device; otherwise the advice says who may and gives the one
// command that helps.
enum TAccessAdviceKind {
    aaAllowed,    // the user may open it
    aaJoinGroup,  // members of Group may; the user is not one
    aaLogInAgain, // the user joined Group after this session started
    aaOwnerOnly,  // no group may: only Owners may
};

struct TAccessAdvice {
    TAccessAdviceKind Kind = aaAllowed;
    std::string Group;   // aaJoinGroup, aaLogInAgain
    std::string Owners;  // aaOwnerOnly: "root", or "root, teacher"
    std::string Command; // the one command that helps; empty for aaLogInAgain
};

// `device` is a system path under the root ("/dev/ttyS0"). `knownAdapter`:
// the device is the port of an adapter the installed udev rule gives to the
// person at the computer.
TAccessAdvice AdviseDeviceAccess(const TSystemRoot& root, const std::string& device,
                                 const TUserIdentity& user,
                                 const std::vector<TGroupEntry>& groups, bool knownAdapter);

// The port grid's short form of the advice: "no access; join group dialout".
std::string AccessCellText(const TAccessAdvice& advice, const TIdentifyTexts& texts);

// Whether the installed udev rule (70-wayline.rules) is in force.
bool InstalledRuleInForce(const TSystemRoot& root);

// A lock file of a port whose process has ended.
struct TStaleLock {
    std::string File; // system path
    int Pid = 0;
    std::uint32_t OwnerUid = 0;
    bool Removable = false; // the user may remove it (so the download takes it over)
};
// The stale lock files of the device at `device` (by its name and, for a
// device node, by its identity) in /run/lock and /var/lock.
std::vector<TStaleLock> FindStaleLocks(const TSystemRoot& root, const std::string& device,
                                       const std::optional<TUserIdentity>& user);

// The finding about the stale lock files of a port (a name under /dev or a
// device path): blocking, with the one command that removes them, when one
// of them the user may not remove; a note when the download takes them
// over; nothing when there are none. A program that was killed leaves a
// lock by the port's name and one by its number: one finding names both.
std::optional<TFinding> StaleLockFinding(const TSystemRoot& root, const std::string& port,
                                         const std::optional<TUserIdentity>& user,
                                         const TDoctorTexts& texts);

// The processes that have the device open (by any name of it), leaving out
// `selfPid`.
std::vector<THolder> FindPortHolders(const TSystemRoot& root, const std::string& device,
                                     int selfPid);

// Names the cause in a port's row where it is known: whom to ask for access,
// the program holding a port that did not open or did not answer. The same
// reading of the system that the connection diagnosis makes.
void ExplainPortRow(const TSystemRoot& root, const std::optional<TUserIdentity>& user,
                    const std::string& portName, const TIdentifyTexts& texts,
                    TIdentifyResult& result);

// What each scanning thread does in the program, on the command line and in
// the doctor: IdentifyPort, then ExplainPortRow, both for the process's own
// user on the root.
TIdentifyWork ExplainingIdentifyWork(TSerialSlots& slots, int downloadTargetType,
                                     const TIdentifyTexts& texts, const TSystemRoot& root);

} // namespace wayline
