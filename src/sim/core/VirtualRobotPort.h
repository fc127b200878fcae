#pragma once

#include "comm/core/PortScan.h"
#include "comm/core/SerialDevice.h"
#include "sim/core/ResumablePacer.h"
#include "sim/core/SimulatedModule.h"

#include <memory>
#include <string_view>

namespace wayline {

// The virtual robot's module and the host clock its time follows while a
// serial device talks to it. Lives as long as the program; its EEPROM keeps
// what was downloaded. Whoever runs the module on a clock of its own (the
// virtual robot's window) hands its time back with Pacer->ResumeFrom.
struct TVirtualRobot {
    std::shared_ptr<sim::TSimulatedModule> Module = std::make_shared<sim::TSimulatedModule>();
    std::shared_ptr<sim::TResumablePacer> Pacer = std::make_shared<sim::TResumablePacer>();
};

// A device factory that opens the virtual robot's module (at the pace of the
// real line) for VirtualRobotPortName and hands every other name to
// `realPorts` (none: no other port opens).
TSerialDeviceFactory WithVirtualRobot(const TVirtualRobot& robot, TSerialDeviceFactory realPorts);

} // namespace wayline
