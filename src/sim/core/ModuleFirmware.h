#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace wayline::sim {

class TEeprom;
class TSerialLine;

// What kind of module sits on the board and how its firmware answers.
struct TModuleConfig {
    // false: a carrier board (echo, loopback) whose module does not answer.
    bool ModulePresent = true;
    // 2: the robot's Keystone 2 with the "KM2" handshake and downloads;
    // 3 to 5: modules that answer their probe byte ("a", "B", "C") only.
    int ModuleType = 2;
    // Type 2: the version byte after the handshake (0x10 reads "v1.0").
    std::uint8_t VersionByte = 0x10;
    // Types 3 to 5: the reply is the probe byte + this.
    int ProbeVersion = 0;
    // Type 5: the reply comes in lower case (bit 0x20 set).
    bool LowerCaseReply = false;

    // Firmware timing: from the reset edge until it looks at the line, from
    // a byte's arrival until its answer starts (this includes writing and
    // verifying an EEPROM block), and how long it listens for the next
    // handshake byte before it gives up and runs its program.
    std::uint64_t BootUs = 1000;
    std::uint64_t ReplyDelayUs = 100;
    std::uint64_t ListenTimeoutUs = 1'000'000;
};

// Faults to inject. Packet numbers count from 0 after each handshake.
struct TModuleFaults {
    std::optional<int> WrongComplementAt;  // handshake byte 0..2 gets a wrong answer
    bool SilentVersion = false;            // no version byte after the handshake
    std::optional<int> StatusTwoAtPacket;  // the block is written wrongly: status 2
    std::optional<int> SilenceAtPacket;    // no status byte
    std::optional<int> GarbageAtPacket;    // Garbage instead of the status byte
    std::optional<int> DisconnectAtPacket; // the cable is pulled as the packet arrives
    // What GarbageAtPacket sends; empty: 0x55 0xAA 0x3C.
    std::vector<std::uint8_t> Garbage;
    // Bytes the module sends while it boots after a reset (line noise).
    std::vector<std::uint8_t> NoiseAfterReset;
};

enum class TFirmwareState {
    fsIdle,           // nothing runs; bytes from the host are dropped
    fsBooting,        // reset: the firmware starts up
    fsAttention,      // started with the break held: waits for its end
    fsListening,      // waits for the handshake (or a probe byte)
    fsVersionRequest, // handshake done: waits for the 0 that asks for the version
    fsDownload,       // receives packets until a 0 byte
    fsRunning,        // the program runs and owns the programming port
};

// A packet as the firmware received it, with the status it answered (-1:
// none, 1: checksum wrong).
struct TReceivedPacket {
    std::array<std::uint8_t, 18> Bytes{};
    int Status = -1;
    std::uint64_t TimeUs = 0;
};

// The module's firmware: reset and attention, the handshake and its version
// byte, packet reception with the checksum check, the EEPROM written block
// by block, verified and acknowledged, and the closing 0 byte after which
// the program runs. Driven by the board in time order.
class TModuleFirmware {
public:
    static constexpr int PacketSize = 18;
    static constexpr int BadChecksumStatus = 1;
    static constexpr std::size_t PacketHistory = 1024;

    TModuleFirmware(TSerialLine& line, TEeprom& eeprom, const TModuleConfig& config,
                    const TModuleFaults& faults);

    TFirmwareState State() const { return Current; }

    // The reset line went active at `timeUs`: the module restarts.
    void Reset(std::uint64_t timeUs);
    // The host ended the break at `timeUs`.
    void BreakEnded(std::uint64_t timeUs);
    // As if a reset with attention had just ended: listens for the handshake.
    void ListenForHandshake(std::uint64_t timeUs);

    // When the firmware next has something to do (a byte to take, the end
    // of booting, a time-out), if anything.
    std::optional<std::uint64_t> NextEventUs() const;
    // Does everything due up to `timeUs`, in time order. Stops early at the
    // moment the program is to start, so that the board can start it there.
    void RunUntil(std::uint64_t timeUs);
    // The program is to start (a transfer ended, or a reset was not followed
    // by a handshake): its start time, once.
    std::optional<std::uint64_t> TakeProgramStart();
    // The board had no program to run: the firmware idles.
    void Idle() { Current = TFirmwareState::fsIdle; }

    // Records.
    const std::vector<TReceivedPacket>& Packets() const { return Received; }
    void ClearPackets() { Received.clear(); }
    int ResetCount() const { return Resets; }
    int HandshakeCount() const { return Handshakes; }
    int TransferCount() const { return Transfers; }

private:
    void Handle(std::uint8_t byte, std::uint64_t timeUs);
    void Listen(std::uint8_t byte, std::uint64_t timeUs);
    void ReceivePacketByte(std::uint8_t byte, std::uint64_t timeUs);
    void FinishPacket(std::uint64_t timeUs);
    void Reply(std::uint8_t byte, std::uint64_t timeUs);
    void EnterProgram(std::uint64_t timeUs);
    bool Consuming() const;

    TSerialLine& Line;
    TEeprom& Eeprom;
    const TModuleConfig& Config;
    const TModuleFaults& Faults;

    TFirmwareState Current = TFirmwareState::fsIdle;
    std::uint64_t BootEndUs = 0;
    std::uint64_t DeadlineUs = 0;
    int HandshakeIndex = 0;
    int PacketIndex = 0;
    int PacketFill = 0;
    std::array<std::uint8_t, PacketSize> Packet{};
    std::optional<std::uint64_t> PendingStart;

    std::vector<TReceivedPacket> Received;
    int Resets = 0;
    int Handshakes = 0;
    int Transfers = 0;
};

} // namespace wayline::sim
