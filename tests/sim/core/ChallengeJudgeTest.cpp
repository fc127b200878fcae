#include "sim/core/ChallengeJudge.h"

#include "RobotProgramTestSupport.h"

#include <gtest/gtest.h>

#include <memory>

// The rules of a task, each on its own, fed to the judge pose by pose as the
// board does; one run on the board at the end shows the judge as its
// observer.

namespace wayline::sim {
namespace {

constexpr std::uint64_t Second = 1000000;

TPose At(double x, double y = 0) {
    return {{x, y}, 0};
}

class ChallengeJudgeTest : public ::testing::Test {
protected:
    TChallenge Task;

    ChallengeJudgeTest() {
        Task.World.SetArena(2000, 1000);
        Task.World.SetStart(At(100, 500));
        Task.World.AddObstacle(TShape::Circle({1500, 900}, 40));
    }
    void AddGoal(double x, std::uint64_t stayUs = 0) {
        Task.Goals.push_back({TShape::Circle({x, 500}, 50), "", stayUs});
    }
    // A judge whose run has started at the world's start.
    std::unique_ptr<TChallengeJudge> Start() {
        auto judge = std::make_unique<TChallengeJudge>(Task, Task.World);
        judge->RunStarted(Task.World.Start());
        return judge;
    }
    // Drives along y = 500 from x0 to x1 at 100 mm/s, a pose every 10 ms
    // from `fromUs`; returns the time it gets there.
    static std::uint64_t Drive(TChallengeJudge& judge, double x0, double x1, std::uint64_t fromUs) {
        const double step = x1 > x0 ? 1 : -1;
        std::uint64_t t = fromUs;
        for (double x = x0; step * (x1 - x) >= 0; x += step) {
            judge.RobotAt(t, At(x, 500));
            t += 10000;
        }
        return t - 10000;
    }
};

TEST_F(ChallengeJudgeTest, GoalsInOrderCountOnlyAfterTheOnesBefore) {
    AddGoal(800);
    AddGoal(400);
    Task.Rules.GoalsInOrder = true;
    auto judge = Start();
    // Through goal 2 first: it does not count yet, and that is no fault.
    Drive(*judge, 100, 900, 0);
    EXPECT_EQ(judge->GoalsReached(), 1);
    EXPECT_FALSE(judge->Decided());
    EXPECT_FALSE(judge->GoalReachedUs(1));
    // Back through it: now it does.
    const std::uint64_t back = Drive(*judge, 900, 300, 8 * Second);
    ASSERT_TRUE(judge->Decided());
    const TVerdict& v = judge->Verdict();
    EXPECT_EQ(v.State, TVerdictState::vsPassed);
    EXPECT_EQ(v.Reason, TVerdictReason::vrGoalsReached);
    EXPECT_EQ(v.Pose.Position.X, 450) << "the edge of goal 2, coming back";
    EXPECT_EQ(judge->AllGoalsUs(), v.TimeUs);
    EXPECT_LT(v.TimeUs, back);
    EXPECT_EQ(judge->GoalReachedUs(0), 650 * 10000u) << "x 750, the edge of goal 1";
    EXPECT_EQ(VerdictText(v, judge->GoalsReached(), judge->GoalCount()),
              "All 2 goals reached in 12.5 s");

    // Without the rule, the first pass counts both.
    Task.Rules.GoalsInOrder = false;
    auto unordered = Start();
    Drive(*unordered, 100, 900, 0);
    EXPECT_EQ(unordered->Verdict().State, TVerdictState::vsPassed);
    EXPECT_EQ(unordered->Verdict().TimeUs, 650 * 10000u);
}

TEST_F(ChallengeJudgeTest, AGoalWithAStayCountsOnlyAfterStayingThatLongInOneGo) {
    AddGoal(800, 2 * Second);
    auto judge = Start();
    Drive(*judge, 760, 840, 0); // 0.8 s inside
    Drive(*judge, 860, 900, Second);
    EXPECT_EQ(judge->GoalsReached(), 0);
    for (std::uint64_t t = 2 * Second; t <= 5 * Second; t += 10000) {
        judge->RobotAt(t, At(800, 500));
    }
    EXPECT_EQ(judge->Verdict().State, TVerdictState::vsPassed);
    EXPECT_EQ(judge->Verdict().TimeUs, 4 * Second);
}

TEST_F(ChallengeJudgeTest, AForbiddenZoneFailsWhereTheRobotEntersIt) {
    AddGoal(1800);
    Task.Forbidden.push_back({TShape::Rectangle({1000, 900}, 100, 100), ""});
    Task.Forbidden.push_back({TShape::Rectangle({1000, 500}, 100, 100), ""});
    auto judge = Start();
    Drive(*judge, 100, 1900, 0);
    const TVerdict& v = judge->Verdict();
    EXPECT_EQ(v.State, TVerdictState::vsFailed);
    EXPECT_EQ(v.Reason, TVerdictReason::vrForbiddenZone);
    EXPECT_EQ(v.Zone, 1);
    EXPECT_EQ(v.Pose.Position.X, 950);
    EXPECT_EQ(judge->GoalsReached(), 0) << "what comes after the verdict does not count";
    EXPECT_EQ(VerdictText(v, 0, 1), "Drove into a forbidden zone at 8.5 s");
}

TEST_F(ChallengeJudgeTest, TouchNothingFailsOnTheFirstContactAndTellsWallFromObstacle) {
    AddGoal(1800);
    auto judge = Start();
    judge->Touched(3 * Second, At(1930, 500));
    EXPECT_FALSE(judge->Decided()) << "no rule against it";

    Task.Rules.TouchNothing = true;
    auto wall = Start();
    wall->Touched(3 * Second, At(1930, 500));
    EXPECT_EQ(wall->Verdict().Reason, TVerdictReason::vrTouchedWall);
    EXPECT_EQ(VerdictText(wall->Verdict(), 0, 1), "Touched the wall at 3.0 s");
    auto obstacle = Start();
    obstacle->Touched(8200000, At(1500, 790));
    obstacle->Touched(9 * Second, At(1930, 500));
    EXPECT_EQ(obstacle->Verdict().Reason, TVerdictReason::vrTouchedObstacle);
    EXPECT_EQ(VerdictText(obstacle->Verdict(), 0, 1), "Touched an obstacle at 8.2 s");
}

TEST_F(ChallengeJudgeTest, EndInsideTheLastGoalIsDecidedWhenTheProgramEnds) {
    AddGoal(400);
    AddGoal(800);
    Task.Rules.GoalsInOrder = true;
    Task.Rules.EndInsideLastGoal = true;
    auto through = Start();
    const std::uint64_t end = Drive(*through, 100, 1000, 0);
    EXPECT_TRUE(through->AllGoalsUs());
    EXPECT_FALSE(through->Decided()) << "all goals in, but where will it stop?";
    through->RunEnded(end, At(1000, 500), false);
    EXPECT_EQ(through->Verdict().Reason, TVerdictReason::vrEndedOutside);
    EXPECT_EQ(VerdictText(through->Verdict(), 2, 2),
              "The program ended at 9.0 s outside the last goal");

    auto parked = Start();
    parked->RunEnded(Drive(*parked, 100, 800, 0), At(800, 500), false);
    EXPECT_EQ(parked->Verdict().State, TVerdictState::vsPassed);
    EXPECT_EQ(parked->Verdict().TimeUs, 7 * Second) << "passed when it ended there";

    // Ending early, with a goal still to reach.
    auto early = Start();
    early->RunEnded(Drive(*early, 100, 500, 0), At(500, 500), false);
    EXPECT_EQ(early->Verdict().Reason, TVerdictReason::vrEndedEarly);
    EXPECT_EQ(VerdictText(early->Verdict(), 1, 2),
              "The program ended at 4.0 s: goal 1 of 2 reached");
}

TEST_F(ChallengeJudgeTest, TheTimeLimitFailsWhereTheRobotWasWhenItRanOut) {
    AddGoal(400);
    AddGoal(1800);
    Task.Rules.TimeLimitUs = 5 * Second;
    auto judge = Start();
    Drive(*judge, 100, 1900, 0);
    const TVerdict& v = judge->Verdict();
    EXPECT_EQ(v.Reason, TVerdictReason::vrTimeUp);
    EXPECT_EQ(v.TimeUs, 5 * Second);
    EXPECT_EQ(v.Pose.Position.X, 600);
    EXPECT_EQ(VerdictText(v, judge->GoalsReached(), 2), "Time is up: goal 1 of 2 reached");
    // A touch after the time is up comes too late to count.
    Task.Rules.TouchNothing = true;
    auto late = Start();
    Drive(*late, 100, 600, 0);
    late->Touched(5 * Second + 1, At(600, 500));
    EXPECT_FALSE(late->Decided());

    // A task without goals: keeping to the rules until the time is up passes.
    Task.Goals.clear();
    auto keep = Start();
    Drive(*keep, 100, 700, 0);
    EXPECT_EQ(keep->Verdict().State, TVerdictState::vsPassed);
    EXPECT_EQ(VerdictText(keep->Verdict(), 0, 0), "No rule broken in 5.0 s");
}

TEST_F(ChallengeJudgeTest, ANewRunStartsOverAndTheDistanceIsCounted) {
    AddGoal(800);
    auto judge = Start();
    Drive(*judge, 100, 900, 0);
    EXPECT_TRUE(judge->Decided());
    EXPECT_NEAR(judge->DistanceMm(), 800, 1e-9);
    judge->RunStarted(Task.World.Start());
    EXPECT_FALSE(judge->Decided());
    EXPECT_EQ(judge->GoalsReached(), 0);
    EXPECT_EQ(judge->DistanceMm(), 0);
    // Stopped by the caller before anything decided it.
    judge->RobotAt(Second, At(300, 500));
    judge->Finish(60 * Second);
    EXPECT_EQ(judge->Verdict().Reason, TVerdictReason::vrTimeUp);
    EXPECT_EQ(judge->Verdict().Pose.Position.X, 300);
}

// On the board, the judge sees every step, so the verdict is the same
// however finely the caller steps the run.
TEST_F(ChallengeJudgeTest, OnTheBoardTheVerdictDoesNotDependOnTheStepping) {
    Task.Goals.push_back({TShape::Circle({600, 500}, 30), "", 0});
    Task.Rules.TouchNothing = true;
    Task.World.AddWall(TShape::Rectangle({1000, 500}, 20, 1000));
    std::optional<TVerdict> first;
    for (const std::uint64_t stepUs : {1000u, 250000u}) {
        testing::TRobotProgramRun run;
        run.Main(akMoveForward, 40);
        ASSERT_EQ(run.Compile(false, false), "");
        TChallengeJudge judge(Task, Task.World);
        run.Observer = &judge;
        run.Start(Task.World);
        run.RunUntil(20, stepUs);
        const TVerdict& v = judge.Verdict();
        EXPECT_EQ(v.State, TVerdictState::vsPassed) << stepUs;
        EXPECT_NEAR(v.Pose.Position.X, 570, 1);
        EXPECT_GT(v.TimeUs, 3500000u) << "counted from the program's start";
        if (!first) {
            first = v;
        } else {
            EXPECT_EQ(v.TimeUs, first->TimeUs);
            EXPECT_EQ(v.Pose.Position.X, first->Pose.Position.X);
        }
    }
    // With the goal out of the way, the wall comes first.
    Task.Goals.front().Zone = TShape::Circle({1500, 500}, 30);
    testing::TRobotProgramRun run;
    run.Main(akMoveForward, 100);
    ASSERT_EQ(run.Compile(false, false), "");
    TChallengeJudge judge(Task, Task.World);
    run.Observer = &judge;
    run.Start(Task.World);
    run.RunUntil(20);
    EXPECT_EQ(judge.Verdict().Reason, TVerdictReason::vrTouchedWall);
    EXPECT_NEAR(judge.Verdict().Pose.Position.X, 1000 - 10 - 70, 2);
}

} // namespace
} // namespace wayline::sim
