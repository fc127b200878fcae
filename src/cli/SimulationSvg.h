#pragma once

#include <string>

namespace wayline {

namespace sim {
class TRobotSimulation;
struct TChallenge;
struct TVerdict;
} // namespace sim

// A picture of a run as an SVG document, seen from above with 1 unit to the
// millimetre: the floor, walls and obstacles, the robot's path, the robot
// where it started (dashed) and where it is now (with its whiskers), the
// letter of every main-list step where it began, and a mark where a sensor
// reported (orange: whisker, red: infra-red), where the robot touched
// something (black cross) and where a reaction began (purple ring).
// `title` is written at the top. With a challenge, its goals (green,
// numbered when they are to be reached in order) and forbidden zones (red)
// lie under the path, and a verdict is marked where it was decided: a
// green ring for a pass, a red cross in a ring for a fail.
std::string SimulationSvg(const sim::TRobotSimulation& board, const std::string& title,
                          const sim::TChallenge* challenge = nullptr,
                          const sim::TVerdict* verdict = nullptr);

} // namespace wayline
