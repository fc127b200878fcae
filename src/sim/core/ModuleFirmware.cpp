#include "sim/core/ModuleFirmware.h"

#include "sim/core/Eeprom.h"
#include "sim/core/SerialLine.h"

#include <algorithm>
#include <iterator>

namespace wayline::sim {

namespace {

constexpr std::uint8_t Handshake[] = {'K', 'M', '2'};
constexpr std::uint8_t ProbeBytes[] = {0, 0, 0, 0x61, 0x42, 0x43};
constexpr int RobotType = 2;
constexpr std::uint8_t PacketStartBit = 0x80;
constexpr std::uint8_t LowerCaseBit = 0x20;

} // namespace

TModuleFirmware::TModuleFirmware(TSerialLine& line, TEeprom& eeprom, const TModuleConfig& config,
                                 const TModuleFaults& faults)
    : Line(line), Eeprom(eeprom), Config(config), Faults(faults) {}

void TModuleFirmware::Reset(std::uint64_t timeUs) {
    if (!Config.ModulePresent) {
        return;
    }
    ++Resets;
    Current = TFirmwareState::fsBooting;
    BootEndUs = timeUs + Config.BootUs;
    PendingStart.reset();
    Line.ClearModuleInput();
    std::uint64_t at = timeUs;
    for (const std::uint8_t noise : Faults.NoiseAfterReset) {
        at = Line.ModuleSend(noise, at);
    }
}

void TModuleFirmware::BreakEnded(std::uint64_t timeUs) {
    if (Current == TFirmwareState::fsAttention) {
        ListenForHandshake(timeUs);
    }
}

void TModuleFirmware::ListenForHandshake(std::uint64_t timeUs) {
    if (!Config.ModulePresent) {
        return;
    }
    Current = TFirmwareState::fsListening;
    HandshakeIndex = 0;
    DeadlineUs = timeUs + Config.ListenTimeoutUs;
    PendingStart.reset();
    // What reached the module before it listened is not part of the handshake.
    while (Line.ModuleTake(timeUs)) {
    }
}

bool TModuleFirmware::Consuming() const {
    return Config.ModulePresent && Current != TFirmwareState::fsRunning;
}

std::optional<std::uint64_t> TModuleFirmware::NextEventUs() const {
    if (!Config.ModulePresent || PendingStart) {
        return std::nullopt;
    }
    std::optional<std::uint64_t> next;
    const auto consider = [&next](std::uint64_t t) {
        if (!next || t < *next) {
            next = t;
        }
    };
    if (Current == TFirmwareState::fsBooting) {
        consider(BootEndUs);
    }
    if (Current == TFirmwareState::fsListening || Current == TFirmwareState::fsVersionRequest) {
        consider(DeadlineUs);
    }
    if (Consuming()) {
        if (const auto arrival = Line.NextModuleArrival()) {
            consider(*arrival);
        }
    }
    return next;
}

void TModuleFirmware::RunUntil(std::uint64_t timeUs) {
    while (!PendingStart) {
        const std::optional<std::uint64_t> next = NextEventUs();
        if (!next || *next > timeUs) {
            return;
        }
        const std::uint64_t now = *next;
        if (Current == TFirmwareState::fsBooting && BootEndUs <= now) {
            // Bytes that came while it booted were not heard.
            while (Line.ModuleTake(now)) {
            }
            if (Line.Break()) {
                Current = TFirmwareState::fsAttention;
            } else {
                EnterProgram(now);
            }
            continue;
        }
        if (const auto byte = Line.ModuleTake(now)) {
            Handle(byte->Value, byte->ArrivalUs);
            continue;
        }
        if ((Current == TFirmwareState::fsListening ||
             Current == TFirmwareState::fsVersionRequest) &&
            DeadlineUs <= now) {
            // No handshake followed the reset: the module runs its program.
            EnterProgram(now);
        }
    }
}

std::optional<std::uint64_t> TModuleFirmware::TakeProgramStart() {
    const std::optional<std::uint64_t> start = PendingStart;
    PendingStart.reset();
    return start;
}

void TModuleFirmware::EnterProgram(std::uint64_t timeUs) {
    Current = TFirmwareState::fsRunning;
    PendingStart = timeUs;
}

void TModuleFirmware::Reply(std::uint8_t byte, std::uint64_t timeUs) {
    Line.ModuleSend(byte, timeUs + Config.ReplyDelayUs);
}

void TModuleFirmware::Handle(std::uint8_t byte, std::uint64_t timeUs) {
    switch (Current) {
    case TFirmwareState::fsListening:
        Listen(byte, timeUs);
        break;
    case TFirmwareState::fsVersionRequest:
        if (byte == 0) {
            if (!Faults.SilentVersion) {
                Reply(Config.VersionByte, timeUs);
            }
            Current = TFirmwareState::fsDownload;
            PacketIndex = 0;
            PacketFill = 0;
            ++Handshakes;
        } else {
            EnterProgram(timeUs);
        }
        break;
    case TFirmwareState::fsDownload:
        ReceivePacketByte(byte, timeUs);
        break;
    default:
        // Idle, booting or waiting for the break to end: the byte is lost.
        break;
    }
}

void TModuleFirmware::Listen(std::uint8_t byte, std::uint64_t timeUs) {
    if (Config.ModuleType != RobotType) {
        const int type = std::clamp(Config.ModuleType, 3, 5);
        if (byte == ProbeBytes[type]) {
            std::uint8_t reply = static_cast<std::uint8_t>(byte + Config.ProbeVersion);
            if (type == 5 && Config.LowerCaseReply) {
                reply |= LowerCaseBit;
            }
            Reply(reply, timeUs);
        }
        // These modules' own downloads are not modelled.
        Current = TFirmwareState::fsIdle;
        return;
    }
    if (byte != Handshake[HandshakeIndex]) {
        EnterProgram(timeUs);
        return;
    }
    std::uint8_t answer = static_cast<std::uint8_t>(256 - byte);
    if (Faults.WrongComplementAt == HandshakeIndex) {
        ++answer;
    }
    Reply(answer, timeUs);
    DeadlineUs = timeUs + Config.ListenTimeoutUs;
    if (++HandshakeIndex == 3) {
        Current = TFirmwareState::fsVersionRequest;
    }
}

void TModuleFirmware::ReceivePacketByte(std::uint8_t byte, std::uint64_t timeUs) {
    if (PacketFill > 0) {
        Packet[static_cast<std::size_t>(PacketFill++)] = byte;
        if (PacketFill == PacketSize) {
            PacketFill = 0;
            FinishPacket(timeUs);
        }
        return;
    }
    if ((byte & PacketStartBit) != 0) {
        Packet[0] = byte;
        PacketFill = 1;
    } else if (byte == 0) {
        ++Transfers;
        EnterProgram(timeUs);
    }
    // Any other byte between packets is noise and is ignored.
}

void TModuleFirmware::FinishPacket(std::uint64_t timeUs) {
    const int k = PacketIndex++;
    TReceivedPacket record;
    record.Bytes = Packet;
    record.TimeUs = timeUs;

    if (Faults.DisconnectAtPacket == k) {
        Line.Disconnect();
    } else {
        int sum = 0;
        for (const std::uint8_t b : Packet) {
            sum += b;
        }
        int status = BadChecksumStatus;
        if (sum % 256 == 0) {
            const int block = Packet[0] & 0x7F;
            std::array<std::uint8_t, TEeprom::BlockSize> data{};
            std::copy_n(Packet.begin() + 1, TEeprom::BlockSize, data.begin());
            if (Faults.StatusTwoAtPacket == k) {
                data[0] ^= 0xFF; // a cell that did not take the value
            }
            Eeprom.WriteBlock(block, data.data());
            status = 0;
            for (int i = 0; i < TEeprom::BlockSize; ++i) {
                if (Eeprom.Read(block * TEeprom::BlockSize + i) !=
                    Packet[static_cast<std::size_t>(i + 1)]) {
                    status = 2;
                }
            }
        }
        if (Faults.SilenceAtPacket == k) {
            record.Status = -1;
        } else if (Faults.GarbageAtPacket == k) {
            record.Status = -1;
            std::uint64_t at = timeUs + Config.ReplyDelayUs;
            static constexpr std::uint8_t DefaultGarbage[] = {0x55, 0xAA, 0x3C};
            const std::vector<std::uint8_t> garbage =
                Faults.Garbage.empty() ? std::vector<std::uint8_t>(std::begin(DefaultGarbage),
                                                                   std::end(DefaultGarbage))
                                       : Faults.Garbage;
            for (const std::uint8_t g : garbage) {
                at = Line.ModuleSend(g, at);
            }
        } else {
            record.Status = status;
            Reply(static_cast<std::uint8_t>(status), timeUs);
        }
    }
    Received.push_back(record);
    if (Received.size() > PacketHistory) {
        Received.erase(Received.begin());
    }
}

} // namespace wayline::sim
