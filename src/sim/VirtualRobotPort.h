#pragma once

#include "comm/core/SerialDevice.h"
#include "sim/RealTimePacer.h"
#include "sim/SimulatedModule.h"

#include <memory>
#include <string_view>

namespace wayline {

// The port name under which the virtual robot is offered beside the host's
// ports. It cannot be the name of a real port (it has a blank in it).
inline constexpr std::string_view VirtualRobotPortName = "Virtual robot";

// The virtual robot's module and the host clock its time follows. Lives as
// long as the program; its EEPROM keeps what was downloaded.
struct TVirtualRobot {
    std::shared_ptr<sim::TSimulatedModule> Module = std::make_shared<sim::TSimulatedModule>();
    std::shared_ptr<const sim::TRealTimePacer> Pacer = std::make_shared<sim::TRealTimePacer>();
};

// A device factory that opens the virtual robot's module (at the pace of the
// real line) for VirtualRobotPortName and hands every other name to
// `realPorts` (none: no other port opens).
TSerialDeviceFactory WithVirtualRobot(const TVirtualRobot& robot, TSerialDeviceFactory realPorts);

} // namespace wayline
