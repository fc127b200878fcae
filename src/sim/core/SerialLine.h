#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>

namespace wayline::sim {

// A byte on the line and the simulated time its stop bit arrives.
struct TTimedByte {
    std::uint8_t Value = 0;
    std::uint64_t ArrivalUs = 0;
};

// The serial cable between the host and the module, with the carrier board
// on it: 9600 baud, 10 bits to a byte, each direction one byte at a time.
// The board returns every byte the host sends (the echo, bit for bit, so it
// is complete when the byte has reached the module) and loops the host's
// RTS back to its DSR. DTR and BREAK are only recorded here; the board
// (TSimulatedModule) turns their changes into a reset and attention.
class TSerialLine {
public:
    // 10 bits at 9600 baud are 1041.67 microseconds; rounded up so that no
    // exchange is ever faster than the real line.
    static constexpr std::uint64_t ByteTimeUs = 1042;

    // What is plugged into the port. Without a board nothing comes back at
    // all and nothing reaches a module: a port with no cable.
    bool BoardPresent = true;
    // Fault: the board returns no echo (and no break).
    bool EchoEnabled = true;
    // Bytes from the host that the module has not read yet beyond this many
    // are lost, as they would be on the real module.
    static constexpr std::size_t ModuleInputLimit = 4096;
    // Bytes for the host that it has not taken beyond this many are lost,
    // the oldest first, as a port's receive buffer overflows: a program's
    // DEBUG output that nobody reads does not pile up without end.
    static constexpr std::size_t HostInputLimit = 4096;

    // ---- host side
    // The host sends a byte at `timeUs`; it goes out once the bytes before
    // it have. Returns when it has fully reached the module.
    std::uint64_t HostSend(std::uint8_t byte, std::uint64_t timeUs);
    // When the last byte the host sent will have left its transmitter.
    std::uint64_t HostTransmitDoneUs() const { return HostLineFreeUs; }
    // Bytes for the host whose stop bit had arrived by `timeUs`.
    int HostWaiting(std::uint64_t timeUs) const;
    // Takes the oldest byte for the host that had arrived by `timeUs`.
    std::optional<std::uint8_t> HostTake(std::uint64_t timeUs);
    // When the next byte for the host arrives, if one is on its way.
    std::optional<std::uint64_t> NextHostArrival() const;

    void SetRts(bool on) { RtsState = on; }
    void SetDtr(bool on) { DtrState = on; }
    // The break holds the host's transmit line low. When it ends, the board
    // has returned it to the host, whose receiver reads it as one 0 byte
    // (with a framing error): what the reset sequence drains away.
    void SetBreak(bool on, std::uint64_t timeUs);
    bool Rts() const { return RtsState; }
    bool Dtr() const { return DtrState; }
    bool Break() const { return BreakState; }
    // DSR as the host sees it: RTS through the board's loop.
    bool Dsr() const { return IsConnected && BoardPresent && RtsState; }

    // ---- module side
    // When the next byte from the host reaches the module.
    std::optional<std::uint64_t> NextModuleArrival() const;
    // Takes the oldest byte from the host that had reached the module by `timeUs`.
    std::optional<TTimedByte> ModuleTake(std::uint64_t timeUs);
    int ModuleWaiting(std::uint64_t timeUs) const;
    // The module sends a byte, starting no earlier than `timeUs` and after
    // what is already on its way to the host; returns its arrival time.
    std::uint64_t ModuleSend(std::uint8_t byte, std::uint64_t timeUs);
    // Drops what the module has not read yet (it was reset).
    void ClearModuleInput() { ToModule.clear(); }

    // The cable is pulled: nothing more passes either way.
    void Disconnect();
    bool Connected() const { return IsConnected; }

    // The bytes the host sent, in order, the latest SentHistory of them
    // (for tests and traces).
    static constexpr std::size_t SentHistory = 65536;
    const std::deque<TTimedByte>& HostSent() const { return Sent; }
    void ClearHostSent() { Sent.clear(); }

private:
    void QueueForHost(std::uint8_t byte, std::uint64_t arrivalUs);

    std::deque<TTimedByte> ToModule;
    std::deque<TTimedByte> ToHost; // in arrival order
    std::deque<TTimedByte> Sent;
    std::uint64_t HostLineFreeUs = 0;   // the host's transmitter is busy until then
    std::uint64_t ModuleLineFreeUs = 0; // the line to the host is busy until then
    bool RtsState = false;
    bool DtrState = false;
    bool BreakState = false;
    bool IsConnected = true;
};

} // namespace wayline::sim
