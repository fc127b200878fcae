// The connection diagnosis on computers laid out as files: one healthy
// classroom computer, and for every finding a computer that shows it.

#include "doctor/core/Diagnosis.h"
#include "doctor/core/SystemRoot.h"

#include "FakeSystem.h"

#include <gtest/gtest.h>

#include <sys/xattr.h>

#include <cstring>

namespace wayline {
namespace {

using testing::PupilUid;
using testing::TFakeSystem;

constexpr std::uint16_t Wch = 0x1a86;
constexpr std::uint16_t Ch340 = 0x7523;
constexpr std::uint16_t Ftdi = 0x0403;
constexpr std::uint16_t Ft232r = 0x6001;

class DiagnosisTest : public ::testing::Test {
protected:
    TFakeSystem Sys;
    std::uint32_t DialoutGid = Sys.FileGid();
    std::uint32_t PupilGid = DialoutGid == 1000 ? 1001 : 1000;

    // The pupil the diagnosis runs for; by default a member of the group
    // that owns the serial ports, in the group file and in the session.
    void Pupil(bool sessionHasDialout = true, bool groupFileListsPupil = true) {
        std::vector<std::uint32_t> groups = {PupilGid};
        if (sessionHasDialout) {
            groups.push_back(DialoutGid);
        }
        Sys.SetUser(PupilUid(), PupilGid, groups, "pupil");
        Sys.AddGroup("dialout", DialoutGid, groupFileListsPupil ? "teacher,pupil" : "teacher");
        Sys.AddGroup("pupil", PupilGid, "");
    }

    std::vector<TFinding> Run(const std::vector<TScannedPort>& scan = {}) {
        return DiagnoseSystem(TSystemRoot(Sys.Root()), scan);
    }

    static std::vector<TFindingKind> Kinds(const std::vector<TFinding>& findings) {
        std::vector<TFindingKind> kinds;
        for (const TFinding& finding : findings) {
            kinds.push_back(finding.Kind);
        }
        return kinds;
    }
};

TScannedPort Scanned(std::string name, std::string echo, int type = 0,
                     std::uint32_t openError = 0) {
    TScannedPort port;
    port.PortName = std::move(name);
    port.Result.EchoText = std::move(echo);
    port.Result.DeviceType = type;
    port.Result.OpenError = openError;
    return port;
}

// ---- the healthy computer ----------------------------------------------

TEST_F(DiagnosisTest, HealthyClassroomComputerHasNoFinding) {
    Pupil();
    Sys.AddUsbSerialPort("ttyUSB0", Wch, Ch340, "ch341", 2);
    // Things that are there on many computers and must not raise a finding:
    // a placeholder built-in port, the modem service with the adapter marked
    // to be left alone, braille rules that do not name the adapter, an FTDI
    // adapter already at 1 ms, programs with other files open.
    Sys.AddBuiltinPort("ttyS3", "0");
    Sys.AddProcess(812, "ModemManager", {"/dev/null", "socket:[1234]"});
    Sys.Write("/run/udev/data/c188:0", "I:123\nE:ID_MM_DEVICE_IGNORE=1\nG:uaccess\n");
    Sys.Write("/usr/lib/udev/rules.d/85-brltty.rules",
              "ENV{PRODUCT}==\"1c71/c005/*\", GOTO=\"brltty_usb_run\"\n");
    const std::string ftdi = Sys.AddUsbSerialPort("ttyUSB1", Ftdi, Ft232r, "ftdi_sio", 3);
    Sys.Write(ftdi + "/latency_timer", "1\n");
    Sys.Write("/run/udev/data/c188:1", "E:ID_MM_DEVICE_IGNORE=1\n");
    Sys.AddProcess(900, "bash", {"/dev/pts/0", "/dev/tty"});

    const std::vector<TFinding> findings =
        Run({Scanned("ttyUSB0", "Yes", RobotModuleType), Scanned("ttyUSB1", "Yes", 0, 2)});
    EXPECT_TRUE(findings.empty()) << findings.front().Text;
    EXPECT_FALSE(BlocksDownload(findings));
}

TEST_F(DiagnosisTest, RealBuiltInPortAndAcmPortCountAsPorts) {
    Pupil();
    Sys.AddBuiltinPort("ttyS0", "4");
    EXPECT_TRUE(Run().empty());
    Sys.AddUsbSerialPort("ttyACM0", 0x2341, 0x0043, "cdc_acm", 4);
    EXPECT_TRUE(Run().empty());
}

// ---- 1: no port, or an adapter without one ------------------------------

TEST_F(DiagnosisTest, NothingPluggedInBlocks) {
    Pupil();
    Sys.AddBuiltinPort("ttyS0", "0"); // a placeholder, not a port
    const std::vector<TFinding> findings = Run();
    ASSERT_EQ(findings.size(), 1u);
    EXPECT_EQ(findings[0].Kind, fkNoSerialPort);
    EXPECT_EQ(findings[0].Severity, fsBlocking);
    EXPECT_EQ(findings[0].Text, "No USB serial adapter is plugged in, and this computer has no "
                                "serial port of its own.  Plug the robot's cable into the "
                                "computer.");
    EXPECT_EQ(findings[0].Command, "");
    EXPECT_TRUE(BlocksDownload(findings));
}

TEST_F(DiagnosisTest, RunningBrailleDaemonIsNamedForAnAdapterWithoutPort) {
    Pupil();
    const std::string usb = Sys.AddUsbDevice(2, Wch, Ch340);
    Sys.AddInterface(usb, "usbfs");
    Sys.AddProcess(640, "brltty", {"/dev/bus/usb/001/003"});
    const std::vector<TFinding> findings = Run();
    ASSERT_EQ(findings.size(), 1u);
    EXPECT_EQ(findings[0].Kind, fkAdapterTakenByBraille);
    EXPECT_EQ(findings[0].Severity, fsBlocking);
    EXPECT_EQ(findings[0].Text,
              "The CH340 (1a86:7523) adapter is plugged in, but the braille display service "
              "(brltty) takes it away, so it gets no serial port.  If nobody uses a braille "
              "display on this computer, remove the service, then unplug the adapter and plug it "
              "in again.");
    EXPECT_EQ(findings[0].Command, "sudo apt remove brltty");
}

TEST_F(DiagnosisTest, BrailleRulesThatNameTheAdapterAreEnoughWithoutTheDaemon) {
    Pupil();
    Sys.AddUsbDevice(2, Wch, Ch340);
    Sys.Write("/usr/lib/udev/rules.d/85-brltty.rules",
              "# Device: 1A86:7523\n"
              "ENV{PRODUCT}==\"1a86/7523/*\", ENV{BRLTTY_BRAILLE_DRIVER}=\"bm\", "
              "GOTO=\"brltty_usb_run\"\n");
    EXPECT_EQ(Kinds(Run()), std::vector{fkAdapterTakenByBraille});

    // Older rules name the ids as attributes, in capitals.
    Sys.Write("/usr/lib/udev/rules.d/85-brltty.rules",
              "SUBSYSTEMS==\"usb\", ATTRS{idVendor}==\"1A86\", ATTRS{idProduct}==\"7523\", "
              "RUN+=\"brltty\"\n");
    EXPECT_EQ(Kinds(Run()), std::vector{fkAdapterTakenByBraille});
}

TEST_F(DiagnosisTest, MaskedOrUnrelatedBrailleRulesLeaveTheMissingDriver) {
    Pupil();
    Sys.AddUsbDevice(2, Wch, Ch340);
    Sys.Write("/usr/lib/udev/rules.d/85-brltty.rules", "ENV{PRODUCT}==\"1a86/7523/*\"\n");
    Sys.RawLink("/etc/udev/rules.d/85-brltty.rules", "/dev/null");
    std::vector<TFinding> findings = Run();
    ASSERT_EQ(findings.size(), 1u);
    EXPECT_EQ(findings[0].Kind, fkAdapterDriverMissing);
    EXPECT_EQ(findings[0].Text,
              "The CH340 (1a86:7523) adapter is plugged in, but it gets no serial port: its "
              "driver (ch341) is not loaded.  Load the driver, then unplug the adapter and plug "
              "it in again.");
    EXPECT_EQ(findings[0].Command, "sudo modprobe ch341");

    // Rules for other devices only.
    Sys.Write("/run/udev/rules.d/90-brltty-device.rules", "ENV{PRODUCT}==\"0f4e/0100/*\"\n");
    findings = Run();
    ASSERT_EQ(findings.size(), 1u);
    EXPECT_EQ(findings[0].Kind, fkAdapterDriverMissing);
}

TEST_F(DiagnosisTest, AdapterTakenOverFromUserSpaceNamesTheProgramWhenVisible) {
    Pupil();
    const std::string usb = Sys.AddUsbDevice(5, 0x10c4, 0xea60);
    Sys.AddInterface(usb, "usbfs");
    std::vector<TFinding> findings = Run();
    ASSERT_EQ(findings.size(), 1u);
    EXPECT_EQ(findings[0].Kind, fkAdapterHeld);
    EXPECT_EQ(findings[0].Text,
              "The CP210x (10c4:ea60) adapter is plugged in, but another program has taken it "
              "over, so it gets no serial port.  Close programs that talk to USB devices, then "
              "unplug the adapter and plug it in again.");

    Sys.AddProcess(5123, "flashtool", {"/dev/bus/usb/001/006"});
    findings = Run();
    ASSERT_EQ(findings.size(), 1u);
    EXPECT_EQ(findings[0].Kind, fkAdapterHeldBy);
    EXPECT_EQ(findings[0].Text,
              "The CP210x (10c4:ea60) adapter is plugged in, but the program flashtool (process "
              "5123) has taken it over, so it gets no serial port.  Close that program, then "
              "unplug the adapter and plug it in again.");
    EXPECT_EQ(findings[0].Command, "");
}

TEST_F(DiagnosisTest, AdapterWithoutPortIsOnlyAWarningBesideAWorkingPort) {
    Pupil();
    Sys.AddUsbSerialPort("ttyUSB0", Wch, Ch340, "ch341", 2);
    Sys.AddUsbDevice(3, 0x067b, 0x2303);
    Sys.AddUsbDevice(4, 0x046d, 0xc52b); // a mouse receiver: no adapter
    const std::vector<TFinding> findings = Run();
    ASSERT_EQ(findings.size(), 1u);
    EXPECT_EQ(findings[0].Kind, fkAdapterDriverMissing);
    EXPECT_EQ(findings[0].Severity, fsWarning);
    EXPECT_EQ(findings[0].Command, "sudo modprobe pl2303");
}

// ---- 2: who may open the port -------------------------------------------

TEST_F(DiagnosisTest, UserOutsideThePortsGroupGetsTheCommandToJoinIt) {
    Pupil(false, false);
    Sys.AddUsbSerialPort("ttyUSB0", Wch, Ch340, "ch341", 2);
    const std::vector<TFinding> findings = Run();
    ASSERT_EQ(findings.size(), 1u);
    EXPECT_EQ(findings[0].Kind, fkNotInGroup);
    EXPECT_EQ(findings[0].Severity, fsBlocking);
    EXPECT_EQ(findings[0].Port, "ttyUSB0");
    EXPECT_EQ(findings[0].Text,
              "The user pupil may not open the port ttyUSB0: only members of the group dialout "
              "may, and pupil is not one of them.  Add pupil to the group, then log out and log "
              "in again.");
    EXPECT_EQ(findings[0].Command, "sudo usermod -aG dialout pupil");
}

TEST_F(DiagnosisTest, GroupJoinedAfterLoginAsksToLogOutAndIn) {
    Pupil(false, true);
    Sys.AddUsbSerialPort("ttyUSB0", Wch, Ch340, "ch341", 2);
    const std::vector<TFinding> findings = Run();
    ASSERT_EQ(findings.size(), 1u);
    EXPECT_EQ(findings[0].Kind, fkGroupNotInSession);
    EXPECT_EQ(findings[0].Text,
              "The user pupil is now a member of the group dialout, which may open the port "
              "ttyUSB0, but this session started before that.  Log out and log in again (or "
              "restart the computer).");
    EXPECT_EQ(findings[0].Command, "");
}

TEST_F(DiagnosisTest, PortOnlyItsOwnerMayOpenNamesTheOwner) {
    Pupil();
    Sys.AddUsbSerialPort("ttyUSB0", Wch, Ch340, "ch341", 2);
    Sys.Chmod("/dev/ttyUSB0", 0600);
    Sys.AddPasswd("keeper", Sys.FileUid(), 0);
    const std::vector<TFinding> findings = Run();
    ASSERT_EQ(findings.size(), 1u);
    EXPECT_EQ(findings[0].Kind, fkOwnerOnly);
    EXPECT_EQ(findings[0].Text,
              "The user pupil may not open the port ttyUSB0: only its owner (keeper) may.");
    EXPECT_EQ(findings[0].Command, "sudo chown pupil /dev/ttyUSB0");

    // The installed rule gives a known adapter to the person at the computer.
    Sys.Write("/usr/lib/udev/rules.d/70-wayline.rules", "SUBSYSTEM==\"tty\", TAG+=\"uaccess\"\n");
    EXPECT_EQ(Run()[0].Command, "sudo udevadm trigger --action=change /dev/ttyUSB0");
}

// A group that may only write (a terminal's tty group) is never the advice.
TEST_F(DiagnosisTest, AGroupThatMayOnlyWriteIsNotAdvised) {
    Pupil(false, false);
    Sys.AddBuiltinPort("ttyS0", "4");
    Sys.Chmod("/dev/ttyS0", 0620);
    Sys.AddPasswd("keeper", Sys.FileUid(), 0);
    const std::vector<TFinding> findings = Run();
    ASSERT_EQ(Kinds(findings), std::vector{fkOwnerOnly});
    EXPECT_EQ(findings[0].Text,
              "The user pupil may not open the port ttyS0: only its owner (keeper) may.");
}

TEST_F(DiagnosisTest, UnknownUserNameLeavesTheNameToTheShell) {
    Sys.AddUsbSerialPort("ttyUSB0", Wch, Ch340, "ch341", 2);
    Sys.AddGroup("dialout", DialoutGid, "");
    Sys.SetUser(PupilUid(), PupilGid, {PupilGid}, "");
    const std::vector<TFinding> findings = Run();
    ASSERT_EQ(findings.size(), 1u);
    EXPECT_EQ(findings[0].Command, "sudo usermod -aG dialout $USER");
    EXPECT_NE(findings[0].Text.find("The user " + std::to_string(PupilUid()) + " may not"),
              std::string::npos);
}

TEST_F(DiagnosisTest, AccessAclOfTheDesktopSessionLetsTheUserIn) {
    Pupil(false, false);
    Sys.AddUsbSerialPort("ttyUSB0", Wch, Ch340, "ch341", 2);
    ASSERT_EQ(Kinds(Run()), std::vector{fkNotInGroup});

    // user::rw- user:pupil:rw- group::rw- mask::rw- other::---
    std::string acl = {2, 0, 0, 0};
    const auto entry = [&acl](std::uint16_t tag, std::uint16_t perm, std::uint32_t id) {
        char bytes[8];
        std::memcpy(bytes, &tag, 2);
        std::memcpy(bytes + 2, &perm, 2);
        std::memcpy(bytes + 4, &id, 4);
        acl.append(bytes, 8);
    };
    entry(0x01, 6, 0xffffffff);
    entry(0x02, 6, PupilUid());
    entry(0x04, 6, 0xffffffff);
    entry(0x10, 6, 0xffffffff);
    entry(0x20, 0, 0xffffffff);
    const std::string path = Sys.Map("/dev/ttyUSB0").string();
    if (::setxattr(path.c_str(), "system.posix_acl_access", acl.data(), acl.size(), 0) != 0) {
        GTEST_SKIP() << "the temporary folder's file system keeps no ACLs";
    }
    EXPECT_TRUE(Run().empty());
}

TEST_F(DiagnosisTest, AdministratorMayOpenEveryPort) {
    Sys.AddUsbSerialPort("ttyUSB0", Wch, Ch340, "ch341", 2);
    Sys.Chmod("/dev/ttyUSB0", 0600);
    Sys.SetUser(0, 0, {}, "root");
    EXPECT_TRUE(Run().empty());
}

// ---- 3: another process holds the port ----------------------------------

TEST_F(DiagnosisTest, ProcessHoldingThePortIsNamed) {
    Pupil();
    Sys.AddUsbSerialPort("ttyUSB0", Wch, Ch340, "ch341", 2);
    Sys.AddProcess(321, "cutecom", {"/dev/pts/1", "/dev/ttyUSB0"});
    Sys.AddProcess(4000, "wayline", {"/dev/ttyUSB0"}); // the program itself
    const std::vector<TFinding> findings = Run();
    ASSERT_EQ(findings.size(), 1u);
    EXPECT_EQ(findings[0].Kind, fkPortHeld);
    EXPECT_EQ(findings[0].Severity, fsBlocking);
    EXPECT_EQ(findings[0].Text, "The port ttyUSB0 is held by another program: cutecom (process "
                                "321).  Close it, then try again.");
    EXPECT_EQ(findings[0].Command, "");
}

TEST_F(DiagnosisTest, ModemManagerHoldingThePortCanBeStopped) {
    Pupil();
    Sys.AddUsbSerialPort("ttyACM0", 0x2341, 0x0043, "cdc_acm", 2);
    Sys.AddProcess(700, "ModemManager", {"/dev/ttyACM0"});
    const std::vector<TFinding> findings = Run();
    ASSERT_EQ(Kinds(findings), (std::vector{fkPortHeld, fkModemManager}));
    EXPECT_EQ(findings[0].Command, "sudo systemctl stop ModemManager");
}

TEST_F(DiagnosisTest, SecondWaylineIsFoundThroughItsLockFile) {
    Pupil();
    Sys.AddUsbSerialPort("ttyUSB0", Wch, Ch340, "ch341", 2);
    Sys.AddProcess(5555, "wayline"); // its fd folder tells nothing
    Sys.Write("/run/lock/LCK..ttyUSB0", "5555\nwayline\nclassroom-pc\n");
    Sys.Write("/run/lock/LCK..ttyUSB9", "5555\n");
    const std::vector<TFinding> findings = Run();
    ASSERT_EQ(findings.size(), 1u);
    EXPECT_EQ(findings[0].Text, "The port ttyUSB0 is held by another program: wayline (process "
                                "5555).  Close it, then try again.");

    // A lock left behind by a program that has ended names nobody: the
    // download takes it over.
    Sys.Write("/run/lock/LCK..ttyUSB0", "      6666\n");
    Sys.Chmod("/run/lock", 0777);
    EXPECT_EQ(Kinds(Run()), std::vector{fkStaleLockRemovable});
    EXPECT_EQ(Run()[0].Severity, fsInformation);
}

// Another user's lock left in the sticky lock folder keeps everybody else
// out: the file is named, with the one command that clears it.
TEST_F(DiagnosisTest, AnotherUsersStaleLockNamesTheFileAndTheCommand) {
    Pupil();
    Sys.AddBuiltinPort("ttyS0", "4");
    Sys.AddPasswd("keeper", Sys.FileUid(), 0);
    Sys.Write("/run/lock/LCK..ttyS0", "    999999\n");
    Sys.Chmod("/run/lock", 01777);
    const std::vector<TFinding> findings = Run();
    ASSERT_EQ(findings.size(), 1u);
    EXPECT_EQ(findings[0].Kind, fkStaleLock);
    EXPECT_EQ(findings[0].Severity, fsBlocking);
    EXPECT_EQ(findings[0].Port, "ttyS0");
    EXPECT_EQ(findings[0].Text,
              "The port ttyS0 is locked by the file /run/lock/LCK..ttyS0, which a program "
              "(process 999999) left behind when it ended.  Only keeper may remove that file: "
              "remove it, then try again.");
    EXPECT_EQ(findings[0].Command, "sudo rm /run/lock/LCK..ttyS0");

    // Two such files for one port are one finding with one command.
    Sys.Write("/var/lock/LCK..ttyS0", "    999999\n");
    Sys.Chmod("/var/lock", 01777);
    const std::vector<TFinding> both = Run();
    ASSERT_EQ(both.size(), 1u);
    EXPECT_NE(both[0].Text.find("by the file /run/lock/LCK..ttyS0 and /var/lock/LCK..ttyS0,"),
              std::string::npos)
        << both[0].Text;
    EXPECT_EQ(both[0].Command, "sudo rm /run/lock/LCK..ttyS0 /var/lock/LCK..ttyS0");
}

TEST_F(DiagnosisTest, PortInUseByAnUnseenProgramComesFromTheScan) {
    Pupil();
    Sys.AddUsbSerialPort("ttyUSB0", Wch, Ch340, "ch341", 2);
    const std::vector<TFinding> findings = Run({Scanned("ttyUSB0", "", 0, 5)});
    ASSERT_EQ(findings.size(), 1u);
    EXPECT_EQ(findings[0].Kind, fkPortInUse);
    EXPECT_EQ(findings[0].Text,
              "The port ttyUSB0 is in use by a program that Wayline cannot see, perhaps one of "
              "another user.  Close serial monitors and other robot programs, then try again.");
}

// ---- 4: ModemManager ----------------------------------------------------

TEST_F(DiagnosisTest, ModemManagerWithoutTheIgnoreMarkWarns) {
    Pupil();
    Sys.AddUsbSerialPort("ttyUSB0", Wch, Ch340, "ch341", 2);
    Sys.AddBuiltinPort("ttyS0", "4");
    Sys.AddProcess(812, "ModemManager");
    Sys.Write("/run/udev/data/c188:0", "E:ID_VENDOR_ID=1a86\nE:ID_MM_CANDIDATE=1\n");
    const std::vector<TFinding> findings = Run();
    ASSERT_EQ(findings.size(), 1u); // the built-in port is left alone
    EXPECT_EQ(findings[0].Kind, fkModemManager);
    EXPECT_EQ(findings[0].Severity, fsWarning);
    EXPECT_EQ(findings[0].Port, "ttyUSB0");
    EXPECT_EQ(findings[0].Text,
              "The modem service (ModemManager) is running and may send modem commands to the "
              "port ttyUSB0 in the middle of a download.  If this computer uses no mobile "
              "broadband modem, switch the service off.");
    EXPECT_EQ(findings[0].Command, "sudo systemctl disable --now ModemManager");
    EXPECT_FALSE(BlocksDownload(findings));
}

// ---- 5: FTDI latency ----------------------------------------------------

TEST_F(DiagnosisTest, FtdiLatencyAboveOneMillisecondIsANoteWithTheFix) {
    Pupil();
    const std::string device = Sys.AddUsbSerialPort("ttyUSB0", Ftdi, Ft232r, "ftdi_sio", 2);
    Sys.Write(device + "/latency_timer", "16\n");
    const std::vector<TFinding> findings = Run();
    ASSERT_EQ(findings.size(), 1u);
    EXPECT_EQ(findings[0].Kind, fkFtdiLatency);
    EXPECT_EQ(findings[0].Severity, fsInformation);
    EXPECT_EQ(findings[0].Text, "The FTDI adapter of the port ttyUSB0 holds the robot's replies "
                                "back for 16 ms.  With 1 ms downloads are quicker and surer.");
    EXPECT_EQ(findings[0].Command,
              "echo 1 | sudo tee /sys/bus/usb-serial/devices/ttyUSB0/latency_timer");
    EXPECT_FALSE(BlocksDownload(findings));
}

// ---- 6: the last scan ---------------------------------------------------

TEST_F(DiagnosisTest, ScanWithAnEchoButNoModuleAsksForPowerAndBattery) {
    Pupil();
    Sys.AddUsbSerialPort("ttyUSB0", Wch, Ch340, "ch341", 2);
    const std::vector<TFinding> findings = Run({Scanned("ttyUSB0", "Yes")});
    ASSERT_EQ(findings.size(), 1u);
    EXPECT_EQ(findings[0].Kind, fkNoModuleAnswers);
    EXPECT_EQ(findings[0].Severity, fsBlocking);
    EXPECT_EQ(findings[0].Text, "The cable on the port ttyUSB0 is there, but the robot does not "
                                "answer: is its power on and its battery charged?");
}

TEST_F(DiagnosisTest, ScanWithoutEchoSaysTheCableIsNotOnTheRobot) {
    Pupil();
    Sys.AddUsbSerialPort("ttyUSB0", Wch, Ch340, "ch341", 2);
    const std::vector<TFinding> findings = Run({Scanned("ttyUSB0", "No")});
    ASSERT_EQ(findings.size(), 1u);
    EXPECT_EQ(findings[0].Kind, fkNoEcho);
    EXPECT_EQ(findings[0].Text,
              "Nothing comes back on the port ttyUSB0: the cable is not plugged into the robot.");
}

// Only the computer's own ports, and nothing comes back on them: no cable
// is plugged in anywhere. With an adapter beside them, a silent built-in
// port says nothing by itself.
TEST_F(DiagnosisTest, NoAdapterAndSilentBuiltInPortsAskForTheCable) {
    Pupil();
    Sys.AddBuiltinPort("ttyS0", "4");
    Sys.AddBuiltinPort("ttyS1", "4");
    const std::vector<TScannedPort> scan = {Scanned("ttyS0", "No"), Scanned("ttyS1", "No")};
    std::vector<TFinding> findings = Run(scan);
    ASSERT_EQ(findings.size(), 1u);
    EXPECT_EQ(findings[0].Kind, fkNoUsbAdapter);
    EXPECT_EQ(findings[0].Severity, fsBlocking);
    EXPECT_EQ(findings[0].Text,
              "No USB serial adapter is plugged in, and nothing comes back on this computer's "
              "own serial port ttyS0, ttyS1.  Plug the robot's cable into the computer.");
    EXPECT_EQ(findings[0].Command, "");
    EXPECT_TRUE(Run().empty()); // without a scan nothing is known

    Sys.AddUsbSerialPort("ttyUSB0", Wch, Ch340, "ch341", 2);
    findings = Run({Scanned("ttyS0", "No"), Scanned("ttyS1", "No"), Scanned("ttyUSB0", "No")});
    EXPECT_EQ(Kinds(findings), std::vector{fkNoEcho});
    EXPECT_EQ(findings[0].Port, "ttyUSB0");
}

// A program that reads the port takes the replies: the scan heard nothing,
// and the program is the finding, not the cable.
TEST_F(DiagnosisTest, ASilentPortHeldByAProgramIsThatProgramsFinding) {
    Pupil();
    Sys.AddUsbSerialPort("ttyUSB0", Wch, Ch340, "ch341", 2);
    Sys.AddProcess(321, "cutecom", {"/dev/ttyUSB0"});
    EXPECT_EQ(Kinds(Run({Scanned("ttyUSB0", "No")})), std::vector{fkPortHeld});
}

TEST_F(DiagnosisTest, ScanFindingsAreNotesWhenTheRobotWasFoundElsewhere) {
    Pupil();
    Sys.AddUsbSerialPort("ttyUSB0", Wch, Ch340, "ch341", 2);
    Sys.AddUsbSerialPort("ttyUSB1", Wch, Ch340, "ch341", 3);
    TIdentifyTexts german;
    german.Yes = "Ja";
    german.No = "Nein";
    const std::vector<TScannedPort> scan = {
        Scanned("ttyUSB0", "Nein"), Scanned("ttyUSB1", "Ja", RobotModuleType),
        Scanned("ttyS0", "", 0, 2), // could not be opened: no echo finding
        Scanned("ttyS1", "")};      // "ignoring": not looked at
    const std::vector<TFinding> findings =
        Diagnose(TSystemRoot(Sys.Root()), std::nullopt, scan, {}, german);
    ASSERT_EQ(findings.size(), 1u);
    EXPECT_EQ(findings[0].Kind, fkNoEcho);
    EXPECT_EQ(findings[0].Severity, fsInformation);
}

// ---- all together -------------------------------------------------------

TEST_F(DiagnosisTest, MostSeriousFindingsComeFirst) {
    Pupil();
    const std::string device = Sys.AddUsbSerialPort("ttyUSB0", Ftdi, Ft232r, "ftdi_sio", 2);
    Sys.Write(device + "/latency_timer", "16\n");
    Sys.AddProcess(812, "ModemManager");
    Sys.AddProcess(321, "minicom", {"/dev/ttyUSB0"});
    EXPECT_EQ(Kinds(Run()), (std::vector{fkPortHeld, fkModemManager, fkFtdiLatency}));
}

TEST_F(DiagnosisTest, ScannedNamesThatAreNoDeviceNamesAreNotLookedUp) {
    Pupil();
    Sys.AddUsbSerialPort("ttyUSB0", Wch, Ch340, "ch341", 2);
    Sys.Write("/etc/secret", "");
    Sys.Chmod("/etc/secret", 0600);
    const std::vector<TFinding> findings =
        Run({Scanned("../etc/secret", "", 0, 5), Scanned("Virtual robot", "Yes", 2)});
    EXPECT_TRUE(findings.empty());
}

TEST_F(DiagnosisTest, DamagedSystemFilesGiveNoFindingInsteadOfACrash) {
    Pupil();
    Sys.AddUsbSerialPort("ttyUSB0", Wch, Ch340, "ch341", 2);
    const std::string garbage("\xff\x00:x:\n::::\n\x01\x02", 14);
    Sys.Write("/sys/bus/usb/devices/1-2/idVendor", garbage);
    Sys.Write("/proc/4000/status", garbage);
    Sys.Write("/etc/group", garbage);
    Sys.Write("/run/udev/data/c188:0", garbage);
    Sys.RawLink("/sys/class/tty/loop", "loop"); // a link to itself
    Sys.RawLink("/sys/bus/usb/devices/2-1", "/nowhere");
    Sys.AddProcess(77, "ModemManager");
    Sys.Write("/sys/bus/usb-serial/devices/ttyUSB0/latency_timer", "sixteen\n");
    const std::vector<TFinding> findings = Run();
    // Without a readable identity no access is checked; the modem service
    // still sees an unmarked port.
    EXPECT_EQ(Kinds(findings), std::vector{fkModemManager});
}

TEST_F(DiagnosisTest, MissingRootFindsNoPort) {
    Pupil();
    const std::vector<TFinding> findings =
        DiagnoseSystem(TSystemRoot(Sys.Root() / "does-not-exist"));
    EXPECT_EQ(Kinds(findings), std::vector{fkNoSerialPort});
}

} // namespace
} // namespace wayline
