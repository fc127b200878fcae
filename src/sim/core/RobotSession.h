#pragma once

#include "sim/core/Interpreter.h"
#include "sim/core/RobotSimulation.h"
#include "sim/core/SimulatedModule.h"

#include <cstdint>
#include <memory>
#include <string>

namespace wayline {
class TSerialSlots;
}

namespace wayline::sim {

// The virtual robot, ready for a download: the module on its carrier board
// with the run-time plugged in, the run-time on the robot's pins, the robot
// in its world, and the board that steps them together. A download through
// the module's serial line (SimulatedSerialDevice on SharedModule(), the
// same exchange as with the real robot) starts the program; Board() then
// runs it and tells what happens.
//
//   TRobotSession session(TWorld::DefaultArena());
//   ... download into session.SharedModule() ...
//   session.Board().RunFor(100000);       // 0.1 s, as often as wanted
//   session.Board().Events(), .Path(), .PoseFromStart(), .EndUs()
class TRobotSession {
public:
    // `module`: the module to plug into (the program's virtual robot keeps
    // one for its lifetime); none makes a module of its own.
    explicit TRobotSession(TWorld world, TRobotParameters robot = {},
                           std::shared_ptr<TSimulatedModule> module = nullptr);
    // Takes the run-time back out of the module, which may live on.
    ~TRobotSession();
    TRobotSession(const TRobotSession&) = delete;
    TRobotSession& operator=(const TRobotSession&) = delete;

    // Downloads the program packets (18 bytes each, as the tokenizer cuts
    // them) into the module as Go does with the real robot: the port scan's
    // identification, then reset, handshake, every packet with its echo and
    // acknowledgement, and the closing byte; the module then starts the
    // program. Runs in simulated time, so it takes no real time and goes
    // the same way every time. False, with the message the download would
    // show, when it failed. With `keptSlot` the port stays open afterwards
    // in that slot of Slots(), as test mode keeps it for its exchange.
    bool Download(const std::uint8_t* packets, int packetCount, std::string& error,
                  int* keptSlot = nullptr);
    // The port slots the downloads use; the module's port is open under
    // the name VirtualRobotPortName.
    TSerialSlots& Slots() { return *PortSlots; }
    // The simulated time the last download took.
    std::uint64_t DownloadUs() const { return LastDownloadUs; }

    TSimulatedModule& Module() { return *ModulePtr; }
    const std::shared_ptr<TSimulatedModule>& SharedModule() const { return ModulePtr; }
    TInterpreter& Interpreter() { return *RunTime; }
    TRobotSimulation& Board() { return *Simulation; }
    const TRobotSimulation& Board() const { return *Simulation; }

private:
    std::shared_ptr<TSimulatedModule> ModulePtr;
    std::unique_ptr<TRobotSimulation> Simulation;
    std::unique_ptr<TInterpreter> RunTime;
    std::unique_ptr<TSerialSlots> PortSlots;
    std::uint64_t LastDownloadUs = 0;
};

} // namespace wayline::sim
