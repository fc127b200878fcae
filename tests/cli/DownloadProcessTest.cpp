// wayline-cli itself, run as a program, downloads to a simulated module
// that a bridge in this test serves on a pseudo-terminal: the whole path
// through the operating system's serial stack.
#include "codegen/core/BuildCode.h"
#include "codegen/core/CompileStep.h"
#include "sim/core/PtyBridge.h"
#include "tokenizer/Tokenizer.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace wayline {
namespace {

namespace fs = std::filesystem;

struct TRun {
    int Status = -1;
    std::string Out;
    std::string Err;
};

// Runs wayline-cli with the arguments and collects what it prints; a run
// that takes longer than a minute is killed and fails the test.
TRun RunCli(const std::vector<std::string>& arguments) {
    TRun run;
    int out[2];
    int err[2];
    if (::pipe2(out, O_CLOEXEC) != 0 || ::pipe2(err, O_CLOEXEC) != 0) {
        ADD_FAILURE() << "no pipes";
        return run;
    }
    posix_spawn_file_actions_t actions;
    ::posix_spawn_file_actions_init(&actions);
    ::posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    ::posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    ::posix_spawn_file_actions_adddup2(&actions, err[1], 2);
    std::vector<std::string> all = {WAYLINE_CLI};
    all.insert(all.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& a : all) {
        argv.push_back(a.data());
    }
    argv.push_back(nullptr);
    pid_t pid = 0;
    const int spawned = ::posix_spawn(&pid, WAYLINE_CLI, &actions, nullptr, argv.data(), environ);
    ::posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);
    ::close(err[1]);
    if (spawned != 0) {
        ADD_FAILURE() << "cannot start " << WAYLINE_CLI;
        ::close(out[0]);
        ::close(err[0]);
        return run;
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(1);
    pollfd fds[2] = {{out[0], POLLIN, 0}, {err[0], POLLIN, 0}};
    std::string* sinks[2] = {&run.Out, &run.Err};
    int open = 2;
    while (open > 0) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0 || ::poll(fds, 2, static_cast<int>(left.count())) <= 0) {
            ADD_FAILURE() << "wayline-cli did not finish";
            ::kill(pid, SIGKILL);
            break;
        }
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd >= 0 && (fds[i].revents & (POLLIN | POLLHUP)) != 0) {
                char buffer[4096];
                const ssize_t n = ::read(fds[i].fd, buffer, sizeof buffer);
                if (n > 0) {
                    sinks[i]->append(buffer, static_cast<std::size_t>(n));
                } else {
                    ::close(fds[i].fd);
                    fds[i].fd = -1;
                    --open;
                }
            }
        }
    }
    for (const pollfd& fd : fds) {
        if (fd.fd >= 0) {
            ::close(fd.fd);
        }
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    run.Status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

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
    EXPECT_EQ(missing.Err, "No robot found.\n");
}

} // namespace
} // namespace wayline
