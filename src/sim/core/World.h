#pragma once

#include "sim/core/Pose.h"
#include "sim/core/Shape.h"
#include "sim/core/SolidGrid.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace wayline::sim {

// An obstacle the user may add, move and remove; its number stays the same
// while it exists, so a window can keep hold of the one it drags.
struct TObstacle {
    int Id = 0;
    TShape Shape;
};

// What the simulated robot stands in: an arena floor (a rectangle from
// (0, 0) to (width, height), bounded by walls) or an open floor, fixed
// walls, movable obstacles, the robot's start pose and the true centres of
// its two wheel servos. All lengths are millimetres.
class TWorld {
public:
    // Thickness of the walls around an arena; they stand outside the floor.
    static constexpr double BoundaryThickness = 20;
    // The pulse width (in 2 µs units) at which a well-made servo stands still.
    static constexpr int NominalServoCentre = 750;

    // A floor with no walls and nothing on it; the robot starts at (0, 0)
    // facing along x.
    TWorld() = default;
    // The arena the virtual robot starts in when no world file is given.
    static TWorld DefaultArena();

    // Puts walls around a floor of this size (replacing earlier ones), or,
    // with a size of 0, takes them away.
    void SetArena(double width, double height);
    bool HasArena() const { return ArenaWidth > 0; }
    double Width() const { return ArenaWidth; }
    double Height() const { return ArenaHeight; }

    void AddWall(const TShape& wall);
    // The walls around the arena, then the walls set inside it.
    std::vector<TShape> Walls() const;
    const std::vector<TShape>& BoundaryWalls() const { return Boundary; }
    const std::vector<TShape>& InnerWallList() const { return InnerWalls; }

    const std::vector<TObstacle>& Obstacles() const { return ObstacleList; }
    // Adds an obstacle and returns its number (never reused).
    int AddObstacle(const TShape& shape);
    // Moves the obstacle's centre; false when there is no such obstacle.
    bool MoveObstacle(int id, TPoint centre);
    bool RemoveObstacle(int id);
    const TObstacle* FindObstacle(int id) const;
    // The obstacle under the point (the last added when several are), for
    // picking one up with the mouse.
    std::optional<int> ObstacleAt(TPoint p) const;

    TPose Start() const { return StartPose; }
    void SetStart(TPose start) { StartPose = start; }

    int LeftServoCentre() const { return LeftCentre; }
    int RightServoCentre() const { return RightCentre; }
    void SetServoCentres(int left, int right) {
        LeftCentre = left;
        RightCentre = right;
    }

    // Calls f for every solid the robot can meet: walls, then obstacles.
    template <class F> void ForEachSolid(F&& f) const {
        for (const TShape& s : Boundary) {
            f(s);
        }
        for (const TShape& s : InnerWalls) {
            f(s);
        }
        for (const TObstacle& o : ObstacleList) {
            f(o.Shape);
        }
    }
    // Calls f for every solid whose box may overlap `box`: those near it
    // (each once, in the order of ForEachSolid), never one that cannot.
    // What the robot's moves and sensors look at: with a thousand solids
    // they test a few instead of all. Not for use by two threads at once.
    template <class F> void ForEachSolidNear(const TBounds& box, F&& f) const {
        for (const std::uint32_t i : SolidsNear(box)) {
            f(Solid(i));
        }
    }
    // Counts every change to the solids, so that a user of the world can
    // tell cheaply that it needs to look again.
    unsigned Revision() const { return Changes; }

    // The box that holds the floor, every wall and obstacle and the start.
    TBounds Bounds() const;

private:
    // The grid of the solids, made again when they have changed since. A
    // copy of the world starts without one: it is made when first needed.
    struct TGridCache {
        TGridCache() = default;
        TGridCache(const TGridCache&) {}
        TGridCache& operator=(const TGridCache&) {
            Valid = false;
            return *this;
        }
        TSolidGrid Grid;
        bool Valid = false;
        unsigned Revision = 0;
    };

    const std::vector<std::uint32_t>& SolidsNear(const TBounds& box) const;
    // Solid i in the order of ForEachSolid.
    const TShape& Solid(std::uint32_t i) const;

    double ArenaWidth = 0;
    double ArenaHeight = 0;
    std::vector<TShape> Boundary;
    std::vector<TShape> InnerWalls;
    std::vector<TObstacle> ObstacleList;
    int NextObstacleId = 1;
    TPose StartPose;
    int LeftCentre = NominalServoCentre;
    int RightCentre = NominalServoCentre;
    unsigned Changes = 0;
    mutable TGridCache Grid;
};

} // namespace wayline::sim
