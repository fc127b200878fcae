#include "sim/core/WindowPlacement.h"

#include <algorithm>
#include <cstdlib>
#include <limits>

namespace wayline::sim {

namespace {

// A window manager may shift a placed window by its decorations.
constexpr int WindowManagerSlackPx = 32;

TScreenRect Clamped(TScreenRect r, const TScreenRect& area) {
    r.X = std::clamp(r.X, area.X, std::max(area.X, area.Right() - r.Width));
    r.Y = std::clamp(r.Y, area.Y, std::max(area.Y, area.Bottom() - r.Height));
    return r;
}

TScreenRect Offset(const TScreenRect& r, int dx, int dy) {
    return {r.X + dx, r.Y + dy, r.Width, r.Height};
}

// Side by side: the robot window to the right or the left of the main one.
TWindowPlaces SideBySide(const TBesideMainWindow& s, const TScreenRect& main, int room) {
    const TScreenRect& area = s.WorkArea;
    const int width = std::min(s.RobotPreferred.Width, room);
    const int height = std::min(area.Height, width >= s.RobotMinimumWide.Width
                                                 ? s.RobotPreferred.Height
                                                 : s.NarrowHeight);
    TWindowPlaces places;
    places.Main = main;
    const int roomRight = area.Right() - main.Right();
    const int roomLeft = main.X - area.X;
    if (roomRight >= width) {
        places.Robot = {main.Right(), main.Y, width, height};
    } else if (roomLeft >= width) {
        places.Robot = {main.X - width, main.Y, width, height};
    } else {
        // Move the main window the shorter way.
        const int toLeft = width - roomRight;  // main moves left by this
        const int toRight = width - roomLeft;  // or right by this
        if (toLeft <= toRight) {
            places.Main.X -= toLeft;
            places.Robot = {places.Main.Right(), main.Y, width, height};
        } else {
            places.Main.X += toRight;
            places.Robot = {places.Main.X - width, main.Y, width, height};
        }
    }
    places.Robot = Clamped(places.Robot, area);
    return places;
}

} // namespace

long long TScreenRect::OverlapArea(const TScreenRect& other) const {
    const int w = std::min(Right(), other.Right()) - std::max(X, other.X);
    const int h = std::min(Bottom(), other.Bottom()) - std::max(Y, other.Y);
    return w > 0 && h > 0 ? static_cast<long long>(w) * h : 0;
}

TWindowPlaces PlaceBesideMainWindow(const TBesideMainWindow& s) {
    const TScreenRect& area = s.WorkArea;
    const TScreenRect main = Clamped(s.Main, area);
    const int room = area.Width - main.Width;
    if (room >= s.RobotMinimumNarrow.Width && area.Height >= s.RobotMinimumNarrow.Height) {
        return SideBySide(s, main, room);
    }

    // No room beside it. Two ways to cover little of what the user works
    // in: the main window at the top and the robot window below its working
    // area, short and wide; or the main window at the left and the robot
    // window at the right edge, tall and narrow. The one that covers less
    // wins; on a tie, the larger robot window.
    struct TCandidate {
        TWindowPlaces Places;
        long long Covered = 0;
    };
    std::vector<TCandidate> candidates;
    {
        TWindowPlaces below;
        below.Main = {main.X, area.Y, main.Width, main.Height};
        const int workingBottom = below.Main.Y + s.MainWorking.Bottom();
        const int top = std::min(workingBottom, area.Bottom() - s.RobotMinimumWide.Height);
        const int width = std::min(area.Width, s.RobotPreferred.Width);
        below.Robot = Clamped({below.Main.X, top, width, area.Bottom() - top}, area);
        candidates.push_back({below, 0});
    }
    {
        TWindowPlaces right;
        right.Main = {area.X, main.Y, main.Width, main.Height};
        const int workingRight = right.Main.X + s.MainWorking.Right();
        const int left = std::min(workingRight, area.Right() - s.RobotMinimumNarrow.Width);
        const int height = std::min(area.Height, s.NarrowHeight);
        right.Robot = Clamped({left, area.Y, area.Right() - left, height}, area);
        candidates.push_back({right, 0});
    }
    const TCandidate* best = nullptr;
    for (TCandidate& c : candidates) {
        const TScreenRect working =
            Offset(s.MainWorking, c.Places.Main.X, c.Places.Main.Y);
        c.Covered = c.Places.Robot.OverlapArea(working);
        c.Places.Overlaps = c.Covered > 0;
        const auto size = [](const TScreenRect& r) {
            return static_cast<long long>(r.Width) * r.Height;
        };
        if (!best || c.Covered < best->Covered ||
            (c.Covered == best->Covered && size(c.Places.Robot) > size(best->Places.Robot))) {
            best = &c;
        }
    }
    return best->Places;
}

TScreenRect PlaceTestWindow(const TScreenRect& workArea, const TScreenRect& main,
                            const TScreenRect& robot, const TScreenRect& keep,
                            TScreenSize test) {
    const int w = test.Width;
    const int h = test.Height;
    // Over the main window first, then the screen's corners, then round the
    // part of the robot window to keep clear.
    const std::vector<TScreenRect> tries{
        {main.X + (main.Width - w) / 2, main.Y + (main.Height - h) / 2, w, h},
        {main.X, main.Y, w, h},
        {main.Right() - w, main.Bottom() - h, w, h},
        {workArea.X, workArea.Y, w, h},
        {workArea.Right() - w, workArea.Y, w, h},
        {workArea.X, workArea.Bottom() - h, w, h},
        {workArea.Right() - w, workArea.Bottom() - h, w, h},
        {keep.X - w, keep.Y, w, h},
        {keep.Right(), keep.Y, w, h},
        {keep.X, keep.Bottom(), w, h},
        {keep.X, keep.Y - h, w, h},
    };
    TScreenRect best = Clamped(tries.front(), workArea);
    long long bestScore = std::numeric_limits<long long>::max();
    for (const TScreenRect& t : tries) {
        const TScreenRect r = Clamped(t, workArea);
        // Covering the robot's start costs more than anything else.
        const long long score = (r.OverlapArea(keep) > 0 ? 1LL << 40 : 0) + r.OverlapArea(robot);
        if (score < bestScore) {
            bestScore = score;
            best = r;
        }
    }
    return best;
}

bool MovedByUser(const TScreenRect& placed, const TScreenRect& now) {
    return std::abs(now.X - placed.X) > WindowManagerSlackPx ||
           std::abs(now.Y - placed.Y) > WindowManagerSlackPx ||
           std::abs(now.Width - placed.Width) > WindowManagerSlackPx ||
           std::abs(now.Height - placed.Height) > WindowManagerSlackPx;
}

} // namespace wayline::sim
