#pragma once

namespace wayline {

// The rows a grid selects, inclusive (the selection always covers whole rows).
struct TRowSelection {
    int Top;
    int Bottom;
};

// A left press on grid row `row` (1 and beyond; the title row selects
// nothing) in any column: that row alone, or with Shift held, the rows from
// the previous selection's top row to it. The step numbers and the Both, Left
// and Right columns extend alike, so Shift+click works wherever the user
// clicks a row.
TRowSelection PressSelection(int row, bool shift, int previousTop);

} // namespace wayline
