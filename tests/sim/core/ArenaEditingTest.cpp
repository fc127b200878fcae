// The virtual robot window's decisions, without the window: the picture's
// scale, what the mouse is over, where obstacles may go, how much time a
// frame runs, and the pacer the window hands the module's time back with.

#include "sim/core/ArenaEditing.h"
#include "sim/core/Playback.h"
#include "sim/core/ResumablePacer.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>

namespace wayline::sim {
namespace {

// The default arena's robot at its start: (300, 600) facing +x.
struct TArena {
    TWorld World = TWorld::DefaultArena();
    TRobot Robot{World};
};

TEST(ArenaViewportTest, TheArenaFillsTheWindowWithOneScaleCentredAndUpright) {
    const TBounds bounds{-20, -20, 1820, 1220};
    const TArenaViewport v = TArenaViewport::Fit(bounds, 640, 440, 8);
    // Limited by the width: 624 pixels for 1840 mm.
    EXPECT_DOUBLE_EQ(v.Scale, 624.0 / 1840);
    EXPECT_NEAR(v.PixelX({-20, 0}), 8, 1e-9);
    EXPECT_NEAR(v.PixelX({1820, 0}), 632, 1e-9);
    // Centred top to bottom, and y up in the arena is up on the screen.
    const double top = v.PixelY({0, 1220});
    const double bottom = v.PixelY({0, -20});
    EXPECT_NEAR(top, 440 - bottom, 1e-9);
    EXPECT_LT(top, bottom);
    const TPoint back = v.ToArena(v.PixelX({123.5, 456.25}), v.PixelY({123.5, 456.25}));
    EXPECT_NEAR(back.X, 123.5, 1e-9);
    EXPECT_NEAR(back.Y, 456.25, 1e-9);
    // A window smaller than its margins still gets a usable scale.
    EXPECT_GT(TArenaViewport::Fit(bounds, 4, 4, 8).Scale, 0);
}

TEST(ArenaPickingTest, WhiskersComeFirstThenObstaclesThenTheRobotThenTheFloor) {
    TArena a;
    TPoint base;
    TPoint tip;
    a.Robot.WhiskerSegment(TSide::sdLeft, base, tip);
    const TPoint onLeftWire{(base.X + tip.X) / 2, (base.Y + tip.Y) / 2 + 3};
    EXPECT_EQ(PickArenaItem(a.World, a.Robot, onLeftWire, 5).Kind, TArenaItemKind::aiLeftWhisker);
    EXPECT_EQ(PickArenaItem(a.World, a.Robot, onLeftWire, 2).Kind, TArenaItemKind::aiFloor)
        << "out of the wire's reach it is the floor beside it";
    a.Robot.WhiskerSegment(TSide::sdRight, base, tip);
    // An obstacle under the right whisker's tip: the whisker is picked.
    const int under = a.World.AddObstacle(TShape::Circle(tip, 20));
    EXPECT_EQ(PickArenaItem(a.World, a.Robot, tip, 5).Kind, TArenaItemKind::aiRightWhisker);
    const TArenaItem obstacle = PickArenaItem(a.World, a.Robot, {tip.X + 15, tip.Y}, 5);
    EXPECT_EQ(obstacle, (TArenaItem{TArenaItemKind::aiObstacle, under}));
    EXPECT_EQ(PickArenaItem(a.World, a.Robot, {260, 600}, 5).Kind, TArenaItemKind::aiRobot);
    EXPECT_EQ(PickArenaItem(a.World, a.Robot, {900, 1000}, 5).Kind, TArenaItemKind::aiFloor);
    EXPECT_EQ(PickArenaItem(a.World, a.Robot, {-10, 600}, 5).Kind, TArenaItemKind::aiOutside);
}

TEST(ArenaEditingTest, DraggedObstaclesStayOnTheFloorAndOffTheRobot) {
    TArena a;
    const int box = a.World.AddObstacle(NewBox({900, 900}));
    const unsigned before = a.World.Revision();
    EXPECT_TRUE(DragObstacle(a.World, a.Robot, box, {1000, 950}));
    EXPECT_GT(a.World.Revision(), before) << "the robot must look at its world again";
    // Past the wall: held at the floor's edge.
    EXPECT_TRUE(DragObstacle(a.World, a.Robot, box, {2500, -300}));
    EXPECT_DOUBLE_EQ(a.World.FindObstacle(box)->Shape.Centre().X, 1800);
    EXPECT_DOUBLE_EQ(a.World.FindObstacle(box)->Shape.Centre().Y, 0);
    // Onto the robot: refused, the box stays where it was.
    EXPECT_FALSE(DragObstacle(a.World, a.Robot, box, {330, 600}));
    EXPECT_DOUBLE_EQ(a.World.FindObstacle(box)->Shape.Centre().X, 1800);
    EXPECT_FALSE(DragObstacle(a.World, a.Robot, 999, {500, 500}));
}

TEST(ArenaEditingTest, NewObstaclesGoWhereAskedOrToTheNearestFreePlace) {
    TArena a;
    const std::optional<int> can = AddObstacleNear(a.World, a.Robot, NewCan({1200, 1000}));
    ASSERT_TRUE(can.has_value());
    EXPECT_DOUBLE_EQ(a.World.FindObstacle(*can)->Shape.Centre().X, 1200);
    EXPECT_DOUBLE_EQ(a.World.FindObstacle(*can)->Shape.Radius(), 33);
    // Asked for on top of the robot: it goes next to it instead.
    const std::optional<int> box = AddObstacleNear(a.World, a.Robot, NewBox({300, 600}));
    ASSERT_TRUE(box.has_value());
    const TShape& placed = a.World.FindObstacle(*box)->Shape;
    EXPECT_GT(placed.DistanceTo({300, 600}), a.Robot.Parameters().BodyRadiusMm);
    const TPoint c = placed.Centre();
    EXPECT_LT(std::hypot(c.X - 300, c.Y - 600), 250) << "near where it was asked for";
}

TEST(PlaybackTest, AFrameRunsItsTimeTimesTheSpeedAndALateFrameNoMoreThanTheLimit) {
    TPlayback playback;
    EXPECT_TRUE(playback.Playing());
    EXPECT_EQ(playback.FrameRunUs(16667), 16667u);
    ASSERT_TRUE(playback.SetSpeed(4));
    EXPECT_EQ(playback.FrameRunUs(16667), 4u * 16667);
    // Ten seconds without a frame (a dialog, a stalled host): one bounded
    // slice, not ten seconds of catching up on the user-interface thread.
    EXPECT_EQ(playback.FrameRunUs(10'000'000), 4 * TPlayback::MaxFrameUs);
    EXPECT_FALSE(playback.SetSpeed(3));
    EXPECT_EQ(playback.Speed(), 4);
    playback.SetPlaying(false);
    EXPECT_EQ(playback.FrameRunUs(16667), 0u);
}

// A host clock that moves only when someone sleeps on it.
class TStepHostClock final : public TRealTimePacer {
public:
    std::uint64_t NowUs() const override { return Now.load(); }
    void SleepUntilUs(std::uint64_t us) const override {
        std::uint64_t now = Now.load();
        while (now < us && !Now.compare_exchange_weak(now, us)) {
        }
    }
    mutable std::atomic<std::uint64_t> Now{1'000'000};
};

TEST(ResumablePacerTest, SimulatedTimeGoesOnFromWhereItWasHandedBackAtTheHostsPace) {
    const auto host = std::make_shared<TStepHostClock>();
    TResumablePacer pacer(host);
    EXPECT_EQ(pacer.NowUs(), 0u);
    host->Now += 500;
    EXPECT_EQ(pacer.NowUs(), 500u);
    // The window ran the module to 7 s (four times as fast, say).
    pacer.ResumeFrom(7'000'000);
    EXPECT_EQ(pacer.NowUs(), 7'000'000u);
    pacer.SleepUntilUs(7'020'000);
    EXPECT_EQ(host->Now.load(), 1'020'500u) << "20 ms of the host's time";
    EXPECT_EQ(pacer.NowUs(), 7'020'000u);
    // Paused at 3 s: a wait for a time already behind returns at once.
    pacer.ResumeFrom(3'000'000);
    pacer.SleepUntilUs(2'000'000);
    EXPECT_EQ(host->Now.load(), 1'020'500u);
}

} // namespace
} // namespace wayline::sim
