#pragma once

#include "sim/core/World.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace wayline::sim {

// A place the robot is to reach. The robot is in a zone while the middle of
// its axle is (the point its pose names): one rule for goals and forbidden
// zones alike, easy to draw for and to see on the path.
struct TGoal {
    TShape Zone;
    std::string Name; // optional, for the teacher's own notes
    // It counts only once the robot has stayed inside this long in one go
    // (0: the moment it enters).
    std::uint64_t StayUs = 0;
};

// A place the robot must keep out of.
struct TForbiddenZone {
    TShape Zone;
    std::string Name;
};

struct TChallengeRules {
    // Goal k counts only after goals 1 .. k - 1 (reaching a later one first
    // is no fault; it just does not count yet).
    bool GoalsInOrder = false;
    // No contact with a wall or an obstacle.
    bool TouchNothing = false;
    // The program must end (its list run out) with the robot in the last
    // goal: the task is decided when it ends, not when the goals are in.
    bool EndInsideLastGoal = false;
    // Counted from the program's start on the robot's own clock (its
    // start-up wait included), as every time the simulator tells.
    std::optional<std::uint64_t> TimeLimitUs;
};

// A task set in a world: what a pupil's program is to do there and the
// rules it must keep. A world without a task is a challenge too (nothing
// to judge), so one reader serves both kinds of file.
struct TChallenge {
    std::string Title;
    std::string Task; // a few sentences for the pupil
    TWorld World;
    std::vector<TGoal> Goals;
    std::vector<TForbiddenZone> Forbidden;
    TChallengeRules Rules;
    // A beginner's list runs with its sensors on (the "Sensors Enabled"
    // box ticked) when the program is graded; advanced lists always have
    // their sensor sets.
    bool SensorsEnabled = false;

    // Whether there is anything to judge.
    bool HasTask() const {
        return !Goals.empty() || !Forbidden.empty() || Rules.TouchNothing ||
               Rules.TimeLimitUs.has_value();
    }
};

} // namespace wayline::sim
