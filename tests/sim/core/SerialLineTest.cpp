#include "sim/core/SerialLine.h"

#include <gtest/gtest.h>

namespace wayline::sim {
namespace {

constexpr std::uint64_t Byte = TSerialLine::ByteTimeUs;

TEST(SerialLineTest, BytesGoOutOneAfterAnotherAndTheEchoArrivesWithThem) {
    TSerialLine line;
    EXPECT_EQ(line.HostSend('a', 0), Byte);
    EXPECT_EQ(line.HostSend('b', 0), 2 * Byte);
    EXPECT_EQ(line.HostSend('c', 5000), 5000 + Byte); // the line was free again
    EXPECT_EQ(line.HostWaiting(Byte - 1), 0);
    EXPECT_EQ(line.HostWaiting(Byte), 1);
    EXPECT_EQ(line.ModuleWaiting(2 * Byte), 2);
    EXPECT_EQ(line.NextHostArrival(), Byte);
    EXPECT_EQ(line.HostTake(Byte), 'a');
    EXPECT_FALSE(line.HostTake(Byte).has_value());
    const auto atModule = line.ModuleTake(10'000);
    ASSERT_TRUE(atModule.has_value());
    EXPECT_EQ(atModule->Value, 'a');
    EXPECT_EQ(atModule->ArrivalUs, Byte);
}

TEST(SerialLineTest, TheModulesBytesFollowWhatIsAlreadyOnTheWayToTheHost) {
    TSerialLine line;
    line.HostSend('K', 0);                         // its echo arrives at 1 byte time
    EXPECT_EQ(line.ModuleSend(0xB5, 0), 2 * Byte); // so the answer after it
    EXPECT_EQ(line.ModuleSend(0x10, 0), 3 * Byte);
    EXPECT_EQ(line.HostTake(3 * Byte), 'K');
    EXPECT_EQ(line.HostTake(3 * Byte), 0xB5);
    EXPECT_EQ(line.HostTake(3 * Byte), 0x10);
}

TEST(SerialLineTest, TheBoardLoopsRtsToDsrAndReturnsTheBreakAsAZeroByte) {
    TSerialLine line;
    EXPECT_FALSE(line.Dsr());
    line.SetRts(true);
    EXPECT_TRUE(line.Dsr());
    line.SetBreak(true, 100);
    EXPECT_EQ(line.HostWaiting(1'000'000), 0);
    line.SetBreak(false, 200);
    EXPECT_EQ(line.HostTake(200), 0);
    EXPECT_EQ(line.ModuleWaiting(1'000'000), 0); // the module does not take it as a byte
}

// A program printing for an hour with nobody reading: the oldest bytes give
// way, the newest wait to be read.
TEST(SerialLineTest, BytesForAHostThatDoesNotReadAreNotKeptWithoutEnd) {
    TSerialLine line;
    std::uint64_t at = 0;
    for (int i = 0; i < 3 * static_cast<int>(TSerialLine::HostInputLimit); ++i) {
        at = line.ModuleSend(static_cast<std::uint8_t>(i % 251), at);
    }
    EXPECT_EQ(line.HostWaiting(at), static_cast<int>(TSerialLine::HostInputLimit));
    const int oldestKept = 2 * static_cast<int>(TSerialLine::HostInputLimit);
    EXPECT_EQ(line.HostTake(at), oldestKept % 251);
}

TEST(SerialLineTest, WithoutABoardNothingComesBackAndNothingArrives) {
    TSerialLine line;
    line.BoardPresent = false;
    line.SetRts(true);
    EXPECT_FALSE(line.Dsr());
    line.HostSend('K', 0);
    line.SetBreak(true, 0);
    line.SetBreak(false, 10);
    line.ModuleSend(1, 0);
    EXPECT_EQ(line.HostWaiting(1'000'000), 0);
    EXPECT_EQ(line.ModuleWaiting(1'000'000), 0);
    EXPECT_EQ(line.HostSent().size(), 1u); // what the host sent is still recorded
}

TEST(SerialLineTest, APulledCableDropsWhatWasUnderwayAndCarriesNothingMore) {
    TSerialLine line;
    line.SetRts(true);
    line.HostSend('a', 0);
    line.ModuleSend('b', 0);
    line.Disconnect();
    EXPECT_FALSE(line.Connected());
    EXPECT_FALSE(line.Dsr());
    EXPECT_EQ(line.HostWaiting(1'000'000), 0);
    line.HostSend('c', 0);
    line.ModuleSend('d', 0);
    EXPECT_EQ(line.HostWaiting(1'000'000), 0);
    EXPECT_EQ(line.ModuleWaiting(1'000'000), 0);
}

} // namespace
} // namespace wayline::sim
