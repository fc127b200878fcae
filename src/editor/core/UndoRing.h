#pragma once

#include "editor/core/ActionDocument.h"

#include <array>

namespace wayline {

// Ten snapshots of all six lists, newest overwriting oldest. In a snapshot,
// entry 0 of each list holds that list's step count instead of the header
// value; entries 1..N hold the steps.
class TUndoRing {
public:
    static constexpr int Levels = 10;

    // Index of the newest snapshot, -1 when the ring is empty.
    int UndoNewest() const { return Newest; }
    // Index of the oldest snapshot still held, -1 when the ring is empty.
    int UndoOldest() const { return Oldest; }
    // True while a snapshot is left to restore (the Undo button's state).
    bool CanUndo() const { return Newest != -1; }

    // Empties the ring (program start).
    void Clear();

    // Records the six lists of the state as the newest snapshot.
    void Take(const TDocumentState& state);

    // Copies the newest snapshot back into the state's lists and step counts
    // and drops it from the ring. Returns false when the ring was empty.
    bool RestoreNewest(TDocumentState& state);

private:
    std::array<std::array<TStepList, ListCount>, Levels> Snapshots{};
    int Newest = -1;
    int Oldest = -1;
};

// Records the lists in the ring and marks them modified; the window then
// enables Undo.
void TakeUndoSnapshot(TDocumentState& state, TUndoRing& ring);

// What an undo did, for the window to follow up.
struct TUndoResult {
    bool Restored;    // false: nothing to undo, only the buttons are recomputed
    bool UndoEnabled; // the Undo button's new state
};

// Restores the newest snapshot. The window then sets every grid's row count
// from the step counts, rebinds list 1 and the shown sensor list, and
// recomputes the buttons. ListModified is left as it is.
TUndoResult DoUndo(TDocumentState& state, TUndoRing& ring);

} // namespace wayline
