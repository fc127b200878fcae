#include "RobotProgramTestSupport.h"

#include "sim/core/InstructionSet.h"

#include <algorithm>
#include <cmath>
#include <cstring>

// The robot program as Go sends it, run on the run-time with the modelled
// robot: every behaviour here is observed on the running image (its pins,
// its EEPROM reads and the robot's path), not on a model of the program.

namespace wayline::sim::testing {
namespace {

constexpr std::uint64_t Ms = 1000;
constexpr std::uint64_t Second = 1000000;

// A robot whose infra-red detectors see nothing, so that only its whiskers
// report.
TRobotParameters BlindRobot() {
    TRobotParameters p;
    p.IrRangeMm = 0;
    return p;
}

// A wall across the floor, its face `distance` mm ahead of the start.
TWorld WallAhead(double distance) {
    TWorld world;
    world.AddWall(TShape::Rectangle({distance + 10, 0}, 20, 2000));
    return world;
}

std::vector<TRunTimeEvent> PulsesOn(const std::vector<TRunTimeEvent>& pulses, int pin,
                                    std::uint64_t from, std::uint64_t to) {
    std::vector<TRunTimeEvent> found;
    for (const TRunTimeEvent& e : pulses) {
        if (e.A == pin && e.TimeUs >= from && e.TimeUs < to) {
            found.push_back(e);
        }
    }
    return found;
}

class RobotBehaviourTest : public ::testing::Test {
protected:
    TRobotProgramRun Run;

    void Go(bool advanced, bool sensorsEnabled, const TWorld& world, double seconds,
            const TRobotParameters& robot = {}) {
        const std::string error = Run.Compile(advanced, sensorsEnabled);
        ASSERT_EQ(error, "");
        Run.Start(world, robot);
        Run.RunUntil(seconds);
    }
    std::uint64_t EndUs() const {
        return Run.Board->EndUs() ? *Run.Board->EndUs() : ~std::uint64_t{0};
    }
    const TRunEvent* FirstReaction() const {
        for (const TRunEvent& e : Run.Board->Events()) {
            if (e.Kind == TRunEventKind::ekReaction) {
                return &e;
            }
        }
        return nullptr;
    }
    // How far the robot got along its heading at `from`, from `from` to `to`.
    double Advance(std::uint64_t from, std::uint64_t to) const {
        const TPose a = Run.PoseAt(from);
        const TPose b = Run.PoseAt(to);
        const double h = a.HeadingDeg * std::numbers::pi / 180;
        return (b.Position.X - a.Position.X) * std::cos(h) +
               (b.Position.Y - a.Position.Y) * std::sin(h);
    }
    // How far it backed, along its heading at `from`, from the farthest
    // point it reached ahead between `from` and `to`.
    double Backed(std::uint64_t from, std::uint64_t to) const {
        double ahead = 0;
        double backed = 0;
        for (std::uint64_t t = from; t <= to; t += 10 * Ms) {
            const double a = Advance(from, t);
            ahead = std::max(ahead, a);
            backed = std::max(backed, ahead - a);
        }
        return backed;
    }
    double Turned(std::uint64_t from, std::uint64_t to) const {
        return Run.PoseAt(to).HeadingDeg - Run.PoseAt(from).HeadingDeg;
    }
};

// ---------------------------------------------------------------------------
// Commands of the main list
// ---------------------------------------------------------------------------

TEST_F(RobotBehaviourTest, AnEmptyMainListEndsRightAfterTheStartUpWait) {
    Go(false, true, TWorld{}, 10);
    const auto commands = Run.Commands();
    ASSERT_EQ(commands.size(), 1u);
    EXPECT_EQ(commands[0].Letter, 'Q');
    EXPECT_GE(commands[0].TimeUs, 3500 * Ms);
    EXPECT_GE(EndUs(), 3500 * Ms);
    EXPECT_LT(EndUs(), 3600 * Ms);
    EXPECT_TRUE(Run.RecordOf(ekPulse).empty()) << "the wheels never got a pulse";
    EXPECT_EQ(Run.Board->PoseFromStart().Position.X, 0);
}

TEST_F(RobotBehaviourTest, ForwardRampsTwentyFiveCyclesThenDrivesFiftyAtSpeed) {
    Run.Main(akMoveForward, 10);
    Go(false, false, TWorld{}, 10);
    const auto commands = Run.Commands();
    ASSERT_EQ(commands.size(), 2u);
    ASSERT_EQ(commands[0].Letter, 'F');
    EXPECT_EQ(commands[0].Value, 10);
    ASSERT_EQ(commands[1].Letter, 'Q');

    const auto pulses = Run.RecordOf(ekPulse);
    const auto left = PulsesOn(pulses, RobotPins::LeftServo, 0, EndUs());
    const auto right = PulsesOn(pulses, RobotPins::RightServo, 0, EndUs());
    ASSERT_EQ(left.size(), 75u);
    ASSERT_EQ(right.size(), 75u);
    for (int i = 0; i < 75; ++i) {
        // 550 + calibration 100 + speed, in 2 µs units: the speeds ramp by
        // 4 from standstill (100) to 200 on the left and 0 on the right.
        const int step = std::min(i + 1, 25);
        EXPECT_EQ(left[i].B, 2 * (750 + 4 * step)) << i;
        EXPECT_EQ(right[i].B, 2 * (750 - 4 * step)) << i;
    }
    const TPose end = Run.Board->PoseFromStart();
    EXPECT_GT(end.Position.X, 150);
    EXPECT_NEAR(end.Position.Y, 0, 2);
    EXPECT_NEAR(end.HeadingDeg, 0, 0.5);
}

// "Move Forward 2.0 sec" holds full speed for 2.0 s, whatever the sensor
// mode: 100 drive cycles of 20 ms after the ramp (whose 25 cycles do not
// count). The same distance in every mode, then.
TEST_F(RobotBehaviourTest, MoveForwardTwoSecondsDrivesTwoSecondsInEverySensorMode) {
    double distance[3] = {};
    for (const int mode : {0, 1, 2}) {
        SCOPED_TRACE(mode);
        TRobotProgramRun run;
        run.Main(akMoveForward, 20);
        ASSERT_EQ(run.Compile(mode == 2, mode == 1), "");
        run.Start(TWorld{});
        run.RunUntil(10);
        const auto commands = run.Commands();
        ASSERT_EQ(commands.size(), 2u);
        ASSERT_EQ(commands[1].Letter, 'Q');
        const auto left = PulsesOn(run.RecordOf(ekPulse), RobotPins::LeftServo, 0, 10 * Second);
        ASSERT_EQ(left.size(), 125u);
        ASSERT_EQ(left[24].B, 1700) << "full speed from the ramp's last cycle";
        // 2.0 s to within 2 %.
        EXPECT_NEAR(static_cast<double>(commands[1].TimeUs - left[24].TimeUs) / Second, 2.0, 0.04);
        EXPECT_NEAR(static_cast<double>(commands[1].TimeUs - commands[0].TimeUs) / Second, 2.5,
                    0.05);
        distance[mode] = run.Board->PoseFromStart().Position.X;
    }
    EXPECT_NEAR(distance[0], distance[1], distance[1] * 0.02);
    EXPECT_NEAR(distance[2], distance[1], distance[1] * 0.02);
}

TEST_F(RobotBehaviourTest, StopAndWaitRampsDownThenWaitsItsTenths) {
    Run.Main(akMoveForward, 5);
    Run.Main(akStopAndWait, 20);
    Run.KeepTrace = true;
    Go(false, false, TWorld{}, 10);
    const auto commands = Run.Commands();
    ASSERT_EQ(commands.size(), 3u);
    ASSERT_EQ(commands[1].Letter, 'S');
    const std::uint64_t stop = commands[1].TimeUs;

    const auto pulses = Run.RecordOf(ekPulse);
    const auto left = PulsesOn(pulses, RobotPins::LeftServo, stop, EndUs());
    const auto right = PulsesOn(pulses, RobotPins::RightServo, stop, EndUs());
    ASSERT_EQ(left.size(), 25u) << "ramping down, then no pulse while waiting";
    ASSERT_EQ(right.size(), 25u);
    EXPECT_EQ(left.back().B, 1500);
    EXPECT_EQ(right.back().B, 1500);
    EXPECT_EQ(left[0].B, 2 * (850 - 4));

    int naps = 0;
    for (const TRunTimeEvent& e : Run.RecordOf(ekInstruction)) {
        naps += e.A == inNap && e.TimeUs > stop;
    }
    EXPECT_EQ(naps, 20);
    // "Stop and Wait 2.0 sec" stands still for about 2 s.
    const std::uint64_t still = left.back().TimeUs + 25 * Ms;
    EXPECT_NEAR(static_cast<double>(EndUs() - still) / Second, 2.0, 0.1);
    EXPECT_EQ(Run.PoseAt(still).Position.X, Run.PoseAt(EndUs()).Position.X);
}

TEST_F(RobotBehaviourTest, LoopBackTwoFetchesTheFirstOfTheTwoEntriesBefore) {
    Run.Main(akMoveForward, 3);
    Run.Main(akMoveBackward, 3);
    Run.Main(akLoopBack, 1); // written as "G",2
    Go(false, false, TWorld{}, 12);
    const auto commands = Run.Commands();
    ASSERT_GE(commands.size(), 9u);
    EXPECT_EQ(commands[2].Letter, 'G');
    EXPECT_EQ(commands[2].Value, 2);
    for (std::size_t i = 0; i < 9; ++i) {
        EXPECT_EQ(commands[i].Entry, static_cast<int>(i % 3) + 1) << i;
    }
    EXPECT_FALSE(Run.Board->EndUs().has_value()) << "a loop runs on";
}

TEST_F(RobotBehaviourTest, CalibrationBytesMakeAMiscalibratedRobotRotateOnTheSpot) {
    // The left servo stands still at 760, not 750. Rotate Right runs both
    // wheels 20 units from the centre the program believes in: the left one
    // turns slower than the right and the robot wanders off its spot.
    TWorld world;
    world.SetServoCentres(760, 750);
    Run.Main(akRotateRight, 20);
    Go(false, false, world, 10);
    const TPose off = Run.Board->PoseFromStart();
    EXPECT_GT(std::hypot(off.Position.X, off.Position.Y), 20);

    // Calibrated for it (the centre found in test mode, 760 = 650 + 110),
    // it turns on the spot.
    TRobotProgramRun calibrated;
    calibrated.Main(akRotateRight, 20);
    calibrated.State->Document.LeftServoCenter = 110;
    ASSERT_EQ(calibrated.Compile(false, false), "");
    calibrated.Start(world);
    calibrated.RunUntil(10);
    const TPose on = calibrated.Board->PoseFromStart();
    EXPECT_LT(std::hypot(on.Position.X, on.Position.Y), 1);
    EXPECT_LT(on.HeadingDeg, -90);
}

// ---------------------------------------------------------------------------
// Beginner sensors: the reaction follows the sensor value
// ---------------------------------------------------------------------------

// The wall's face lies where both detectors take it in at the same cycle.
// Where the edge of their range falls between the right one's burst and the
// left one's, a millisecond later, only the left one sees it (a veer); that
// happens for about one distance in six.
TEST_F(RobotBehaviourTest, BeginnerUTurnAtAWallAhead) {
    Run.Main(akMoveForward, 50);
    Go(false, true, WallAhead(604.5), 15);
    const TRunEvent* reaction = FirstReaction();
    ASSERT_NE(reaction, nullptr);
    EXPECT_EQ(reaction->SensorValue, 12) << "both detectors";
    EXPECT_EQ(reaction->Reaction, TReaction::rnUTurn);
    // It backs up, then turns round to the right; the Move Forward is
    // dropped, so the list ends after the turn. The turn's 2.8 s are drive
    // cycles of the same 20 ms as the list's, so it turns round: 180
    // degrees, give or take the ramps into and out of the rotation.
    EXPECT_GT(Backed(reaction->TimeUs, reaction->TimeUs + 1500 * Ms), 10);
    EXPECT_NEAR(Turned(reaction->TimeUs, EndUs()), -180, 10);
    EXPECT_TRUE(Run.EventsOf(TRunEventKind::ekContact).empty());
}

TEST_F(RobotBehaviourTest, BeginnerUTurnWhenBothWhiskersTouch) {
    Run.Main(akMoveForward, 50);
    Go(false, true, WallAhead(400), 15, BlindRobot());
    const TRunEvent* reaction = FirstReaction();
    ASSERT_NE(reaction, nullptr);
    EXPECT_EQ(reaction->SensorValue, 3);
    EXPECT_NEAR(Turned(reaction->TimeUs, EndUs()), -180, 10);
}

TEST_F(RobotBehaviourTest, BeginnerBacksAndRotatesAwayFromAWhisker) {
    for (const bool right : {true, false}) {
        SCOPED_TRACE(right ? "right whisker" : "left whisker");
        TRobotProgramRun run;
        run.Main(akMoveForward, 50);
        ASSERT_EQ(run.Compile(false, true), "");
        TWorld world;
        world.AddObstacle(TShape::Circle({350, right ? -55.0 : 55.0}, 10));
        run.Start(world, BlindRobot());
        run.RunUntil(15);
        const auto reactions = run.EventsOf(TRunEventKind::ekReaction);
        ASSERT_EQ(reactions.size(), 1u);
        EXPECT_EQ(reactions[0].SensorValue, right ? 1 : 2);
        const std::uint64_t t = reactions[0].TimeUs;
        const std::uint64_t end = *run.Board->EndUs();
        // Backing away first...
        const TPose at = run.PoseAt(t);
        double least = at.Position.X;
        for (const TPathPoint& p : run.Board->Path()) {
            least = std::min(least, run.Board->FromStart(p.Pose).Position.X);
        }
        EXPECT_LT(least, at.Position.X - 10);
        // ...then a short rotation away from the whisker that touched.
        const double turned = run.PoseAt(end).HeadingDeg - at.HeadingDeg;
        EXPECT_GT(std::abs(turned), 10);
        EXPECT_LT(std::abs(turned), 60);
        EXPECT_EQ(turned > 0, right) << "a touch on the right turns it left";
    }
}

TEST_F(RobotBehaviourTest, BeginnerVeersAwayFromAnObstacleSeenAheadToOneSideThenGoesOn) {
    for (const bool right : {true, false}) {
        SCOPED_TRACE(right ? "ahead-right" : "ahead-left");
        TRobotProgramRun run;
        run.Main(akMoveForward, 40);
        ASSERT_EQ(run.Compile(false, true), "");
        TWorld world;
        world.AddObstacle(TShape::Circle({500, right ? -150.0 : 150.0}, 20));
        run.Start(world);
        run.RunUntil(15);
        const auto reactions = run.EventsOf(TRunEventKind::ekReaction);
        ASSERT_EQ(reactions.size(), 1u) << "no more checks until the next list entry";
        EXPECT_EQ(reactions[0].SensorValue, right ? 4 : 8);
        const std::uint64_t t = reactions[0].TimeUs;
        const std::uint64_t end = *run.Board->EndUs();
        const double veered = run.PoseAt(t + 1500 * Ms).HeadingDeg - run.PoseAt(t).HeadingDeg;
        EXPECT_GT(std::abs(veered), 20);
        EXPECT_EQ(veered > 0, right) << "seen on the right, it veers left";
        // The interrupted Move Forward goes on with the cycles it had left:
        // straight on afterwards, and the whole list takes longer than the
        // list alone.
        const double after = run.PoseAt(end).HeadingDeg - run.PoseAt(t + 1500 * Ms).HeadingDeg;
        EXPECT_NEAR(after, 0, 1);
        EXPECT_GT(run.Board->FromStart(run.Board->Robot().Pose()).Position.X, 400);
        EXPECT_TRUE(run.EventsOf(TRunEventKind::ekContact).empty());
    }
}

TEST_F(RobotBehaviourTest, DrivingAtAWallWithSensorsOffItStopsAgainstIt) {
    Run.Main(akMoveForward, 60);
    Go(false, false, WallAhead(400), 15);
    const TPose end = Run.Board->Robot().Pose();
    const double body = Run.Board->Robot().Parameters().BodyRadiusMm;
    EXPECT_LE(end.Position.X + body, 400);
    EXPECT_GT(end.Position.X + body, 399);
    EXPECT_EQ(Run.EventsOf(TRunEventKind::ekContact).size(), 1u);
    EXPECT_TRUE(Run.Board->Robot().WhiskerPressed(TSide::sdLeft));
    EXPECT_TRUE(Run.Board->Robot().WhiskerPressed(TSide::sdRight));
    EXPECT_TRUE(Run.Board->EndUs().has_value()) << "the step still ends on time";
}

TEST_F(RobotBehaviourTest, ARobotBouncingRoundAnArenaNeverPassesThroughAWall) {
    Run.Main(akMoveForward, 50);
    Run.Main(akRotateLeft, 3);
    Run.Main(akLoopBack, 1);
    TWorld world;
    world.SetArena(900, 700);
    world.SetStart({{200, 350}, 20});
    world.AddObstacle(TShape::Rectangle({600, 300}, 120, 80, 30));
    Go(false, true, world, 90);
    EXPECT_GE(Run.EventsOf(TRunEventKind::ekReaction).size(), 5u);
    const double body = Run.Board->Robot().Parameters().BodyRadiusMm;
    for (const TPathPoint& p : Run.Board->Path()) {
        world.ForEachSolid(
            [&](const TShape& s) { ASSERT_GE(s.DistanceTo(p.Pose.Position), body) << p.TimeUs; });
    }
}

// ---------------------------------------------------------------------------
// Advanced sensors: the sets of the columns
// ---------------------------------------------------------------------------

// Only the left whisker touches a post ahead-left.
TWorld PostAheadLeft() {
    TWorld world;
    world.AddObstacle(TShape::Circle({350, 55}, 10));
    return world;
}

TEST_F(RobotBehaviourTest, ALeftColumnOfNoReactionLetsTheCommandGoOn) {
    Run.Main(akMoveForward, 30, 0, 5, 0); // written as "C",$25 then "F",30
    Run.Add(MainList + 1, akMoveBackward, 10);
    Go(true, false, PostAheadLeft(), 15, BlindRobot());
    const auto commands = Run.Commands();
    ASSERT_EQ(commands.size(), 3u);
    EXPECT_EQ(commands[0].Letter, 'C');
    EXPECT_EQ(commands[0].Value, 0x25);
    EXPECT_EQ(commands[1].Letter, 'F');
    EXPECT_EQ(commands[2].Letter, 'Q');
    EXPECT_EQ(commands[2].List, 0) << "no set entry was read";
    EXPECT_FALSE(Run.EventsOf(TRunEventKind::ekSensor).empty()) << "the whisker did touch";
    EXPECT_TRUE(Run.EventsOf(TRunEventKind::ekReaction).empty());
    EXPECT_LT(Backed(commands[1].TimeUs, EndUs()), 1) << "it never backed away";

    // The same step with the left column on set All backs away.
    TRobotProgramRun all;
    all.Main(akMoveForward, 30);
    all.Add(MainList + 1, akMoveBackward, 10);
    ASSERT_EQ(all.Compile(true, false), "");
    all.Start(PostAheadLeft(), BlindRobot());
    all.RunUntil(15);
    const auto reactions = all.EventsOf(TRunEventKind::ekReaction);
    ASSERT_FALSE(reactions.empty());
    EXPECT_EQ(reactions[0].Set, 0);
    const auto allCommands = all.Commands();
    ASSERT_GE(allCommands.size(), 3u);
    EXPECT_EQ(allCommands[1].List, 1);
    EXPECT_EQ(allCommands[1].Letter, 'B');
}

TEST_F(RobotBehaviourTest, WithoutConfigurationEveryTriggerPlaysSetAll) {
    // One long step (a loop would write the columns of its target).
    Run.Main(akMoveForward, 250);
    Run.Add(MainList + 1, akMoveBackward, 5);
    Run.Add(MainList + 1, akRotateRight, 10);
    Go(true, false, TWorld::DefaultArena(), 60);
    for (const TRunEvent& c : Run.Commands()) {
        ASSERT_NE(c.Letter, 'C');
    }
    const auto reactions = Run.EventsOf(TRunEventKind::ekReaction);
    ASSERT_GE(reactions.size(), 4u);
    for (const TRunEvent& r : reactions) {
        EXPECT_EQ(r.Set, 0) << r.TimeUs;
    }
    // Reports from both sides set them off.
    bool left = false;
    bool right = false;
    for (const TRunEvent& s : Run.EventsOf(TRunEventKind::ekSensor)) {
        left = left || s.Sensor == TSensor::snLeftIr || s.Sensor == TSensor::snLeftWhisker;
        right = right || s.Sensor == TSensor::snRightIr || s.Sensor == TSensor::snRightWhisker;
    }
    EXPECT_TRUE(left);
    EXPECT_TRUE(right);
    // Each reaction reads the set's first entry next.
    const auto& events = Run.Board->Events();
    for (std::size_t i = 0; i < events.size(); ++i) {
        if (events[i].Kind != TRunEventKind::ekReaction) {
            continue;
        }
        for (std::size_t j = i + 1; j < events.size(); ++j) {
            if (events[j].Kind == TRunEventKind::ekCommand) {
                EXPECT_EQ(events[j].List, 1);
                EXPECT_EQ(events[j].Entry, 1);
                EXPECT_EQ(events[j].Letter, 'B');
                break;
            }
        }
    }
}

// ---------------------------------------------------------------------------
// A whole figure, and the run as a whole
// ---------------------------------------------------------------------------

// Four times Move Forward 2.0 s and Rotate Right 1.0 s. Each turn, with the
// ramps into and out of it, comes to about 89 degrees, the nearest to a
// right angle the tenths of a second allow. The corners where the robot
// starts each turn lie on a square; the path ends about 40 mm from where it
// began, because the first side starts from a standstill and the last turn
// ends without the ramp into a next side.
TEST_F(RobotBehaviourTest, ASquareOfForwardAndRotateRightCloses) {
    for (int i = 0; i < 4; ++i) {
        Run.Main(akMoveForward, 20);
        Run.Main(akRotateRight, 10);
    }
    Go(false, true, TWorld{}, 40);
    std::vector<TPose> corners;
    for (const TRunEvent& c : Run.Commands()) {
        if (c.Letter == 'I') {
            corners.push_back(Run.Board->FromStart(c.Pose));
        }
    }
    ASSERT_EQ(corners.size(), 4u);
    const auto distance = [](const TPose& a, const TPose& b) {
        return std::hypot(a.Position.X - b.Position.X, a.Position.Y - b.Position.Y);
    };
    const double side = distance(corners[0], corners[1]);
    EXPECT_GT(side, 350);
    for (int i = 1; i < 3; ++i) {
        EXPECT_NEAR(distance(corners[i], corners[i + 1]), side, side * 0.01);
    }
    for (int i = 1; i < 4; ++i) {
        EXPECT_NEAR(corners[i].HeadingDeg - corners[i - 1].HeadingDeg, -90, 5);
    }
    EXPECT_NEAR(distance(corners[0], corners[2]), side * std::sqrt(2.0), side * 0.03);
    EXPECT_NEAR(distance(corners[1], corners[3]), side * std::sqrt(2.0), side * 0.03);
    const TPose end = Run.Board->PoseFromStart();
    EXPECT_LT(std::hypot(end.Position.X, end.Position.Y), 50);
}

TEST_F(RobotBehaviourTest, TheSameProgramAndWorldGiveTheSameRunHoweverItIsStepped) {
    auto run = [](std::uint64_t step) {
        auto r = std::make_unique<TRobotProgramRun>();
        r->Main(akMoveForward, 25);
        r->Main(akTurnLeft, 10);
        r->Main(akLoopBack, 1);
        r->Add(MainList + 1, akMoveBackward, 5);
        r->Add(MainList + 1, akRotateRight, 6);
        EXPECT_EQ(r->Compile(true, false), "");
        r->Start(TWorld::DefaultArena());
        r->RunUntil(30, step);
        return r;
    };
    const auto a = run(100 * Ms);
    const auto b = run(7 * Ms + 3);
    ASSERT_EQ(a->Board->Path().size(), b->Board->Path().size());
    for (std::size_t i = 0; i < a->Board->Path().size(); ++i) {
        const TPathPoint& p = a->Board->Path()[i];
        const TPathPoint& q = b->Board->Path()[i];
        ASSERT_EQ(p.TimeUs, q.TimeUs);
        ASSERT_EQ(std::memcmp(&p.Pose, &q.Pose, sizeof(TPose)), 0) << i;
    }
    ASSERT_EQ(a->Board->Events().size(), b->Board->Events().size());
    for (std::size_t i = 0; i < a->Board->Events().size(); ++i) {
        EXPECT_EQ(a->Board->Events()[i].TimeUs, b->Board->Events()[i].TimeUs);
    }
    EXPECT_GT(a->EventsOf(TRunEventKind::ekReaction).size(), 0u);
}

} // namespace
} // namespace wayline::sim::testing
