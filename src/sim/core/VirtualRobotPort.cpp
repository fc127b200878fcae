#include "sim/core/VirtualRobotPort.h"

#include "sim/core/SimulatedSerialDevice.h"

namespace wayline {

TSerialDeviceFactory WithVirtualRobot(const TVirtualRobot& robot, TSerialDeviceFactory realPorts) {
    return [robot, realPorts = std::move(realPorts)](
               const std::string& name) -> std::unique_ptr<SerialDevice> {
        if (name == VirtualRobotPortName) {
            const bool real = robot.RealTiming && robot.RealTiming->load();
            return std::make_unique<SimulatedSerialDevice>(
                robot.Module, robot.Pacer,
                real ? TPacing::pcAlways : TPacing::pcOnceAProgramStarts);
        }
        return realPorts ? realPorts(name) : nullptr;
    };
}

} // namespace wayline
