// Feeds arbitrary bytes to the world-file reader. A refused file must say
// why; an accepted world must write out and read back to the same text, and
// the robot must be able to drive, turn and use its sensors in it without
// leaving the floor through a wall or obstacle.
#include "sim/core/Robot.h"
#include "sim/core/WorldFile.h"

#include <cmath>
#include <cstdlib>
#include <string_view>

namespace {

using namespace wayline::sim;

void Check(bool condition) {
    if (!condition) {
        std::abort();
    }
}

// Full ahead, then a turn on the spot, with a look round between.
void Drive(TWorld& world) {
    TRobot robot(world);
    const double body = robot.Parameters().BodyRadiusMm;
    for (std::uint64_t t = 0; t < 600000; t += 20000) {
        const bool turn = t >= 300000;
        robot.Pulse(RobotPins::LeftServo, t, turn ? 1540 : 1700);
        robot.Pulse(RobotPins::RightServo, t, turn ? 1540 : 1300);
        robot.InputLevel(RobotPins::LeftWhisker, t + 1000);
        robot.Tone(RobotPins::RightIrLed, t + 2000, 1000, 37500, 0);
        robot.InputLevel(RobotPins::RightIrDetector, t + 3000);
    }
    robot.AdvanceTo(600000);
    const TPose end = robot.Pose();
    Check(std::isfinite(end.Position.X) && std::isfinite(end.Position.Y));
    // It started clear of everything (the reader sees to that), so no step
    // may have taken it into a solid.
    world.ForEachSolid([&](const TShape& s) { Check(s.DistanceTo(end.Position) >= body - 1e-6); });
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    TWorldFileResult read = ParseWorld(text);
    if (!read.Loaded) {
        Check(!read.Error.empty());
        return 0;
    }
    const std::string written = WorldToJson(read.World);
    const TWorldFileResult again = ParseWorld(written);
    // Rounding to a thousandth may move a solid onto the start by a hair;
    // anything else must read back.
    if (again.Loaded) {
        Check(WorldToJson(again.World) == written);
    } else {
        Check(again.Error.starts_with("start: "));
    }
    if (read.World.Obstacles().size() + read.World.InnerWallList().size() <= 50) {
        Drive(read.World);
    }
    return 0;
}
