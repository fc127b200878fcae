#include "RunTimeTestSupport.h"

namespace wayline::sim::testing {
namespace {

using EepromTest = RunTimeTest;

TEST_F(EepromTest, ReadReportsEachByteItTakesFromData) {
    Run("tbl DATA 5, 6, \"Q\"\nREAD tbl + 1, B10, B11\n");
    const std::vector<TRunTimeEvent> reads = EventsOf(ekEepromRead);
    ASSERT_EQ(reads.size(), 2u);
    EXPECT_EQ(reads[0].A, 1);
    EXPECT_EQ(reads[0].B, 6);
    EXPECT_EQ(reads[1].A, 2);
    EXPECT_EQ(reads[1].B, 'Q');
    EXPECT_EQ(Byte(10), 6);
    EXPECT_EQ(Byte(11), 'Q');
}

// WRITE goes into the board's EEPROM: a counter kept there survives the
// reset that starts the program again.
TEST_F(EepromTest, WrittenBytesSurviveARestart) {
    Load("READ 200, B10\nB10 = B10 + 1\nWRITE 200, B10\n");
    RunTime->RunUntil(1000000);
    RunTime->Stop(1000000);
    RunTime->Start(Eeprom, Port, 1000000);
    RunTime->RunUntil(2000000);
    EXPECT_EQ(Eeprom.Read(200), 2);
    const std::vector<TRunTimeEvent> writes = EventsOf(ekEepromWrite);
    ASSERT_EQ(writes.size(), 2u);
    EXPECT_EQ(writes[1].A, 200);
    EXPECT_EQ(writes[1].B, 2);
}

TEST_F(EepromTest, StoppingTheBoardEndsTheRunAndReleasesThePins) {
    Load("HIGH 4\nAgain: PAUSE 10 : GOTO Again\n");
    RunTime->RunUntil(50000);
    ASSERT_TRUE(RunTime->Running());
    RunTime->Stop(60000);
    EXPECT_FALSE(RunTime->Running());
    EXPECT_EQ(RunTime->StopReason(), srHalted);
    const std::vector<TRunTimeEvent> outputs = EventsOf(ekPinOutput);
    ASSERT_EQ(outputs.size(), 2u);
    EXPECT_EQ(outputs[1].A, 4);
    EXPECT_EQ(outputs[1].B, -1);
    RunTime->RunUntil(100000); // a stopped run stays stopped
    EXPECT_EQ(RunTime->NowUs(), 60000u);
}

TEST(RunTimeEventRecord, KeepsTheNewestEventsWhenFullAndCountsTheRest) {
    TRunTimeEvents events(4);
    for (int i = 0; i < 6; ++i) {
        TRunTimeEvent e;
        e.A = i;
        events.Record(e);
    }
    EXPECT_EQ(events.Size(), 4u);
    EXPECT_EQ(events.Dropped(), 2u);
    EXPECT_EQ(events[0].A, 2);
    std::vector<TRunTimeEvent> taken;
    events.TakeInto(taken);
    ASSERT_EQ(taken.size(), 4u);
    EXPECT_EQ(taken[3].A, 5);
    EXPECT_TRUE(events.Empty());
    EXPECT_EQ(events.Recorded(), 6u);
}

} // namespace
} // namespace wayline::sim::testing
