// wayline-cli itself, run as a program, downloads to a simulated module
// that a bridge in this test serves on a pseudo-terminal: the whole path
// through the operating system's serial stack.
#include "cli/CliProcess.h"
#include "codegen/core/BuildCode.h"
#include "codegen/core/CompileStep.h"
#include "comm/core/PortLock.h"
#include "sim/core/PtyBridge.h"
#include "tokenizer/Tokenizer.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <csignal>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace wayline {
namespace {

namespace fs = std::filesystem;

std::vector<std::uint8_t> CompiledPackets(const TCodeLines& lines) {
    auto tokenizer = std::make_unique<TTokenizer>();
    TDownloadImages images;
    EXPECT_TRUE(CompileForDownload(*tokenizer, lines, images));
    const auto* bytes = &tokenizer->Result.PacketBuffer[0][0];
    return {bytes, bytes + images.ImagePacketCounts[0] * PacketSize};
}

class DownloadProcessTest : public ::testing::Test {
protected:
    void SetUp() override {
        Dir = fs::temp_directory_path() /
              ("wayline-cli-pty-" + std::to_string(::getpid()) + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(Dir);
    }
    void TearDown() override { fs::remove_all(Dir); }

    void Serve() {
        std::string error;
        ASSERT_TRUE(Bridge.Start(error)) << error;
    }

    // The packets the module took, once the transfer's closing 0 reached it.
    std::vector<std::uint8_t> Received() {
        EXPECT_TRUE(Bridge.WaitUntil(
            [](sim::TSimulatedModule& m) { return m.Firmware().TransferCount() == 1; },
            std::chrono::seconds(5)));
        Bridge.Stop();
        std::vector<std::uint8_t> bytes;
        for (const sim::TReceivedPacket& p : Module->Firmware().Packets()) {
            EXPECT_EQ(p.Status, 0);
            bytes.insert(bytes.end(), p.Bytes.begin(), p.Bytes.end());
        }
        return bytes;
    }

    fs::path Dir;
    std::shared_ptr<sim::TSimulatedModule> Module = std::make_shared<sim::TSimulatedModule>();
    sim::TPtyBridge Bridge{Module};
};

TEST_F(DownloadProcessTest, TheRobotProgramReachesTheModuleThroughAPseudoTerminal) {
    Serve();
    const char* source = std::getenv("WAYLINE_SOURCE_DIR");
    ASSERT_NE(source, nullptr);
    const fs::path file = fs::path(source) / "resources/programs/robot.bas";
    std::ifstream in(file, std::ios::binary);
    const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    const std::vector<std::uint8_t> packets = CompiledPackets(LoadTemplateLines(text));

    const TRun run = RunCli({"download", "--port", Bridge.PortPath(), file.string()});
    EXPECT_EQ(run.Status, 0) << run.Err;
    EXPECT_EQ(run.Err, "");
    const std::string port = Bridge.PortPath();
    EXPECT_EQ(run.Out, port + ":  Robot  version v1.0  loopback No  echo Yes\nDownloaded " +
                           std::to_string(packets.size() / 18) + " packets to " + port + ".\n");
    EXPECT_EQ(Received(), packets);
}

TEST_F(DownloadProcessTest, AFailureEndsWithTheMessageAndStatusOne) {
    Module->Faults().StatusTwoAtPacket = 0;
    Serve();
    const fs::path file = Dir / "tiny.hbs";
    std::ofstream(file, std::ios::binary) << "'{$KEYSTONE KM2}\r\nEND\r\n";
    const TRun run = RunCli({"download", "--port", Bridge.PortPath(), file.string()});
    EXPECT_EQ(run.Status, 1);
    EXPECT_EQ(run.Err, "EEPROM Verify Failure!\n");

    const TRun missing = RunCli({"download", "--port", "/dev/ttyWaylineMissing0", file.string()});
    EXPECT_EQ(missing.Status, 1);
    EXPECT_EQ(missing.Out, "/dev/ttyWaylineMissing0:  invalid port\n");
    EXPECT_EQ(missing.Err, "No robot found.\nRun 'wayline-cli doctor' to find out why.\n");
}

// Ctrl+C in the middle of a download: the module gets the closing byte of
// the transfer, the port's lock file goes, the user is told, and the
// program ends as the signal asks (128 + 2). The port's row had reached the
// pipe before the end.
TEST_F(DownloadProcessTest, CtrlCInTheMiddleEndsTheTransferAndRemovesTheLock) {
    Serve();
    const char* source = std::getenv("WAYLINE_SOURCE_DIR");
    ASSERT_NE(source, nullptr);
    const fs::path file = fs::path(source) / "resources/programs/robot.bas";
    std::ifstream in(file, std::ios::binary);
    const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    const std::size_t total = CompiledPackets(LoadTemplateLines(text)).size() / 18;
    ASSERT_GT(total, 4u);

    struct stat device {};
    ASSERT_EQ(::stat(Bridge.PortPath().c_str(), &device), 0);
    const std::string lockName =
        IdentityLockFileName(::major(device.st_rdev), ::minor(device.st_rdev));
    const auto locked = [&lockName] {
        for (const std::string& folder : DefaultLockFolders()) {
            if (fs::exists(fs::path(folder) / lockName)) {
                return true;
            }
        }
        return false;
    };

    bool lockedDuring = false;
    std::string printedBefore;
    const TRun run = RunCli({"download", "--port", Bridge.PortPath(), file.string()},
                            [&](const TRunning& running) {
                                EXPECT_TRUE(Bridge.WaitUntil(
                                    [](sim::TSimulatedModule& m) {
                                        return m.Firmware().Packets().size() >= 2;
                                    },
                                    std::chrono::seconds(10)));
                                lockedDuring = locked();
                                printedBefore = running.OutSoFar();
                                ::kill(running.Pid, SIGINT);
                            });
    EXPECT_EQ(run.Status, 128 + SIGINT) << run.Err;
    EXPECT_EQ(run.Err, "Download interrupted.\n");
    EXPECT_EQ(printedBefore, Bridge.PortPath() + ":  Robot  version v1.0  loopback No  echo Yes\n");
    EXPECT_EQ(run.Out.find("Downloaded"), std::string::npos);
    EXPECT_TRUE(Bridge.WaitUntil(
        [](sim::TSimulatedModule& m) { return m.Firmware().TransferCount() == 1; },
        std::chrono::seconds(5)))
        << "no closing byte";
    Bridge.Stop();
    EXPECT_LT(Module->Firmware().Packets().size(), total);
    EXPECT_TRUE(lockedDuring);
    EXPECT_FALSE(locked());
}

} // namespace
} // namespace wayline
