#pragma once

#include "sim/core/Robot.h"
#include "sim/core/Shape.h"
#include "sim/core/World.h"

#include <optional>

namespace wayline::sim {

// The arena drawn into a window: millimetres to pixels and back, the arena's
// y axis turned to point down the screen, the same scale both ways.
struct TArenaViewport {
    double Scale = 1;   // pixels per millimetre
    double OriginX = 0; // where arena point (0, 0) lies, in pixels
    double OriginY = 0;

    // The largest picture of `bounds` that fits `width` x `height` pixels
    // with `margin` pixels free round it, centred.
    static TArenaViewport Fit(const TBounds& bounds, double width, double height, double margin);

    TPoint ToArena(double x, double y) const {
        return {(x - OriginX) / Scale, (OriginY - y) / Scale};
    }
    double PixelX(TPoint p) const { return OriginX + p.X * Scale; }
    double PixelY(TPoint p) const { return OriginY - p.Y * Scale; }
};

// What the mouse is over in the arena.
enum class TArenaItemKind {
    aiOutside, // off the floor of an arena
    aiFloor,
    aiRobot,
    aiLeftWhisker,
    aiRightWhisker,
    aiObstacle,
};

struct TArenaItem {
    TArenaItemKind Kind = TArenaItemKind::aiOutside;
    int ObstacleId = 0; // aiObstacle

    friend bool operator==(const TArenaItem&, const TArenaItem&) = default;
};

// The item under `at`: a whisker within `reachMm` of its wire first (they
// are thin and lie over whatever they touch), then the topmost obstacle,
// then the robot's body, then the floor.
TArenaItem PickArenaItem(const TWorld& world, const TRobot& robot, TPoint at, double reachMm);

// Whether `shape` may stand where it is: its centre on the floor (anywhere
// on a floor without walls) and clear of the robot's body, so that an
// obstacle is never dropped onto the robot.
bool ObstacleMayStand(const TWorld& world, const TRobot& robot, const TShape& shape);

// Moves obstacle `id` toward `centre`, held to the floor; a place where it
// may not stand leaves it where it was. False when nothing moved.
bool DragObstacle(TWorld& world, const TRobot& robot, int id, TPoint centre);

// The obstacles a user adds: a box of 120 x 80 mm and a drink can (66 mm
// across).
TShape NewBox(TPoint centre);
TShape NewCan(TPoint centre);

// Adds `shape` where it may stand: at its own centre if it may, else at
// the nearest such place on rings round it. The new obstacle's number, or
// nothing when the floor has no room.
std::optional<int> AddObstacleNear(TWorld& world, const TRobot& robot, TShape shape);

} // namespace wayline::sim
