// The time-outs of the exchanges, pinned from both sides on the injectable
// clock: a module that answers just inside a time-out is found and loaded,
// one that answers just outside it is not.
#include "comm/core/Identify.h"
#include "comm/core/ProgramDownload.h"
#include "comm/core/Serial.h"
#include "comm/core/SimulatedPorts.h"

#include "FakeSerialDevice.h"

#include <gtest/gtest.h>

#include <map>

namespace wayline {
namespace {

// A robot whose answers come exactly when the test says, on a clock that
// moves only while the host waits: the echo of every handshake byte at
// once, the module's answers and the packets' echo after set delays.
struct TTimedRobot {
    std::uint64_t HandshakeReplyMs = 1; // after the handshake byte was written
    std::uint64_t PacketEchoMs = 20;    // the 18 echo bytes of a packet, after it was written
    std::uint64_t StatusMs = 5;         // the status byte, after the packet's echo

    TManualClock Clock;
    std::multimap<std::uint64_t, std::uint8_t> Incoming; // by arrival time, in order
    int HandshakeStep = 0;
    bool Downloading = false;
    int PacketsAnswered = 0;

    void Arrive(std::uint64_t at, std::uint8_t byte) { Incoming.emplace(at, byte); }

    void Written(const std::uint8_t* data, int count) {
        const std::uint64_t now = Clock.Now;
        if (Downloading) {
            for (int i = 0; i < count; ++i) {
                Arrive(now + PacketEchoMs, data[i]);
            }
            if (count == 18) {
                Arrive(now + PacketEchoMs + StatusMs, 0);
                ++PacketsAnswered;
            }
            return;
        }
        for (int i = 0; i < count; ++i) {
            const std::uint8_t b = data[i];
            Arrive(now, b); // the carrier board's echo
            static constexpr std::uint8_t Handshake[] = {'K', 'M', '2'};
            if (HandshakeStep < 3 && b == Handshake[HandshakeStep]) {
                Arrive(now + HandshakeReplyMs, static_cast<std::uint8_t>(256 - b));
                ++HandshakeStep;
            } else if (HandshakeStep == 3 && b == 0) {
                Arrive(now + 1, 0x10); // the version byte
                Downloading = true;
            }
        }
    }
};

class TTimedDevice final : public SerialDevice {
public:
    explicit TTimedDevice(TTimedRobot& robot) : Robot(robot) {}
    std::uint32_t Open(const std::string&) override { return OpenErrorNone; }
    void Close() override {}
    bool ReadSettings() override { return true; }
    bool ApplySettings(std::uint32_t, bool, int) override { return true; }
    void SetDtr(bool) override {}
    void SetRts(bool) override {}
    void SetBreak(bool) override {}
    std::uint32_t ModemStatus() override { return 0; }
    int Read(std::uint8_t* data, int count, std::uint32_t timeoutMs) override {
        const std::uint64_t deadline = Robot.Clock.Now + timeoutMs;
        int got = 0;
        while (got < count) {
            if (Robot.Incoming.empty() || Robot.Incoming.begin()->first > deadline) {
                Robot.Clock.Now = deadline;
                break;
            }
            Robot.Clock.Now = std::max(Robot.Clock.Now, Robot.Incoming.begin()->first);
            data[got++] = Robot.Incoming.begin()->second;
            Robot.Incoming.erase(Robot.Incoming.begin());
        }
        return got;
    }
    bool Write(const std::uint8_t* data, int count, std::uint32_t) override {
        Robot.Written(data, count);
        return true;
    }
    int BytesWaiting(std::uint32_t& lineErrors) override {
        lineErrors = 0;
        int waiting = 0;
        for (const auto& [at, byte] : Robot.Incoming) {
            waiting += at <= Robot.Clock.Now ? 1 : 0;
        }
        return waiting;
    }
    int ReadWaiting(std::uint8_t* data, int count) override {
        std::uint32_t lineErrors = 0;
        return Read(data, std::min(count, BytesWaiting(lineErrors)), 0);
    }
    TMsClock& Clock() override { return Robot.Clock; }

private:
    TTimedRobot& Robot;
};

struct TQuietObserver final : TDownloadObserver {
    void ToggleIndicator(bool) override {}
    void StepIt(int) override { ++Steps; }
    void ShowErrorBox(const std::string& text) override { Boxes.push_back(text); }
    int Steps = 0;
    std::vector<std::string> Boxes;
};

// The delays of one robot.
struct TDelays {
    std::uint64_t HandshakeReplyMs = 1;
    std::uint64_t PacketEchoMs = 20;
    std::uint64_t StatusMs = 5;
};

// A robot with these delays on a slot table of its own.
struct TTimedPort {
    explicit TTimedPort(const TDelays& delays) {
        Robot.HandshakeReplyMs = delays.HandshakeReplyMs;
        Robot.PacketEchoMs = delays.PacketEchoMs;
        Robot.StatusMs = delays.StatusMs;
    }
    TTimedRobot Robot;
    TSerialSlots Slots{[this](const std::string&) -> std::unique_ptr<SerialDevice> {
        return std::make_unique<TTimedDevice>(Robot);
    }};
};

bool Identified(const TDelays& delays) {
    TTimedPort port(delays);
    return IdentifyPort(port.Slots, "ttyUSB0", 2, TIdentifyTexts{}).DeviceType == 2;
}

// Sends three packets; true when all were accepted without a box.
bool Loaded(const TDelays& delays, TQuietObserver& observer) {
    TTimedPort port(delays);
    const std::vector<std::uint8_t> packets = MakePackets({0, 1, 2});
    std::uint32_t error = 0;
    const int slot = port.Slots.OpenFreeSlot("ttyUSB0", error);
    EXPECT_NE(slot, NoSlot);
    const bool ok = SendProgramImage(port.Slots.Slot(slot), 2, 0, packets.data(), 3,
                                     TIdentifyTexts{}, TDownloadTexts{}, observer);
    port.Slots.ClosePort(slot);
    return ok && observer.Steps == 3 && observer.Boxes.empty();
}

const std::vector<std::string> CommunicationFailure = {TDownloadTexts{}.CommunicationFailure};

TEST(TimeoutsTest, AHandshakeAnswerAfter230MsIsTakenAndOneAfter250MsIsNot) {
    EXPECT_TRUE(Identified({.HandshakeReplyMs = 230}));
    EXPECT_FALSE(Identified({.HandshakeReplyMs = 250}));
}

TEST(TimeoutsTest, AStatusByteAfter230MsIsTakenAndOneAfter250MsIsNot) {
    TQuietObserver inTime;
    EXPECT_TRUE(Loaded({.StatusMs = 230}, inTime));
    TQuietObserver late;
    EXPECT_FALSE(Loaded({.StatusMs = 250}, late));
    EXPECT_EQ(late.Steps, 0);
    EXPECT_EQ(late.Boxes, CommunicationFailure);
}

TEST(TimeoutsTest, APacketEchoAfter950MsIsTakenAndOneAfter1050MsIsNot) {
    TQuietObserver inTime;
    EXPECT_TRUE(Loaded({.PacketEchoMs = 950}, inTime));
    TQuietObserver late;
    EXPECT_FALSE(Loaded({.PacketEchoMs = 1050}, late));
    EXPECT_EQ(late.Steps, 0);
    EXPECT_EQ(late.Boxes, CommunicationFailure);
}

} // namespace
} // namespace wayline
