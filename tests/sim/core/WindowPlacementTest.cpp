#include "sim/core/WindowPlacement.h"

#include <gtest/gtest.h>

#include <string>

namespace wayline::sim {
namespace {

// The main window as it comes from its layout records: beginner 526 x 527
// at (120, 80), advanced 797 x 527 at (60, 80). What the user works in
// while the robot runs reaches down to the buttons (y 400); the help box
// below them may be covered.
struct TMode {
    const char* Name;
    TScreenRect Main;
    TScreenRect Working;
};
const TMode Beginner{"beginner", {120, 80, 526, 527}, {16, 40, 494, 360}};
const TMode Advanced{"advanced", {60, 80, 797, 527}, {16, 40, 765, 360}};

TBesideMainWindow On(int width, int height, const TMode& mode) {
    TBesideMainWindow s;
    s.WorkArea = {0, 0, width, height};
    s.Main = mode.Main;
    s.MainWorking = mode.Working;
    return s;
}

TScreenRect Working(const TWindowPlaces& p, const TMode& mode) {
    return {p.Main.X + mode.Working.X, p.Main.Y + mode.Working.Y, mode.Working.Width,
            mode.Working.Height};
}

void ExpectFits(const TBesideMainWindow& s, const TWindowPlaces& p) {
    EXPECT_TRUE(s.WorkArea.Contains(p.Main));
    EXPECT_TRUE(s.WorkArea.Contains(p.Robot));
    const bool narrow = p.Robot.Width < s.RobotMinimumWide.Width;
    EXPECT_GE(p.Robot.Width, narrow ? s.RobotMinimumNarrow.Width : s.RobotMinimumWide.Width);
    EXPECT_GE(p.Robot.Height, narrow ? s.RobotMinimumNarrow.Height : s.RobotMinimumWide.Height);
    EXPECT_EQ(p.Main.Width, s.Main.Width);
    EXPECT_EQ(p.Main.Height, s.Main.Height);
}

// From 1280 x 720 up, both modes: the windows side by side, nothing of
// either covered.
TEST(WindowPlacementTest, OnAScreenOf1280By720OrMoreTheWindowsStandSideBySide) {
    for (const auto& [w, h] : {std::pair{1280, 720}, std::pair{1920, 1080}}) {
        for (const TMode& mode : {Beginner, Advanced}) {
            SCOPED_TRACE(std::to_string(w) + "x" + std::to_string(h) + " " + mode.Name);
            const TBesideMainWindow s = On(w, h, mode);
            const TWindowPlaces p = PlaceBesideMainWindow(s);
            ExpectFits(s, p);
            EXPECT_FALSE(p.Overlaps);
            EXPECT_EQ(p.Robot.OverlapArea(p.Main), 0);
        }
    }
    // Where there is room, as it likes and the main window stays put.
    const TWindowPlaces wide = PlaceBesideMainWindow(On(1920, 1080, Beginner));
    EXPECT_EQ(wide.Main, Beginner.Main);
    EXPECT_EQ(wide.Robot, (TScreenRect{646, 80, 920, 640}));
    // 1280 x 720 in advanced mode: the main window moves to the left edge,
    // the robot window takes the rest, tall and narrow.
    const TWindowPlaces tight = PlaceBesideMainWindow(On(1280, 720, Advanced));
    EXPECT_EQ(tight.Main, (TScreenRect{0, 80, 797, 527}));
    EXPECT_EQ(tight.Robot, (TScreenRect{797, 0, 483, 720}));
    // In beginner mode it is wide enough for the short and wide layout.
    const TWindowPlaces beginner = PlaceBesideMainWindow(On(1280, 720, Beginner));
    EXPECT_EQ(beginner.Robot.Width, 1280 - 526);
    EXPECT_EQ(beginner.Robot.Height, 640);
}

TEST(WindowPlacementTest, OnASmallerScreenTheListAndTheSensorPanelStayInSight) {
    // 1024 x 768, beginner: still room for the tall and narrow layout.
    const TBesideMainWindow b = On(1024, 768, Beginner);
    const TWindowPlaces beginner = PlaceBesideMainWindow(b);
    ExpectFits(b, beginner);
    EXPECT_FALSE(beginner.Overlaps);
    EXPECT_EQ(beginner.Robot.OverlapArea(beginner.Main), 0);

    // Advanced: no room beside it; the robot window goes below the buttons,
    // over the help box only, and the main window to the top.
    const TBesideMainWindow a = On(1024, 768, Advanced);
    const TWindowPlaces advanced = PlaceBesideMainWindow(a);
    ExpectFits(a, advanced);
    EXPECT_EQ(advanced.Main.Y, 0);
    EXPECT_EQ(advanced.Robot.OverlapArea(Working(advanced, Advanced)), 0);
    EXPECT_GT(advanced.Robot.OverlapArea(advanced.Main), 0);
    EXPECT_GE(advanced.Robot.Width, 720);

    // Smaller still: the least of the working area is covered.
    const TBesideMainWindow t = On(800, 600, Advanced);
    const TWindowPlaces tiny = PlaceBesideMainWindow(t);
    EXPECT_TRUE(tiny.Overlaps);
    EXPECT_TRUE(t.WorkArea.Contains(tiny.Robot));
    // Below, at its least height: 150 rows of the working area, not the
    // 360 of a narrow one at the right edge.
    EXPECT_EQ(tiny.Robot, (TScreenRect{0, 250, 800, 350}));
    EXPECT_EQ(tiny.Robot.OverlapArea(Working(tiny, Advanced)), 765 * 150);
}

TEST(WindowPlacementTest, TheTestWindowKeepsClearOfTheRobotsStart) {
    const TScreenRect area{0, 0, 1280, 720};
    const TScreenRect main{0, 80, 797, 527};
    const TScreenRect robot{797, 0, 483, 720};
    const TScreenRect start{850, 200, 120, 120};
    const TScreenRect test = PlaceTestWindow(area, main, robot, start, {442, 370});
    EXPECT_TRUE(area.Contains(test));
    EXPECT_EQ(test.OverlapArea(start), 0);
    EXPECT_EQ(test.OverlapArea(robot), 0) << "over the main window";

    // The robot window fills the screen: anywhere but the start.
    const TScreenRect all = PlaceTestWindow(area, main, area, start, {442, 370});
    EXPECT_TRUE(area.Contains(all));
    EXPECT_EQ(all.OverlapArea(start), 0);
}

TEST(WindowPlacementTest, OnlyAMoveOrResizeBeyondTheWindowManagersNudgeIsTheUsers) {
    const TScreenRect placed{646, 80, 920, 640};
    EXPECT_FALSE(MovedByUser(placed, {650, 104, 920, 640})) << "the frame's nudge";
    EXPECT_TRUE(MovedByUser(placed, {400, 80, 920, 640}));
    EXPECT_TRUE(MovedByUser(placed, {646, 80, 700, 640}));
}

} // namespace
} // namespace wayline::sim
