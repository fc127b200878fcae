#pragma once

#include "sim/core/Challenge.h"

#include <filesystem>
#include <string>
#include <string_view>

namespace wayline::sim {

// Challenge files: a world file (see WorldFile.h) with a task. Every world
// file is a challenge file without a task. Lengths in millimetres, times in
// seconds of the robot's clock, counted from the program's start.
//
//   {
//     "title": "Park in the box",
//     "task": "Drive into the box, wait there 2 s, then back out to the start.",
//     "arena": {"width": 1800, "height": 1200},
//     "start": {"x": 300, "y": 600, "heading": 0},
//     "walls": [...], "obstacles": [...], "robot": {...},
//     "goals": [
//       {"name": "box", "shape": "rectangle", "x": 1100, "y": 600,
//        "width": 240, "height": 240, "stay": 2},
//       {"shape": "circle", "x": 300, "y": 600, "radius": 80}
//     ],
//     "forbidden": [{"shape": "rectangle", "x": 900, "y": 150, "width": 400, "height": 100}],
//     "rules": {"goalsInOrder": true, "touchNothing": true,
//               "endInsideLastGoal": true, "timeLimit": 40},
//     "sensors": false
//   }
//
// Goals and forbidden zones are shaped as obstacles are, and a goal may
// have a "name" and a "stay" (seconds the robot must stay inside in one
// go). Every key may be left out; a file that sets a task needs a goal or
// a time limit, and "endInsideLastGoal" needs a goal.

// At most this long a time limit (an hour, as simulate's longest run).
inline constexpr double MaxChallengeSeconds = 3600;

struct TChallengeFileResult {
    bool Loaded = false;
    // Why not, starting with where ("goals[1].radius: ..."); the caller
    // puts the file name in front.
    std::string Error;
    TChallenge Challenge;
};

TChallengeFileResult ParseChallenge(std::string_view text);
TChallengeFileResult ReadChallengeFile(const std::filesystem::path& path);
// The challenge as the text of a challenge file, its world as it stands
// (obstacles where the user moved them). ParseChallenge reads it back to
// the same challenge. Without a task it is a plain world file.
std::string ChallengeToJson(const TChallenge& challenge);

} // namespace wayline::sim
