#pragma once

#include <vector>

namespace wayline::sim {

// Rectangles and sizes on the screen, in pixels; x to the right, y down.
struct TScreenSize {
    int Width = 0;
    int Height = 0;
};

struct TScreenRect {
    int X = 0;
    int Y = 0;
    int Width = 0;
    int Height = 0;

    int Right() const { return X + Width; } // one past the last column
    int Bottom() const { return Y + Height; }
    // The pixels this and `other` have in common.
    long long OverlapArea(const TScreenRect& other) const;
    bool Contains(const TScreenRect& other) const {
        return other.X >= X && other.Y >= Y && other.Right() <= Right() &&
               other.Bottom() <= Bottom();
    }
    friend bool operator==(const TScreenRect&, const TScreenRect&) = default;
};

// Where the virtual robot's window goes when it opens, beside the main
// window. Every rectangle is a window's outer frame, title bar included.
struct TBesideMainWindow {
    TScreenRect WorkArea; // the screen less its panels
    TScreenRect Main;     // the main window, where it is now
    // The part of the main window the user works in while the robot runs
    // (the list, the sensor panel, the buttons), relative to Main's corner.
    TScreenRect MainWorking;
    // The robot window's sizes: what it likes, and the least it can be laid
    // out in, short and wide or tall and narrow. A narrow one is given the
    // height NarrowHeight when there is room.
    TScreenSize RobotPreferred{920, 640};
    TScreenSize RobotMinimumWide{720, 350};
    TScreenSize RobotMinimumNarrow{470, 560};
    int NarrowHeight = 720;
};

struct TWindowPlaces {
    TScreenRect Main;  // where the main window goes (it moves only when it must)
    TScreenRect Robot; // where the robot window goes
    // The robot window covers part of the main window's working area: the
    // screen has no room for both side by side.
    bool Overlaps = false;
};

// Side by side when the screen is wide enough for both: the robot window
// to the right or left of the main window, as wide as it likes or as the
// room is, the main window moved sideways only as far as it takes. On a
// narrower screen the robot window goes where it covers the least of the
// main window's working area (below it, or at the right edge), at no less
// than a minimum size; the main window goes to the top or left edge to
// make the most room.
TWindowPlaces PlaceBesideMainWindow(const TBesideMainWindow& screen);

// Where test mode's window goes: it must cover neither the robot's start
// nor its wheels (`Keep`, in the robot window) and best nothing of the
// robot window at all; over the main window, which the user does not need
// while testing, where it can. The window stays in the work area.
TScreenRect PlaceTestWindow(const TScreenRect& workArea, const TScreenRect& main,
                            const TScreenRect& robot, const TScreenRect& keep,
                            TScreenSize test);

// Whether a window placed at `placed` has been moved or resized by its
// user since: the window manager nudges a window by its frame, not more.
bool MovedByUser(const TScreenRect& placed, const TScreenRect& now);

} // namespace wayline::sim
