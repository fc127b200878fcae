#pragma once

#include "editor/core/ActionDocument.h"
#include "editor/core/UndoRing.h"

namespace wayline {

// The list a dragged action lands in, 0 for none: the main grid takes every
// action, the sensor tabs (advanced mode) every action but Loop Back, which
// exists only in the main list. The drag cursor shows where this is not 0.
// "Inside" means strictly inside the control's screen rectangle.
int DropTargetList(std::uint8_t kind, bool advancedMode, bool insideMainGrid, bool insideSensorTabs,
                   int shownTabIndex);

// The row a drop inserts at, from the grid row under the point (-1 when the
// point lies below the rows): the title row inserts at row 1, below the rows
// and the append row append.
int DropRow(int cellRow, int rowCount);

// Where the "+" panel may be dropped: the Both, Left or Right cell (columns
// 2 to 4) of a step row of the main list's grid.
bool SensorPanelDropAccepted(int column, int cellRow, int rowCount);

struct TDropResult {
    bool Inserted = false;
    int Row = 0;       // the row the step went to
    int TopRow = 0;    // the grid's top row from now on
    int FirstSlot = 0; // rebind the row controls from this slot (1..), if inserted
};

// An action dropped on a grid: an undo snapshot (also when the full list
// refuses the step), the grid's list becomes current, and the action is
// inserted with its default value. A drop that appends to a grid of more than
// 8 rows scrolls to show the end of the list. A Loop Back offered to a sensor
// list is refused without a snapshot.
TDropResult DropAction(TDocumentState& state, TUndoRing& ring, int list, int cellRow,
                       std::uint8_t kind, int topRow);

// The "+" panel dropped on cell (column, cellRow) of the main list: an undo
// snapshot, then the step's BothSet, LeftSet or RightSet (columns 2, 3, 4)
// takes the shown tab's set index. Returns false, changing nothing, where the
// panel is not accepted.
bool DropSensorSet(TDocumentState& state, TUndoRing& ring, int list, int column, int cellRow,
                   int tabIndex);

// Whether a double click on a palette picture appends it to the current
// list: not for Loop Back while a sensor list is current.
bool DoubleClickAppends(std::uint8_t kind, int currentList);

// The row an action added from the palette with the keyboard goes to: right
// after the selected step, or at the end when no step is selected (the
// title row or the empty append row).
int KeyboardInsertRow(int selectionTop, int rowCount);

// The top row that brings `row` into view with the least scrolling.
int TopRowShowing(int row, int topRow, int visibleRows);

// The sensor set (0 All, 1..4 Set1..Set4) one step on (+1) or back (-1)
// from `set`, round the five: the keyboard's way of choosing a set in the
// Both, Left or Right column.
int NextSensorSet(int set, int step);

// The top row before a double-click append: the end of the list when it has
// more rows than row controls.
int DoubleClickTopRow(int list, int rowCount, int topRow);

} // namespace wayline
