#include "editor/core/SettingsRules.h"

#include <gtest/gtest.h>

namespace wayline {
namespace {

TEST(SettingsRules, ServoCentreKeepsItsLowByte) {
    EXPECT_EQ(ServoCenterFromSetting(300), 44);
    EXPECT_EQ(ServoCenterFromSetting(100), 100);
    EXPECT_EQ(ServoCenterFromSetting(-1), 255);
}

TEST(SettingsRules, StoredPortNamesInComStyleAreTakenInCapitals) {
    EXPECT_EQ(PortNameFromSetting("com3"), "COM3");
    EXPECT_EQ(PortNameFromSetting("auto"), "AUTO");
    EXPECT_EQ(PortNameFromSetting("ttyUSB0"), "ttyUSB0");
}

TEST(SettingsRules, StoredPortIsTheSelectedPortWheneverItNamesOne) {
    EXPECT_EQ(PortNameToStore("COM2"), "COM2");
    EXPECT_EQ(PortNameToStore("ttyACM0"), "ttyACM0");
    EXPECT_EQ(PortNameToStore("AUTO"), "AUTO");
    EXPECT_EQ(PortNameToStore(""), "AUTO");
    EXPECT_EQ(PortNameFromSetting(PortNameToStore("ttyUSB1")), "ttyUSB1");
}

// A port missing at start is searched as AUTO, but the user's choice from
// an earlier run is written back unless a new choice was made.
TEST(SettingsRules, AStoredPortMissingAtStartIsKeptUntilTheUserChoosesAgain) {
    EXPECT_EQ(PortSettingToWrite("ttyUSB0", "AUTO", false), "ttyUSB0");
    EXPECT_EQ(PortSettingToWrite("ttyUSB0", "AUTO", true), "AUTO");
    EXPECT_EQ(PortSettingToWrite("ttyUSB0", "ttyS0", true), "ttyS0");
    EXPECT_EQ(PortSettingToWrite("", "AUTO", false), "AUTO");
    EXPECT_EQ(PortSettingToWrite("", "COM3", true), "COM3");
    EXPECT_EQ(PortSettingToWrite("auto", "AUTO", false), "AUTO");
}

} // namespace
} // namespace wayline
