#include "comm/qt/QtSerialDevice.h"

#include "comm/core/Download.h"
#include "comm/core/SimulatedPorts.h"
#include "comm/qt/QtThreads.h"
#include "sim/core/PtyBridge.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <grp.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace wayline {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

// A pseudo-terminal of the test's own; the device opens its other end.
class TPty {
public:
    TPty() : Master(::posix_openpt(O_RDWR | O_NOCTTY)) {
        if (Master >= 0 && ::grantpt(Master) == 0 && ::unlockpt(Master) == 0) {
            Path = ::ptsname(Master);
        }
    }
    ~TPty() {
        if (Master >= 0) {
            ::close(Master);
        }
    }
    std::string Path;

private:
    int Master;
};

TEST(QtSerialDeviceTest, WhyAPortDoesNotOpen) {
    QtSerialDevice device;
    EXPECT_EQ(device.Open("/dev/ttyWaylineMissing0"), OpenErrorNoSuchPort);
    EXPECT_EQ(device.Open("ttyWaylineMissing0"), OpenErrorNoSuchPort);
    const fs::path file =
        fs::temp_directory_path() / ("wayline-notaport-" + std::to_string(::getpid()));
    std::ofstream(file) << "x";
    EXPECT_EQ(device.Open(file.string()), OpenErrorNoSuchPort); // a file is not a port
    EXPECT_EQ(device.Open(fs::temp_directory_path().string()), OpenErrorNoSuchPort);
    fs::remove(file);

    TPty pty;
    ASSERT_FALSE(pty.Path.empty());
    ASSERT_EQ(device.Open(pty.Path), OpenErrorNone);
    EXPECT_EQ(device.Open(pty.Path), OpenErrorInUse);
    QtSerialDevice other;
    EXPECT_EQ(other.Open(pty.Path), OpenErrorInUse); // held by the first
    device.Close();
    EXPECT_EQ(other.Open(pty.Path), OpenErrorNone);
}

// A device that belongs to another user and group is refused as such, and
// the advice names the device's group.
TEST(QtSerialDeviceTest, APortTheUserMayNotOpenIsAPermissionError) {
    TPty pty;
    ASSERT_FALSE(pty.Path.empty());
    ASSERT_EQ(::chmod(pty.Path.c_str(), 0660), 0);
    struct stat info {};
    ASSERT_EQ(::stat(pty.Path.c_str(), &info), 0);
    const group* owner = ::getgrgid(info.st_gid);
    ASSERT_NE(owner, nullptr);
    const std::string groupName = owner->gr_name;
    if (groupName != "root") {
        EXPECT_EQ(PermissionFixText(pty.Path),
                  "you may not open " + pty.Path + ": add your user to the group '" + groupName +
                      "' (sudo usermod -aG " + groupName + " $USER), then log out and in again");
    }

    // A child process that is neither the owner nor in the group tries it.
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (::geteuid() == 0) {
            if (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0) {
                ::_exit(100);
            }
        } else if (::chmod(pty.Path.c_str(), 0) != 0) {
            ::_exit(101);
        }
        QtSerialDevice device; // refuses before any Qt object is made
        ::_exit(static_cast<int>(device.Open(pty.Path)));
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), static_cast<int>(OpenErrorPermission));
}

TEST(QtSerialDeviceTest, APtyHasNoModemLinesAndTheirOperationsDoNothing) {
    TPty pty;
    QtSerialDevice device;
    ASSERT_EQ(device.Open(pty.Path), OpenErrorNone);
    EXPECT_TRUE(device.ReadSettings());
    device.ApplySettings(9600, false, 8);
    device.SetDtr(true);
    device.SetRts(true);
    device.SetBreak(true);
    device.SetBreak(false);
    EXPECT_EQ(device.ModemStatus(), 0u);
    EXPECT_FALSE(device.LowLatency()); // the pty driver has no such setting
    EXPECT_FALSE(device.Vanished());
}

// What the download observer does in the window, and here one thing more:
// after `unplugAfter` packets it pulls the cable.
struct TPullingFrontEnd final : TDownloadFrontEnd {
    int ChooseTarget(const std::vector<TPortScanRow>&, const std::vector<bool>&) override {
        return NoTarget;
    }
    void ToggleIndicator(bool) override {}
    void StepIt(int) override {
        if (++Steps == UnplugAfter && Bridge != nullptr) {
            Bridge->Stop();
        }
    }
    void ShowErrorBox(const std::string& text) override { Boxes.push_back(text); }

    sim::TPtyBridge* Bridge = nullptr;
    int UnplugAfter = -1;
    int Steps = 0;
    std::vector<std::string> Boxes;
};

class ThroughThePtyTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string error;
        ASSERT_TRUE(Bridge.Start(error)) << error;
    }

    TDownloadOutcome Download(TPullingFrontEnd& frontEnd) {
        TDownloadRequest request;
        request.Packets = Packets.data();
        request.PacketCount = static_cast<int>(Packets.size() / 18);
        return RunDownload(Slots, {Bridge.PortPath()}, request, TIdentifyTexts{}, TDownloadTexts{},
                           frontEnd, QtThreadStarter());
    }

    std::shared_ptr<sim::TSimulatedModule> Module = std::make_shared<sim::TSimulatedModule>();
    sim::TPtyBridge Bridge{Module};
    TSerialSlots Slots{QtSerialDeviceFactory()};
    std::vector<std::uint8_t> Packets = MakePackets({0, 5, 120, 127}, 3);
};

TEST_F(ThroughThePtyTest, TheModuleIsIdentifiedThroughTheOperatingSystem) {
    const TIdentifyResult r = IdentifyPort(Slots, Bridge.PortPath(), 2, TIdentifyTexts{});
    EXPECT_EQ(r.DeviceText, "Robot");
    EXPECT_EQ(r.VersionText, "v1.0");
    EXPECT_EQ(r.LoopbackText, "No"); // a pty loops nothing back
    EXPECT_EQ(r.EchoText, "Yes");
    EXPECT_EQ(Bridge.ResetsSeen(), 1);
    EXPECT_TRUE(Slots.IsFree(0));
}

TEST_F(ThroughThePtyTest, TheExactPacketsReachTheModule) {
    TPullingFrontEnd frontEnd;
    const TDownloadOutcome outcome = Download(frontEnd);
    EXPECT_TRUE(outcome.Succeeded);
    EXPECT_TRUE(frontEnd.Boxes.empty());
    // The closing 0 is still on its way to the module when the port closes.
    EXPECT_TRUE(
        Bridge.WaitUntil([](sim::TSimulatedModule& m) { return m.Firmware().TransferCount() == 1; },
                         std::chrono::seconds(5)));
    Bridge.Stop();
    std::vector<std::uint8_t> received;
    for (const sim::TReceivedPacket& p : Module->Firmware().Packets()) {
        EXPECT_EQ(p.Status, 0);
        received.insert(received.end(), p.Bytes.begin(), p.Bytes.end());
    }
    EXPECT_EQ(received, Packets);
    EXPECT_EQ(Module->Eeprom().Read(127 * 16), Packets[3 * 18 + 1]);
    EXPECT_EQ(Module->Firmware().TransferCount(), 1);
    for (int slot = FirstSlot; slot <= LastSlot; ++slot) {
        EXPECT_TRUE(Slots.IsFree(slot));
    }
}

TEST_F(ThroughThePtyTest, APortThatVanishesMidDownloadIsACommunicationFailureAndFreesItsSlot) {
    TPullingFrontEnd frontEnd;
    frontEnd.Bridge = &Bridge;
    frontEnd.UnplugAfter = 2;
    const auto started = Clock::now();
    const TDownloadOutcome outcome = Download(frontEnd);
    EXPECT_EQ(outcome.Slot, 0);
    EXPECT_FALSE(outcome.Succeeded);
    EXPECT_EQ(frontEnd.Boxes,
              (std::vector<std::string>{
                  "Hardware communication failure!  Check serial cable and power supply."}));
    EXPECT_EQ(frontEnd.Steps, 2);
    for (int slot = FirstSlot; slot <= LastSlot; ++slot) {
        EXPECT_TRUE(Slots.IsFree(slot));
    }
    // Scan and two packets take about 0.2 s; the vanished port is not
    // waited on for its 1.24 s of time-outs.
    EXPECT_LT(Clock::now() - started, std::chrono::milliseconds(1000));
}

} // namespace
} // namespace wayline
