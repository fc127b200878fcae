#include "RunTimeTestSupport.h"

#include "sim/core/Timing.h"

namespace wayline::sim::testing {
namespace {

using TimingTest = RunTimeTest;

// The time of pin 1's first change: the program's way of saying "now".
std::uint64_t MarkTime(const TTestPins& pins) {
    for (const TTestPins::TOutput& o : pins.Outputs) {
        if (o.Pin == 1) {
            return o.TimeUs;
        }
    }
    return 0;
}

TEST_F(TimingTest, PauseNapAndSleepTakeTheirTime) {
    Run("PAUSE 1000\nHIGH 1\n");
    EXPECT_GE(MarkTime(PinsHw), 1000000u);
    EXPECT_LT(MarkTime(PinsHw), 1001000u);
    PinsHw.Outputs.clear();
    Run("NAP 3\nHIGH 1\n");
    EXPECT_GE(MarkTime(PinsHw), 8 * timing::NapBaseUs);
    EXPECT_LT(MarkTime(PinsHw), 8 * timing::NapBaseUs + 1000);
    PinsHw.Outputs.clear();
    Run("SLEEP 2\nHIGH 1\n");
    EXPECT_GE(MarkTime(PinsHw), 2000000u);
    EXPECT_LT(MarkTime(PinsHw), 2001000u);
}

// A runaway program is bounded by the limit of each call, not by how many
// instructions it runs.
TEST_F(TimingTest, ARunawayLoopStopsAtTheLimitOfEachCall) {
    Load("Again: W1 = W1 + 1 : GOTO Again\n");
    RunTime->RunUntil(1000000);
    EXPECT_TRUE(RunTime->Running());
    EXPECT_GE(RunTime->NowUs(), 1000000u);
    EXPECT_LT(RunTime->NowUs(), 1002000u);
    const std::uint16_t afterOne = Word(1);
    EXPECT_GT(afterOne, 500);
    RunTime->RunUntil(1000000); // no time to run: nothing happens
    EXPECT_EQ(Word(1), afterOne);
    RunTime->RunUntil(2000000);
    EXPECT_NEAR(Word(1), 2 * afterOne, 2);
}

// A statement that starts before the limit runs whole; the clock is then
// ahead until the next call reaches it.
TEST_F(TimingTest, ALongStatementRunsAheadOfTheLimit) {
    Load("PAUSE 500\nHIGH 1\n");
    RunTime->RunUntil(1000);
    EXPECT_GE(RunTime->NowUs(), 500000u);
    EXPECT_TRUE(PinsHw.Outputs.empty());
    RunTime->RunUntil(400000);
    EXPECT_TRUE(PinsHw.Outputs.empty());
    RunTime->RunUntil(600000);
    EXPECT_EQ(PinsHw.Outputs.size(), 1u);
}

TEST_F(TimingTest, TheSameProgramRunsTheSameWayInSmallAndLargeSteps) {
    const char* program = R"(FOR W1 = 1 TO 20
  PULSOUT 12, 650 + W1
  FREQOUT 2, 1, 38500
  IF IN0 = 0 THEN W2 = W2 + 1
  PAUSE 3
NEXT
)";
    PinsHw.LevelAt = [](int pin, std::uint64_t t) { return pin != 0 || (t / 7000) % 2 == 0; };
    Run(program, 5.0);
    const std::vector<TTestPins::TPulse> once = PinsHw.Pulses;
    const std::uint16_t seen = Word(2);
    PinsHw.Pulses.clear();
    Load(program);
    for (std::uint64_t t = 0; t < 5000000; t += 37) {
        RunTime->RunUntil(t);
    }
    ASSERT_EQ(PinsHw.Pulses.size(), once.size());
    for (std::size_t i = 0; i < once.size(); ++i) {
        EXPECT_EQ(PinsHw.Pulses[i].StartUs, once[i].StartUs);
    }
    EXPECT_EQ(Word(2), seen);
}

} // namespace
} // namespace wayline::sim::testing
