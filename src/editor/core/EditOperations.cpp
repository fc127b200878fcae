#include "editor/core/EditOperations.h"

#include <algorithm>
#include <limits>

namespace wayline {

bool InsertIntoList(TDocumentState& state, int list, int row, TActionKind kind,
                    std::int16_t value) {
    if (!IsListNumber(list)) {
        return false;
    }
    const int count = state.StepCount(list);
    if (count >= MaxSteps) {
        return false;
    }
    row = std::clamp(row, 1, count + 1);
    for (int i = count; i >= row; --i) {
        state.Step(list, i + 1) = state.Step(list, i);
    }
    TActionStep& added = state.Step(list, row);
    added.Kind = kind;
    added.Value = value;
    if (row <= 1) {
        added.BothSet = added.LeftSet = added.RightSet = 0;
    } else {
        // A new step continues the sensor configuration of the step above it.
        const TActionStep& above = state.Step(list, row - 1);
        added.BothSet = above.BothSet;
        added.LeftSet = above.LeftSet;
        added.RightSet = above.RightSet;
    }
    for (int i = row + 1; i <= count + 1; ++i) {
        TActionStep& step = state.Step(list, i);
        if (step.Kind == akLoopBack && step.Value >= row &&
            step.Value < std::numeric_limits<std::int16_t>::max()) {
            ++step.Value;
        }
    }
    state.SetStepCount(list, count + 1);
    return true;
}

bool InsertStepIntoList(TDocumentState& state, int list, int row, const TActionStep& step) {
    if (!IsListNumber(list)) {
        return false;
    }
    const int where = std::clamp(row, 1, state.StepCount(list) + 1);
    if (!InsertIntoList(state, list, where, static_cast<TActionKind>(step.Kind), step.Value)) {
        return false;
    }
    TActionStep& added = state.Step(list, where);
    added.BothSet = step.BothSet;
    added.LeftSet = step.LeftSet;
    added.RightSet = step.RightSet;
    return true;
}

std::optional<TActionStep> DeleteFromList(TDocumentState& state, int list, int row) {
    if (!IsListNumber(list)) {
        return std::nullopt;
    }
    const int count = state.StepCount(list);
    if (row < 1 || row > count) {
        return std::nullopt;
    }
    const TActionStep removed = state.Step(list, row);
    // Entry N takes entry N + 1 (a stale entry) as well, except in a full
    // list, whose last entry has nothing behind it.
    const int lastTarget = std::min(count, MaxSteps - 1);
    for (int i = row; i <= lastTarget; ++i) {
        state.Step(list, i) = state.Step(list, i + 1);
    }
    for (int i = row; i <= count - 1; ++i) {
        TActionStep& step = state.Step(list, i);
        // A target equal to the deleted row stays: it now names the step that
        // took the deleted step's place.
        if (step.Kind == akLoopBack && step.Value > row) {
            --step.Value;
        }
    }
    state.SetStepCount(list, count - 1);
    return removed;
}

bool MoveStepInList(TDocumentState& state, int list, int from, int to) {
    if (!IsListNumber(list)) {
        return false;
    }
    const int count = state.StepCount(list);
    if (from < 1 || from > count) {
        return false;
    }
    to = std::clamp(to, 1, count);
    if (to == from) {
        return false;
    }
    // Removing first lowers N, so the re-insertion always fits, even in a
    // list of 255 steps.
    const std::optional<TActionStep> moved = DeleteFromList(state, list, from);
    InsertIntoList(state, list, to, static_cast<TActionKind>(moved->Kind), moved->Value);
    // No undo level, but the new order must not be lost at Quit or Load.
    state.ListModified = true;
    return true;
}

namespace {

// The rows an operation on top..bottom may touch, or nothing.
bool LimitSelection(const TDocumentState& state, int list, int top, int& bottom) {
    if (!IsListNumber(list)) {
        return false;
    }
    bottom = std::min(bottom, state.StepCount(list));
    return top >= 1 && top <= bottom;
}

} // namespace

TEditResult CopySteps(TDocumentState& state, TUndoRing& ring, TStepClipboard& clipboard, int list,
                      int top, int bottom) {
    if (!LimitSelection(state, list, top, bottom)) {
        return {};
    }
    TakeUndoSnapshot(state, ring);
    const int count = bottom - top + 1;
    for (int k = 1; k <= count; ++k) {
        clipboard.Set(k, state.Step(list, top + k - 1));
    }
    clipboard.MarkEnd(count + 1);
    return {true, list, 0, false};
}

TEditResult CutSteps(TDocumentState& state, TUndoRing& ring, TStepClipboard& clipboard, int list,
                     int top, int bottom) {
    if (!LimitSelection(state, list, top, bottom)) {
        return {};
    }
    TakeUndoSnapshot(state, ring);
    const int count = bottom - top + 1;
    for (int k = 1; k <= count; ++k) {
        clipboard.Set(k, *DeleteFromList(state, list, top));
    }
    clipboard.MarkEnd(count + 1);
    return {true, list, -count, true};
}

TEditResult PasteSteps(TDocumentState& state, TUndoRing& ring, const TStepClipboard& clipboard,
                       int list, int top) {
    if (!IsListNumber(list) || top < 1) {
        return {};
    }
    top = std::min(top, state.StepCount(list) + 1);
    TakeUndoSnapshot(state, ring);
    int inserted = 0;
    // All 255 entries count: a full clipboard has no end mark.
    for (int k = 1; k <= TStepClipboard::Capacity && clipboard.Entry(k).Value != HeaderValue; ++k) {
        if (InsertStepIntoList(state, list, top + k - 1, clipboard.Entry(k))) {
            ++inserted;
        }
    }
    return {true, list, inserted, true};
}

TEditResult DeleteSteps(TDocumentState& state, TUndoRing& ring, int list, int top, int bottom) {
    if (!LimitSelection(state, list, top, bottom)) {
        return {};
    }
    TakeUndoSnapshot(state, ring);
    const int count = bottom - top + 1;
    for (int k = 1; k <= count; ++k) {
        DeleteFromList(state, list, top);
    }
    return {true, list, -count, true};
}

void ClearAll(TDocumentState& state) {
    state.StepCounts.fill(0);
}

void ClearLists(TDocumentState& state, TUndoRing& ring) {
    TakeUndoSnapshot(state, ring);
    ClearAll(state);
}

void ValueChanged(TDocumentState& state, TUndoRing& ring) {
    TakeUndoSnapshot(state, ring);
}

} // namespace wayline
