#pragma once

#include "sim/core/Challenge.h"
#include "sim/core/RobotSimulation.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace wayline::sim {

enum class TVerdictState { vsUndecided, vsPassed, vsFailed };

// What decided the task.
enum class TVerdictReason {
    vrNone,
    vrGoalsReached,    // passed: every goal reached (and, by the rule, ended in the last)
    vrNoRuleBroken,    // passed: a task without goals, kept to its end or its time
    vrTouchedWall,     // touch nothing: the chassis met a wall
    vrTouchedObstacle, // ... or an obstacle
    vrForbiddenZone,   // the robot drove into a forbidden zone
    vrTimeUp,          // the time ran out before the goals were in
    vrEndedOutside,    // end inside the last goal: the goals were in, but it ended elsewhere
    vrEndedEarly,      // the program ended before the goals were in
};

struct TVerdict {
    TVerdictState State = TVerdictState::vsUndecided;
    TVerdictReason Reason = TVerdictReason::vrNone;
    // When it was decided, counted from the program's start, and where the
    // robot stood then (arena millimetres): the mark on the path.
    std::uint64_t TimeUs = 0;
    TPose Pose;
    int Zone = 0;       // vrForbiddenZone: which one (0 the first)
    bool Fault = false; // the program ended on a fault, not at its end
};

// Judges a run against a challenge's task as it happens: a core observer on
// the board (TRobotSimulation::SetObserver), so that the window, the command
// line and the tests get the same verdict for the same run however often
// they look. The first thing that decides the task counts: all goals in (in
// order when the rules say so), a rule broken, the time up, or the program
// ending. What happens after it does not change it. A new run starts over.
class TChallengeJudge final : public TRunObserver {
public:
    // `world` is the board's (obstacles the user moves count where they
    // are); both must outlive the judge.
    TChallengeJudge(const TChallenge& challenge, const TWorld& world);

    // TRunObserver
    void RunStarted(const TPose& start) override;
    void RobotAt(std::uint64_t timeUs, const TPose& pose) override;
    void Touched(std::uint64_t timeUs, const TPose& pose) override;
    void RunEnded(std::uint64_t timeUs, const TPose& pose, bool fault) override;

    // The run is stopped at `timeUs` before anything decided it (a bound
    // of the caller's, with no time limit in the task): time is up.
    void Finish(std::uint64_t timeUs);

    const TVerdict& Verdict() const { return Result; }
    bool Decided() const { return Result.State != TVerdictState::vsUndecided; }
    int GoalsReached() const { return Reached; }
    int GoalCount() const { return static_cast<int>(Task.Goals.size()); }
    // When goal k was reached (counted from the start), if it was.
    std::optional<std::uint64_t> GoalReachedUs(int goal) const;
    // When the last of the goals came in, once all have.
    std::optional<std::uint64_t> AllGoalsUs() const { return AllGoalsTime; }
    // Millimetres the middle of the axle has travelled since the start.
    double DistanceMm() const { return Distance; }
    bool Started() const { return HasStarted; }

private:
    void Decide(TVerdictState state, TVerdictReason reason, std::uint64_t timeUs,
                const TPose& pose);
    void TakeGoals(std::uint64_t timeUs, const TPose& pose, bool resting);
    bool GoalsDone() const { return Reached == GoalCount(); }
    void AllIn(std::uint64_t timeUs, const TPose& pose);

    const TChallenge& Task;
    const TWorld& World;
    TVerdict Result;
    bool HasStarted = false;
    int Reached = 0;
    std::vector<std::optional<std::uint64_t>> ReachedAt; // by goal
    std::vector<std::optional<std::uint64_t>> InsideSince;
    std::optional<std::uint64_t> AllGoalsTime;
    std::optional<TPose> LastPose;
    std::uint64_t LastTime = 0;
    double Distance = 0;
};

// The verdict as a sentence: "Goal reached in 12.4 s", "Touched the wall
// at 8.2 s", "Time is up: goal 2 of 3 reached", ...; empty while undecided.
std::string VerdictText(const TVerdict& verdict, int goalsReached, int goalCount);

} // namespace wayline::sim
