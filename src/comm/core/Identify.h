#pragma once

#include <array>
#include <cstdint>
#include <string>

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
    // OpenErrorPermission: the user may not open the device. Names the fix;
    // dialout is the group that owns serial devices on Debian.
    std::string NoPermission = "no access; join group dialout";
    std::string Robot = "Robot"; // 411, the device name of type 2
};

// One port's row of the port grid, as the identification leaves it.
struct TIdentifyResult {
    std::string DeviceText;      // column "Device Type:"
    std::string VersionText;     // column "Version:"
    std::string LoopbackText;    // column "Loopback:"
    std::string EchoText;        // column "Echo:"
    int DeviceType = 0;          // hidden column 5
    std::uint32_t OpenError = 0; // why the port did not open (0: it did)
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

// The body of one identification thread, without the thread: claims a slot
// for `portName`, runs the loopback test and types 2..5 in order, closes the
// slot. Safe to run for different ports on different threads at once.
TIdentifyResult IdentifyPort(TSerialSlots& slots, const std::string& portName,
                             int downloadTargetType, const TIdentifyTexts& texts);

} // namespace wayline
