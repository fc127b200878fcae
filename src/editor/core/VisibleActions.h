#pragma once

#include "editor/core/ActionDocument.h"
#include "editor/core/SpinRules.h"

#include <array>

namespace wayline {

// Row controls over the Actions column: 7 for the main list, 6 shared by the
// sensor lists. Slot s shows the step in grid row top row + s - 1.
inline constexpr int MainListSlots = 7;
inline constexpr int SensorListSlots = 6;
inline constexpr int MaxSlots = MainListSlots;

// 7 for list 1, 6 for the sensor lists.
int SlotCount(int list);

enum TSlotAction {
    saKeep, // a slot before the first one asked for: left as it is
    saBind, // show the step of Row with these limits
    saHide, // no step in this slot
};

struct TSlotBinding {
    TSlotAction Action = saKeep;
    int Row = 0;           // grid row = step number (saBind)
    std::uint8_t Kind = 0; // picture and hint (saBind)
    TSpinLimits Limits{};  // the spin edit's limits (saBind)
};

// Slots 1..7 (index 0..6); slot 7 of a sensor list is always saKeep.
using TSlotPlan = std::array<TSlotBinding, MaxSlots>;

// Decides which step each row control shows from slot firstSlot on, for a
// grid scrolled to topRow. A value outside its step's limits (in practice a
// Loop Back target below its own row) is clamped and written back now, as
// binding does; nothing else in the document changes. The window then, per
// slot: SetKind, detach the spin edit, SetLimits, Bind the step, show; or hide.
TSlotPlan BindVisibleActions(TDocumentState& state, int list, int topRow, int firstSlot);

// The top row after a scroll: never above the first step row.
inline int TopRowAfterScroll(int topRow) {
    return topRow < 1 ? 1 : topRow;
}

} // namespace wayline
