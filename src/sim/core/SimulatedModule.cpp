#include "sim/core/SimulatedModule.h"

#include <algorithm>

namespace wayline::sim {

TSimulatedModule::TSimulatedModule(const TModuleConfig& config, const TModuleFaults& faults)
    : Settings(config), Injected(faults), Firm(SerialLine, Memory, Settings, Injected),
      Port(*this) {}

void TSimulatedModule::SetRunTime(std::unique_ptr<TModuleRunTime> runTime) {
    if (Program && Program->Running()) {
        Program->Stop(SimClock.NowUs());
    }
    Program = std::move(runTime);
}

bool TSimulatedModule::HasProgram() const {
    const int lastBlock = TEeprom::Size - TEeprom::BlockSize;
    for (int address = lastBlock; address < TEeprom::Size; ++address) {
        if (Memory.Read(address) != 0) {
            return true;
        }
    }
    return false;
}

void TSimulatedModule::StopProgram(std::uint64_t timeUs) {
    if (Program && Program->Running()) {
        Program->Stop(timeUs);
    }
}

void TSimulatedModule::StartPendingProgram() {
    const std::optional<std::uint64_t> start = Firm.TakeProgramStart();
    if (!start) {
        return;
    }
    if (Program && HasProgram()) {
        ++Starts;
        Program->Start(Memory, Port, *start);
    } else {
        Firm.Idle();
    }
}

void TSimulatedModule::RunUntil(std::uint64_t timeUs) {
    for (;;) {
        const std::optional<std::uint64_t> next = Firm.NextEventUs();
        if (!next || *next > timeUs) {
            break;
        }
        SimClock.AdvanceTo(*next);
        Firm.RunUntil(*next);
        StartPendingProgram();
    }
    if (ProgramRunning()) {
        Program->RunUntil(timeUs);
    }
    SimClock.AdvanceTo(timeUs);
}

std::optional<std::uint64_t> TSimulatedModule::NextEventUs() const {
    std::optional<std::uint64_t> next = Firm.NextEventUs();
    const auto consider = [&next](std::uint64_t t) {
        if (!next || t < *next) {
            next = t;
        }
    };
    if (const auto arrival = SerialLine.NextHostArrival()) {
        consider(*arrival);
    }
    if (ProgramRunning()) {
        consider(SimClock.NowUs() + RunTimeStepUs);
    }
    if (next && *next < SimClock.NowUs()) {
        next = SimClock.NowUs();
    }
    return next;
}

void TSimulatedModule::HostSetDtr(bool on) {
    const bool rising = on && !SerialLine.Dtr();
    SerialLine.SetDtr(on);
    if (rising && SerialLine.Connected() && SerialLine.BoardPresent) {
        // The board passes DTR's rising edge to the module's reset line.
        StopProgram(SimClock.NowUs());
        Firm.Reset(SimClock.NowUs());
    }
}

void TSimulatedModule::HostSetRts(bool on) {
    SerialLine.SetRts(on);
}

void TSimulatedModule::HostSetBreak(bool on) {
    const bool ending = SerialLine.Break() && !on;
    SerialLine.SetBreak(on, SimClock.NowUs());
    if (ending && SerialLine.Connected() && SerialLine.BoardPresent) {
        Firm.BreakEnded(SimClock.NowUs());
    }
}

void TSimulatedModule::HostWrite(const std::uint8_t* data, int count) {
    for (int i = 0; i < count; ++i) {
        SerialLine.HostSend(data[i], SimClock.NowUs());
    }
}

int TSimulatedModule::HostRead(std::uint8_t* data, int count) {
    int got = 0;
    while (got < count) {
        const auto byte = SerialLine.HostTake(SimClock.NowUs());
        if (!byte) {
            break;
        }
        data[got++] = *byte;
    }
    return got;
}

void TSimulatedModule::HostDiscardInput() {
    while (SerialLine.HostTake(SimClock.NowUs())) {
    }
}

void TSimulatedModule::ResetForHandshake() {
    if (!SerialLine.Connected() || !SerialLine.BoardPresent) {
        return;
    }
    StopProgram(SimClock.NowUs());
    Firm.Reset(SimClock.NowUs());
    Firm.ListenForHandshake(SimClock.NowUs());
}

void TSimulatedModule::PressResetButton() {
    StopProgram(SimClock.NowUs());
    Firm.Reset(SimClock.NowUs());
}

bool TSimulatedModule::Attach() {
    if (HostAttached) {
        return false;
    }
    HostAttached = true;
    return true;
}

void TSimulatedModule::Detach() {
    HostAttached = false;
}

std::optional<std::uint8_t> TSimulatedModule::TBoardProgrammingPort::Receive(std::uint64_t timeUs) {
    if (const auto byte = Board.SerialLine.ModuleTake(timeUs)) {
        return byte->Value;
    }
    return std::nullopt;
}

std::optional<std::uint64_t> TSimulatedModule::TBoardProgrammingPort::NextArrival() const {
    return Board.SerialLine.NextModuleArrival();
}

std::uint64_t TSimulatedModule::TBoardProgrammingPort::Send(std::uint8_t byte,
                                                            std::uint64_t timeUs) {
    return Board.SerialLine.ModuleSend(byte, timeUs);
}

} // namespace wayline::sim
