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

// The dialogs open where the last file was opened or saved; on a first run,
// or once that folder is gone, in the documents folder (or home).
TEST(SettingsRules, FileDialogsOpenInTheLastFilesFolderElseDocumentsElseHome) {
    const auto existing = [](std::string_view folder) {
        return folder == "/home/pupil/lessons" || folder == "/home/pupil/Documents";
    };
    EXPECT_EQ(FileDialogFolder("/home/pupil/lessons", "/home/pupil/Documents", "/home/pupil",
                               existing),
              "/home/pupil/lessons");
    EXPECT_EQ(FileDialogFolder("", "/home/pupil/Documents", "/home/pupil", existing),
              "/home/pupil/Documents");
    EXPECT_EQ(FileDialogFolder("/media/stick/lessons", "/home/pupil/Documents", "/home/pupil",
                               existing),
              "/home/pupil/Documents");
    EXPECT_EQ(FileDialogFolder("/media/stick", "/home/pupil/Docs", "/home/pupil", existing),
              "/home/pupil");
    EXPECT_EQ(FileDialogFolder("", "", "/home/pupil", existing), "/home/pupil");

    EXPECT_EQ(FolderOfFile("/home/pupil/lessons/lesson1.wyl"), "/home/pupil/lessons");
    EXPECT_EQ(FolderOfFile("/lesson1.wyl"), "/");
}

} // namespace
} // namespace wayline
