#include "editor/core/VisibleActions.h"

#include <algorithm>
#include <cstddef>

namespace wayline {

int SlotCount(int list) {
    return list == MainList ? MainListSlots : SensorListSlots;
}

TSlotPlan BindVisibleActions(TDocumentState& state, int list, int topRow, int firstSlot) {
    TSlotPlan plan{};
    if (list < 1 || list > ListCount) {
        return plan;
    }
    const int slots = SlotCount(list);
    topRow = TopRowAfterScroll(topRow);
    firstSlot = std::max(firstSlot, 1);
    // The step rows from the top row to the last step.
    const int last = std::min(slots, state.RowCount(list) - topRow - 1);
    for (int slot = firstSlot; slot <= last; ++slot) {
        const int row = topRow + slot - 1;
        TActionStep& step = state.Step(list, row);
        TSlotBinding& binding = plan[static_cast<std::size_t>(slot - 1)];
        binding.Action = saBind;
        binding.Row = row;
        binding.Kind = step.Kind;
        binding.Limits = SpinLimitsFor(step.Kind, row);
        // Copied out first: the packed field cannot be bound to a reference.
        const int value = step.Value;
        step.Value = static_cast<std::int16_t>(
            std::clamp(value, int{binding.Limits.MinValue}, int{binding.Limits.MaxValue}));
    }
    for (int slot = std::max(firstSlot, last + 1); slot <= slots; ++slot) {
        plan[static_cast<std::size_t>(slot - 1)].Action = saHide;
    }
    return plan;
}

} // namespace wayline
