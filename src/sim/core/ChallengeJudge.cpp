#include "sim/core/ChallengeJudge.h"

#include <cmath>
#include <cstdio>
#include <limits>

namespace wayline::sim {

namespace {

std::string SecondsText(std::uint64_t us) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", static_cast<double>(us) / 1e6);
    return text;
}

// The nearest solid to the robot that touched something is what it
// touched: a wall (the arena's or one set inside it) or an obstacle.
bool NearestIsWall(const TWorld& world, TPoint at) {
    double wall = std::numeric_limits<double>::infinity();
    for (const TShape& s : world.BoundaryWalls()) {
        wall = std::min(wall, s.DistanceTo(at));
    }
    for (const TShape& s : world.InnerWallList()) {
        wall = std::min(wall, s.DistanceTo(at));
    }
    double obstacle = std::numeric_limits<double>::infinity();
    for (const TObstacle& o : world.Obstacles()) {
        obstacle = std::min(obstacle, o.Shape.DistanceTo(at));
    }
    return wall <= obstacle;
}

} // namespace

TChallengeJudge::TChallengeJudge(const TChallenge& challenge, const TWorld& world)
    : Task(challenge), World(world), ReachedAt(challenge.Goals.size()),
      InsideSince(challenge.Goals.size()) {}

void TChallengeJudge::RunStarted(const TPose& start) {
    Result = {};
    HasStarted = true;
    Reached = 0;
    ReachedAt.assign(Task.Goals.size(), std::nullopt);
    InsideSince.assign(Task.Goals.size(), std::nullopt);
    AllGoalsTime.reset();
    LastPose = start;
    LastTime = 0;
    Distance = 0;
    // A goal the robot starts in counts at once (unless it must wait there).
    TakeGoals(0, start, false);
}

std::optional<std::uint64_t> TChallengeJudge::GoalReachedUs(int goal) const {
    if (goal < 0 || goal >= GoalCount()) {
        return std::nullopt;
    }
    return ReachedAt[static_cast<std::size_t>(goal)];
}

void TChallengeJudge::Decide(TVerdictState state, TVerdictReason reason, std::uint64_t timeUs,
                             const TPose& pose) {
    if (Decided()) {
        return;
    }
    Result.State = state;
    Result.Reason = reason;
    Result.TimeUs = timeUs;
    Result.Pose = pose;
}

void TChallengeJudge::AllIn(std::uint64_t timeUs, const TPose& pose) {
    if (!AllGoalsTime) {
        AllGoalsTime = timeUs;
    }
    if (!Task.Rules.EndInsideLastGoal) {
        Decide(TVerdictState::vsPassed, TVerdictReason::vrGoalsReached, timeUs, pose);
    }
}

// Counts the goals the robot is in at `pose`. `resting`: the program has
// ended, so the robot stays where it is and a goal's stay is as good as
// done.
void TChallengeJudge::TakeGoals(std::uint64_t timeUs, const TPose& pose, bool resting) {
    bool more = true;
    while (more && !GoalsDone()) {
        more = false;
        for (std::size_t k = 0; k < Task.Goals.size(); ++k) {
            if (ReachedAt[k]) {
                continue;
            }
            const TGoal& goal = Task.Goals[k];
            if (!goal.Zone.Contains(pose.Position)) {
                InsideSince[k].reset();
            } else {
                if (!InsideSince[k]) {
                    InsideSince[k] = timeUs;
                }
                if (resting || timeUs - *InsideSince[k] >= goal.StayUs) {
                    ReachedAt[k] = timeUs;
                    ++Reached;
                    // The next goal in order may be reached at the same spot.
                    more = Task.Rules.GoalsInOrder;
                }
            }
            if (Task.Rules.GoalsInOrder) {
                break; // only the next goal counts
            }
        }
    }
    if (GoalsDone() && !Task.Goals.empty()) {
        AllIn(timeUs, pose);
    }
}

void TChallengeJudge::RobotAt(std::uint64_t timeUs, const TPose& pose) {
    if (!HasStarted) {
        return;
    }
    if (LastPose) {
        Distance += std::hypot(pose.Position.X - LastPose->Position.X,
                               pose.Position.Y - LastPose->Position.Y);
    }
    const TPose before = LastPose.value_or(pose);
    LastPose = pose;
    const std::uint64_t beforeUs = LastTime;
    LastTime = timeUs;
    if (Decided()) {
        return;
    }
    const auto& limit = Task.Rules.TimeLimitUs;
    if (limit && timeUs > *limit) {
        // Decided where the robot stood when the time ran out.
        const TPose at = beforeUs <= *limit ? before : pose;
        if (Task.Goals.empty()) {
            Decide(TVerdictState::vsPassed, TVerdictReason::vrNoRuleBroken, *limit, at);
        } else {
            Decide(TVerdictState::vsFailed, TVerdictReason::vrTimeUp, *limit, at);
        }
        return;
    }
    for (std::size_t k = 0; k < Task.Forbidden.size(); ++k) {
        if (Task.Forbidden[k].Zone.Contains(pose.Position)) {
            Result.Zone = static_cast<int>(k);
            Decide(TVerdictState::vsFailed, TVerdictReason::vrForbiddenZone, timeUs, pose);
            return;
        }
    }
    TakeGoals(timeUs, pose, false);
}

void TChallengeJudge::Touched(std::uint64_t timeUs, const TPose& pose) {
    if (!HasStarted || Decided() || !Task.Rules.TouchNothing ||
        (Task.Rules.TimeLimitUs && timeUs > *Task.Rules.TimeLimitUs)) {
        return;
    }
    Decide(TVerdictState::vsFailed,
           NearestIsWall(World, pose.Position) ? TVerdictReason::vrTouchedWall
                                               : TVerdictReason::vrTouchedObstacle,
           timeUs, pose);
}

void TChallengeJudge::RunEnded(std::uint64_t timeUs, const TPose& pose, bool fault) {
    RobotAt(timeUs, pose);
    if (!HasStarted || Decided()) {
        return;
    }
    Result.Fault = fault;
    TakeGoals(timeUs, pose, true);
    if (Decided()) {
        return;
    }
    if (Task.Goals.empty()) {
        Decide(TVerdictState::vsPassed, TVerdictReason::vrNoRuleBroken, timeUs, pose);
    } else if (GoalsDone()) {
        // All in: with the rule, it passes only ending in the last goal.
        const bool inside = Task.Goals.back().Zone.Contains(pose.Position);
        Decide(inside ? TVerdictState::vsPassed : TVerdictState::vsFailed,
               inside ? TVerdictReason::vrGoalsReached : TVerdictReason::vrEndedOutside, timeUs,
               pose);
    } else {
        Decide(TVerdictState::vsFailed, TVerdictReason::vrEndedEarly, timeUs, pose);
    }
}

void TChallengeJudge::Finish(std::uint64_t timeUs) {
    if (!HasStarted || Decided()) {
        return;
    }
    Decide(Task.Goals.empty() ? TVerdictState::vsPassed : TVerdictState::vsFailed,
           Task.Goals.empty() ? TVerdictReason::vrNoRuleBroken : TVerdictReason::vrTimeUp, timeUs,
           LastPose.value_or(World.Start()));
}

std::string VerdictText(const TVerdict& verdict, int goalsReached, int goalCount) {
    const std::string at = SecondsText(verdict.TimeUs);
    const std::string goals =
        "goal " + std::to_string(goalsReached) + " of " + std::to_string(goalCount) + " reached";
    switch (verdict.Reason) {
    case TVerdictReason::vrNone:
        return {};
    case TVerdictReason::vrGoalsReached:
        return goalCount == 1
                   ? "Goal reached in " + at + " s"
                   : "All " + std::to_string(goalCount) + " goals reached in " + at + " s";
    case TVerdictReason::vrNoRuleBroken:
        return "No rule broken in " + at + " s";
    case TVerdictReason::vrTouchedWall:
        return "Touched the wall at " + at + " s";
    case TVerdictReason::vrTouchedObstacle:
        return "Touched an obstacle at " + at + " s";
    case TVerdictReason::vrForbiddenZone:
        return "Drove into a forbidden zone at " + at + " s";
    case TVerdictReason::vrTimeUp:
        return "Time is up: " + goals;
    case TVerdictReason::vrEndedOutside:
        return "The program ended at " + at + " s outside the last goal";
    case TVerdictReason::vrEndedEarly:
        return "The program ended at " + at + " s: " + goals;
    }
    return {};
}

} // namespace wayline::sim
