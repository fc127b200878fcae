#include "testmode/core/TestExchange.h"

#include "comm/core/Serial.h"
#include "testmode/core/FakeTestModule.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace wayline {
namespace {

using testing::TFakeTestModule;

// One port slot with the fake test program behind it.
class TestExchange : public ::testing::Test {
protected:
    void SetUp() override {
        Slots.SetDeviceFactory([this](const std::string&) {
            auto device = std::make_unique<TFakeTestModule>();
            Module = device.get();
            return device;
        });
        std::uint32_t error = 0;
        Slot = Slots.OpenFreeSlot("COM1", error);
        ASSERT_NE(Slot, NoSlot);
        ASSERT_NE(Module, nullptr);
    }

    int Exchange(std::uint16_t right, std::uint16_t left) {
        return ExchangeTestPulses(Slots.Slot(Slot), right, left);
    }

    TSerialSlots Slots;
    TFakeTestModule* Module = nullptr;
    int Slot = NoSlot;
};

TEST_F(TestExchange, SendsTheRightWidthThenTheLeftEachLowByteFirst) {
    Exchange(760, 0);
    Exchange(650, 850);
    const std::vector<std::uint8_t> expected = {0xF8, 0x02, 0x00, 0x00,  // 760, 0
                                                0x8A, 0x02, 0x52, 0x03}; // 650, 850
    EXPECT_EQ(Module->Written, expected);
}

TEST_F(TestExchange, TheSensorByteBehindTheEchoIsTheAnswer) {
    Module->Answer = LeftIrBit | LeftWhiskerBit;
    const int sensors = Exchange(750, 750);
    EXPECT_EQ(sensors, 0x05);
    EXPECT_EQ(DecodeSensors(sensors), (TSensorState{true, false, true, false}));
    EXPECT_TRUE(Module->Input.empty());

    // The byte's bits name the sensors; bits above 3 mean nothing.
    EXPECT_EQ(DecodeSensors(RightIrBit | RightWhiskerBit | 0xF0),
              (TSensorState{false, true, false, true}));
    EXPECT_EQ(DecodeSensors(0xF0), TSensorState{});
}

TEST_F(TestExchange, BytesLeftFromAnEarlierTickAreNotTakenForTheAnswer) {
    // A late answer of the previous tick, still waiting when this one starts.
    Module->Input = {0x0F, 0x0F, 0x0F};
    Module->Answer = RightIrBit;
    EXPECT_EQ(Exchange(750, 750), RightIrBit);
}

TEST_F(TestExchange, ASilentModuleShowsEverySensorAfterWaitingOnThePortsClock) {
    Module->Echo = false;
    Module->Answer.reset();
    const std::uint64_t start = Module->ManualClock.Now;
    const int sensors = Exchange(750, 750);
    EXPECT_EQ(DecodeSensors(sensors), (TSensorState{true, true, true, true}));
    // Echo and answer time-outs passed on the port's clock, not the host's.
    EXPECT_EQ(Module->ManualClock.Now - start, TestEchoTimeoutMs + TestAnswerTimeoutMs);

    // The echo alone is no answer either.
    Module->Echo = true;
    EXPECT_EQ(Exchange(750, 750), NoAnswerSensors);
}

TEST_F(TestExchange, APortNoLongerOpenShowsEverySensorNotTheClosedPortsNumber) {
    Slots.ClosePort(Slot);
    EXPECT_EQ(DecodeSensors(ExchangeTestPulses(Slots.Slot(Slot), 750, 750)),
              (TSensorState{true, true, true, true}));
}

} // namespace
} // namespace wayline
