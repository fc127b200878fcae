#include "editor/core/UndoRing.h"

#include <algorithm>
#include <cstddef>

namespace wayline {

void TUndoRing::Clear() {
    Newest = -1;
    Oldest = -1;
}

void TUndoRing::Take(const TDocumentState& state) {
    Newest = (Newest + 1) % Levels;
    if (Newest == Oldest) {
        Oldest = (Oldest + 1) % Levels; // the oldest snapshot is overwritten
    }
    if (Oldest == -1) {
        Oldest = 0;
    }
    auto& snapshot = Snapshots[static_cast<std::size_t>(Newest)];
    for (int list = 1; list <= ListCount; ++list) {
        auto& steps = snapshot[static_cast<std::size_t>(list - 1)].Steps;
        const int count = state.StepCount(list);
        steps[0].Value = static_cast<std::int16_t>(count);
        for (int row = 1; row <= count; ++row) {
            steps[static_cast<std::size_t>(row)] = state.Step(list, row);
        }
    }
}

bool TUndoRing::RestoreNewest(TDocumentState& state) {
    if (Newest == -1) {
        return false;
    }
    const auto& snapshot = Snapshots[static_cast<std::size_t>(Newest)];
    for (int list = 1; list <= ListCount; ++list) {
        const auto& steps = snapshot[static_cast<std::size_t>(list - 1)].Steps;
        const int count = std::clamp<int>(steps[0].Value, 0, MaxSteps);
        state.SetStepCount(list, count);
        for (int row = 1; row <= count; ++row) {
            state.Step(list, row) = steps[static_cast<std::size_t>(row)];
        }
    }
    if (Newest == Oldest) {
        Clear(); // that was the last one
    } else {
        Newest = Newest == 0 ? Levels - 1 : Newest - 1;
    }
    return true;
}

void TakeUndoSnapshot(TDocumentState& state, TUndoRing& ring) {
    ring.Take(state);
    state.ListModified = true;
}

TUndoResult DoUndo(TDocumentState& state, TUndoRing& ring) {
    const bool restored = ring.RestoreNewest(state);
    return {restored, ring.CanUndo()};
}

} // namespace wayline
