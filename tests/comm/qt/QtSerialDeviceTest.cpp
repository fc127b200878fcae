#include "comm/qt/QtSerialDevice.h"

#include "comm/core/Download.h"
#include "comm/core/PortLock.h"
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
#include <sys/sysmacros.h>
#include <termios.h>
#include <sys/wait.h>
#include <unistd.h>

namespace wayline {
namespace {

namespace fs = std::filesystem;

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
    int MasterFd() const { return Master; }
    std::string Path;

private:
    int Master;
};

// A folder of the test's own for lock files, as /run/lock is: sticky and
// open to all.
class TLockFolder {
public:
    TLockFolder()
        : Path(fs::temp_directory_path() /
               ("wayline-locks-" + std::to_string(::getpid()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name())) {
        fs::create_directories(Path);
        ::chmod(Path.c_str(), 01777);
    }
    ~TLockFolder() { fs::remove_all(Path); }
    std::vector<std::string> Folders() const { return {Path.string()}; }
    fs::path Path;
};

TEST(QtSerialDeviceTest, WhyAPortDoesNotOpen) {
    QtSerialDevice device;
    EXPECT_EQ(device.Open("/dev/ttyWaylineMissing0"), OpenErrorNoSuchPort);
    EXPECT_EQ(device.Open("ttyWaylineMissing0"), OpenErrorNoSuchPort);

    TPty pty;
    ASSERT_FALSE(pty.Path.empty());
    ASSERT_EQ(device.Open(pty.Path), OpenErrorNone);
    EXPECT_EQ(device.Open(pty.Path), OpenErrorInUse);
    QtSerialDevice other;
    EXPECT_EQ(other.Open(pty.Path), OpenErrorInUse); // held by the first
    device.Close();
    EXPECT_EQ(other.Open(pty.Path), OpenErrorNone);
}

// A folder, a file, /dev/null: none answers like a port, and the row says
// so with the path instead of "invalid port" or "can't open port".
TEST(QtSerialDeviceTest, WhatIsNoSerialPortIsRefusedAsSuchWithItsPath) {
    const fs::path file =
        fs::temp_directory_path() / ("wayline-notaport-" + std::to_string(::getpid()));
    std::ofstream(file) << "x";
    for (const std::string& path :
         {file.string(), fs::temp_directory_path().string(), std::string("/dev/null")}) {
        QtSerialDevice device;
        EXPECT_EQ(device.Open(path), OpenErrorNotASerialPort) << path;
        EXPECT_EQ(device.LastOpenFailure().Path, path);
        EXPECT_EQ(OpenErrorText(device.LastOpenFailure(), TIdentifyTexts{}),
                  "not a serial port: " + path);
    }
    fs::remove(file);
}

// A name without a leading slash is a device under /dev, never a file of
// the current folder.
TEST(QtSerialDeviceTest, ANameIsLookedUpUnderDevOnly) {
    TPty pty;
    ASSERT_EQ(pty.Path.rfind("/dev/", 0), 0u);
    QtSerialDevice device;
    EXPECT_EQ(device.Open(pty.Path.substr(5)), OpenErrorNone); // "pts/N"
    device.Close();

    const fs::path here = fs::current_path();
    const fs::path folder = fs::temp_directory_path() / ("wayline-cwd-" + std::to_string(::getpid()));
    fs::create_directories(folder);
    fs::create_symlink(pty.Path, folder / "ttyWaylineHere0");
    fs::current_path(folder);
    EXPECT_EQ(DevicePath("ttyWaylineHere0"), "/dev/ttyWaylineHere0");
    EXPECT_EQ(device.Open("ttyWaylineHere0"), OpenErrorNoSuchPort);
    fs::current_path(here);
    fs::remove_all(folder);
}

// Two names of one device are one lock: a link to it is refused while the
// device is open under its own name.
TEST(QtSerialDeviceTest, TwoNamesOfOneDeviceAreOneLock) {
    TLockFolder locks;
    TPty pty;
    QtSerialDevice first;
    first.SetLockFolders(locks.Folders());
    ASSERT_EQ(first.Open(pty.Path), OpenErrorNone);

    const fs::path link = locks.Path / "robot";
    fs::create_symlink(pty.Path, link);
    QtSerialDevice second;
    second.SetLockFolders(locks.Folders());
    EXPECT_EQ(second.Open(link.string()), OpenErrorInUse);

    first.Close();
    EXPECT_EQ(second.Open(link.string()), OpenErrorNone);
}

// The device's lock is made on opening and gone on closing; one left by a
// program that has ended is taken over.
TEST(QtSerialDeviceTest, TheLockGoesWithThePortAndAStaleOneIsTakenOver) {
    TLockFolder locks;
    TPty pty;
    struct stat info {};
    ASSERT_EQ(::stat(pty.Path.c_str(), &info), 0);
    const fs::path identity =
        locks.Path / IdentityLockFileName(::major(info.st_rdev), ::minor(info.st_rdev));
    const pid_t ended = ::fork();
    if (ended == 0) {
        ::_exit(0);
    }
    ::waitpid(ended, nullptr, 0);
    std::ofstream(identity) << "      " << ended << "\n";

    QtSerialDevice device;
    device.SetLockFolders(locks.Folders());
    ASSERT_EQ(device.Open(pty.Path), OpenErrorNone);
    std::ifstream in(identity);
    const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    EXPECT_EQ(LockFilePid(text), ::getpid());
    device.Close();
    EXPECT_FALSE(fs::exists(identity));
}

// A device that belongs to another user and group is refused as such.
TEST(QtSerialDeviceTest, APortTheUserMayNotOpenIsAPermissionError) {
    TPty pty;
    ASSERT_FALSE(pty.Path.empty());
    ASSERT_EQ(::chmod(pty.Path.c_str(), 0660), 0);

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

// The line as the operating system holds it once the port is open as the
// program opens it: raw 8N1 at 9600 baud, no flow control, nothing
// translated, echoed or marked. A setting that swallowed or changed 0x11,
// 0x13 or 0x0D would break packets that hold them.
TEST(QtSerialDeviceTest, TheLineIsRaw8N1At9600AsTheOperatingSystemHoldsIt) {
    TPty pty;
    TSerialSlots slots{QtSerialDeviceFactory()};
    std::uint32_t error = 0;
    const int slot = slots.OpenFreeSlot(pty.Path, error);
    ASSERT_NE(slot, NoSlot) << error;
    auto* device = dynamic_cast<QtSerialDevice*>(slots.Slot(slot).Handle.get());
    ASSERT_NE(device, nullptr);
    termios line{};
    ASSERT_EQ(::tcgetattr(device->Handle(), &line), 0);
    EXPECT_EQ(::cfgetispeed(&line), static_cast<speed_t>(B9600));
    EXPECT_EQ(::cfgetospeed(&line), static_cast<speed_t>(B9600));
    EXPECT_EQ(line.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
    EXPECT_EQ(line.c_cflag & (PARENB | CSTOPB | CRTSCTS), 0u);
    EXPECT_EQ(line.c_iflag & (IXON | IXOFF | IXANY), 0u);
    EXPECT_EQ(line.c_iflag & (ICRNL | INLCR | IGNCR | ISTRIP), 0u);
    EXPECT_EQ(line.c_iflag & (PARMRK | IGNPAR | INPCK), 0u);
    EXPECT_EQ(line.c_oflag & OPOST, 0u);
    EXPECT_EQ(line.c_lflag & (ECHO | ECHONL | ICANON | ISIG | IEXTEN), 0u);

    // And the bytes themselves pass both ways unchanged.
    const std::vector<std::uint8_t> bytes = {0x11, 0x13, 0x0D, 0x0A, 0x03, 0x7F, 0xFF, 0x00};
    ASSERT_TRUE(slots.Slot(slot).WriteBlock(bytes.data(), static_cast<int>(bytes.size()), 1000));
    std::vector<std::uint8_t> out(bytes.size());
    std::size_t got = 0;
    while (got < out.size()) {
        const ssize_t n = ::read(pty.MasterFd(), out.data() + got, out.size() - got);
        ASSERT_GT(n, 0);
        got += static_cast<std::size_t>(n);
    }
    EXPECT_EQ(out, bytes);
    ASSERT_EQ(::write(pty.MasterFd(), bytes.data(), bytes.size()),
              static_cast<ssize_t>(bytes.size()));
    EXPECT_EQ(slots.Slot(slot).ReadBlock(static_cast<int>(bytes.size()), 1000),
              static_cast<int>(bytes.size()));
    EXPECT_TRUE(std::equal(bytes.begin(), bytes.end(), slots.Slot(slot).RxBuffer.get()));
    slots.ClosePort(slot);
}

// Once the other end is gone, the port answers every call at once: a read
// makes no look at the clock it would wait on.
TEST(QtSerialDeviceTest, AVanishedPortAnswersAtOnceWithoutWaiting) {
    struct TCountingClock final : TMsClock {
        std::uint64_t NowMs() override {
            ++Looks;
            return SystemClock().NowMs();
        }
        void WaitMs(std::uint32_t milliseconds) override { SystemClock().WaitMs(milliseconds); }
        int Looks = 0;
    } clock;
    auto pty = std::make_unique<TPty>();
    QtSerialDevice device(clock);
    ASSERT_EQ(device.Open(pty->Path), OpenErrorNone);
    pty.reset(); // the cable is pulled
    std::uint8_t byte = 0;
    EXPECT_EQ(device.Read(&byte, 1, 1000), 0);
    EXPECT_TRUE(device.Vanished());
    clock.Looks = 0;
    EXPECT_EQ(device.Read(&byte, 1, 60000), 0);
    EXPECT_FALSE(device.Write(&byte, 1, 60000));
    EXPECT_EQ(clock.Looks, 0);
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
}

} // namespace
} // namespace wayline
