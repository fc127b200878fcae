#include "RunTimeTestSupport.h"

#include "codegen/core/BuildCode.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace wayline::sim::testing {
namespace {

constexpr int LeftServo = 13;
constexpr int RightServo = 12;

std::filesystem::path SourceDir() {
    if (const char* dir = std::getenv("WAYLINE_SOURCE_DIR")) {
        return dir;
    }
    return std::filesystem::path(__FILE__).parent_path().parent_path().parent_path();
}

// The robot program as Go makes it: the template, generated from an action
// document, compiled by the tokenizer, run from its image.
class RobotProgramTest : public RunTimeTest {
protected:
    void SetUp() override {
        std::ifstream in(SourceDir() / "resources" / "programs" / "robot.bas", std::ios::binary);
        Template.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
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

    // Mean time between the pulses of one wheel while it holds `widthUs`.
    double CycleUs(int pin, std::uint32_t widthUs) const {
        std::vector<std::uint64_t> starts;
        for (const TTestPins::TPulse& p : PulsesOn(pin)) {
            if (p.WidthUs == widthUs) {
                starts.push_back(p.StartUs);
            }
        }
        if (starts.size() < 2) {
            return 0;
        }
        return static_cast<double>(starts.back() - starts.front()) /
               static_cast<double>(starts.size() - 1);
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
// then 50 cycles at speed of 20 ms each, one tenth of a second per 5.
TEST_F(RobotProgramTest, ForwardRampsThenDrivesItsDurationAtSpeed) {
    for (const int mode : {1, 2}) {
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
        EXPECT_NEAR(CycleUs(LeftServo, 1700), 20000.0, 300.0);
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
