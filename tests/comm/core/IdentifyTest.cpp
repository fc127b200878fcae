#include "comm/core/Identify.h"

#include "comm/core/Serial.h"
#include "comm/core/SimulatedPorts.h"

#include <gtest/gtest.h>

namespace wayline {
namespace {

TEST(IdentifyTest, Smoke) {
    TSimulatedPorts ports;
    ports.Add("ttyUSB0");
    TSerialSlots slots(ports.Factory());
    const TIdentifyResult r = IdentifyPort(slots, "ttyUSB0", 2, TIdentifyTexts{});
    EXPECT_EQ(r.DeviceText, "Robot");
    EXPECT_EQ(r.VersionText, "v1.0");
    EXPECT_EQ(r.LoopbackText, "Yes");
    EXPECT_EQ(r.EchoText, "Yes");
    EXPECT_EQ(r.DeviceType, 2);
}

} // namespace
} // namespace wayline
