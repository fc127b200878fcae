#pragma once

#include "comm/core/SerialDevice.h"
#include "sim/core/RealTimePacer.h"
#include "sim/core/ResumablePacer.h"
#include "sim/core/SimulatedModule.h"

#include <cstdint>
#include <memory>
#include <string>

namespace wayline {

// Faults of the port itself rather than of what is plugged into it.
struct TSimulatedPortFaults {
    std::uint32_t OpenError = OpenErrorNone; // Open fails with this code
    bool SettingsUnreadable = false;         // the port's settings cannot be read
    // Opens after this many successful ones fail with OpenErrorInUse (the
    // port was taken by another program between the scan and the transfer).
    int OpensBeforeInUse = -1;
};

// When a device with a resumable pacer follows the host's clock.
enum class TPacing {
    pcAlways,
    // In simulated time until the module starts a program while the device
    // holds the port (a download's end), at the host's pace from then on:
    // the transfer takes no real time, an exchange with the program that
    // follows it (test mode) runs as on the real line.
    pcOnceAProgramStarts,
};

// The SerialDevice seam onto a simulated module: TSerial talks to the
// module's line as to a real port. Its clock is the module's: in simulated
// time (no pacer) every wait and time-out moves the module's clock forward
// at once, so exchanges take no real time and run the same every time; with
// a pacer the module's time follows the host's clock and a download takes
// as long as on the real line.
class SimulatedSerialDevice final : public SerialDevice {
public:
    explicit SimulatedSerialDevice(std::shared_ptr<sim::TSimulatedModule> module,
                                   std::shared_ptr<const sim::TRealTimePacer> pacer = nullptr,
                                   std::shared_ptr<TSimulatedPortFaults> portFaults = nullptr);
    // A module whose time someone else runs while no port holds it (the
    // virtual robot's window): opening the port hands the module's time to
    // `pacer`, which goes on from there as `pacing` says.
    SimulatedSerialDevice(std::shared_ptr<sim::TSimulatedModule> module,
                          std::shared_ptr<sim::TResumablePacer> pacer, TPacing pacing);
    ~SimulatedSerialDevice() override;

    std::uint32_t Open(const std::string& name) override;
    void Close() override;
    bool ReadSettings() override;
    bool ApplySettings(std::uint32_t baud, bool evenParity, int dataBits) override;
    void SetDtr(bool on) override;
    void SetRts(bool on) override;
    void SetBreak(bool on) override;
    std::uint32_t ModemStatus() override;
    int Read(std::uint8_t* data, int count, std::uint32_t timeoutMs) override;
    bool Write(const std::uint8_t* data, int count, std::uint32_t timeoutMs) override;
    int BytesWaiting(std::uint32_t& lineErrors) override;
    int ReadWaiting(std::uint8_t* data, int count) override;
    TMsClock& Clock() override { return DeviceClock; }

    // The line settings last applied (the module answers at any setting).
    std::uint32_t Baud() const { return LastBaud; }

private:
    class TModuleClock final : public TMsClock {
    public:
        explicit TModuleClock(SimulatedSerialDevice& device) : Device(device) {}
        std::uint64_t NowMs() override;
        void WaitMs(std::uint32_t milliseconds) override;

    private:
        SimulatedSerialDevice& Device;
    };

    // Brings the module up to now (the host's now, when paced); call with
    // the module's lock held.
    std::uint64_t CatchUp();
    // Runs the module to `simUs` and starts pacing when a program started
    // (pcOnceAProgramStarts); with the module's lock held.
    void RunModuleUntil(std::uint64_t simUs);
    bool PacedNow() const { return Pacer && Paced; }
    std::uint64_t Now() const;
    void WaitUntilUs(std::uint64_t simUs);

    std::shared_ptr<sim::TSimulatedModule> Module;
    std::shared_ptr<const sim::TRealTimePacer> Pacer;
    std::shared_ptr<TSimulatedPortFaults> PortFaults;
    std::shared_ptr<sim::TResumablePacer> Resumable;
    TPacing Pacing = TPacing::pcAlways;
    bool Paced = true;
    unsigned StartsAtOpen = 0;
    TModuleClock DeviceClock;
    bool IsOpen = false;
    std::uint32_t LastBaud = 0;
};

} // namespace wayline
