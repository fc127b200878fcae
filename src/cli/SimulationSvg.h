#pragma once

#include <string>

namespace wayline {

namespace sim {
class TRobotSimulation;
}

// A picture of a run as an SVG document, seen from above with 1 unit to the
// millimetre: the floor, walls and obstacles, the robot's path, the robot
// where it started (dashed) and where it is now (with its whiskers), the
// letter of every main-list step where it began, and a mark where a sensor
// reported (orange: whisker, red: infra-red), where the robot touched
// something (black cross) and where a reaction began (purple ring).
// `title` is written at the top.
std::string SimulationSvg(const sim::TRobotSimulation& board, const std::string& title);

} // namespace wayline
