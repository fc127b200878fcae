#include "comm/core/Download.h"

#include "comm/core/SimulatedPorts.h"

#include <gtest/gtest.h>

namespace wayline {
namespace {

constexpr int Robot = 2;

// The front end of a download in a test: it answers the choice as told and
// records what the window would show.
struct TTestFrontEnd final : TDownloadFrontEnd {
    void ScanStarting(const std::vector<std::string>& names) override { Scanned = names; }
    void ShowResult(int portIndex, const TPortScanRow&) override { Shown.push_back(portIndex); }
    void ScanFinished(const std::vector<TPortScanRow>& rows) override { Finished = rows.size(); }
    int ChooseTarget(const std::vector<TPortScanRow>&,
                     const std::vector<bool>& choosable) override {
        Choices = choosable;
        ++ChoiceCount;
        return Choice;
    }
    void TransferStarting(int portIndex, int packetCount) override {
        TransferPort = portIndex;
        TransferPackets = packetCount;
    }
    void ToggleIndicator(bool) override {}
    void StepIt(int) override { ++Steps; }
    void ShowErrorBox(const std::string& text) override { Boxes.push_back(text); }

    int Choice = NoTarget;
    std::vector<std::string> Scanned;
    std::vector<int> Shown;
    std::size_t Finished = 0;
    std::vector<bool> Choices;
    int ChoiceCount = 0;
    int TransferPort = -1;
    int TransferPackets = -1;
    int Steps = 0;
    std::vector<std::string> Boxes;
};

class DownloadTest : public ::testing::Test {
protected:
    TSimulatedPorts Ports;
    TSerialSlots Slots{Ports.Factory()};
    std::vector<std::uint8_t> Packets = MakePackets({3, 126, 127}, 7);
    TTestFrontEnd FrontEnd;

    TDownloadOutcome Download(const std::vector<std::string>& names, bool keepOpen = false,
                              const std::string& selected = "AUTO") {
        TDownloadRequest request;
        request.Packets = Packets.data();
        request.PacketCount = 3;
        request.DownloadTargetType = Robot;
        request.SelectedPort = selected;
        request.KeepOpen = keepOpen;
        return RunDownload(Slots, names, request, TIdentifyTexts{}, TDownloadTexts{}, FrontEnd,
                           StdThreadStarter());
    }

    // The packets a module accepted, as they arrived.
    static std::vector<std::uint8_t> Accepted(sim::TSimulatedModule& module) {
        std::vector<std::uint8_t> bytes;
        for (const sim::TReceivedPacket& p : module.Firmware().Packets()) {
            if (p.Status == 0) {
                bytes.insert(bytes.end(), p.Bytes.begin(), p.Bytes.end());
            }
        }
        return bytes;
    }

    void ExpectAllSlotsFree() {
        for (int slot = FirstSlot; slot <= LastSlot; ++slot) {
            EXPECT_TRUE(Slots.IsFree(slot)) << "slot " << slot;
        }
    }
};

TEST_F(DownloadTest, TheOneRobotAmongThePortsGetsTheProgram) {
    Ports.AddSilent("ttyS0");
    auto& robot = *Ports.Add("ttyUSB0");
    const TDownloadOutcome outcome = Download({"ttyS0", "ttyUSB0", "ttyUSB1"});
    EXPECT_TRUE(outcome.Succeeded);
    EXPECT_EQ(outcome.Slot, 0);
    EXPECT_EQ(outcome.PortIndex, 1);
    EXPECT_EQ(Accepted(robot), Packets);
    EXPECT_TRUE(FrontEnd.Boxes.empty());
    EXPECT_EQ(FrontEnd.Steps, 3);
    EXPECT_EQ(FrontEnd.TransferPort, 1);
    EXPECT_EQ(FrontEnd.TransferPackets, 3);
    EXPECT_EQ(FrontEnd.ChoiceCount, 0);
    EXPECT_EQ(FrontEnd.Scanned.size(), 3u);
    EXPECT_EQ(FrontEnd.Shown.size(), 3u);
    EXPECT_EQ(FrontEnd.Finished, 3u);
    EXPECT_EQ(outcome.Rows[0].Result.EchoText, "No");
    EXPECT_EQ(outcome.Rows[1].Result.DeviceText, "Robot");
    EXPECT_EQ(outcome.Rows[2].Result.DeviceText, "invalid port");
    // Scan, then the transfer's own reset and handshake.
    EXPECT_EQ(robot.Firmware().HandshakeCount(), 2);
    ExpectAllSlotsFree();
}

TEST_F(DownloadTest, NoRobotAnywhereSaysSoAndOpensNothing) {
    for (const std::vector<std::string>& names :
         {std::vector<std::string>{}, std::vector<std::string>{"ttyS0", "ttyS1"}}) {
        Ports.AddSilent("ttyS0");
        sim::TModuleConfig board;
        board.ModulePresent = false;
        Ports.Add("ttyS1", board);
        FrontEnd = TTestFrontEnd{};
        const TDownloadOutcome outcome = Download(names);
        EXPECT_EQ(outcome.Slot, NoSlot);
        EXPECT_FALSE(outcome.Succeeded);
        EXPECT_EQ(outcome.PortIndex, NoTarget);
        EXPECT_EQ(FrontEnd.Boxes, (std::vector<std::string>{"No robot found."}));
        EXPECT_EQ(FrontEnd.TransferPort, -1);
        ExpectAllSlotsFree();
    }
}

TEST_F(DownloadTest, SeveralRobotsLetTheUserChooseAndOnlyTheChosenOneIsLoaded) {
    auto& first = *Ports.Add("ttyUSB0");
    Ports.AddSilent("ttyS0");
    auto& second = *Ports.Add("ttyUSB1");
    FrontEnd.Choice = 2;
    const TDownloadOutcome outcome = Download({"ttyUSB0", "ttyS0", "ttyUSB1"});
    EXPECT_EQ(FrontEnd.ChoiceCount, 1);
    EXPECT_EQ(FrontEnd.Choices, (std::vector<bool>{true, false, true}));
    EXPECT_TRUE(outcome.Succeeded);
    EXPECT_EQ(outcome.PortIndex, 2);
    EXPECT_EQ(Accepted(second), Packets);
    EXPECT_TRUE(first.Firmware().Packets().empty());
    EXPECT_EQ(first.Firmware().HandshakeCount(), 1); // the scan's only
    ExpectAllSlotsFree();
}

TEST_F(DownloadTest, GivingUpTheChoiceOrChoosingAnUnmarkedRowSendsNothing) {
    for (const int choice : {NoTarget, -1, 1, 3}) {
        auto& first = *Ports.Add("ttyUSB0");
        Ports.AddSilent("ttyS0");
        auto& second = *Ports.Add("ttyUSB1");
        FrontEnd = TTestFrontEnd{};
        FrontEnd.Choice = choice;
        const TDownloadOutcome outcome = Download({"ttyUSB0", "ttyS0", "ttyUSB1"});
        EXPECT_EQ(outcome.Slot, NoSlot) << choice;
        EXPECT_TRUE(FrontEnd.Boxes.empty()) << choice;
        EXPECT_TRUE(first.Firmware().Packets().empty());
        EXPECT_TRUE(second.Firmware().Packets().empty());
        ExpectAllSlotsFree();
    }
}

TEST_F(DownloadTest, AnotherVersionIsRefusedBeforeAnyPacket) {
    sim::TModuleConfig config;
    config.VersionByte = 0x11;
    auto& robot = *Ports.Add("ttyUSB0", config);
    const TDownloadOutcome outcome = Download({"ttyUSB0"});
    EXPECT_EQ(outcome.Slot, NoSlot);
    EXPECT_EQ(outcome.Rows[0].Result.VersionText, "v1.1");
    EXPECT_EQ(FrontEnd.Boxes,
              (std::vector<std::string>{"Cannot download to this version of the device."}));
    EXPECT_TRUE(robot.Firmware().Packets().empty());
    EXPECT_EQ(robot.Firmware().ResetCount(), 1);
    ExpectAllSlotsFree();
}

TEST_F(DownloadTest, AChosenPortThatNoLongerOpensEndsWithoutAMessage) {
    auto& robot = *Ports.Add("ttyUSB0");
    Ports.Faults("ttyUSB0").OpensBeforeInUse = 1; // the scan's open works
    const TDownloadOutcome outcome = Download({"ttyUSB0"});
    EXPECT_EQ(outcome.Slot, NoSlot);
    EXPECT_EQ(outcome.PortIndex, 0);
    EXPECT_EQ(outcome.OpenError, OpenErrorInUse);
    EXPECT_TRUE(FrontEnd.Boxes.empty());
    EXPECT_TRUE(robot.Firmware().Packets().empty());
    ExpectAllSlotsFree();
}

TEST_F(DownloadTest, AFailedTransferStillReturnsItsSlotAndClosesIt) {
    sim::TModuleFaults faults;
    faults.StatusTwoAtPacket = 1;
    Ports.Add("ttyUSB0", {}, faults);
    const TDownloadOutcome outcome = Download({"ttyUSB0"});
    EXPECT_EQ(outcome.Slot, 0);
    EXPECT_FALSE(outcome.Succeeded);
    EXPECT_EQ(FrontEnd.Boxes, (std::vector<std::string>{"EEPROM Verify Failure!"}));
    ExpectAllSlotsFree();
}

TEST_F(DownloadTest, AnUnpluggedCableEndsWithTheCommunicationFailureAndAFreeSlot) {
    sim::TModuleFaults faults;
    faults.DisconnectAtPacket = 1;
    auto& robot = *Ports.Add("ttyUSB0", {}, faults);
    const TDownloadOutcome outcome = Download({"ttyUSB0"});
    EXPECT_EQ(outcome.Slot, 0);
    EXPECT_FALSE(outcome.Succeeded);
    EXPECT_EQ(FrontEnd.Boxes,
              (std::vector<std::string>{
                  "Hardware communication failure!  Check serial cable and power supply."}));
    EXPECT_FALSE(robot.HostConnected());
    ExpectAllSlotsFree();
}

TEST_F(DownloadTest, KeepOpenHandsTheSlotToTheCallerAndNoOtherStaysOpen) {
    Ports.Add("ttyUSB0");
    Ports.AddSilent("ttyS0");
    const TDownloadOutcome outcome = Download({"ttyS0", "ttyUSB0"}, true);
    ASSERT_EQ(outcome.Slot, 0);
    EXPECT_TRUE(outcome.Succeeded);
    for (int slot = FirstSlot; slot <= LastSlot; ++slot) {
        EXPECT_EQ(Slots.IsFree(slot), slot != outcome.Slot) << slot;
    }
    EXPECT_EQ(Slots.Slot(outcome.Slot).ComName, "ttyUSB0");
    Slots.ClosePort(outcome.Slot);
    ExpectAllSlotsFree();
}

TEST_F(DownloadTest, ASelectedPortIsTheOnlyOneOpened) {
    auto& first = *Ports.Add("ttyUSB0");
    auto& chosen = *Ports.Add("ttyUSB1");
    auto& third = *Ports.Add("ttyUSB2");
    const TDownloadOutcome outcome = Download({"ttyUSB0", "ttyUSB1", "ttyUSB2"}, false, "ttyUSB1");
    EXPECT_TRUE(outcome.Succeeded);
    EXPECT_EQ(outcome.PortIndex, 1);
    EXPECT_EQ(outcome.Rows[0].Result.DeviceText, "ignoring");
    EXPECT_TRUE(outcome.Rows[0].Ignored);
    EXPECT_EQ(outcome.Rows[2].Result.DeviceText, "ignoring");
    EXPECT_EQ(first.Firmware().ResetCount(), 0);
    EXPECT_EQ(third.Firmware().ResetCount(), 0);
    EXPECT_EQ(Accepted(chosen), Packets);
    EXPECT_EQ(FrontEnd.ChoiceCount, 0);
}

} // namespace
} // namespace wayline
