#include "comm/core/Identify.h"

#include "comm/core/Serial.h"

#include <cstdio>

namespace wayline {

namespace {

constexpr int RobotType = 2;
constexpr std::uint8_t Handshake[] = {'K', 'M', '2'};

// Probe byte and the highest reply offset each probe-byte module type
// accepts (types 3 to 5; the others are not probed this way).
struct TProbe {
    std::uint8_t Byte;
    int MaxOffset;
};
constexpr TProbe Probes[ModuleTypeCount] = {{0, 0},    {0, 0},    {0, 0},
                                            {0x61, 0}, {0x42, 2}, {0x43, 6}};

// Time-outs of the exchange, in milliseconds.
constexpr std::uint32_t WriteTimeoutMs = 1000;
constexpr std::uint32_t EchoTimeoutMs = 340;
constexpr std::uint32_t ReplyTimeoutMs = 240;

// Bit value of a lower-case reply of a type-5 module.
constexpr int LowerCaseBit = 0x20;

// "v" + the first and second digit of the version byte's hexadecimal form
// of at least two digits; a missing reply (-1) reads as FF.
std::string HexVersionText(int value) {
    char digits[16];
    std::snprintf(digits, sizeof digits, "%02X", static_cast<unsigned>(value));
    return std::string("v") + digits[0] + "." + digits[1];
}

// The reset and attention sequence that makes the module listen for the
// handshake, then the input is cleared of what the break left in it.
void ResetModule(TSerial& port) {
    port.SetDTR(1);
    port.SetBreak(1);
    port.WaitMs(2);
    port.SetDTR(0);
    port.WaitMs(50);
    port.SetBreak(0);
    port.WaitMs(15);
    port.ReadBlock(0, 0);
}

} // namespace

const std::array<const char*, ModuleTypeCount> RequiredVersions = {"",     "v0.0", "v1.0",
                                                                   "v1.0", "v1.0", "v1.2"};

std::string DeviceName(int type, const TIdentifyTexts& texts) {
    switch (type) {
    case 0:
        return "Unknown";
    case 1:
        return "Keystone 1";
    case 2:
        return texts.Robot;
    case 3:
        return "Keystone 2a";
    case 4:
        return "Keystone 2b";
    case 5:
        return "Keystone 2c";
    default:
        return {};
    }
}

bool Identify(TSerial& port, int type, int downloadTargetType, const TIdentifyTexts& texts,
              TIdentifyResult& result) {
    result.DeviceText.clear();
    result.VersionText.clear();
    result.EchoText = texts.Yes;
    result.DeviceType = 0;
    if (type < RobotType || type >= ModuleTypeCount) {
        return false;
    }
    ResetModule(port);

    if (type == RobotType) {
        for (const std::uint8_t b : Handshake) {
            port.WriteByte(b, WriteTimeoutMs);
            const int echo = port.ReadByte(EchoTimeoutMs);
            if ((echo & 0xFF) != b) {
                result.EchoText = texts.No;
                return false;
            }
            // The module answers with the byte's two's complement.
            if (port.ReadByte(ReplyTimeoutMs) + b != 256) {
                return false;
            }
        }
        port.WriteByte(0, WriteTimeoutMs);
        port.ReadBlock(1, ReplyTimeoutMs); // the echo of the 0
        const int version = port.ReadByte(ReplyTimeoutMs);
        if (type == downloadTargetType) {
            result.DeviceText = DeviceName(type, texts);
        }
        result.VersionText = HexVersionText(version);
        result.DeviceType = type;
        return true;
    }

    const TProbe& probe = Probes[type];
    port.WriteByte(probe.Byte, WriteTimeoutMs);
    port.ReadBlock(1, ReplyTimeoutMs); // the echo, not compared
    int reply = port.ReadByte(ReplyTimeoutMs);
    if (reply < 0 || reply > 255) {
        return false;
    }
    const auto inRange = [&probe](int value) {
        return value >= probe.Byte && value <= probe.Byte + probe.MaxOffset;
    };
    const int tested = type == 5 ? reply & ~LowerCaseBit : reply;
    if (!inRange(tested)) {
        return false;
    }
    if (type == downloadTargetType) {
        result.DeviceText = DeviceName(type, texts);
    }
    result.DeviceType = type;
    if (type == 5) {
        if (inRange(reply)) {
            result.DeviceText += "W";
        } else {
            result.DeviceText += "N";
            reply &= ~LowerCaseBit;
        }
    }
    result.VersionText = "v1." + std::to_string(reply - probe.Byte);
    return true;
}

std::string OpenErrorText(std::uint32_t errorCode, const TIdentifyTexts& texts) {
    switch (errorCode) {
    case OpenErrorNoSuchPort:
        return texts.InvalidPort;
    case OpenErrorInUse:
        return texts.InUse;
    case OpenErrorPermission:
        return texts.NoPermission.empty() ? texts.CantOpen : texts.NoPermission;
    case OpenErrorNotASerialPort: {
        // Without the path: the text up to where it would stand.
        std::string text = texts.NotASerialPort.substr(0, texts.NotASerialPort.find("{path}"));
        while (!text.empty() && (text.back() == ' ' || text.back() == ':')) {
            text.pop_back();
        }
        return text;
    }
    default:
        return texts.CantOpen;
    }
}

std::string OpenErrorText(const TOpenFailure& failure, const TIdentifyTexts& texts) {
    switch (failure.Code) {
    case OpenErrorNotASerialPort:
        if (failure.Path.empty()) {
            return OpenErrorText(failure.Code, texts);
        }
        return FillPlaceholders(texts.NotASerialPort, {{"path", failure.Path}});
    case OpenErrorInUse:
        if (failure.HolderPid > 0) {
            return InUseByText(failure.HolderName, failure.HolderPid, texts);
        }
        return texts.InUse;
    case OpenErrorStaleLock:
        return FillPlaceholders(texts.StaleLock, {{"file", failure.LockFiles}});
    default:
        return OpenErrorText(failure.Code, texts);
    }
}

std::string InUseByText(const std::string& process, int pid, const TIdentifyTexts& texts) {
    // A process whose name cannot be read is still named by its number.
    return FillPlaceholders(texts.InUseBy, {{"process", process.empty() ? "?" : process},
                                            {"pid", std::to_string(pid)}});
}

std::string FillPlaceholders(std::string_view text,
                             std::initializer_list<std::pair<std::string_view, std::string_view>> values) {
    std::string result;
    std::size_t i = 0;
    while (i < text.size()) {
        bool replaced = false;
        if (text[i] == '{') {
            const std::size_t close = text.find('}', i);
            if (close != std::string_view::npos) {
                const std::string_view name = text.substr(i + 1, close - i - 1);
                for (const auto& [key, value] : values) {
                    if (key == name) {
                        result += value;
                        i = close + 1;
                        replaced = true;
                        break;
                    }
                }
            }
        }
        if (!replaced) {
            result += text[i++];
        }
    }
    return result;
}

TIdentifyResult IdentifyPort(TSerialSlots& slots, const std::string& portName,
                             int downloadTargetType, const TIdentifyTexts& texts) {
    TIdentifyResult result;
    std::uint32_t errorCode = 0;
    TOpenFailure failure;
    const int slot = slots.OpenFreeSlot(portName, errorCode, &failure);
    if (slot == NoSlot) {
        result.OpenError = errorCode;
        result.Failure = failure;
        result.Failure.Code = errorCode;
        result.HolderPid = failure.HolderPid;
        result.HolderName = failure.HolderName;
        result.DeviceText = OpenErrorText(result.Failure, texts);
        return result;
    }
    TSerial& port = slots.Slot(slot);

    // Loopback: the cable returns RTS on DSR. DSR already on with RTS off
    // proves nothing, so it counts as no loopback.
    port.SetRTS(0);
    port.WaitMs(2);
    result.LoopbackText = texts.No;
    if ((port.ModemStatus() & ModemStatusDsr) == 0) {
        port.SetRTS(1);
        port.WaitMs(2);
        if ((port.ModemStatus() & ModemStatusDsr) != 0) {
            result.LoopbackText = texts.Yes;
        }
        port.SetRTS(0);
    }

    // Without an echo nothing is connected: the other types need not be tried.
    for (int type = RobotType; type < ModuleTypeCount; ++type) {
        if (Identify(port, type, downloadTargetType, texts, result) ||
            result.EchoText != texts.Yes) {
            break;
        }
    }
    slots.ClosePort(slot);
    return result;
}

} // namespace wayline
