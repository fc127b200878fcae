#include "sim/core/SimulatedSerialDevice.h"

#include "comm/core/Identify.h"
#include "comm/core/Serial.h"
#include "sim/core/VirtualRobotPort.h"

#include <gtest/gtest.h>

#include "StandInRunTime.h"

#include <atomic>
#include <mutex>

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

// A host clock that moves only when someone sleeps on it.
class TStepHostClock final : public sim::TRealTimePacer {
public:
    std::uint64_t NowUs() const override { return Now.load(); }
    void SleepUntilUs(std::uint64_t us) const override {
        std::uint64_t now = Now.load();
        while (now < us && !Now.compare_exchange_weak(now, us)) {
        }
    }
    mutable std::atomic<std::uint64_t> Now{1'000'000};
};

struct TPacedRobot {
    std::shared_ptr<TStepHostClock> Host = std::make_shared<TStepHostClock>();
    TVirtualRobot Robot;
    TPacedRobot() { Robot.Pacer = std::make_shared<sim::TResumablePacer>(Host); }
    std::uint64_t ModuleUs() {
        const std::lock_guard<std::mutex> lock(Robot.Module->Mutex());
        return Robot.Module->NowUs();
    }
};

// With real timing the module's time follows the host's clock: the
// exchange of a real line takes as long as on the real line.
TEST(SimulatedSerialDeviceTest, WithRealTimingTheVirtualRobotTakesTheRealLinesTime) {
    TPacedRobot paced;
    paced.Robot.RealTiming->store(true);
    TSerialSlots slots(WithVirtualRobot(paced.Robot, nullptr));
    const TIdentifyResult r = IdentifyPort(slots, std::string(VirtualRobotPortName), 2, {});
    EXPECT_EQ(r.DeviceText, "Robot");
    EXPECT_EQ(r.VersionText, "v1.0");
    // 4 ms of loopback test, the 67 ms reset and eight bytes each way.
    EXPECT_GE(paced.Host->Now.load(), 1'000'000u + (71 + 8) * 1000u);
    EXPECT_GE(paced.ModuleUs(), (71 + 8) * 1000u);
}

// Without it, the line's exchanges take no host time until the module
// starts a program while the port is held (a download's end): from then on
// (test mode's exchange) the host's pace, from the module's time.
TEST(SimulatedSerialDeviceTest, ByDefaultTheVirtualRobotKeepsTheLinesPaceOnlyOnceAProgramRuns) {
    TPacedRobot paced;
    TSerialSlots slots(WithVirtualRobot(paced.Robot, nullptr));
    const TIdentifyResult r = IdentifyPort(slots, std::string(VirtualRobotPortName), 2, {});
    EXPECT_EQ(r.DeviceText, "Robot");
    EXPECT_EQ(paced.Host->Now.load(), 1'000'000u) << "no host time";
    const std::uint64_t identified = paced.ModuleUs();
    EXPECT_GE(identified, (71 + 8) * 1000u);

    // A program in the EEPROM, and a run-time to run it.
    {
        const std::lock_guard<std::mutex> lock(paced.Robot.Module->Mutex());
        paced.Robot.Module->Eeprom().Write(sim::TEeprom::Size - 1, 0x01);
        paced.Robot.Module->SetRunTime(std::make_unique<sim::TStandInRunTime>());
    }
    SimulatedSerialDevice device(paced.Robot.Module, paced.Robot.Pacer,
                                 TPacing::pcOnceAProgramStarts);
    ASSERT_EQ(device.Open(std::string(VirtualRobotPortName)), OpenErrorNone);
    // A reset without a handshake: the module boots and starts the program.
    device.SetDtr(true);
    device.Clock().WaitMs(1000);
    EXPECT_EQ(paced.Host->Now.load(), 1'000'000u);
    {
        const std::lock_guard<std::mutex> lock(paced.Robot.Module->Mutex());
        ASSERT_EQ(paced.Robot.Module->ProgramStarts(), 1u);
    }
    const std::uint64_t started = paced.ModuleUs();
    device.Clock().WaitMs(100);
    EXPECT_EQ(paced.Host->Now.load(), 1'100'000u) << "the host's pace";
    EXPECT_EQ(paced.ModuleUs(), started + 100'000u);
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
