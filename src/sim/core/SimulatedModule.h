#pragma once

#include "sim/core/Eeprom.h"
#include "sim/core/ModuleFirmware.h"
#include "sim/core/ModuleRunTime.h"
#include "sim/core/ProgrammingPort.h"
#include "sim/core/SerialLine.h"
#include "sim/core/SimClock.h"

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>

namespace wayline::sim {

// The simulated controller module on its carrier board: the board owns its
// parts and steps them together on its clock.
//
// Host side: a serial device (SimulatedSerialDevice, the pty bridge) moves
// the board's time forward with RunUntil and then drives the line with the
// Host* operations, which act at the board's current time.
//
// Run-time: the program in the EEPROM is run by a TModuleRunTime plugged in
// with SetRunTime. The board starts it after a transfer's closing 0 byte,
// and after a reset that is not followed by a handshake when the EEPROM
// holds a program; it stops it at the next reset. While it runs, the board
// steps it with RunUntil in time order with everything else, and it talks
// to the host through ProgrammingPort(): bytes the host sends arrive there
// with the line's byte timing (and are echoed to the host by the carrier
// board, as always), and bytes it sends reach the host one byte time later.
// Without a run-time the program does not run and the module stays quiet.
//
// Threads: one thread at a time. A front end that steps the board from
// another thread than the serial device's (the virtual robot window while a
// download runs) holds Mutex() around every use; the serial devices and the
// pty bridge do.
class TSimulatedModule {
public:
    explicit TSimulatedModule(const TModuleConfig& config = {}, const TModuleFaults& faults = {});
    TSimulatedModule(const TSimulatedModule&) = delete;
    TSimulatedModule& operator=(const TSimulatedModule&) = delete;

    // ---- the parts
    TSimClock& Clock() { return SimClock; }
    std::uint64_t NowUs() const { return SimClock.NowUs(); }
    TSerialLine& Line() { return SerialLine; }
    TEeprom& Eeprom() { return Memory; }
    const TEeprom& Eeprom() const { return Memory; }
    TModuleFirmware& Firmware() { return Firm; }
    TModuleConfig& Config() { return Settings; }
    TModuleFaults& Faults() { return Injected; }
    TProgrammingPort& ProgrammingPort() { return Port; }
    std::mutex& Mutex() { return Lock; }

    // The run-time that runs the program (none: the program does not run).
    void SetRunTime(std::unique_ptr<TModuleRunTime> runTime);
    TModuleRunTime* RunTime() { return Program.get(); }
    bool ProgramRunning() const { return Program && Program->Running(); }
    // How many times the board has started the program so far.
    unsigned ProgramStarts() const { return Starts; }

    // The EEPROM holds a program: its last block, where the program's bit
    // stream begins, is not blank.
    bool HasProgram() const;

    // ---- time
    // Steps the firmware, the line and the run-time up to `timeUs`, in time
    // order; the clock then stands at `timeUs` (or where it was, if later).
    void RunUntil(std::uint64_t timeUs);
    // When something next happens that the host could be waiting for: a
    // byte reaching the host or the module, a firmware time-out, or, while
    // the program runs, the next step of the run-time (at most StepUs ahead).
    std::optional<std::uint64_t> NextEventUs() const;
    static constexpr std::uint64_t RunTimeStepUs = 1000;

    // ---- host side, at the board's current time
    void HostSetDtr(bool on);
    void HostSetRts(bool on);
    void HostSetBreak(bool on);
    bool HostDsr() const { return SerialLine.Dsr(); }
    void HostWrite(const std::uint8_t* data, int count);
    int HostWaiting() const { return SerialLine.HostWaiting(SimClock.NowUs()); }
    int HostRead(std::uint8_t* data, int count);
    // Bytes that reach a closed port are lost: drops what has arrived.
    void HostDiscardInput();
    bool HostConnected() const { return SerialLine.Connected(); }
    // A port has no modem lines (a pseudo-terminal): the bridge in front of
    // it resets the module as a reset sequence would have, right now.
    void ResetForHandshake();

    // The board's reset button: the program stops and, once the firmware
    // has booted, starts again from its beginning (when the EEPROM holds
    // one). Not for use while a serial device holds the port: the host
    // would lose its exchange.
    void PressResetButton();

    // A serial device holds the module's port open (a second open is "in use").
    bool Attach();
    void Detach();
    bool Attached() const { return HostAttached; }

private:
    class TBoardProgrammingPort final : public TProgrammingPort {
    public:
        explicit TBoardProgrammingPort(TSimulatedModule& board) : Board(board) {}
        std::optional<std::uint8_t> Receive(std::uint64_t timeUs) override;
        std::optional<std::uint64_t> NextArrival() const override;
        std::uint64_t Send(std::uint8_t byte, std::uint64_t timeUs) override;

    private:
        TSimulatedModule& Board;
    };

    void StopProgram(std::uint64_t timeUs);
    void StartPendingProgram();

    TModuleConfig Settings;
    TModuleFaults Injected;
    TSimClock SimClock;
    TSerialLine SerialLine;
    TEeprom Memory;
    TModuleFirmware Firm;
    TBoardProgrammingPort Port;
    std::unique_ptr<TModuleRunTime> Program;
    std::mutex Lock;
    bool HostAttached = false;
    unsigned Starts = 0;
};

} // namespace wayline::sim
