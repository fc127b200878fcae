#include "sim/core/SolidGrid.h"

#include "sim/core/World.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

namespace wayline::sim {
namespace {

bool Overlap(const TBounds& a, const TBounds& b) {
    return a.MinX <= b.MaxX && b.MinX <= a.MaxX && a.MinY <= b.MaxY && b.MinY <= a.MaxY;
}

// Whatever the boxes and the question, every solid whose box meets the
// question's is in the answer, once, the answer in ascending order.
TEST(SolidGridTest, NearHoldsEverySolidWhoseBoxMeetsTheQuestionOnceInOrder) {
    std::mt19937 random(7);
    std::uniform_real_distribution<double> place(-5000, 5000);
    std::uniform_real_distribution<double> size(1, 800);
    std::vector<TBounds> boxes;
    for (int i = 0; i < 1000; ++i) {
        const double x = place(random);
        const double y = place(random);
        boxes.push_back({x, y, x + size(random), y + size(random)});
    }
    boxes.push_back({-5000, -5000, 6000, -4990}); // a wall along the whole floor
    TSolidGrid grid;
    grid.Build(boxes);
    EXPECT_LE(grid.CellsAcross(), TSolidGrid::MaxCellsPerSide + 1);
    for (int q = 0; q < 500; ++q) {
        const double x = place(random) * 1.2;
        const double y = place(random) * 1.2;
        const TBounds question{x, y, x + size(random), y + size(random)};
        const std::vector<std::uint32_t>& near = grid.Near(question);
        EXPECT_TRUE(std::is_sorted(near.begin(), near.end()));
        EXPECT_EQ(std::adjacent_find(near.begin(), near.end()), near.end());
        for (std::uint32_t i = 0; i < boxes.size(); ++i) {
            if (Overlap(boxes[i], question)) {
                EXPECT_TRUE(std::binary_search(near.begin(), near.end(), i)) << q << " " << i;
            }
        }
    }
    EXPECT_TRUE(grid.Near({9000, 9000, 9100, 9100}).empty()) << "beyond every solid";
}

// The world's grid follows its changes: an obstacle moved, added or taken
// away is where the next question finds it.
TEST(SolidGridTest, TheWorldsAnswersFollowItsChanges) {
    TWorld world;
    world.SetArena(10000, 10000);
    const int can = world.AddObstacle(TShape::Circle({1000, 1000}, 30));
    const auto count = [](const TWorld& w, double x, double y) {
        int n = 0;
        w.ForEachSolidNear({x - 50, y - 50, x + 50, y + 50}, [&n](const TShape&) { ++n; });
        return n;
    };
    EXPECT_EQ(count(world, 1000, 1000), 1);
    world.MoveObstacle(can, {5000, 5000});
    EXPECT_EQ(count(world, 1000, 1000), 0);
    EXPECT_EQ(count(world, 5000, 5000), 1);
    world.AddWall(TShape::Rectangle({5000, 5000}, 20, 400));
    EXPECT_EQ(count(world, 5000, 5000), 2);
    world.RemoveObstacle(can);
    EXPECT_EQ(count(world, 5000, 5000), 1);
    TWorld copy = world;
    EXPECT_EQ(count(copy, 5000, 5000), 1) << "a copy answers for itself";
    copy.AddObstacle(TShape::Circle({5000, 5050}, 10));
    EXPECT_EQ(count(copy, 5000, 5000), 2);
    EXPECT_EQ(count(world, 5000, 5000), 1);
}

} // namespace
} // namespace wayline::sim
