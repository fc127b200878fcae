#include "sim/core/ArenaEditing.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace wayline::sim {

namespace {

double SegmentDistance(TPoint p, TPoint a, TPoint b) {
    const double abx = b.X - a.X;
    const double aby = b.Y - a.Y;
    const double length2 = abx * abx + aby * aby;
    double t = length2 > 0 ? ((p.X - a.X) * abx + (p.Y - a.Y) * aby) / length2 : 0;
    t = std::clamp(t, 0.0, 1.0);
    return std::hypot(p.X - (a.X + abx * t), p.Y - (a.Y + aby * t));
}

bool OnFloor(const TWorld& world, TPoint p) {
    return !world.HasArena() ||
           (p.X >= 0 && p.Y >= 0 && p.X <= world.Width() && p.Y <= world.Height());
}

TPoint HeldToFloor(const TWorld& world, TPoint p) {
    if (!world.HasArena()) {
        return p;
    }
    return {std::clamp(p.X, 0.0, world.Width()), std::clamp(p.Y, 0.0, world.Height())};
}

// Places tried round a wanted one: 40 mm apart on rings 40 mm apart, out
// to the size of the floor.
constexpr double RingStepMm = 40;

} // namespace

TArenaViewport TArenaViewport::Fit(const TBounds& bounds, double width, double height,
                                   double margin) {
    const double w = std::max(bounds.MaxX - bounds.MinX, 1.0);
    const double h = std::max(bounds.MaxY - bounds.MinY, 1.0);
    const double roomX = std::max(width - 2 * margin, 1.0);
    const double roomY = std::max(height - 2 * margin, 1.0);
    TArenaViewport v;
    v.Scale = std::min(roomX / w, roomY / h);
    // Centred: the picture's middle on the window's middle.
    v.OriginX = width / 2 - (bounds.MinX + w / 2) * v.Scale;
    v.OriginY = height / 2 + (bounds.MinY + h / 2) * v.Scale;
    return v;
}

TArenaItem PickArenaItem(const TWorld& world, const TRobot& robot, TPoint at, double reachMm) {
    double nearest = reachMm;
    std::optional<TArenaItemKind> whisker;
    for (const TSide side : {TSide::sdLeft, TSide::sdRight}) {
        TPoint base;
        TPoint tip;
        robot.WhiskerSegment(side, base, tip);
        const double d = SegmentDistance(at, base, tip);
        if (d <= nearest) {
            nearest = d;
            whisker = side == TSide::sdLeft ? TArenaItemKind::aiLeftWhisker
                                            : TArenaItemKind::aiRightWhisker;
        }
    }
    if (whisker) {
        return {*whisker, 0};
    }
    if (const std::optional<int> id = world.ObstacleAt(at)) {
        return {TArenaItemKind::aiObstacle, *id};
    }
    const TPoint c = robot.Pose().Position;
    if (std::hypot(at.X - c.X, at.Y - c.Y) <= robot.Parameters().BodyRadiusMm) {
        return {TArenaItemKind::aiRobot, 0};
    }
    return {OnFloor(world, at) ? TArenaItemKind::aiFloor : TArenaItemKind::aiOutside, 0};
}

bool ObstacleMayStand(const TWorld& world, const TRobot& robot, const TShape& shape) {
    return OnFloor(world, shape.Centre()) &&
           shape.DistanceTo(robot.Pose().Position) > robot.Parameters().BodyRadiusMm;
}

bool DragObstacle(TWorld& world, const TRobot& robot, int id, TPoint centre) {
    const TObstacle* obstacle = world.FindObstacle(id);
    if (obstacle == nullptr) {
        return false;
    }
    TShape moved = obstacle->Shape;
    moved.MoveTo(HeldToFloor(world, centre));
    const TPoint from = obstacle->Shape.Centre();
    if ((moved.Centre().X == from.X && moved.Centre().Y == from.Y) ||
        !ObstacleMayStand(world, robot, moved)) {
        return false;
    }
    return world.MoveObstacle(id, moved.Centre());
}

TShape NewBox(TPoint centre) {
    return TShape::Rectangle(centre, 120, 80);
}

TShape NewCan(TPoint centre) {
    return TShape::Circle(centre, 33);
}

std::optional<int> AddObstacleNear(TWorld& world, const TRobot& robot, TShape shape) {
    const TPoint wanted = HeldToFloor(world, shape.Centre());
    const TBounds b = world.Bounds();
    const double farthest = std::hypot(b.MaxX - b.MinX, b.MaxY - b.MinY);
    for (double radius = 0; radius <= farthest; radius += RingStepMm) {
        // One place at the centre, then more on every larger ring.
        const int places =
            radius == 0 ? 1 : static_cast<int>(2 * std::numbers::pi * radius / RingStepMm);
        for (int k = 0; k < places; ++k) {
            const double a = 2 * std::numbers::pi * k / places;
            const TPoint p{wanted.X + radius * std::cos(a), wanted.Y + radius * std::sin(a)};
            shape.MoveTo(p);
            if (ObstacleMayStand(world, robot, shape)) {
                return world.AddObstacle(shape);
            }
        }
    }
    return std::nullopt;
}

} // namespace wayline::sim
