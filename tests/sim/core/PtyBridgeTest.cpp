#include "sim/core/PtyBridge.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace wayline::sim {
namespace {

using Clock = std::chrono::steady_clock;

// The host's side of the pseudo-terminal, opened raw as a serial port is.
class THostEnd {
public:
    explicit THostEnd(const std::string& path) : Fd(::open(path.c_str(), O_RDWR | O_NOCTTY)) {
        termios modes{};
        if (Fd >= 0 && ::tcgetattr(Fd, &modes) == 0) {
            ::cfmakeraw(&modes);
            ::tcsetattr(Fd, TCSANOW, &modes);
        }
    }
    ~THostEnd() {
        if (Fd >= 0) {
            ::close(Fd);
        }
    }
    bool Opened() const { return Fd >= 0; }

    void Write(const std::vector<std::uint8_t>& bytes) {
        ASSERT_EQ(::write(Fd, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    }
    // Reads until `count` bytes came or `timeoutMs` passed without one.
    std::vector<std::uint8_t> Read(std::size_t count, int timeoutMs = 2000) {
        std::vector<std::uint8_t> bytes;
        while (bytes.size() < count) {
            pollfd fd{Fd, POLLIN, 0};
            if (::poll(&fd, 1, timeoutMs) <= 0 || (fd.revents & POLLIN) == 0) {
                break;
            }
            std::uint8_t buffer[64];
            const ssize_t n = ::read(Fd, buffer, std::min(sizeof buffer, count - bytes.size()));
            if (n <= 0) {
                break;
            }
            bytes.insert(bytes.end(), buffer, buffer + n);
        }
        return bytes;
    }

private:
    int Fd;
};

class PtyBridgeTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string error;
        ASSERT_TRUE(Bridge.Start(error)) << error;
        ASSERT_EQ(Bridge.PortPath().rfind("/dev/pts/", 0), 0u) << Bridge.PortPath();
    }
    std::shared_ptr<TSimulatedModule> Module = std::make_shared<TSimulatedModule>();
    TPtyBridge Bridge{Module};
};

TEST_F(PtyBridgeTest, AKAfterSilenceResetsTheModuleIntoTheHandshake) {
    THostEnd host(Bridge.PortPath());
    ASSERT_TRUE(host.Opened());
    const std::vector<std::uint8_t> expected[] = {
        {'K', 0xB5}, {'M', 0xB3}, {'2', 0xCE}, {0x00, 0x10}};
    const std::uint8_t sent[] = {'K', 'M', '2', 0};
    for (int i = 0; i < 4; ++i) {
        host.Write({sent[i]});
        EXPECT_EQ(host.Read(2), expected[i]) << i;
    }
    EXPECT_EQ(Bridge.ResetsSeen(), 1);
    // A K right after other traffic is only a byte: the module, now taking
    // packets, ignores it and only the echo comes back.
    host.Write({'K'});
    EXPECT_EQ(host.Read(1), std::vector<std::uint8_t>{'K'});
    EXPECT_EQ(Bridge.ResetsSeen(), 1);
    EXPECT_TRUE(host.Read(1, 30).empty());
    std::lock_guard<std::mutex> lock(Module->Mutex());
    EXPECT_EQ(Module->Firmware().State(), TFirmwareState::fsDownload);
}

TEST_F(PtyBridgeTest, EchoesComeBackAtTheLinesPace) {
    THostEnd host(Bridge.PortPath());
    const std::vector<std::uint8_t> packet(18, 0x81);
    const auto started = Clock::now();
    host.Write(packet);
    EXPECT_EQ(host.Read(18), packet);
    // Eighteen byte times at 9600 baud are 18.75 ms.
    EXPECT_GE(Clock::now() - started, std::chrono::microseconds(18 * TSerialLine::ByteTimeUs));
}

TEST_F(PtyBridgeTest, AModuleServedOnceCannotBeServedTwice) {
    TPtyBridge second(Module);
    std::string error;
    EXPECT_FALSE(second.Start(error));
    EXPECT_EQ(error, "the module is in use");
    Bridge.Stop();
    EXPECT_TRUE(second.Start(error)) << error;
}

TEST_F(PtyBridgeTest, StoppingHangsUpOnTheHost) {
    THostEnd host(Bridge.PortPath());
    host.Write({'K'});
    EXPECT_EQ(host.Read(2).size(), 2u);
    Bridge.Stop();
    EXPECT_TRUE(host.Read(1, 100).empty());
    Bridge.Stop(); // harmless
}

} // namespace
} // namespace wayline::sim
