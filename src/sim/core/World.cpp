#include "sim/core/World.h"

#include <algorithm>

namespace wayline::sim {

TWorld TWorld::DefaultArena() {
    // A floor of 1.8 m by 1.2 m, about what a classroom clears on the floor
    // or gets from two tables pushed together. The robot starts near the
    // left wall facing right, with room for a few seconds of driving before
    // it meets a box turned askew, a drink can and a short wall.
    TWorld world;
    world.SetArena(1800, 1200);
    world.SetStart({{300, 600}, 0});
    world.AddWall(TShape::Rectangle({1500, 900}, 20, 600));
    world.AddObstacle(TShape::Rectangle({1000, 650}, 160, 120, 25));
    world.AddObstacle(TShape::Circle({700, 250}, 33));
    world.AddObstacle(TShape::Circle({1300, 300}, 60));
    return world;
}

void TWorld::SetArena(double width, double height) {
    Boundary.clear();
    ArenaWidth = width > 0 && height > 0 ? width : 0;
    ArenaHeight = ArenaWidth > 0 ? height : 0;
    if (ArenaWidth > 0) {
        const double t = BoundaryThickness;
        const double w = ArenaWidth;
        const double h = ArenaHeight;
        // Long enough to close the corners.
        Boundary.push_back(TShape::Rectangle({w / 2, -t / 2}, w + 2 * t, t));
        Boundary.push_back(TShape::Rectangle({w / 2, h + t / 2}, w + 2 * t, t));
        Boundary.push_back(TShape::Rectangle({-t / 2, h / 2}, t, h));
        Boundary.push_back(TShape::Rectangle({w + t / 2, h / 2}, t, h));
    }
    ++Changes;
}

void TWorld::AddWall(const TShape& wall) {
    InnerWalls.push_back(wall);
    ++Changes;
}

const TShape& TWorld::Solid(std::uint32_t i) const {
    if (i < Boundary.size()) {
        return Boundary[i];
    }
    i -= static_cast<std::uint32_t>(Boundary.size());
    if (i < InnerWalls.size()) {
        return InnerWalls[i];
    }
    return ObstacleList[i - InnerWalls.size()].Shape;
}

const std::vector<std::uint32_t>& TWorld::SolidsNear(const TBounds& box) const {
    if (!Grid.Valid || Grid.Revision != Changes) {
        std::vector<TBounds> boxes;
        boxes.reserve(Boundary.size() + InnerWalls.size() + ObstacleList.size());
        ForEachSolid([&boxes](const TShape& shape) { boxes.push_back(shape.Bounds()); });
        Grid.Grid.Build(boxes);
        Grid.Valid = true;
        Grid.Revision = Changes;
    }
    return Grid.Grid.Near(box);
}

std::vector<TShape> TWorld::Walls() const {
    std::vector<TShape> walls = Boundary;
    walls.insert(walls.end(), InnerWalls.begin(), InnerWalls.end());
    return walls;
}

int TWorld::AddObstacle(const TShape& shape) {
    ObstacleList.push_back({NextObstacleId, shape});
    ++Changes;
    return NextObstacleId++;
}

bool TWorld::MoveObstacle(int id, TPoint centre) {
    for (TObstacle& o : ObstacleList) {
        if (o.Id == id) {
            o.Shape.MoveTo(centre);
            ++Changes;
            return true;
        }
    }
    return false;
}

bool TWorld::RemoveObstacle(int id) {
    const auto it = std::find_if(ObstacleList.begin(), ObstacleList.end(),
                                 [id](const TObstacle& o) { return o.Id == id; });
    if (it == ObstacleList.end()) {
        return false;
    }
    ObstacleList.erase(it);
    ++Changes;
    return true;
}

const TObstacle* TWorld::FindObstacle(int id) const {
    for (const TObstacle& o : ObstacleList) {
        if (o.Id == id) {
            return &o;
        }
    }
    return nullptr;
}

std::optional<int> TWorld::ObstacleAt(TPoint p) const {
    for (auto it = ObstacleList.rbegin(); it != ObstacleList.rend(); ++it) {
        if (it->Shape.Contains(p)) {
            return it->Id;
        }
    }
    return std::nullopt;
}

TBounds TWorld::Bounds() const {
    const TPoint s = StartPose.Position;
    TBounds b{s.X, s.Y, s.X, s.Y};
    if (HasArena()) {
        b = {std::min(b.MinX, 0.0), std::min(b.MinY, 0.0), std::max(b.MaxX, ArenaWidth),
             std::max(b.MaxY, ArenaHeight)};
    }
    ForEachSolid([&b](const TShape& shape) {
        const TBounds sb = shape.Bounds();
        b = {std::min(b.MinX, sb.MinX), std::min(b.MinY, sb.MinY), std::max(b.MaxX, sb.MaxX),
             std::max(b.MaxY, sb.MaxY)};
    });
    return b;
}

} // namespace wayline::sim
