// wayline-cli doctor on computers laid out as files: the report, the JSON
// object, the exit status, and the root taken from the option or the
// environment.

#include "cli/DoctorCommand.h"
#include "cli/TokenizeCommand.h"

#include "comm/core/PortScan.h"
#include "doctor/core/FakeSystem.h"
#include "doctor/core/SystemRoot.h"

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>
#include <sstream>

namespace wayline {
namespace {

using testing::PupilUid;
using testing::TFakeSystem;

class DoctorCommandTest : public ::testing::Test {
protected:
    TFakeSystem Sys;
    std::string Out, Err;

    void SetUp() override {
        Sys.SetUser(PupilUid(), 1000, {1000}, "pupil");
        Sys.AddGroup("dialout", Sys.FileGid(), "");
    }

    int Run(std::vector<std::string> arguments, const char* environmentRoot = nullptr,
            const TDoctorScan& scan = {}) {
        std::ostringstream out, err;
        const int status = RunDoctorCommand(arguments, out, err, environmentRoot, scan);
        Out = out.str();
        Err = err.str();
        return status;
    }
};

TEST_F(DoctorCommandTest, JsonListsEveryFindingWithItsCommand) {
    const std::string device = Sys.AddUsbSerialPort("ttyUSB0", 0x0403, 0x6001, "ftdi_sio", 2);
    Sys.Write(device + "/latency_timer", "16\n");
    const std::string root = Sys.Root().string();
    EXPECT_EQ(Run({"--json", "--root", root}), ExitDownloadBlocked);
    EXPECT_EQ(Err, "");
    EXPECT_EQ(Out,
              "{\"blocksDownload\":true,\"findings\":["
              "{\"kind\":\"not-in-group\",\"severity\":\"blocking\",\"port\":\"ttyUSB0\","
              "\"text\":\"The user pupil may not open the port ttyUSB0: only members of the group "
              "dialout may, and pupil is not one of them.  Add pupil to the group, then log out "
              "and log in again.\",\"command\":\"sudo usermod -aG dialout pupil\"},"
              "{\"kind\":\"ftdi-latency\",\"severity\":\"information\",\"port\":\"ttyUSB0\","
              "\"text\":\"The FTDI adapter of the port ttyUSB0 holds the robot's replies back for "
              "16 ms.  With 1 ms downloads are quicker and surer.\","
              "\"command\":\"echo 1 | sudo tee "
              "/sys/bus/usb-serial/devices/ttyUSB0/latency_timer\"}]}\n");
}

TEST_F(DoctorCommandTest, TextReportShowsSeverityAndIndentedCommand) {
    Sys.AddUsbSerialPort("ttyUSB0", 0x1a86, 0x7523, "ch341", 2);
    Sys.Write("/etc/group", "dialout:x:" + std::to_string(Sys.FileGid()) + ":pupil\n");
    Sys.SetUser(PupilUid(), 1000, {1000, Sys.FileGid()}, "");
    Sys.AddProcess(812, "ModemManager");
    EXPECT_EQ(Run({}, Sys.Root().c_str()), ExitSucceeded);
    EXPECT_EQ(Out, "[warning] The modem service (ModemManager) is running and may send modem "
                   "commands to the port ttyUSB0 in the middle of a download.  If this computer "
                   "uses no mobile broadband modem, switch the service off.\n"
                   "    sudo systemctl disable --now ModemManager\n"
                   "Nothing here blocks a download.\n");
}

TEST_F(DoctorCommandTest, HealthyComputerExitsZero) {
    Sys.AddBuiltinPort("ttyS0", "4");
    Sys.Write("/etc/group", "dialout:x:" + std::to_string(Sys.FileGid()) + ":pupil\n");
    Sys.SetUser(PupilUid(), 1000, {1000, Sys.FileGid()}, "");
    EXPECT_EQ(Run({"--root", Sys.Root().string()}), ExitSucceeded);
    EXPECT_EQ(Out, "Nothing on this computer keeps the robot from being found.\n");
    EXPECT_EQ(Run({"--json"}, Sys.Root().c_str()), ExitSucceeded);
    EXPECT_EQ(Out, "{\"blocksDownload\":false,\"findings\":[]}\n");
}

// The quick scan a download makes tells an empty port from a robot that
// does not answer, as it does for the program's connection help: a
// computer with its own serial port only, and nothing comes back on it.
TEST_F(DoctorCommandTest, TheScanOfThePortsGivesTheConnectionHelpsFindings) {
    Sys.AddBuiltinPort("ttyS0", "4");
    Sys.Write("/etc/group", "dialout:x:" + std::to_string(Sys.FileGid()) + ":pupil\n");
    Sys.SetUser(PupilUid(), 1000, {1000, Sys.FileGid()}, "");
    int scans = 0;
    const TDoctorScan scan = [&scans](const TSystemRoot&) {
        ++scans;
        TScannedPort silent;
        silent.PortName = "ttyS0";
        silent.Result.DeviceText = "-";
        silent.Result.EchoText = "No";
        return std::vector<TScannedPort>{silent};
    };
    EXPECT_EQ(Run({"--root", Sys.Root().string()}, nullptr, scan), ExitDownloadBlocked);
    EXPECT_EQ(Out, "[blocks downloads] No USB serial adapter is plugged in, and nothing comes "
                   "back on this computer's own serial port ttyS0.  Plug the robot's cable into "
                   "the computer.\nA download cannot work until the problems above are mended.\n");
    EXPECT_EQ(scans, 1);

    EXPECT_EQ(Run({"--no-scan", "--root", Sys.Root().string()}, nullptr, scan), ExitSucceeded);
    EXPECT_EQ(Out, "Nothing on this computer keeps the robot from being found.\n");
    EXPECT_EQ(scans, 1);
}

TEST_F(DoctorCommandTest, OptionRootWinsOverTheEnvironment) {
    TFakeSystem empty;
    EXPECT_EQ(Run({"--json", "--root", empty.Root().string()}, Sys.Root().c_str()),
              ExitDownloadBlocked);
    EXPECT_NE(Out.find("\"kind\":\"no-serial-port\""), std::string::npos) << Out;
}

TEST_F(DoctorCommandTest, UsageErrorsExitWithTwo) {
    const std::string usage = "usage: wayline-cli doctor [--json] [--no-scan] [--root DIR]\n";
    EXPECT_EQ(Run({"--verbose"}), ExitUsageError);
    EXPECT_EQ(Err, "wayline-cli doctor: unknown argument '--verbose'\n" + usage);
    EXPECT_EQ(Run({"--root"}), ExitUsageError);
    EXPECT_EQ(Err, "wayline-cli doctor: --root needs a folder\n" + usage);
    const std::string missing = (Sys.Root() / "missing").string();
    EXPECT_EQ(Run({"--root", missing}), ExitUsageError);
    EXPECT_EQ(Err, "wayline-cli doctor: '" + missing + "' is not a folder\n");
    EXPECT_EQ(Out, "");
}

// The program itself, as a terminal runs it, finds its tree through the
// environment.
TEST_F(DoctorCommandTest, ProgramReadsTheRootFromTheEnvironment) {
    Sys.AddUsbDevice(2, 0x1a86, 0x7523);
    Sys.AddProcess(640, "brltty");
    const std::string command = std::string(DoctorRootVariable) + "='" + Sys.Root().string() +
                                "' '" WAYLINE_CLI "' doctor --json";
    FILE* pipe = ::popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::string output;
    char buffer[512];
    while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) {
        output += buffer;
    }
    const int status = ::pclose(pipe);
    EXPECT_EQ(WEXITSTATUS(status), ExitDownloadBlocked);
    EXPECT_NE(output.find("\"kind\":\"adapter-taken-by-braille-daemon\""), std::string::npos)
        << output;
    EXPECT_NE(output.find("\"command\":\"sudo apt remove brltty\""), std::string::npos);
}

} // namespace
} // namespace wayline
