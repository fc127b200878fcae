#pragma once

namespace wayline {

// A press on a palette picture becomes a drag once the cursor has moved
// more than this many pixels along either axis; less is a click.
inline constexpr int DragThreshold = 4;

// Animation speed of the palette pictures in percent: the hovered one runs
// at twice normal speed, the others stand on their first frame.
inline constexpr int HoveredPaletteSpeed = 200;
inline constexpr int RestingPaletteSpeed = 0;

// Grid geometry the row controls and the drop animation follow.
inline constexpr int GridRowPitch = 28; // row height 27 + 1 grid line

// True once the cursor (dx, dy away from the press) has left the threshold.
bool DragStarts(int dx, int dy);

// One axis of the dragger's position while it follows the cursor: cursor
// minus the grab offset, clamped so that the picture stays inside the main
// window's frame. All values are screen coordinates or sizes along the axis:
// the main window's start and extent, the frame edge's width, and the
// picture's start inside the dragger window and its extent.
int ClampedDraggerPosition(int cursor, int grabOffset, int windowStart, int windowExtent,
                           int frameEdge, int pictureStart, int pictureExtent);

struct TPoint {
    int X;
    int Y;
};

// Where the shrinking picture ends, in the target grid's coordinates: over
// the row's icon place.
TPoint DropAnimationTarget(int row, int topRow, int column0Width);

// A row dragged by its step number and released at a point of its grid:
// the row it moves to, or 0 for no move. insideCells is false when the point
// lies outside the grid or over its scroll bar: the drag was taken away from
// the rows, and the step stays where it is. Over the title row the step goes
// to the first row shown; below the steps (the append row, the empty space)
// to the last step. Dropping a row on itself is no move either.
int RowMoveTarget(int from, bool insideCells, int cellRow, int topRow, int rowCount);

// While a row is dragged, the grid scrolls when the cursor is at its top edge
// (over the title row or above the grid: -1, one row up) or near its bottom
// edge (within half a row of it, or below the grid: +1), so that every row
// of a long list can be reached. y is in the grid's coordinates.
int RowDragScroll(int y, int gridHeight);
inline constexpr int RowDragScrollIntervalMs = 100;

// One frame of the drop animation, frame 0..DropAnimationFrames - 1.
struct TDropFrame {
    TPoint TopLeft;
    int Size;        // picture size, 53 down to 27
    int ShapeSize;   // the window's rounded square: size + 1
    int ShapeCorner; // its corner: (size + 1) / 2
};
inline constexpr int DropAnimationFrames = 27;
inline constexpr int DropAnimationFrameMs = 12;

// The picture moves linearly from start to target while it shrinks.
TDropFrame DropAnimationFrame(int frame, TPoint start, TPoint target);

} // namespace wayline
