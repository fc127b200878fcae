#include "sim/core/RobotSimulation.h"

#include "sim/core/Eeprom.h"
#include "sim/core/Interpreter.h"
#include "sim/core/ModuleRunTime.h"
#include "sim/core/SimulatedModule.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <mutex>
#include <numbers>
#include <utility>

namespace wayline::sim {

namespace {

// The beginner sensor check reads the four sensors within a few
// milliseconds (two 1 ms bursts among them); the next check is at least a
// drive cycle's pause away. Reads closer together than this are one check.
constexpr std::uint64_t CheckGapUs = 4000;

// A sensor read active again within this time is the same report, read once
// more by the next drive cycle; a longer gap (a reaction, a wait) makes it a
// new one.
constexpr std::uint64_t SameReportUs = 100000;

// Events are held back this long before they join the list, so that the
// list only ever grows at its end although a sensor check is known only
// once it is over.
constexpr std::uint64_t PublishDelayUs = 2 * CheckGapUs;

int SensorBit(TSensor sensor) {
    switch (sensor) {
    case TSensor::snRightWhisker:
        return 1;
    case TSensor::snLeftWhisker:
        return 2;
    case TSensor::snRightIr:
        return 4;
    case TSensor::snLeftIr:
        return 8;
    }
    return 0;
}

int WordAt(const TEeprom& eeprom, int address) {
    return eeprom.Read(address) | eeprom.Read(address + 1) << 8;
}

// The address behind the "Q" that closes the list starting at `start`, or
// 0 when no "Q" stands where an entry's letter would.
int ListEnd(const TEeprom& eeprom, int start) {
    for (int a = start; a < TEeprom::Size; a += 2) {
        if (eeprom.Read(a) == 'Q') {
            return a + 1;
        }
    }
    return 0;
}

// The run-time a module owns: the board's, with the start reported to the
// board.
class TWatchedRunTime final : public TModuleRunTime {
public:
    TWatchedRunTime(TModuleRunTime& target, TRobotSimulation& board)
        : Target(target), Board(board) {}
    void Start(TEeprom& eeprom, TProgrammingPort& port, std::uint64_t timeUs) override {
        Target.Start(eeprom, port, timeUs);
        Board.ProgramStarted(eeprom, timeUs);
    }
    void RunUntil(std::uint64_t timeUs) override { Target.RunUntil(timeUs); }
    void Stop(std::uint64_t timeUs) override { Target.Stop(timeUs); }
    bool Running() const override { return Target.Running(); }

private:
    TModuleRunTime& Target;
    TRobotSimulation& Board;
};

} // namespace

std::optional<TListLayout> TListLayout::Read(const TEeprom& eeprom) {
    TListLayout layout;
    layout.SensorMode = eeprom.Read(0);
    int expected = ListEnd(eeprom, MainList);
    for (int set = 0; set < SetCount; ++set) {
        const int start = WordAt(eeprom, 4 + 2 * set);
        if (expected == 0 || start != expected) {
            return std::nullopt;
        }
        layout.SetStart[static_cast<std::size_t>(set)] = start;
        expected = ListEnd(eeprom, start);
    }
    if (expected == 0) {
        return std::nullopt;
    }
    layout.End = expected;
    return layout;
}

TReaction BeginnerReaction(int sensorValue) {
    switch (sensorValue) {
    case 1:
    case 5:
        return TReaction::rnBackRotateLeft;
    case 2:
    case 10:
        return TReaction::rnBackRotateRight;
    case 4:
        return TReaction::rnVeerLeft;
    case 8:
        return TReaction::rnVeerRight;
    default:
        return TReaction::rnUTurn;
    }
}

TRobotSimulation::TRobotSimulation(TWorld world, TRobotParameters parameters)
    : TheWorld(std::move(world)), TheRobot(TheWorld, parameters), StepUs(parameters.StepUs) {
    StartPose = TheWorld.Start();
}

void TRobotSimulation::SetRunTime(TModuleRunTime* runTime, TRunTimeEvents* events) {
    RunTime = runTime;
    RunTimeRecord = events;
    Interpreter = nullptr;
}

void TRobotSimulation::SetRunTime(TInterpreter& interpreter) {
    SetRunTime(&interpreter, &interpreter.Events());
    Interpreter = &interpreter;
}

std::unique_ptr<TModuleRunTime> TRobotSimulation::WatchedRunTime(TModuleRunTime& target) {
    return std::make_unique<TWatchedRunTime>(target, *this);
}

void TRobotSimulation::ProgramStarted(const TEeprom& eeprom, std::uint64_t timeUs) {
    TheRobot.AdvanceTo(timeUs);
    TheRobot.Reset(timeUs);
    Now = std::max(Now, timeUs);
    HasStarted = true;
    ProgramStart = timeUs;
    StartPose = TheWorld.Start();
    EndTime.reset();
    ListLayout = TListLayout::Read(eeprom);
    RunEvents.clear();
    DroppedEvents = 0;
    ++RunCount;
    Pending.clear();
    PublishedUpTo = 0;
    PendingCommand.reset();
    CheckOpen = false;
    ActiveLastRead = {};
    LastActiveRead = {};
    HadContact = false;
    CommandRead = false;
    Veering = false;
    VeerEnd.reset();
    if (Observer != nullptr) {
        Observer->RunStarted(TheRobot.Pose());
    }
}

bool TRobotSimulation::StartingUp() const {
    return HasStarted && !EndTime && ListLayout && !CommandRead &&
           Now < ProgramStart + MaxStartUpUs;
}

void TRobotSimulation::PutRobotBack() {
    TheRobot.PutBackAtStart(Now);
}

void TRobotSimulation::Add(TRunEvent event) {
    // Nearly always the newest; a closed sensor check can be a little older.
    auto at = Pending.end();
    while (at != Pending.begin() && std::prev(at)->TimeUs > event.TimeUs) {
        --at;
    }
    Pending.insert(at, std::move(event));
}

void TRobotSimulation::Publish(std::uint64_t upToUs) {
    PublishedUpTo = std::max(PublishedUpTo, upToUs);
    std::size_t n = 0;
    while (n < Pending.size() && Pending[n].TimeUs <= upToUs) {
        ++n;
    }
    if (RunEvents.size() + n > MaxEvents) {
        const std::size_t drop = std::min(RunEvents.size(), MaxEvents / 10 + n);
        RunEvents.erase(RunEvents.begin(), RunEvents.begin() + static_cast<std::ptrdiff_t>(drop));
        DroppedEvents += drop;
    }
    RunEvents.insert(RunEvents.end(), std::make_move_iterator(Pending.begin()),
                     std::make_move_iterator(Pending.begin() + static_cast<std::ptrdiff_t>(n)));
    Pending.erase(Pending.begin(), Pending.begin() + static_cast<std::ptrdiff_t>(n));
}

void TRobotSimulation::EepromRead(int address, std::uint8_t value, std::uint64_t timeUs) {
    if (!HasStarted || !ListLayout || EndTime || timeUs < ProgramStart) {
        return; // (a read of a run before this one)
    }
    const TListLayout& layout = *ListLayout;
    const std::uint64_t t = timeUs - ProgramStart;
    if (PendingCommand) {
        // The value byte right behind a letter completes the entry.
        const bool completes = address == PendingCommandAddress + 1;
        if (completes && PendingCommand->Letter != 'Q') {
            PendingCommand->Value = value;
        }
        Add(*PendingCommand);
        PendingCommand.reset();
        if (completes) {
            return;
        }
    }
    // A set's start read from the table: a sensor report is being answered
    // with that set.
    if (address >= 4 && address < 4 + 2 * TListLayout::SetCount && address % 2 == 0) {
        TRunEvent e;
        e.Kind = TRunEventKind::ekReaction;
        e.TimeUs = t;
        e.Pose = TheRobot.Pose();
        e.Reaction = TReaction::rnSensorSet;
        e.Set = (address - 4) / 2;
        Add(e);
        return;
    }
    if (address < TListLayout::MainList || address >= layout.End) {
        return;
    }
    int list = 0;
    int start = TListLayout::MainList;
    for (int set = 0; set < TListLayout::SetCount; ++set) {
        if (address >= layout.SetStart[static_cast<std::size_t>(set)]) {
            list = set + 1;
            start = layout.SetStart[static_cast<std::size_t>(set)];
        }
    }
    if ((address - start) % 2 != 0) {
        return; // a value byte read on its own
    }
    CommandRead = true;
    TRunEvent e;
    e.Kind = TRunEventKind::ekCommand;
    e.TimeUs = t;
    e.Pose = TheRobot.Pose();
    e.List = list;
    e.Entry = (address - start) / 2 + 1;
    e.Letter = static_cast<char>(value);
    // Held until the value byte is read (READ takes the two bytes one after
    // the other; the program reads one behind a "Q" too, and ignores it).
    PendingCommand = e;
    PendingCommandAddress = address;
}

void TRobotSimulation::TakePendingCommand(std::optional<std::uint64_t> unlessNewerThan) {
    if (PendingCommand && (!unlessNewerThan || PendingCommand->TimeUs < *unlessNewerThan)) {
        Add(*PendingCommand);
        PendingCommand.reset();
    }
}

void TRobotSimulation::ProgramEnded(std::uint64_t timeUs, const std::string& why, bool fault) {
    if (!HasStarted || EndTime || timeUs < ProgramStart) {
        return;
    }
    TheRobot.AdvanceTo(timeUs);
    TakeRobotEvents();
    CloseSensorCheck();
    TakePendingCommand();
    const std::uint64_t t = timeUs >= ProgramStart ? timeUs - ProgramStart : 0;
    EndTime = t;
    TRunEvent e;
    e.Kind = TRunEventKind::ekEnd;
    e.TimeUs = t;
    e.Pose = TheRobot.Pose();
    e.Text = why;
    e.Fault = fault;
    if (fault && Interpreter != nullptr) {
        e.Cause = Interpreter->FaultCause();
    }
    Add(e);
    Publish(t);
    if (Observer != nullptr) {
        Observer->RunEnded(t, e.Pose, fault);
    }
}

void TRobotSimulation::TakeRobotEvents() {
    for (const TRobotEvent& r : TheRobot.Events()) {
        if (!HasStarted || EndTime || r.TimeUs < ProgramStart) {
            continue;
        }
        const std::uint64_t t = r.TimeUs - ProgramStart;
        if (r.Kind == TRobotEventKind::rkContact) {
            if (Observer != nullptr) {
                Observer->Touched(t, r.Pose);
            }
            // Pushing on against the same wall after a moment's turn is the
            // same contact.
            const bool same = HadContact && t - LastContact <= SameReportUs;
            HadContact = true;
            LastContact = t;
            if (same) {
                continue;
            }
            TRunEvent e;
            e.Kind = TRunEventKind::ekContact;
            e.TimeUs = t;
            e.Pose = r.Pose;
            Add(e);
            continue;
        }
        const std::size_t i = static_cast<std::size_t>(r.Sensor);
        if (r.Active) {
            const bool same = ActiveLastRead[i] && t - LastActiveRead[i] <= SameReportUs;
            if (!same) {
                TRunEvent e;
                e.Kind = TRunEventKind::ekSensor;
                e.TimeUs = t;
                e.Pose = r.Pose;
                e.Sensor = r.Sensor;
                Add(e);
            }
            LastActiveRead[i] = t;
        }
        ActiveLastRead[i] = r.Active;

        // The beginner sensors answer every check that found something.
        if (ListLayout && ListLayout->SensorMode == 1) {
            if (CheckOpen && t > CheckLastRead + CheckGapUs) {
                CloseSensorCheck();
            }
            if (!CheckOpen) {
                CheckOpen = true;
                CheckValue = 0;
                CheckFirstActive = t;
                CheckPose = r.Pose;
            }
            if (r.Active && CheckValue == 0) {
                CheckFirstActive = t;
                CheckPose = r.Pose;
            }
            CheckValue |= r.Active ? SensorBit(r.Sensor) : 0;
            CheckLastRead = t;
        }
    }
    TheRobot.ClearEvents();
}

void TRobotSimulation::CloseSensorCheck() {
    if (!CheckOpen) {
        return;
    }
    CheckOpen = false;
    if (CheckValue == 0) {
        return;
    }
    TRunEvent e;
    e.Kind = TRunEventKind::ekReaction;
    e.TimeUs = CheckFirstActive;
    e.Pose = CheckPose;
    e.Reaction = BeginnerReaction(CheckValue);
    Veering = e.Reaction == TReaction::rnVeerLeft || e.Reaction == TReaction::rnVeerRight;
    VeerAtSpeed = 0;
    e.SensorValue = CheckValue;
    Add(e);
}

void TRobotSimulation::ServoPulse(int pin, int widthUs, std::uint64_t timeUs) {
    if (pin != RobotPins::LeftServo && pin != RobotPins::RightServo) {
        return;
    }
    PulseWidths[pin == RobotPins::LeftServo ? 0 : 1] = widthUs;
    // The robot program pulses the left servo, then the right one: a drive
    // cycle ends with the right pulse.
    if (pin != RobotPins::RightServo) {
        return;
    }
    const bool atSpeed = PulseWidths == LastCycle;
    LastCycle = PulseWidths;
    if (!Veering || !HasStarted || EndTime || timeUs < ProgramStart) {
        return;
    }
    if (atSpeed && ++VeerAtSpeed == VeerCycles) {
        Veering = false;
        VeerEnd = timeUs - ProgramStart;
    }
}

void TRobotSimulation::TakeRunTimeEvents(std::size_t from) {
    for (std::size_t i = from; i < StepRecord.size(); ++i) {
        const TRunTimeEvent& e = StepRecord[i];
        if (e.Kind == ekEepromRead) {
            EepromRead(e.A, static_cast<std::uint8_t>(e.B), e.TimeUs);
        } else if (e.Kind == ekPulse) {
            ServoPulse(e.A, e.B, e.TimeUs);
        } else if (e.Kind == ekEnd) {
            ProgramEnded(e.TimeUs, Interpreter != nullptr ? Interpreter->StopMessage() : "",
                         e.A == srFault);
        }
    }
}

void TRobotSimulation::RunUntil(std::uint64_t timeUs) {
    StepRecord.clear();
    Now = NowUs();
    while (Now < timeUs) {
        // Steps end on the grid of StepUs, whatever time the run began at.
        const std::uint64_t next = std::min(timeUs, (Now / StepUs + 1) * StepUs);
        std::unique_lock<std::mutex> lock;
        if (Module != nullptr) {
            lock = std::unique_lock<std::mutex>(Module->Mutex());
            Module->RunUntil(next);
        } else if (RunTime != nullptr && RunTime->Running()) {
            RunTime->RunUntil(next);
        }
        if (RunTimeRecord != nullptr) {
            const std::size_t from = StepRecord.size();
            RunTimeRecord->TakeInto(StepRecord);
            TakeRunTimeEvents(from);
        }
        TheRobot.AdvanceTo(next);
        Now = next;
        TakeRobotEvents();
        if (HasStarted && Observer != nullptr && Now >= ProgramStart) {
            Observer->RobotAt(Now - ProgramStart, TheRobot.Pose());
        }
        if (HasStarted && !EndTime) {
            const std::uint64_t t = Now - ProgramStart;
            // A letter whose value byte has not come in a while stands alone.
            TakePendingCommand(t > CheckGapUs ? t - CheckGapUs : 0);
            if (CheckOpen && t > CheckLastRead + CheckGapUs) {
                CloseSensorCheck();
            }
            // Without an exact time from the run-time, the end is noticed
            // on the step grid, so that it does not depend on how the caller
            // steps the board.
            if (RunTime != nullptr && Now % StepUs == 0 && !RunTime->Running()) {
                ProgramEnded(Now, "", false);
            } else if (t >= PublishDelayUs) {
                Publish(t - PublishDelayUs);
            }
        }
    }
}

std::uint64_t TRobotSimulation::NowUs() const {
    if (Module == nullptr) {
        return Now;
    }
    // The module may have run ahead of the board (a download steps it on
    // its own); there is nothing to catch up on before its time.
    const std::lock_guard<std::mutex> lock(Module->Mutex());
    return std::max(Now, Module->NowUs());
}

void TRobotSimulation::FlushEvents() {
    if (HasStarted) {
        TakeRobotEvents();
        CloseSensorCheck();
        TakePendingCommand();
        Publish(Now - ProgramStart);
    }
}

TPose TRobotSimulation::FromStart(const TPose& pose) const {
    const double h = StartPose.HeadingDeg * std::numbers::pi / 180;
    const double dx = pose.Position.X - StartPose.Position.X;
    const double dy = pose.Position.Y - StartPose.Position.Y;
    return {{dx * std::cos(h) + dy * std::sin(h), -dx * std::sin(h) + dy * std::cos(h)},
            pose.HeadingDeg - StartPose.HeadingDeg};
}

TPose TRobotSimulation::PoseFromStart() const {
    return FromStart(TheRobot.Pose());
}

} // namespace wayline::sim
