#include "sim/core/Robot.h"

#include "sim/core/World.h"

#include <gtest/gtest.h>

#include <cmath>
#include <algorithm>
#include <cstring>
#include <numbers>

namespace wayline::sim {
namespace {

constexpr std::uint64_t Ms = 1000;

class RobotTest : public ::testing::Test {
protected:
    TWorld World; // open floor, start at (0, 0) facing along x
    std::uint64_t Now = 0;

    // Servo frames every 20 ms for `ms` milliseconds, both pulses given in
    // 2 µs units and sent together so that neither wheel starts first.
    void Drive(TRobot& robot, int left, int right, std::uint64_t ms) {
        const std::uint64_t end = Now + ms * Ms;
        for (; Now < end; Now += 20 * Ms) {
            robot.Pulse(RobotPins::LeftServo, Now, static_cast<std::uint32_t>(left * 2));
            robot.Pulse(RobotPins::RightServo, Now, static_cast<std::uint32_t>(right * 2));
        }
        robot.AdvanceTo(Now);
    }

    // A burst on the LED, then the detector read right after it: true when
    // it reports an obstacle.
    bool Sees(TRobot& robot, TSide side, std::uint32_t hz = 37500) {
        const bool left = side == TSide::sdLeft;
        robot.Tone(left ? RobotPins::LeftIrLed : RobotPins::RightIrLed, Now, 1000, hz, 0);
        Now += 1200;
        return !robot.InputLevel(left ? RobotPins::LeftIrDetector : RobotPins::RightIrDetector,
                                 Now);
    }
    bool Pressed(TRobot& robot, TSide side) {
        return !robot.InputLevel(
            side == TSide::sdLeft ? RobotPins::LeftWhisker : RobotPins::RightWhisker, Now);
    }
};

TEST_F(RobotTest, ServoSpeedFollowsThePulseAroundTheCentre) {
    TRobot robot(World);
    const double full = robot.Parameters().FullSpeedRpm / 60 * std::numbers::pi *
                        robot.Parameters().WheelDiameterMm;

    Drive(robot, 750, 750, 1000);
    EXPECT_EQ(robot.Pose().Position.X, 0) << "the centre pulse stands still";
    Drive(robot, 751, 749, 1000);
    EXPECT_EQ(robot.Pose().Position.X, 0) << "inside the dead band";

    // The left servo turns its wheel forward above the centre, the mirrored
    // right one below it: 850 and 650 drive straight ahead at full speed.
    Drive(robot, 850, 650, 1000);
    EXPECT_NEAR(robot.Pose().Position.X, full, 1);
    EXPECT_NEAR(robot.Pose().Position.Y, 0, 1e-9);
    EXPECT_NEAR(robot.Pose().HeadingDeg, 0, 1e-9);

    // Beyond saturation a wider pulse is no faster.
    const double before = robot.Pose().Position.X;
    Drive(robot, 800, 700, 1000);
    EXPECT_NEAR(robot.Pose().Position.X - before, full, 1);

    // Halfway between the dead band and saturation: half the speed.
    const double half = robot.Pose().Position.X;
    Drive(robot, 775, 725, 1000);
    EXPECT_NEAR(robot.Pose().Position.X - half, full * 23 / 46, 1);

    // Backward.
    const double ahead = robot.Pose().Position.X;
    Drive(robot, 650, 850, 1000);
    EXPECT_NEAR(robot.Pose().Position.X - ahead, -full, 1);
}

TEST_F(RobotTest, TurnsFollowTheWheelDifference) {
    TRobot robot(World);
    // The robot program's Rotate Right: 120 on both wheels, 770 both.
    Drive(robot, 770, 770, 1000);
    EXPECT_NEAR(robot.Pose().Position.X, 0, 1e-6);
    EXPECT_NEAR(robot.Pose().Position.Y, 0, 1e-6);
    EXPECT_LT(robot.Pose().HeadingDeg, -60) << "clockwise";
    EXPECT_GT(robot.Pose().HeadingDeg, -70);

    // Veer right: the left wheel fast, the right slow: a curve to the right.
    TRobot veer(World);
    Now = 0;
    Drive(veer, 850, 740, 1000);
    EXPECT_GT(veer.Pose().Position.X, 50);
    EXPECT_LT(veer.Pose().Position.Y, -10);
    EXPECT_LT(veer.Pose().HeadingDeg, -20);
}

TEST_F(RobotTest, WheelsStopWhenThePulsesStop) {
    TRobot robot(World);
    robot.Pulse(RobotPins::LeftServo, 0, 1700);
    robot.Pulse(RobotPins::RightServo, 0, 1300);
    robot.AdvanceTo(20 * Ms);
    const double at20 = robot.Pose().Position.X;
    EXPECT_GT(at20, 0);
    robot.AdvanceTo(1000 * Ms);
    const double stopped = robot.Pose().Position.X;
    EXPECT_GT(stopped, at20) << "still turning until the time-out";
    EXPECT_LT(stopped, at20 * 2);
    EXPECT_EQ(robot.WheelSpeed(TSide::sdLeft, 1000 * Ms), 0);
}

TEST_F(RobotTest, OnlyServoPulsesOnALowLineCount) {
    TRobot robot(World);
    robot.OutputChanged(RobotPins::LeftServo, true, 0);
    robot.Pulse(RobotPins::LeftServo, 0, 1700); // a low pulse on a high line
    robot.Pulse(RobotPins::RightServo, 0, 100); // far too short for a servo
    robot.Pulse(RobotPins::LeftIrLed, 0, 1700); // not a servo pin
    robot.AdvanceTo(20 * Ms);
    EXPECT_EQ(robot.Pose().Position.X, 0);
    EXPECT_EQ(robot.Pose().HeadingDeg, 0);
}

TEST_F(RobotTest, AMiscalibratedServoTurnsAtTheNominalCentre) {
    World.SetServoCentres(750, 760);
    TRobot robot(World);
    Drive(robot, 750, 750, 2000);
    // The right servo's centre is 760, so 750 turns its wheel forward: the
    // robot creeps round to the left.
    EXPECT_GT(robot.Pose().HeadingDeg, 10);
    Drive(robot, 750, 760, 1000);
    const TPose still = robot.Pose();
    Drive(robot, 750, 760, 1000);
    EXPECT_EQ(robot.Pose().HeadingDeg, still.HeadingDeg) << "calibrated: stands still";
}

TEST_F(RobotTest, NeverPassesThroughAWallAndItsWhiskersClose) {
    World.AddWall(TShape::Rectangle({500, 0}, 20, 1000)); // face at x = 490
    TRobot robot(World);
    Drive(robot, 850, 650, 1000);
    EXPECT_FALSE(Pressed(robot, TSide::sdLeft));
    EXPECT_FALSE(Pressed(robot, TSide::sdRight));
    EXPECT_FALSE(robot.InContact());

    Drive(robot, 850, 650, 5000);
    const double body = robot.Parameters().BodyRadiusMm;
    EXPECT_LE(robot.Pose().Position.X + body, 490);
    EXPECT_GT(robot.Pose().Position.X + body, 489) << "stopped against it";
    EXPECT_TRUE(robot.InContact());
    EXPECT_TRUE(Pressed(robot, TSide::sdLeft));
    EXPECT_TRUE(Pressed(robot, TSide::sdRight));
    const auto& events = robot.Events();
    ASSERT_FALSE(events.empty());
    int contacts = 0;
    for (const TRobotEvent& e : events) {
        contacts += e.Kind == TRobotEventKind::rkContact;
    }
    EXPECT_EQ(contacts, 1) << "one contact while pushing on";

    // Turning on the spot against the wall is not blocked; backing off frees it.
    Drive(robot, 770, 770, 500);
    EXPECT_LT(robot.Pose().HeadingDeg, -20);
    Drive(robot, 650, 850, 500);
    EXPECT_FALSE(robot.InContact());
}

TEST_F(RobotTest, FastAtASlantedWallItSlidesAlongWithoutComingCloser) {
    World.AddWall(TShape::Rectangle({400, 0}, 20, 2000, 30));
    const TShape& wall = World.InnerWallList()[0];
    TRobot robot(World);
    const double body = robot.Parameters().BodyRadiusMm;
    Drive(robot, 850, 650, 3000);
    EXPECT_TRUE(robot.InContact());
    const TPose touching = robot.Pose();
    Drive(robot, 850, 650, 5000);
    // Along the wall, by most of five seconds' driving at a 60-degree
    // slant: half its speed.
    const TPose slid = robot.Pose();
    EXPECT_GT(std::abs(slid.Position.Y - touching.Position.Y), 250);
    EXPECT_GE(wall.DistanceTo(slid.Position), body);
    EXPECT_LT(wall.DistanceTo(slid.Position), body + 0.5);
    EXPECT_EQ(slid.HeadingDeg, 0) << "sliding turns nothing";
}

// The contact rule: a solid takes away only the part of a move that goes
// into its surface.
TEST_F(RobotTest, AGlancingApproachSlidesAlongTheWall) {
    World.AddWall(TShape::Rectangle({1000, 200}, 2000, 20)); // face at y = 190
    World.SetStart({{0, 0}, 10});
    TRobot robot(World);
    const double body = robot.Parameters().BodyRadiusMm;
    std::uint64_t touched = 0;
    while (!robot.InContact() && Now < 20000 * Ms) {
        Drive(robot, 850, 650, 100);
        touched = Now;
    }
    ASSERT_TRUE(robot.InContact());
    const TPose at = robot.Pose();
    Drive(robot, 850, 650, 2000);
    const double speed = robot.WheelSpeed(TSide::sdLeft, Now);
    // Two seconds along the wall at the speed's share along it (cos 10°).
    EXPECT_NEAR(robot.Pose().Position.X - at.Position.X, 2 * speed * std::cos(10 * std::numbers::pi / 180),
                5);
    EXPECT_NEAR(robot.Pose().Position.Y, 190 - body, 0.2);
    EXPECT_TRUE(robot.InContact());
    EXPECT_GT(touched, 0u);
    int contacts = 0;
    for (const TRobotEvent& e : robot.Events()) {
        contacts += e.Kind == TRobotEventKind::rkContact;
    }
    EXPECT_EQ(contacts, 1) << "one contact while sliding on";
}

TEST_F(RobotTest, AWallsEndAndAThinPostAreRoundedWhenMetOffCentre) {
    // The end of a wall 40 mm to the left of the middle; further on a thin
    // post that the robot, pushed aside by the wall's end, meets 45 mm to
    // the right of its middle.
    World.AddWall(TShape::Rectangle({300, 540}, 20, 1000)); // ends at y = 40
    World.AddObstacle(TShape::Circle({700, -75}, 8));
    TRobot robot(World);
    Drive(robot, 850, 650, 8000);
    double lowest = 0;
    for (const TPathPoint& p : robot.Path()) {
        lowest = std::min(lowest, p.Pose.Position.Y);
    }
    EXPECT_NEAR(lowest, 40 - robot.Parameters().BodyRadiusMm, 0.5) << "round the wall's end";
    EXPECT_GT(robot.Pose().Position.X, 1000) << "past both";
    EXPECT_NEAR(robot.Pose().Position.Y, -75 + 8 + robot.Parameters().BodyRadiusMm, 0.5)
        << "round the post";
    EXPECT_EQ(robot.Pose().HeadingDeg, 0);
}

TEST_F(RobotTest, ADeadEndNarrowerThanTheBodyHoldsIt) {
    // Two walls meeting ahead in a V, 60 degrees apart.
    World.AddWall(TShape::Rectangle({400, 115}, 500, 20, -30));
    World.AddWall(TShape::Rectangle({400, -115}, 500, 20, 30));
    TRobot robot(World);
    Drive(robot, 850, 650, 6000);
    const TPose held = robot.Pose();
    EXPECT_TRUE(robot.InContact());
    Drive(robot, 850, 650, 3000);
    EXPECT_EQ(robot.Pose().Position.X, held.Position.X);
    EXPECT_EQ(robot.Pose().Position.Y, held.Position.Y);
    // Turned a little, it is still held.
    Drive(robot, 850, 730, 300);
    Drive(robot, 850, 650, 3000);
    EXPECT_NEAR(robot.Pose().Position.X, held.Position.X, 1);
    EXPECT_NEAR(robot.Pose().Position.Y, held.Position.Y, 1);
    for (const TShape& wall : World.InnerWallList()) {
        EXPECT_GE(wall.DistanceTo(robot.Pose().Position), robot.Parameters().BodyRadiusMm);
    }
}

TEST_F(RobotTest, ARobotAnObstacleWasDroppedOnCanBackOutButNotGoDeeper) {
    World.AddObstacle(TShape::Circle({60, 0}, 30)); // overlaps the chassis
    TRobot robot(World);
    Drive(robot, 850, 650, 500);
    EXPECT_EQ(robot.Pose().Position.X, 0);
    Drive(robot, 650, 850, 500);
    EXPECT_LT(robot.Pose().Position.X, -50);
}

TEST_F(RobotTest, WhiskersFeelOnlyTheirOwnSide) {
    // A post ahead-left, within the left whisker's reach only.
    World.AddObstacle(TShape::Circle({95, 52}, 8));
    TRobot robot(World);
    EXPECT_TRUE(Pressed(robot, TSide::sdLeft));
    EXPECT_FALSE(Pressed(robot, TSide::sdRight));
}

TEST_F(RobotTest, DetectorsAnswerABurstOnTheirOwnLedWhenSomethingIsInRange) {
    // A box ahead-right, 150 mm away, out of the left detector's cone.
    const int box = World.AddObstacle(TShape::Rectangle({200, -120}, 100, 100));
    TRobot robot(World);
    EXPECT_TRUE(Sees(robot, TSide::sdRight));
    EXPECT_FALSE(Sees(robot, TSide::sdLeft));

    // Without a burst, or too long after one, nothing.
    EXPECT_TRUE(robot.InputLevel(RobotPins::RightIrDetector, Now));
    robot.Tone(RobotPins::RightIrLed, Now, 1000, 37500, 0);
    Now += 1000 + robot.Parameters().IrHoldUs + 1;
    EXPECT_TRUE(robot.InputLevel(RobotPins::RightIrDetector, Now));

    // A burst on the other side's LED does not light this detector.
    robot.Tone(RobotPins::LeftIrLed, Now, 1000, 37500, 0);
    EXPECT_TRUE(robot.InputLevel(RobotPins::RightIrDetector, Now + 1100));
    Now += 2000;

    // Far from the detector's frequency it sees less far, then nothing.
    EXPECT_TRUE(Sees(robot, TSide::sdRight, 40000));
    EXPECT_FALSE(Sees(robot, TSide::sdRight, 20000));

    World.MoveObstacle(box, {600, -400});
    EXPECT_FALSE(Sees(robot, TSide::sdRight)) << "out of range";
}

// Same calls, asked about at different moments: the same path, bit for bit.
TEST_F(RobotTest, ThePathDependsOnlyOnTheCalls) {
    World.AddObstacle(TShape::Rectangle({400, 100}, 100, 300, 10));
    auto run = [this](std::uint64_t askEvery) {
        TRobot robot(World);
        for (std::uint64_t t = 0; t < 6000 * Ms; t += 17 * Ms) {
            const bool turning = (t / (700 * Ms)) % 2 == 1;
            robot.Pulse(RobotPins::LeftServo, t, turning ? 1540 : 1700);
            robot.Pulse(RobotPins::RightServo, t + 1700, turning ? 1540 : 1300);
            robot.InputLevel(RobotPins::LeftWhisker, t + 3500);
            for (std::uint64_t a = t; askEvery != 0 && a < t + 17 * Ms; a += askEvery) {
                robot.AdvanceTo(a);
            }
        }
        robot.AdvanceTo(6000 * Ms);
        return robot.Path();
    };
    const auto once = run(0);
    const auto often = run(333);
    ASSERT_EQ(once.size(), often.size());
    ASSERT_GT(once.size(), 100u);
    for (std::size_t i = 0; i < once.size(); ++i) {
        EXPECT_EQ(once[i].TimeUs, often[i].TimeUs);
        EXPECT_EQ(std::memcmp(&once[i].Pose, &often[i].Pose, sizeof(TPose)), 0) << i;
    }
}

} // namespace
} // namespace wayline::sim
