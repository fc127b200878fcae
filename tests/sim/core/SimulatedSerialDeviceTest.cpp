#include "sim/core/SimulatedSerialDevice.h"

#include "comm/core/Identify.h"
#include "comm/core/Serial.h"
#include "sim/core/VirtualRobotPort.h"

#include <gtest/gtest.h>

#include <chrono>

namespace wayline {
namespace {

constexpr std::uint64_t Byte = sim::TSerialLine::ByteTimeUs;

TEST(SimulatedSerialDeviceTest, TimeOutsAndWaitsRunInTheModulesTime) {
    auto module = std::make_shared<sim::TSimulatedModule>();
    module->Line().BoardPresent = false;
    SimulatedSerialDevice device(module);
    ASSERT_EQ(device.Open("ttyS0"), OpenErrorNone);
    std::uint8_t byte = 0;
    EXPECT_EQ(device.Read(&byte, 1, 240), 0);
    EXPECT_EQ(module->NowUs(), 240'000u);
    device.Clock().WaitMs(67);
    EXPECT_EQ(module->NowUs(), 307'000u);
    EXPECT_EQ(device.Clock().NowMs(), 307u);
}

TEST(SimulatedSerialDeviceTest, AReadReturnsAsSoonAsItsBytesHaveArrived) {
    auto module = std::make_shared<sim::TSimulatedModule>();
    SimulatedSerialDevice device(module);
    ASSERT_EQ(device.Open("ttyUSB0"), OpenErrorNone);
    std::uint8_t packet[18] = {};
    ASSERT_TRUE(device.Write(packet, 18, 1000));
    EXPECT_EQ(module->NowUs(), 0u); // writing queues, as a driver does
    std::uint8_t echo[18];
    EXPECT_EQ(device.Read(echo, 18, 1000), 18);
    EXPECT_EQ(module->NowUs(), 18 * Byte);
    std::uint32_t errors = 1;
    EXPECT_EQ(device.BytesWaiting(errors), 0);
    EXPECT_EQ(errors, 0u);
}

// With a pacer the module's time follows the host's clock: the exchange of
// a real line takes as long as on the real line.
TEST(SimulatedSerialDeviceTest, APacedModuleTakesTheRealLinesTime) {
    TVirtualRobot robot;
    TSerialSlots slots(WithVirtualRobot(robot, nullptr));
    const auto started = std::chrono::steady_clock::now();
    const TIdentifyResult r = IdentifyPort(slots, std::string(VirtualRobotPortName), 2, {});
    const auto took = std::chrono::steady_clock::now() - started;
    EXPECT_EQ(r.DeviceText, "Robot");
    EXPECT_EQ(r.VersionText, "v1.0");
    // 4 ms of loopback test, the 67 ms reset and eight bytes each way.
    EXPECT_GE(took, std::chrono::milliseconds(71 + 8));
    std::lock_guard<std::mutex> lock(robot.Module->Mutex());
    EXPECT_GE(robot.Module->NowUs(), (71 + 8) * 1000u);
}

TEST(VirtualRobotPortTest, TheReservedNameOpensTheRobotAndOtherNamesTheRealPorts) {
    TVirtualRobot robot;
    std::vector<std::string> asked;
    const TSerialDeviceFactory factory =
        WithVirtualRobot(robot, [&asked](const std::string& name) -> std::unique_ptr<SerialDevice> {
            asked.push_back(name);
            return nullptr;
        });
    EXPECT_NE(factory("Virtual robot"), nullptr);
    EXPECT_EQ(factory("ttyUSB0"), nullptr);
    EXPECT_EQ(factory("virtual robot"), nullptr);
    EXPECT_EQ(asked, (std::vector<std::string>{"ttyUSB0", "virtual robot"}));
    EXPECT_EQ(WithVirtualRobot(robot, nullptr)("ttyUSB0"), nullptr);
}

} // namespace
} // namespace wayline
