#include "editor/core/DropRules.h"

#include "editor/core/EditOperations.h"
#include "editor/core/VisibleActions.h"

#include <algorithm>

namespace wayline {

namespace {

constexpr int FirstSetColumn = 2; // Both, then Left, then Right
constexpr int LastSetColumn = 4;
constexpr int RowsBeforeScrollingToTheEnd = 8;

} // namespace

int DropTargetList(std::uint8_t kind, bool advancedMode, bool insideMainGrid, bool insideSensorTabs,
                   int shownTabIndex) {
    int target = 0;
    if (kind != akLoopBack && advancedMode && insideSensorTabs && shownTabIndex >= 0 &&
        shownTabIndex < SensorSetCount) {
        target = shownTabIndex + 2;
    }
    if (insideMainGrid) {
        target = MainList;
    }
    return target;
}

int DropRow(int cellRow, int rowCount) {
    const int appendRow = std::max(rowCount - 1, 1);
    if (cellRow < 0 || cellRow > appendRow) {
        return appendRow;
    }
    return std::max(cellRow, 1);
}

bool SensorPanelDropAccepted(int column, int cellRow, int rowCount) {
    return column >= FirstSetColumn && column <= LastSetColumn && cellRow >= 1 &&
           cellRow <= rowCount - 2 && cellRow <= MaxSteps;
}

TDropResult DropAction(TDocumentState& state, TUndoRing& ring, int list, int cellRow,
                       std::uint8_t kind, int topRow) {
    TDropResult result;
    result.TopRow = TopRowAfterScroll(topRow);
    if (!IsListNumber(list) || kind >= ActionKindCount ||
        (kind == akLoopBack && list != MainList)) {
        return result;
    }
    TakeUndoSnapshot(state, ring);
    state.CurrentList = list;
    const int row = DropRow(cellRow, state.RowCount(list));
    result.Row = row;
    result.Inserted = InsertIntoList(state, list, row, static_cast<TActionKind>(kind),
                                     DefaultValue(static_cast<TActionKind>(kind)));
    if (!result.Inserted) {
        return result;
    }
    const int rowCount = state.RowCount(list);
    if (rowCount == row + 2 && rowCount > RowsBeforeScrollingToTheEnd) {
        result.TopRow = rowCount - SlotCount(list);
    }
    // A drop above the shown rows moves every shown step down.
    result.FirstSlot = std::max(row - result.TopRow + 1, 1);
    return result;
}

bool DropSensorSet(TDocumentState& state, TUndoRing& ring, int list, int column, int cellRow,
                   int tabIndex) {
    if (list != MainList || tabIndex < 0 || tabIndex >= SensorSetCount ||
        !SensorPanelDropAccepted(column, cellRow, state.RowCount(list))) {
        return false;
    }
    TakeUndoSnapshot(state, ring);
    state.CurrentList = list;
    TActionStep& step = state.Step(list, cellRow);
    const auto set = static_cast<std::uint8_t>(tabIndex);
    if (column == FirstSetColumn) {
        step.BothSet = set;
    } else if (column == FirstSetColumn + 1) {
        step.LeftSet = set;
    } else {
        step.RightSet = set;
    }
    return true;
}

bool DoubleClickAppends(std::uint8_t kind, int currentList) {
    return kind < ActionKindCount && (kind != akLoopBack || currentList == MainList);
}

int DoubleClickTopRow(int list, int rowCount, int topRow) {
    const int slots = SlotCount(list);
    return rowCount > slots ? rowCount - slots : TopRowAfterScroll(topRow);
}

int KeyboardInsertRow(int selectionTop, int rowCount) {
    const int steps = rowCount - 2;
    return selectionTop >= 1 && selectionTop <= steps ? selectionTop + 1 : steps + 1;
}

int TopRowShowing(int row, int topRow, int visibleRows) {
    if (row < topRow) {
        return std::max(row, 1);
    }
    if (visibleRows > 0 && row >= topRow + visibleRows) {
        return row - visibleRows + 1;
    }
    return topRow;
}

int NextSensorSet(int set, int step) {
    return ((set + step) % SensorSetCount + SensorSetCount) % SensorSetCount;
}

} // namespace wayline
