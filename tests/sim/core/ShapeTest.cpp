#include "sim/core/Shape.h"

#include <gtest/gtest.h>

#include <cmath>

namespace wayline::sim {
namespace {

// A 200 x 100 box turned by 90 degrees stands 100 wide and 200 high.
const TShape Upright = TShape::Rectangle({0, 0}, 200, 100, 90);
const TShape Can = TShape::Circle({100, 0}, 50);

TEST(ShapeTest, DistanceFollowsTheTurnedOutline) {
    EXPECT_NEAR(Upright.DistanceTo({80, 0}), 30, 1e-9);  // beside the short side now
    EXPECT_NEAR(Upright.DistanceTo({0, 130}), 30, 1e-9); // beyond the long side's end
    EXPECT_NEAR(Upright.DistanceTo({53, 103}), std::hypot(3, 3), 1e-9); // off a corner
    EXPECT_EQ(Upright.DistanceTo({0, 99}), 0);
    EXPECT_TRUE(Upright.Contains({49, -99}));
    EXPECT_FALSE(Upright.Contains({51, 0}));
    EXPECT_NEAR(Can.DistanceTo({100, 80}), 30, 1e-9);
    EXPECT_EQ(Can.DistanceTo({110, 10}), 0);
}

TEST(ShapeTest, SegmentsTouchWhenTheyCrossOrEndInside) {
    // Crossing the whole box without an end inside it.
    EXPECT_TRUE(Upright.TouchesSegment({-100, 0}, {100, 0}));
    // Ending inside.
    EXPECT_TRUE(Upright.TouchesSegment({-100, 0}, {0, 0}));
    // Passing beside the turned box where the unturned one would be hit.
    EXPECT_FALSE(Upright.TouchesSegment({-100, 60}, {-60, 60}));
    EXPECT_FALSE(Upright.TouchesSegment({60, -200}, {60, 200}));
    // A segment lying along an axis of the box's frame, outside it.
    EXPECT_FALSE(Upright.TouchesSegment({-60, -10}, {-60, 10}));
    EXPECT_TRUE(Can.TouchesSegment({0, 49}, {200, 49}));
    EXPECT_FALSE(Can.TouchesSegment({0, 51}, {200, 51}));
    // Pointing at the can but stopping short of it.
    EXPECT_FALSE(Can.TouchesSegment({0, 0}, {49, 0}));
}

TEST(ShapeTest, RaysGiveTheDistanceToTheFirstHit) {
    EXPECT_NEAR(*Can.RayHit({0, 0}, {1, 0}, 100), 50, 1e-9);
    EXPECT_FALSE(Can.RayHit({0, 0}, {1, 0}, 49).has_value()) << "beyond the range";
    EXPECT_FALSE(Can.RayHit({0, 0}, {-1, 0}, 1000).has_value()) << "behind the origin";
    EXPECT_FALSE(Can.RayHit({0, 60}, {1, 0}, 1000).has_value()) << "passing by";
    EXPECT_EQ(*Can.RayHit({100, 10}, {1, 0}, 1), 0) << "from inside";

    EXPECT_NEAR(*Upright.RayHit({-300, 90}, {1, 0}, 1000), 250, 1e-9);
    EXPECT_NEAR(*Upright.RayHit({0, -300}, {0, 1}, 1000), 200, 1e-9);
    EXPECT_FALSE(Upright.RayHit({-300, 101}, {1, 0}, 1000).has_value());
    EXPECT_EQ(*Upright.RayHit({0, 0}, {0, 1}, 10), 0);
    const double d = std::sqrt(0.5);
    EXPECT_NEAR(*Upright.RayHit({-150, -150}, {d, d}, 1000), std::hypot(100, 100), 1e-9);
}

TEST(ShapeTest, BoundsHoldTheTurnedShape) {
    const TBounds b = Upright.Bounds();
    EXPECT_NEAR(b.MinX, -50, 1e-9);
    EXPECT_NEAR(b.MaxX, 50, 1e-9);
    EXPECT_NEAR(b.MinY, -100, 1e-9);
    EXPECT_NEAR(b.MaxY, 100, 1e-9);
    const TBounds diamond = TShape::Rectangle({0, 0}, 100, 100, 45).Bounds();
    EXPECT_NEAR(diamond.MaxX, std::sqrt(2) * 50, 1e-9);
    EXPECT_NEAR(Upright.ReachRadius(), std::hypot(100, 50), 1e-9);
}

} // namespace
} // namespace wayline::sim
