#pragma once

#include "sim/core/Robot.h"
#include "sim/core/RunTimeEvents.h"
#include "sim/core/RunTimeFault.h"
#include "sim/core/World.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace wayline::sim {

class TEeprom;
class TInterpreter;
class TModuleRunTime;
class TSimulatedModule;

// Where the robot program finds its lists in the EEPROM: the main list at
// 14, the five sensor sets at the addresses in the word table at 4..13.
struct TListLayout {
    static constexpr int MainList = 14;
    static constexpr int SetCount = 5;
    int SensorMode = 0;                   // byte 0
    std::array<int, SetCount> SetStart{}; // All, Set1 .. Set4
    int End = 0;                          // behind the "Q" of Set4

    // The layout written into `eeprom`, when it holds one: every list where
    // the table says, each closed by its "Q". A program that is not the
    // robot program has none.
    static std::optional<TListLayout> Read(const TEeprom& eeprom);
};

enum class TRunEventKind {
    ekCommand,  // the program read an entry of the main list or a sensor set
    ekSensor,   // the program read a sensor that reported something
    ekReaction, // a sensor report set off a reaction
    ekContact,  // the chassis came up against a wall or an obstacle
    ekEnd,      // the program ended
};

// The reactions of the beginner sensors, and the playing of a sensor set.
enum class TReaction {
    rnSensorSet,
    rnUTurn,
    rnBackRotateLeft,
    rnBackRotateRight,
    rnVeerLeft,
    rnVeerRight
};

// One thing that happened in a run, for the window and the command line.
struct TRunEvent {
    TRunEventKind Kind = TRunEventKind::ekCommand;
    std::uint64_t TimeUs = 0; // since the program started
    TPose Pose;               // of the robot at that moment
    // ekCommand: the list (0 main, 1 sensor set All, 2..5 Set1..Set4), the
    // entry's number in it from 1, its letter and value byte ("Q" has none).
    int List = 0;
    int Entry = 0;
    char Letter = 0;
    int Value = 0;
    TSensor Sensor = TSensor::snLeftWhisker; // ekSensor
    // ekReaction: what the robot does; for a beginner reaction also the
    // sensor value that set it off (bit 0 right whisker, 1 left whisker,
    // 2 right obstacle, 3 left obstacle); for a set the set's number (0 All,
    // 1..4 Set1..Set4).
    TReaction Reaction = TReaction::rnSensorSet;
    int SensorValue = 0;
    int Set = 0;
    std::string Text;   // ekEnd: how it ended, as the run-time tells it
    bool Fault = false; // ekEnd: the program could not go on (not END or STOP)
    TFaultCause Cause;  // ekEnd with Fault: what kind of fault, and where
};

// Follows a run from inside the board as it happens: every board step, each
// contact and the end, whatever steps the caller takes. What a judge of a
// challenge needs, which must not depend on how often a window or the
// command line looks at the board. Called under the module's lock, on the
// thread that steps the board (or, for RunStarted, the module).
class TRunObserver {
public:
    virtual ~TRunObserver() = default;
    // A program started: the robot stands at the world's start.
    virtual void RunStarted(const TPose& start) = 0;
    // Where the robot stands `timeUs` after the program's start, after
    // every step of the board (also after the program has ended).
    virtual void RobotAt(std::uint64_t timeUs, const TPose& pose) = 0;
    // The chassis came up against a wall or an obstacle.
    virtual void Touched(std::uint64_t timeUs, const TPose& pose) = 0;
    // The program ended: its list ran out, it stopped, or a fault.
    virtual void RunEnded(std::uint64_t timeUs, const TPose& pose, bool fault) = 0;
};

// The beginner reaction the robot program picks for a sensor value 1..15.
TReaction BeginnerReaction(int sensorValue);

// The robot board for a run: the program's run-time, the robot on its pins
// and the arena, stepped together on one clock in fixed steps, with the
// events of the run and the robot's path. The window steps it on its own
// timer (at any speed, reading the events after each step) and the command
// line runs it flat out; both get the same run for the same program and
// world, however they step it.
//
// Who starts the run-time (a download ending, or a test) tells the board
// with ProgramStarted; a simulated module that owns a WatchedRunTime does so
// itself. The board learns what the program does from the run-time's event
// record (its EEPROM reads and its end) and from the robot's pins.
//
// With a module (SetModule) the board steps the module, which steps the
// run-time together with the serial line. RunUntil, RunFor and NowUs take
// the module's lock themselves; while another thread may step the module
// (a download running), read everything else (events, path, robot) and
// change the world under Module->Mutex(), and do not call those three while
// holding it.
class TRobotSimulation {
public:
    static constexpr std::uint64_t DefaultStepUs = 1000;

    TRobotSimulation(TWorld world, TRobotParameters parameters = {});
    TRobotSimulation(const TRobotSimulation&) = delete;
    TRobotSimulation& operator=(const TRobotSimulation&) = delete;

    TWorld& World() { return TheWorld; }
    const TWorld& World() const { return TheWorld; }
    TRobot& Robot() { return TheRobot; }
    const TRobot& Robot() const { return TheRobot; }

    // The run-time this board steps and the record of what it does, which
    // the board empties after every step; until a run-time is set (or after
    // it stopped running) the robot alone goes on, which stops its wheels.
    void SetRunTime(TModuleRunTime* runTime, TRunTimeEvents* events);
    // The interpreter, with its record and its account of how a run ended.
    void SetRunTime(TInterpreter& interpreter);
    // Who follows the run (nobody: nullptr); it must outlive its use here.
    void SetObserver(TRunObserver* observer) { Observer = observer; }
    // Steps `module` (which steps the run-time) rather than the run-time.
    void SetModule(TSimulatedModule* module) { Module = module; }
    // A run-time for a simulated module to own: it runs `target` and tells
    // this board when the module starts a program. The board must outlive
    // the module's use of it.
    std::unique_ptr<TModuleRunTime> WatchedRunTime(TModuleRunTime& target);

    // The program started at `timeUs` from `eeprom`: the robot goes back to
    // the world's start, the events and the path begin again.
    void ProgramStarted(const TEeprom& eeprom, std::uint64_t timeUs);

    // Runs everything up to `timeUs` in fixed steps.
    void RunUntil(std::uint64_t timeUs);
    // What the run-time recorded during the last RunUntil (or RunFor), in
    // its own terms: the instruction trace while tracing is on, the pins,
    // the serial bytes.
    const std::vector<TRunTimeEvent>& RunTimeEvents() const { return StepRecord; }
    // Runs everything `durationUs` further.
    void RunFor(std::uint64_t durationUs) { RunUntil(NowUs() + durationUs); }
    // The board's time: where its last step ended, or the module's time
    // when the module ran on ahead of it (a download).
    std::uint64_t NowUs() const;

    bool Started() const { return HasStarted; }
    std::uint64_t StartUs() const { return ProgramStart; }
    // The robot program has started and waits out its start-up (it has not
    // read its first command yet); nothing moves meanwhile. Only a program
    // with the robot program's lists waits so, and for no longer than
    // MaxStartUpUs.
    static constexpr std::uint64_t MaxStartUpUs = 5000000;
    bool StartingUp() const;
    // When the program ended, counted from its start; nothing while it runs.
    std::optional<std::uint64_t> EndUs() const { return EndTime; }
    const std::optional<TListLayout>& Layout() const { return ListLayout; }

    // The events so far, oldest first. The list only grows at its end; an
    // event joins it a few milliseconds after it happened (at once when the
    // program ends, or on FlushEvents). A new start (ProgramStarted) empties
    // it and counts up Runs(). Beyond MaxEvents the oldest tenth is dropped
    // (EventsDropped counts them), so event i of the run is
    // Events()[i - EventsDropped()].
    static constexpr std::size_t DefaultMaxEvents = 100000;
    void SetMaxEvents(std::size_t count) { MaxEvents = std::max<std::size_t>(count, 10); }
    const std::vector<TRunEvent>& Events() const { return RunEvents; }
    std::uint64_t EventsDropped() const { return DroppedEvents; }
    unsigned Runs() const { return RunCount; }
    // Puts every event known so far into the list (the end of a run that
    // stops before the program does).
    void FlushEvents();
    // The time since the program's start up to which Events() is complete:
    // no event at or before it will join the list any more.
    std::uint64_t EventsCompleteUs() const { return PublishedUpTo; }
    const std::vector<TPathPoint>& Path() const { return TheRobot.Path(); }

    // When the last veer of the beginner sensors (reactions rnVeerLeft and
    // rnVeerRight) had run its course, counted from the program's start:
    // the step it interrupted goes on from there, though the program reads
    // no list entry for it. Told from the wheels: the robot program holds a
    // veer's speeds for VeerCycles drive cycles at speed, and a drive cycle
    // at speed pulses both servos as the one before did.
    static constexpr int VeerCycles = 35;
    std::optional<std::uint64_t> LastVeerEndUs() const { return VeerEnd; }

    // Someone sets the robot down at the world's start; the program goes on
    // (test mode, where a reset would end the exchange).
    void PutRobotBack();

    // The robot's pose relative to its start: x ahead along the start
    // heading, y to its left, heading turned counter-clockwise (not wrapped).
    TPose PoseFromStart() const;
    TPose FromStart(const TPose& pose) const;

private:
    void TakeRunTimeEvents(std::size_t from);
    void ServoPulse(int pin, int widthUs, std::uint64_t timeUs);
    void EepromRead(int address, std::uint8_t value, std::uint64_t timeUs);
    void ProgramEnded(std::uint64_t timeUs, const std::string& why, bool fault);
    void TakeRobotEvents();
    void CloseSensorCheck();
    void TakePendingCommand(std::optional<std::uint64_t> unlessNewerThan = std::nullopt);
    void Add(TRunEvent event);
    void Publish(std::uint64_t upToUs);

    TWorld TheWorld;
    TRobot TheRobot;
    TModuleRunTime* RunTime = nullptr;
    TSimulatedModule* Module = nullptr;
    TRunObserver* Observer = nullptr;
    TRunTimeEvents* RunTimeRecord = nullptr;
    const TInterpreter* Interpreter = nullptr;
    std::vector<TRunTimeEvent> StepRecord;
    std::uint64_t StepUs = DefaultStepUs;
    std::uint64_t Now = 0;
    bool HasStarted = false;
    std::uint64_t ProgramStart = 0;
    TPose StartPose;
    std::optional<std::uint64_t> EndTime;
    std::optional<TListLayout> ListLayout;
    std::vector<TRunEvent> RunEvents;
    std::uint64_t DroppedEvents = 0;
    std::size_t MaxEvents = DefaultMaxEvents;
    unsigned RunCount = 0;
    std::vector<TRunEvent> Pending; // by time, not yet in RunEvents
    std::uint64_t PublishedUpTo = 0;
    // The entry whose letter was read, waiting for its value byte.
    std::optional<TRunEvent> PendingCommand;
    int PendingCommandAddress = 0;
    // Whether each sensor's last read was active and when it last was, to
    // tell a new report from the same one read again.
    std::array<bool, SensorCount> ActiveLastRead{};
    std::array<std::uint64_t, SensorCount> LastActiveRead{};
    bool HadContact = false;
    std::uint64_t LastContact = 0;
    // The sensor reads of one check of the beginner sensors.
    bool CheckOpen = false;
    int CheckValue = 0;
    std::uint64_t CheckFirstActive = 0;
    std::uint64_t CheckLastRead = 0;
    TPose CheckPose;
    bool CommandRead = false; // the program has read its first command
    // A veer under way: the drive cycles at speed counted since it began,
    // and the last pulse of each servo (left, right) and of the last cycle.
    bool Veering = false;
    int VeerAtSpeed = 0;
    std::array<int, 2> PulseWidths{};
    std::array<int, 2> LastCycle{};
    std::optional<std::uint64_t> VeerEnd;
};

} // namespace wayline::sim
