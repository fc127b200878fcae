#include "RunTimeTestSupport.h"

namespace wayline::sim::testing {
namespace {

using PinsTest = RunTimeTest;

TEST_F(PinsTest, PinInstructionsSetDirectionsAndLatchesAndReportDrivenChanges) {
    Run(R"(HIGH 3
LOW 4
TOGGLE 3
TOGGLE 5
OUTPUT 6
INPUT 4
REVERSE 7
REVERSE 6
OUTS = %1000000000
DIR9 = 1
)");
    ASSERT_EQ(RunTime->StopReason(), srEnd) << RunTime->StopMessage();
    const TVariableSpace& v = RunTime->Variables();
    EXPECT_EQ(v.Word(TVariableSpace::DirsWord), (1u << 3) | (1u << 5) | (1u << 7) | (1u << 9));
    EXPECT_EQ(v.Word(TVariableSpace::OutsWord), 1u << 9);
    std::vector<std::pair<int, bool>> outputs;
    for (const TTestPins::TOutput& o : PinsHw.Outputs) {
        outputs.emplace_back(o.Pin, o.Level);
    }
    const std::vector<std::pair<int, bool>> expected = {{3, true},  {4, false}, {3, false},
                                                        {5, true},  {6, false}, {7, false},
                                                        {5, false}, {9, true}};
    EXPECT_EQ(outputs, expected);
    EXPECT_FALSE(PinsHw.TimeWentBack);
}

TEST_F(PinsTest, InputsReadTheWiredLevelAndOutputsTheirLatch) {
    PinsHw.Levels.fill(false);
    PinsHw.Levels[5] = true;
    Run(R"(HIGH 2
W1 = INS
B10 = IN5
B11 = IN7
B12 = INA
)");
    EXPECT_EQ(Word(1), (1u << 5) | (1u << 2));
    EXPECT_EQ(Byte(10), 1);
    EXPECT_EQ(Byte(11), 0);
    EXPECT_EQ(Byte(12), 0b0100);
}

TEST_F(PinsTest, PulsoutOf750UnitsIsAPulseOf1500MicrosecondsAndTakesThatLong) {
    Run("PULSOUT 12, 750\nPULSOUT 13, 0\nHIGH 1\n");
    ASSERT_EQ(PinsHw.Pulses.size(), 1u);
    EXPECT_EQ(PinsHw.Pulses[0].Pin, 12);
    EXPECT_EQ(PinsHw.Pulses[0].WidthUs, 1500u);
    // The pins became outputs at their latch (low); the next statement
    // begins after the pulse.
    ASSERT_EQ(PinsHw.Outputs.size(), 3u);
    EXPECT_EQ(PinsHw.Outputs[0].Pin, 12);
    EXPECT_FALSE(PinsHw.Outputs[0].Level);
    EXPECT_GE(PinsHw.Outputs[2].TimeUs, PinsHw.Pulses[0].StartUs + 1500);
    EXPECT_LT(PinsHw.Outputs[2].TimeUs, PinsHw.Pulses[0].StartUs + 3000);
}

TEST_F(PinsTest, FreqoutSendsItsToneAndLeavesThePinLow) {
    Run("HIGH 2\nFREQOUT 2, 1, 37500\nFREQOUT 8, 20, 1000, 2000\n");
    ASSERT_EQ(PinsHw.Tones.size(), 2u);
    EXPECT_EQ(PinsHw.Tones[0].Pin, 2);
    EXPECT_EQ(PinsHw.Tones[0].DurationUs, 1000u);
    EXPECT_EQ(PinsHw.Tones[0].Frequency, 37500u);
    EXPECT_EQ(PinsHw.Tones[1].SecondFrequency, 2000u);
    EXPECT_GE(PinsHw.Tones[1].StartUs, PinsHw.Tones[0].StartUs + 1000);
    EXPECT_EQ(RunTime->Variables().Word(TVariableSpace::OutsWord), 0);
    EXPECT_EQ(RunTime->Variables().Word(TVariableSpace::DirsWord), (1u << 2) | (1u << 8));
}

// A high pulse on pin 4 from 10 ms to 10.5 ms, then a 1 kHz square wave.
bool TestSignal(int pin, std::uint64_t t) {
    if (pin == 4) {
        return t >= 10000 && t < 10500;
    }
    if (pin == 6) {
        return t % 1000 < 500;
    }
    if (pin == 9) {
        return t < 3000; // a capacitor discharging until 3 ms
    }
    return false;
}

TEST_F(PinsTest, PulsinRctimeAndCountMeasureTheInputOverSimulatedTime) {
    PinsHw.LevelAt = TestSignal;
    Load(R"(PULSIN 4, 1, W1
PULSIN 4, 1, W2
COUNT 6, 100, W3
RCTIME 9, 1, W4
RCTIME 9, 1, W5
)");
    // Small steps: the measurements wait across calls, never looking back.
    for (std::uint64_t t = 100; t <= 1000000 && RunTime->Running(); t += 100) {
        RunTime->RunUntil(t);
    }
    ASSERT_EQ(RunTime->StopReason(), srEnd) << RunTime->StopMessage();
    EXPECT_EQ(Word(1), 250);      // 500 us in 2 us units
    EXPECT_EQ(Word(2), 0);        // no further pulse within the time-out
    EXPECT_NEAR(Word(3), 100, 1); // 100 ms of 1 kHz
    EXPECT_EQ(Word(5), 1);        // already discharged
    EXPECT_FALSE(PinsHw.TimeWentBack);
    EXPECT_EQ(RunTime->Variables().Word(TVariableSpace::DirsWord), 0);
}

TEST_F(PinsTest, RctimeMeasuresTheTimeThePinStaysInItsState) {
    PinsHw.LevelAt = TestSignal;
    Run("RCTIME 9, 1, W1\n", 1.0);
    // From the instruction (its bits fetched first) to 3 ms, in 2 us units.
    EXPECT_GT(Word(1), 1200);
    EXPECT_LT(Word(1), 1500);
}

// BUTTON with a delay of 3 and a rate of 2 while the button is held: the
// press, then the auto-repeat after the delay and every rate calls.
TEST_F(PinsTest, ButtonDebouncesAndRepeats) {
    PinsHw.Levels[1] = false; // pressed (down state 0)
    Run(R"(FOR B10 = 1 TO 10
  BUTTON 1, 0, 3, 2, B11, 1, Pressed
  GOTO Later
Pressed:
  W1 = W1 | DCD B10
Later:
NEXT
)");
    ASSERT_EQ(RunTime->StopReason(), srEnd) << RunTime->StopMessage();
    // Calls 1 (press), 4 (delay ran out), 6 and 8 and 10 (rate).
    EXPECT_EQ(Word(1), (1u << 1) | (1u << 4) | (1u << 6) | (1u << 8) | (1u << 10));
}

} // namespace
} // namespace wayline::sim::testing
