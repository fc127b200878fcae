#pragma once

#include "comm/core/PortScan.h"
#include "comm/core/SerialDevice.h"
#include "sim/core/ResumablePacer.h"
#include "sim/core/SimulatedModule.h"

#include <atomic>
#include <memory>
#include <string_view>

namespace wayline {

// The virtual robot's module and the host clock its time follows while a
// serial device talks to it. Lives as long as the program; its EEPROM keeps
// what was downloaded. Whoever runs the module on a clock of its own (the
// virtual robot's window) does so only while no device holds the port:
// opening the port hands the module's time to Pacer.
struct TVirtualRobot {
    std::shared_ptr<sim::TSimulatedModule> Module = std::make_shared<sim::TSimulatedModule>();
    std::shared_ptr<sim::TResumablePacer> Pacer = std::make_shared<sim::TResumablePacer>();
    // Off (the default): a download into the module takes no real time (no
    // cable to wait for), and only the exchange with a program that follows
    // (test mode) keeps the line's pace. On: everything at the real line's
    // pace, as with a robot on a cable. Read when a port opens.
    std::shared_ptr<std::atomic<bool>> RealTiming = std::make_shared<std::atomic<bool>>(false);
};

// A device factory that opens the virtual robot's module for
// VirtualRobotPortName (paced as its RealTiming says) and hands every other
// name to `realPorts` (none: no other port opens).
TSerialDeviceFactory WithVirtualRobot(const TVirtualRobot& robot, TSerialDeviceFactory realPorts);

} // namespace wayline
