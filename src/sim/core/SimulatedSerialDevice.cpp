#include "sim/core/SimulatedSerialDevice.h"

#include <algorithm>
#include <mutex>

namespace wayline {

SimulatedSerialDevice::SimulatedSerialDevice(std::shared_ptr<sim::TSimulatedModule> module,
                                             std::shared_ptr<const sim::TRealTimePacer> pacer,
                                             std::shared_ptr<TSimulatedPortFaults> portFaults)
    : Module(std::move(module)), Pacer(std::move(pacer)), PortFaults(std::move(portFaults)),
      DeviceClock(*this) {}

SimulatedSerialDevice::SimulatedSerialDevice(std::shared_ptr<sim::TSimulatedModule> module,
                                             std::shared_ptr<sim::TResumablePacer> pacer,
                                             TPacing pacing)
    : Module(std::move(module)), Pacer(pacer), Resumable(std::move(pacer)), Pacing(pacing),
      DeviceClock(*this) {}

SimulatedSerialDevice::~SimulatedSerialDevice() {
    Close();
}

std::uint64_t SimulatedSerialDevice::Now() const {
    return PacedNow() ? std::max(Pacer->NowUs(), Module->NowUs()) : Module->NowUs();
}

void SimulatedSerialDevice::RunModuleUntil(std::uint64_t simUs) {
    Module->RunUntil(simUs);
    if (!Paced && Module->ProgramStarts() != StartsAtOpen) {
        Paced = true;
        Resumable->ResumeFrom(Module->NowUs());
    }
}

std::uint64_t SimulatedSerialDevice::CatchUp() {
    const std::uint64_t now = Now();
    RunModuleUntil(now);
    return now;
}

void SimulatedSerialDevice::WaitUntilUs(std::uint64_t simUs) {
    if (PacedNow()) {
        Pacer->SleepUntilUs(simUs);
    }
    std::lock_guard<std::mutex> lock(Module->Mutex());
    RunModuleUntil(std::max(simUs, Now()));
}

std::uint32_t SimulatedSerialDevice::Open(const std::string& name) {
    (void)name;
    if (IsOpen) {
        return OpenErrorInUse;
    }
    if (PortFaults) {
        if (PortFaults->OpenError != OpenErrorNone) {
            return PortFaults->OpenError;
        }
        if (PortFaults->OpensBeforeInUse == 0) {
            return OpenErrorInUse;
        }
        if (PortFaults->OpensBeforeInUse > 0) {
            --PortFaults->OpensBeforeInUse;
        }
    }
    std::lock_guard<std::mutex> lock(Module->Mutex());
    if (!Module->Attach()) {
        return OpenErrorInUse;
    }
    if (Resumable) {
        // The module's time goes on from where its owner left it, not from
        // where the host's clock has got to meanwhile.
        Resumable->ResumeFrom(Module->NowUs());
        Paced = Pacing == TPacing::pcAlways;
        StartsAtOpen = Module->ProgramStarts();
    }
    CatchUp();
    Module->HostDiscardInput();
    IsOpen = true;
    return OpenErrorNone;
}

void SimulatedSerialDevice::Close() {
    if (!IsOpen) {
        return;
    }
    // As a driver does, closing first lets the bytes already written leave
    // the port, so the closing 0 of a transfer still reaches the module.
    std::uint64_t drained = 0;
    {
        std::lock_guard<std::mutex> lock(Module->Mutex());
        drained = Module->Line().HostTransmitDoneUs();
    }
    WaitUntilUs(drained);
    std::lock_guard<std::mutex> lock(Module->Mutex());
    CatchUp();
    // Closing drops the output lines, as a driver does on hang-up.
    Module->HostSetBreak(false);
    Module->HostSetDtr(false);
    Module->HostSetRts(false);
    Module->HostDiscardInput();
    Module->Detach();
    IsOpen = false;
}

bool SimulatedSerialDevice::ReadSettings() {
    return IsOpen && !(PortFaults && PortFaults->SettingsUnreadable);
}

bool SimulatedSerialDevice::ApplySettings(std::uint32_t baud, bool evenParity, int dataBits) {
    (void)evenParity;
    (void)dataBits;
    LastBaud = baud;
    return IsOpen;
}

void SimulatedSerialDevice::SetDtr(bool on) {
    if (!IsOpen) {
        return;
    }
    std::lock_guard<std::mutex> lock(Module->Mutex());
    CatchUp();
    Module->HostSetDtr(on);
}

void SimulatedSerialDevice::SetRts(bool on) {
    if (!IsOpen) {
        return;
    }
    std::lock_guard<std::mutex> lock(Module->Mutex());
    CatchUp();
    Module->HostSetRts(on);
}

void SimulatedSerialDevice::SetBreak(bool on) {
    if (!IsOpen) {
        return;
    }
    std::lock_guard<std::mutex> lock(Module->Mutex());
    CatchUp();
    Module->HostSetBreak(on);
}

std::uint32_t SimulatedSerialDevice::ModemStatus() {
    if (!IsOpen) {
        return 0;
    }
    std::lock_guard<std::mutex> lock(Module->Mutex());
    CatchUp();
    return Module->HostDsr() ? ModemStatusDsr : 0;
}

int SimulatedSerialDevice::Read(std::uint8_t* data, int count, std::uint32_t timeoutMs) {
    if (!IsOpen || count <= 0) {
        return 0;
    }
    int got = 0;
    std::uint64_t deadline = 0;
    {
        std::lock_guard<std::mutex> lock(Module->Mutex());
        deadline = CatchUp() + std::uint64_t{timeoutMs} * 1000;
    }
    for (;;) {
        std::optional<std::uint64_t> next;
        std::uint64_t now = 0;
        {
            std::lock_guard<std::mutex> lock(Module->Mutex());
            now = CatchUp();
            got += Module->HostRead(data + got, count - got);
            // A pulled cable answers nothing, at once.
            if (got == count || !Module->HostConnected() || now >= deadline) {
                return got;
            }
            next = Module->NextEventUs();
            if (!PacedNow()) {
                // Simulated time: jump to whatever happens next.
                RunModuleUntil(std::min(std::max(next.value_or(deadline), now + 1), deadline));
                continue;
            }
        }
        WaitUntilUs(std::min(std::max(next.value_or(deadline), now + 1), deadline));
    }
}

bool SimulatedSerialDevice::Write(const std::uint8_t* data, int count, std::uint32_t timeoutMs) {
    (void)timeoutMs; // the bytes are queued for the line at once, as a driver does
    if (!IsOpen) {
        return false;
    }
    std::lock_guard<std::mutex> lock(Module->Mutex());
    CatchUp();
    if (!Module->HostConnected()) {
        return false;
    }
    Module->HostWrite(data, count);
    return true;
}

int SimulatedSerialDevice::BytesWaiting(std::uint32_t& lineErrors) {
    lineErrors = 0;
    if (!IsOpen) {
        return 0;
    }
    std::lock_guard<std::mutex> lock(Module->Mutex());
    CatchUp();
    return Module->HostWaiting();
}

int SimulatedSerialDevice::ReadWaiting(std::uint8_t* data, int count) {
    if (!IsOpen || count <= 0) {
        return 0;
    }
    std::lock_guard<std::mutex> lock(Module->Mutex());
    CatchUp();
    return Module->HostRead(data, count);
}

std::uint64_t SimulatedSerialDevice::TModuleClock::NowMs() {
    std::lock_guard<std::mutex> lock(Device.Module->Mutex());
    return Device.Now() / 1000;
}

void SimulatedSerialDevice::TModuleClock::WaitMs(std::uint32_t milliseconds) {
    std::uint64_t until = 0;
    {
        std::lock_guard<std::mutex> lock(Device.Module->Mutex());
        until = Device.CatchUp() + std::uint64_t{milliseconds} * 1000;
    }
    Device.WaitUntilUs(until);
}

} // namespace wayline
