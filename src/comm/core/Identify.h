#pragma once

#include "comm/core/SerialDevice.h"

#include <array>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <utility>

namespace wayline {

class TSerial;
class TSerialSlots;

// Module types: 0 nothing identified, 1 Keystone 1 (never probed), 2 the
// robot's Keystone 2 (the "KM2" handshake), 3 to 5 the probe-byte modules.
inline constexpr int ModuleTypeCount = 6;

// The interface texts identification writes into the port grid; the program
// loads them from its text table, the defaults are the English ones.
struct TIdentifyTexts {
    std::string Ignoring = "ignoring";             // 386
    std::string Yes = "Yes";                       // 387
    std::string No = "No";                         // 388
    std::string InvalidPort = "invalid port";      // 389
    std::string InUse = "can't open port; in use"; // 390
    std::string CantOpen = "can't open port";      // 391
    std::string Robot = "Robot";                   // 411, the device name of type 2
    // Where the cause is known, the row names it instead of the texts above.
    // {path}, {process}, {pid}, {file}, {group} and {owner} stand for what
    // was found.
    std::string NotASerialPort = "not a serial port: {path}";
    std::string InUseBy = "in use by {process} (process {pid})";
    std::string StaleLock = "stale lock file {file}";
    // The user may not open the device: the one step that lets them.
    std::string NoPermission = "no access";
    std::string JoinGroup = "no access; join group {group}";
    std::string LogInAgain = "no access; log out and in again";
    std::string OwnerOnly = "no access; only {owner} may open it";
};

// One port's row of the port grid, as the identification leaves it.
struct TIdentifyResult {
    std::string DeviceText;      // column "Device Type:"
    std::string VersionText;     // column "Version:"
    std::string LoopbackText;    // column "Loopback:"
    std::string EchoText;        // column "Echo:"
    int DeviceType = 0;          // hidden column 5
    std::uint32_t OpenError = 0; // why the port did not open (0: it did)
    TOpenFailure Failure;        // what more is known about it
    // A port that did not answer, or did not open, because another program
    // holds it: that program (0 when none was found).
    int HolderPid = 0;
    std::string HolderName;
};

// Device names of types 0..5 (type 2 takes the Robot text) and the version
// each type must report before a download.
std::string DeviceName(int type, const TIdentifyTexts& texts);
extern const std::array<const char*, ModuleTypeCount> RequiredVersions;

// Resets the module on the open port and runs the identification exchange
// for one module type (2 to 5). The device name is filled in only when
// `type` is `downloadTargetType`.
bool Identify(TSerial& port, int type, int downloadTargetType, const TIdentifyTexts& texts,
              TIdentifyResult& result);

// The text of the device column for a port that did not open.
std::string OpenErrorText(std::uint32_t errorCode, const TIdentifyTexts& texts);
// The same, naming what is known of the cause (the path that is no serial
// port, the process holding it, the stale lock file).
std::string OpenErrorText(const TOpenFailure& failure, const TIdentifyTexts& texts);
// "in use by NAME (process N)".
std::string InUseByText(const std::string& process, int pid, const TIdentifyTexts& texts);

// Replaces each {name} of `text` by its value; unknown names stay.
std::string FillPlaceholders(std::string_view text,
                             std::initializer_list<std::pair<std::string_view, std::string_view>> values);

// The body of one identification thread, without the thread: claims a slot
// for `portName`, runs the loopback test and types 2..5 in order, closes the
// slot. Safe to run for different ports on different threads at once.
TIdentifyResult IdentifyPort(TSerialSlots& slots, const std::string& portName,
                             int downloadTargetType, const TIdentifyTexts& texts);

} // namespace wayline
