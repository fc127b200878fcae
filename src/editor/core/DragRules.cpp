#include "editor/core/DragRules.h"

#include <algorithm>
#include <cstdlib>

namespace wayline {

namespace {

constexpr int DropStartSize = 53;

int Between(int from, int to, int frame) {
    return from + (to - from) * frame / (DropAnimationFrames - 1);
}

} // namespace

bool DragStarts(int dx, int dy) {
    return std::abs(dx) > DragThreshold || std::abs(dy) > DragThreshold;
}

int ClampedDraggerPosition(int cursor, int grabOffset, int windowStart, int windowExtent,
                           int frameEdge, int pictureStart, int pictureExtent) {
    const int lowest = windowStart + frameEdge - pictureStart + 1;
    const int highest = windowStart + windowExtent - pictureExtent - frameEdge - pictureStart;
    // A window too small to hold the picture pins it to the low edge.
    return std::clamp(cursor - grabOffset, lowest, std::max(lowest, highest));
}

TPoint DropAnimationTarget(int row, int topRow, int column0Width) {
    return {column0Width + 1, (row - topRow + 1) * GridRowPitch + 1};
}

int RowMoveTarget(int from, bool insideCells, int cellRow, int topRow, int rowCount) {
    const int lastStep = rowCount - 2;
    if (!insideCells || from < 1 || from > lastStep) {
        return 0;
    }
    int to = cellRow;
    if (cellRow == 0) {
        to = topRow;
    } else if (cellRow < 0 || cellRow > lastStep) {
        to = lastStep;
    }
    to = std::clamp(to, 1, lastStep);
    return to == from ? 0 : to;
}

int RowDragScroll(int y, int gridHeight) {
    if (y < GridRowPitch) {
        return -1;
    }
    if (y >= gridHeight - GridRowPitch / 2) {
        return 1;
    }
    return 0;
}

TDropFrame DropAnimationFrame(int frame, TPoint start, TPoint target) {
    frame = std::clamp(frame, 0, DropAnimationFrames - 1);
    const int size = DropStartSize - frame;
    return {{Between(start.X, target.X, frame), Between(start.Y, target.Y, frame)},
            size,
            size + 1,
            (size + 1) / 2};
}

} // namespace wayline
