#include "RunTimeTestSupport.h"

#include "SourceFiles.h"
#include "codegen/core/BuildCode.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace wayline::sim::testing {
namespace {

constexpr int LeftServo = 13;
constexpr int RightServo = 12;

// A drive cycle: 20 ms, so that 5 make a tenth of a second. The program
// pads its cycles with whole milliseconds, and the cycles differ by the
// program bits of their paths and by the servo pulses' widths: a cycle may
// be off by 2.5 %.
constexpr double CycleUs20ms = 20000;
constexpr double CycleToleranceUs = 500;

// The robot program as Go makes it: the template, generated from an action
// document, compiled by the tokenizer, run from its image.
class RobotProgramTest : public RunTimeTest {
protected:
    void SetUp() override {
        Template = testfiles::ReadSourceFile("resources/programs/robot.bas");
        ASSERT_FALSE(Template.empty());
        InitialiseDocument(State);
    }

    void Step(TActionKind kind, int value, int list = MainList) {
        const int row = State.StepCount(list) + 1;
        State.Step(list, row) = {kind, static_cast<std::int16_t>(value), 0, 0, 0};
        State.SetStepCount(list, row);
    }

    // Sensor mode 0, 1 or 2 (2 = advanced mode).
    void Start(int sensorMode) {
        State.AdvancedMode = sensorMode == 2;
        const TBuildCodeResult built = BuildCode(Template, State, sensorMode == 1);
        ASSERT_TRUE(built.Succeeded);
        const std::optional<std::string> text = TokenizerSourceText(built.Lines);
        ASSERT_TRUE(text.has_value());
        ASSERT_EQ(CompileInto(*text, Eeprom), "");
        RunTime = std::make_unique<TInterpreter>(PinsHw);
        RunTime->Start(Eeprom, Port, 0);
    }

    std::vector<TTestPins::TPulse> PulsesOn(int pin) const {
        std::vector<TTestPins::TPulse> found;
        for (const TTestPins::TPulse& p : PinsHw.Pulses) {
            if (p.Pin == pin) {
                found.push_back(p);
            }
        }
        return found;
    }

    // The longest row of one wheel's pulses that all have `widthUs`: how
    // many, and the mean time between them.
    struct THold {
        std::size_t Pulses = 0;
        double CycleUs = 0;
    };
    THold LongestHold(int pin, std::uint32_t widthUs) const {
        const std::vector<TTestPins::TPulse> pulses = PulsesOn(pin);
        THold longest;
        std::size_t first = 0;
        for (std::size_t i = 0; i <= pulses.size(); ++i) {
            if (i < pulses.size() && pulses[i].WidthUs == widthUs) {
                continue;
            }
            const std::size_t count = i - first;
            if (count > longest.Pulses && count >= 2) {
                longest = {count,
                           static_cast<double>(pulses[i - 1].StartUs - pulses[first].StartUs) /
                               static_cast<double>(count - 1)};
            }
            first = i + 1;
        }
        return longest;
    }
    double CycleUs(int pin, std::uint32_t widthUs) const {
        return LongestHold(pin, widthUs).CycleUs;
    }

    std::string Template;
    TDocumentState State{};
};

TEST_F(RobotProgramTest, ReadsItsConfigurationAfterTheStartUpWaitAndEndsAnEmptyList) {
    State.Document.LeftServoCenter = 97;
    Start(2);
    RunTime->RunUntil(10000000);
    const std::vector<TRunTimeEvent> reads = EventsOf(ekEepromRead);
    ASSERT_GE(reads.size(), 4u);
    EXPECT_EQ(reads[0].A, 0); // sensor mode
    EXPECT_EQ(reads[0].B, 2);
    EXPECT_EQ(reads[1].A, 2); // left calibration
    EXPECT_EQ(reads[1].B, 97);
    EXPECT_EQ(reads[2].A, 3);
    EXPECT_EQ(reads[3].A, ActionListAddress);
    EXPECT_EQ(reads[3].B, 'Q');
    EXPECT_GE(reads[0].TimeUs, 3500000u);
    EXPECT_LT(reads[0].TimeUs, 3510000u);
    EXPECT_EQ(RunTime->StopReason(), srStop) << RunTime->StopMessage();
    EXPECT_LT(RunTime->NowUs(), 3520000u);
    EXPECT_TRUE(PinsHw.Pulses.empty());
}

// "F",10: 25 ramping cycles from standstill to full speed in steps of 4,
// then 50 cycles at speed of 20 ms each, one tenth of a second per 5. The
// cycles take their 20 ms whether the sensors are checked in them or not
// (mode 0 waits instead of checking).
TEST_F(RobotProgramTest, ForwardRampsThenDrivesItsDurationAtSpeed) {
    for (const int mode : {0, 1, 2}) {
        SCOPED_TRACE(mode);
        PinsHw.Pulses.clear();
        State = {};
        InitialiseDocument(State);
        Step(akMoveForward, 10);
        Start(mode);
        RunTime->RunUntil(10000000);
        EXPECT_EQ(RunTime->StopReason(), srStop) << RunTime->StopMessage();
        const std::vector<TTestPins::TPulse> left = PulsesOn(LeftServo);
        const std::vector<TTestPins::TPulse> right = PulsesOn(RightServo);
        ASSERT_EQ(left.size(), 75u);
        ASSERT_EQ(right.size(), 75u);
        for (int i = 0; i < 25; ++i) {
            EXPECT_EQ(left[static_cast<std::size_t>(i)].WidthUs, 2u * (750 + 4 * (i + 1)));
            EXPECT_EQ(right[static_cast<std::size_t>(i)].WidthUs, 2u * (750 - 4 * (i + 1)));
        }
        for (std::size_t i = 25; i < 75; ++i) {
            EXPECT_EQ(left[i].WidthUs, 1700u);
            EXPECT_EQ(right[i].WidthUs, 1300u);
        }
        EXPECT_NEAR(CycleUs(LeftServo, 1700), CycleUs20ms, CycleToleranceUs);
        const double rampingUs = static_cast<double>(left[24].StartUs - left[0].StartUs) / 24;
        EXPECT_NEAR(rampingUs, CycleUs20ms, CycleToleranceUs);
    }
}

// A beginner reaction and a playing sensor set leave the sensor check out
// of their cycles; they wait instead, so that their durations (the U-turn's
// 2.8 s of rotating, a set's tenths) take as long as those of the list.
TEST_F(RobotProgramTest, ReactionAndSensorSetCyclesTakeTwentyMilliseconds) {
    // Both whiskers touch for a moment once the robot drives at speed.
    const auto touchAt = [this](std::uint64_t fromUs) {
        PinsHw.LevelAt = [fromUs](int pin, std::uint64_t t) {
            return (pin != 5 && pin != 7) || t < fromUs || t >= fromUs + 50000;
        };
    };
    for (const int mode : {1, 2}) {
        SCOPED_TRACE(mode);
        PinsHw.Pulses.clear();
        State = {};
        InitialiseDocument(State);
        Step(akMoveForward, 50);
        // Set All rotates right for a second.
        Step(akRotateRight, 10, MainList + 1);
        touchAt(4500000);
        Start(mode);
        RunTime->RunUntil(15000000);
        EXPECT_EQ(RunTime->StopReason(), srStop) << RunTime->StopMessage();
        const double checkedUs = CycleUs(LeftServo, 1700);
        EXPECT_NEAR(checkedUs, CycleUs20ms, CycleToleranceUs);
        // Rotating right: both wheels at 120, 770 units of 2 µs. In mode 1
        // that is the U-turn's 28 tenths (140 cycles after the ramp's
        // last), in mode 2 the set's 10 tenths.
        const THold rotating = LongestHold(LeftServo, 1540);
        EXPECT_EQ(rotating.Pulses, mode == 1 ? 141u : 51u);
        EXPECT_NEAR(rotating.CycleUs, CycleUs20ms, CycleToleranceUs);
        EXPECT_NEAR(rotating.CycleUs, checkedUs, CycleToleranceUs);
    }
}

// "S" ramps down, then stands still with no pulses: each tenth of a
// second of its value takes 100 ms; fetching the next step ("Q" here)
// adds a few hundredths.
TEST_F(RobotProgramTest, StopAndWaitStandsStillItsTime) {
    double stillUs[2] = {};
    for (const int tenths : {10, 20}) {
        State = {};
        InitialiseDocument(State);
        PinsHw.Pulses.clear();
        Step(akMoveForward, 2);
        Step(akStopAndWait, tenths);
        Start(1);
        RunTime->RunUntil(20000000);
        EXPECT_EQ(RunTime->StopReason(), srStop) << RunTime->StopMessage();
        const std::vector<TTestPins::TPulse> left = PulsesOn(LeftServo);
        ASSERT_FALSE(left.empty());
        EXPECT_EQ(left.back().WidthUs, 1500u); // at standstill
        stillUs[tenths / 20] = static_cast<double>(RunTime->NowUs() - left.back().StartUs);
    }
    EXPECT_NEAR(stillUs[0], 1000000.0, 30000.0);
    EXPECT_NEAR(stillUs[1] - stillUs[0], 1000000.0, 1000.0);
}

TEST_F(RobotProgramTest, TheSameImageAndInputsGiveTheSameTraceTwice) {
    Step(akMoveForward, 5);
    Step(akRotateLeft, 3);
    Step(akLoopBack, 1);
    PinsHw.LevelAt = [](int pin, std::uint64_t t) { return pin != 5 || (t / 700000) % 3 != 0; };
    std::vector<TRunTimeEvent> first;
    for (int run = 0; run < 2; ++run) {
        Start(1);
        RunTime->SetTracing(true);
        for (std::uint64_t t = 0; t <= 8000000; t += 10000) {
            RunTime->RunUntil(t);
        }
        std::vector<TRunTimeEvent> trace;
        RunTime->Events().TakeInto(trace);
        ASSERT_GT(trace.size(), 1000u);
        if (run == 0) {
            first = trace;
            continue;
        }
        ASSERT_EQ(trace.size(), first.size());
        for (std::size_t i = 0; i < trace.size(); ++i) {
            ASSERT_EQ(trace[i].TimeUs, first[i].TimeUs) << i;
            ASSERT_EQ(trace[i].Kind, first[i].Kind) << i;
            ASSERT_EQ(trace[i].A, first[i].A) << i;
            ASSERT_EQ(trace[i].B, first[i].B) << i;
        }
    }
}

} // namespace
} // namespace wayline::sim::testing
