#include "cli/DownloadCommand.h"

#include "cli/GenerateCommand.h"
#include "cli/TokenizeCommand.h"
#include "codegen/core/ActionListFile.h"
#include "codegen/core/BuildCode.h"
#include "codegen/core/CompileStep.h"
#include "comm/core/Serial.h"
#include "comm/core/SimulatedPorts.h"
#include "tokenizer/Tokenizer.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <functional>
#include <fstream>
#include <sstream>

namespace wayline {
namespace {

namespace fs = std::filesystem;

const std::string Program = "'{$KEYSTONE KM2}\r\n'{$HBASIC 2.5}\r\n"
                            "Speed DATA 1, 2, 3\r\nHIGH 5\r\nPAUSE 100\r\nEND\r\n";
const std::string NoRobotFound = "No robot found.\nRun 'wayline-cli doctor' to find out why.\n";
const std::string CommunicationFailure =
    "Hardware communication failure!  Check serial cable and power supply.\n";

class DownloadCommandTest : public ::testing::Test {
protected:
    fs::path Dir;
    TSimulatedPorts Ports;
    TSerialSlots Slots{Ports.Factory()};
    std::vector<std::string> HostPorts = {"ttyS0", "ttyUSB0"};
    int PortListings = 0;
    std::unique_ptr<TTokenizer> Tok = std::make_unique<TTokenizer>();
    std::string Out, Err;
    std::istringstream Answers;
    bool Terminal = false;
    bool Answering = false;
    // The diagnosis's lines after no robot was reached, and the signal
    // that asks the download to stop (0: none yet).
    std::function<std::vector<std::string>(const std::vector<TScannedPort>&)> Advice;
    std::function<int()> Signal;
    bool Explaining = false; // the scan explains a port the user may not open

    void SetUp() override {
        Dir = fs::temp_directory_path() /
              ("wayline-download-" + std::to_string(::getpid()) + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(Dir);
        Ports.AddSilent("ttyS0");
    }
    void TearDown() override { fs::remove_all(Dir); }

    std::string WriteFile(const std::string& name, const std::string& bytes) {
        const fs::path path = Dir / name;
        std::ofstream(path, std::ios::binary) << bytes;
        return path.string();
    }

    int Run(const std::vector<std::string>& arguments) {
        TDownloadEnvironment env;
        env.Slots = &Slots;
        env.PortNames = [this] {
            ++PortListings;
            return HostPorts;
        };
        env.StartThread = StdThreadStarter();
        env.Terminal = Terminal;
        env.Answers = Answering ? &Answers : nullptr;
        if (Explaining) {
            env.MakeIdentifyWork = [this](int type, const TIdentifyTexts& texts) {
                return [this, type, &texts](const std::string& port) {
                    TIdentifyResult r = IdentifyPort(Slots, port, type, texts);
                    if (r.OpenError == OpenErrorPermission) {
                        r.DeviceText = "no access; join group robots";
                    }
                    return r;
                };
            };
        }
        env.Advice = Advice;
        env.InterruptSignal = Signal;
        std::ostringstream out, err;
        const int status =
            RunDownloadCommand(arguments, out, err, *Tok, RobotProgramTemplateText(), env);
        Out = out.str();
        Err = err.str();
        for (int slot = FirstSlot; slot <= LastSlot; ++slot) {
            EXPECT_TRUE(Slots.IsFree(slot)) << "slot " << slot << " left open";
        }
        return status;
    }

    // The packets the tokenizer makes of the text, as the download sends them.
    static std::vector<std::uint8_t> CompiledPackets(const std::string& text) {
        auto tokenizer = std::make_unique<TTokenizer>();
        TDownloadImages images;
        EXPECT_TRUE(CompileForDownload(*tokenizer, LoadTemplateLines(text), images));
        const auto* bytes = &tokenizer->Result.PacketBuffer[0][0];
        return {bytes, bytes + images.ImagePacketCounts[0] * PacketSize};
    }

    static std::vector<std::uint8_t> Accepted(sim::TSimulatedModule& module) {
        std::vector<std::uint8_t> bytes;
        for (const sim::TReceivedPacket& p : module.Firmware().Packets()) {
            if (p.Status == 0) {
                bytes.insert(bytes.end(), p.Bytes.begin(), p.Bytes.end());
            }
        }
        return bytes;
    }
};

TEST_F(DownloadCommandTest, AnHbasicProgramGoesToTheOneRobotOnTheHostsPorts) {
    auto& robot = *Ports.Add("ttyUSB0");
    const std::string file = WriteFile("blink.hbs", Program);
    EXPECT_EQ(Run({file}), ExitSucceeded);
    EXPECT_EQ(Err, "");
    const std::vector<std::uint8_t> packets = CompiledPackets(Program);
    EXPECT_EQ(Accepted(robot), packets);
    EXPECT_EQ(Out, "ttyS0:    -  version -  loopback No  echo No\n"
                   "ttyUSB0:  Robot  version v1.0  loopback Yes  echo Yes\n"
                   "Downloaded " +
                       std::to_string(packets.size() / 18) + " packets to ttyUSB0.\n");
    EXPECT_EQ(PortListings, 1);
}

TEST_F(DownloadCommandTest, AnActionListIsDownloadedAsGoCompilesIt) {
    auto state = std::make_unique<TDocumentState>();
    InitialiseDocument(*state);
    state->Step(MainList, 1) = TActionStep{akMoveForward, 20, 0, 0, 0};
    state->Step(MainList, 2) = TActionStep{akTurnLeft, 5, 0, 0, 0};
    state->SetStepCount(MainList, 2);
    const fs::path file = Dir / "list.wyl";
    ASSERT_TRUE(SaveActionListFile(file, *state).Saved);
    auto& robot = *Ports.Add("ttyUSB0");

    EXPECT_EQ(Run({"--sensors", file.string()}), ExitSucceeded) << Err;
    const TBuildCodeResult built = BuildCode(RobotProgramTemplateText(), *state, true);
    ASSERT_TRUE(built.Succeeded);
    EXPECT_EQ(Accepted(robot), CompiledPackets(JoinCodeLines(built.Lines)));
    EXPECT_EQ(robot.Eeprom().Read(0), 1); // the beginner's sensors are on
}

TEST_F(DownloadCommandTest, APortOrPathIsTheOnlyOneExamined) {
    auto& robot = *Ports.Add("/dev/pts/7");
    const std::string file = WriteFile("blink.hbs", Program);
    EXPECT_EQ(Run({"--port", "/dev/pts/7", file}), ExitSucceeded) << Err;
    EXPECT_EQ(PortListings, 0);
    EXPECT_EQ(Out.substr(0, Out.find('\n')),
              "/dev/pts/7:  Robot  version v1.0  loopback Yes  echo Yes");
    EXPECT_FALSE(Accepted(robot).empty());
    EXPECT_EQ(Run({"--port", "auto", file}), ExitDownloadFailed); // AUTO in any case
    EXPECT_EQ(PortListings, 1);
}

TEST_F(DownloadCommandTest, EveryFailureEndsWithTheProgramsMessage) {
    const std::string file = WriteFile("blink.hbs", Program);
    EXPECT_EQ(Run({file}), ExitDownloadFailed);
    EXPECT_EQ(Err, NoRobotFound);

    sim::TModuleConfig newer;
    newer.VersionByte = 0x11;
    Ports.Add("ttyUSB0", newer);
    EXPECT_EQ(Run({file}), ExitDownloadFailed);
    EXPECT_EQ(Err, "Cannot download to this version of the device.\n");

    sim::TModuleFaults verify;
    verify.StatusTwoAtPacket = 0;
    Ports.Add("ttyUSB0", {}, verify);
    EXPECT_EQ(Run({file}), ExitDownloadFailed);
    EXPECT_EQ(Err, "EEPROM Verify Failure!\n");

    sim::TModuleFaults silence;
    silence.SilenceAtPacket = 0;
    Ports.Add("ttyUSB0", {}, silence);
    EXPECT_EQ(Run({file}), ExitDownloadFailed);
    EXPECT_EQ(Err, CommunicationFailure);

    sim::TModuleFaults unplugged;
    unplugged.DisconnectAtPacket = 0;
    Ports.Add("ttyUSB0", {}, unplugged);
    EXPECT_EQ(Run({file}), ExitDownloadFailed);
    EXPECT_EQ(Err, CommunicationFailure);
    EXPECT_EQ(Out.find("Downloaded"), std::string::npos);

    Ports.Add("ttyUSB0");
    Ports.Faults("ttyUSB0").OpensBeforeInUse = 1;
    EXPECT_EQ(Run({file}), ExitDownloadFailed);
    EXPECT_EQ(Err, "wayline-cli download: ttyUSB0: can't open port; in use\n");
}

// No robot: the command points to the doctor, the scan's explanation of
// each port is in its row, and the diagnosis of the ports the scan saw
// follows.
TEST_F(DownloadCommandTest, NoRobotFoundPointsToTheDoctorAndGivesTheDiagnosis) {
    Ports.Add("ttyUSB0");
    Ports.Faults("ttyUSB0").OpenError = OpenErrorPermission;
    Explaining = true;
    std::vector<TScannedPort> diagnosed;
    Advice = [&diagnosed](const std::vector<TScannedPort>& scan) {
        diagnosed = scan;
        return std::vector<std::string>{"ask for ttyUSB0", "    sudo something"};
    };
    EXPECT_EQ(Run({WriteFile("blink.hbs", Program)}), ExitDownloadFailed);
    EXPECT_EQ(Out, "ttyS0:    -  version -  loopback No  echo No\n"
                   "ttyUSB0:  no access; join group robots\n");
    EXPECT_EQ(Err, NoRobotFound + "ask for ttyUSB0\n    sudo something\n");
    ASSERT_EQ(diagnosed.size(), 2u);
    EXPECT_EQ(diagnosed[1].PortName, "ttyUSB0");
    EXPECT_EQ(diagnosed[1].Result.OpenError, OpenErrorPermission);

    // A robot that was found is no case for the diagnosis.
    diagnosed.clear();
    Ports.Add("ttyUSB0");
    EXPECT_EQ(Run({WriteFile("blink.hbs", Program)}), ExitSucceeded);
    EXPECT_TRUE(diagnosed.empty());
}

// A signal (Ctrl+C, a kill, a closed terminal) stops the transfer: the
// module still gets the closing byte, the port is closed (the fixture
// checks every slot), and the command ends with 128 + the signal.
TEST_F(DownloadCommandTest, ASignalEndsTheTransferWithItsClosingByte) {
    auto& robot = *Ports.Add("ttyUSB0");
    const std::string file = WriteFile("blink.hbs", Program);
    Signal = [&robot] { return robot.Firmware().Packets().empty() ? 0 : SIGTERM; };
    EXPECT_EQ(Run({file}), 128 + SIGTERM);
    EXPECT_EQ(Err, "Download interrupted.\n");
    EXPECT_EQ(Out.find("Downloaded"), std::string::npos);
    EXPECT_EQ(robot.Firmware().Packets().size(), 1u);
    EXPECT_LT(1u, CompiledPackets(Program).size() / 18);
    EXPECT_EQ(robot.Firmware().TransferCount(), 1);

    // Before anything was sent: nothing is, and no closing byte either.
    auto& untouched = *Ports.Add("ttyUSB0");
    Signal = [] { return SIGINT; };
    EXPECT_EQ(Run({file}), 128 + SIGINT);
    EXPECT_EQ(Err, "Download interrupted.\n");
    EXPECT_TRUE(untouched.Firmware().Packets().empty());
    EXPECT_EQ(untouched.Firmware().TransferCount(), 0);
}

TEST_F(DownloadCommandTest, AProgramThatDoesNotCompileIsNotDownloaded) {
    auto& robot = *Ports.Add("ttyUSB0");
    const std::string file = WriteFile("bad.hbs", "'{$KEYSTONE KM2}\r\nGOTO Nowhere\r\n");
    EXPECT_EQ(Run({file}), ExitDownloadFailed);
    EXPECT_EQ(Err, "Error! Tokenization Failed!\n" + file +
                       ":2:6: error: 111-Undefined label\nGOTO Nowhere\n     ^^^^^^^\n");
    EXPECT_EQ(Out, "");
    EXPECT_EQ(robot.Firmware().ResetCount(), 0);

    const std::string other = WriteFile("other.hbs", "'{$KEYSTONE KM2A}\r\nEND\r\n");
    EXPECT_EQ(Run({other}), ExitDownloadFailed);
    EXPECT_EQ(Err, other + ": the program is not for the Keystone 2 module ('{$KEYSTONE KM2}): "
                           "it cannot be downloaded to the robot\n");

    EXPECT_EQ(Run({(Dir / "missing.hbs").string()}), ExitDownloadFailed);
    EXPECT_EQ(Err, "wayline-cli download: cannot read '" + (Dir / "missing.hbs").string() + "'\n");
    const std::string shortList = WriteFile("short.wyl", "Wayline");
    EXPECT_EQ(Run({shortList}), ExitDownloadFailed);
    EXPECT_NE(Err.find("cannot read '" + shortList + "' as an action list"), std::string::npos);
    EXPECT_EQ(robot.Firmware().ResetCount(), 0);
}

TEST_F(DownloadCommandTest, SeveralRobotsAreChosenOnATerminalOrNamedWithPort) {
    auto& first = *Ports.Add("ttyUSB0");
    auto& second = *Ports.Add("ttyUSB1");
    HostPorts = {"ttyUSB0", "ttyS0", "ttyUSB1"};
    const std::string file = WriteFile("blink.hbs", Program);

    EXPECT_EQ(Run({file}), ExitDownloadFailed);
    EXPECT_EQ(Err, "There is more than one robot connected to your computer: ttyUSB0, ttyUSB1. "
                   "Choose one with --port.\n");

    Answering = true;
    Answers.str("none\n");
    EXPECT_EQ(Run({file}), ExitDownloadFailed);
    EXPECT_EQ(Err, "Nothing was downloaded.\n");
    EXPECT_TRUE(first.Firmware().Packets().empty());
    EXPECT_TRUE(second.Firmware().Packets().empty());

    Answers.clear();
    Answers.str("2\n");
    EXPECT_EQ(Run({file}), ExitSucceeded) << Err;
    EXPECT_NE(Out.find("  1) ttyUSB0\n  2) ttyUSB1\nDownload to which one (1-2)? "),
              std::string::npos);
    EXPECT_TRUE(first.Firmware().Packets().empty());
    EXPECT_FALSE(second.Firmware().Packets().empty());
}

TEST_F(DownloadCommandTest, ATerminalShowsAProgressBar) {
    Ports.Add("ttyUSB0");
    Terminal = true;
    const std::string file = WriteFile("blink.hbs", Program);
    ASSERT_EQ(Run({file}), ExitSucceeded) << Err;
    const std::size_t count = CompiledPackets(Program).size() / 18;
    const std::string last = "\rDownloading to ttyUSB0 [" + std::string(30, '#') + "] " +
                             std::to_string(count) + "/" + std::to_string(count) + "\n";
    EXPECT_NE(Out.find("\rDownloading to ttyUSB0 [" + std::string(30, ' ') + "] 0/"),
              std::string::npos);
    EXPECT_NE(Out.find(last + "Downloaded "), std::string::npos);
}

TEST_F(DownloadCommandTest, UsageErrorsExitWithTwo) {
    const std::string usage =
        "usage: wayline-cli download [--port NAME|PATH|AUTO] [--sensors] FILE.wyl|FILE.hbs\n";
    EXPECT_EQ(Run({}), ExitUsageError);
    EXPECT_EQ(Err, "wayline-cli download: no FILE given\n" + usage);
    EXPECT_EQ(Run({"a.hbs", "b.hbs"}), ExitUsageError);
    EXPECT_EQ(Run({"--port"}), ExitUsageError);
    EXPECT_EQ(Err,
              "wayline-cli download: --port needs a port name, a device path or AUTO\n" + usage);
    EXPECT_EQ(Run({"--fast", "a.hbs"}), ExitUsageError);
    EXPECT_EQ(Err, "wayline-cli download: unknown option '--fast'\n" + usage);
}

} // namespace
} // namespace wayline
