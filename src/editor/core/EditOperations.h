#pragma once

#include "editor/core/ActionDocument.h"
#include "editor/core/StepClipboard.h"
#include "editor/core/UndoRing.h"

#include <optional>

namespace wayline {

// Every change to the number or order of steps goes through these
// operations. They keep steps 1..N contiguous, N at most 255, and renumber
// Loop Back targets when steps above them move. The step count lives in the
// state, so the grid that shows a list always has StepCount + 2 rows.

// Inserts a new step at row (1..N+1; other rows are clamped into that range).
// Its set fields continue those of the step above, or are 0 at row 1. Loop
// Back targets at or below the row move down with their steps. Returns false,
// changing nothing, when the list already holds 255 steps.
bool InsertIntoList(TDocumentState& state, int list, int row, TActionKind kind, std::int16_t value);

// Inserts a copy of step (kind, value and the three set fields) at row.
bool InsertStepIntoList(TDocumentState& state, int list, int row, const TActionStep& step);

// Removes the step at row (1..N) and returns it; Loop Back targets below the
// row move up with their steps. Returns nothing for a row that holds no step.
std::optional<TActionStep> DeleteFromList(TDocumentState& state, int list, int row);

// Moves the step at row from to row to (the grid's row drag; to is limited to
// the last step). The step keeps kind and value and takes the set fields of
// the step above its new place. The step count never changes, not even in a
// full list. Takes no undo snapshot but marks the lists modified. Returns
// false when nothing moved; otherwise the window rebinds the list from slot 1.
bool MoveStepInList(TDocumentState& state, int list, int from, int to);

// What a clipboard or delete command did, for the window to follow up.
struct TEditResult {
    bool Ran = false;    // false: the selection did not allow it; nothing changed
    int List = 0;        // the list it worked on
    int RowDelta = 0;    // change of the list's step count (and of its grid's rows)
    bool Rebind = false; // the list's row controls are due to be rebound from slot 1
};

// Copies rows top..bottom (bottom limited to N; needs 1 <= top <= bottom).
// Takes an undo snapshot first, so a copy marks the lists modified. The
// window then enables Paste and Undo.
TEditResult CopySteps(TDocumentState& state, TUndoRing& ring, TStepClipboard& clipboard, int list,
                      int top, int bottom);

// Like CopySteps, but removes the rows from the list.
TEditResult CutSteps(TDocumentState& state, TUndoRing& ring, TStepClipboard& clipboard, int list,
                     int top, int bottom);

// Inserts the clipboard's steps, in order, before row top (top = N + 1
// appends). Steps that no longer fit are skipped; the clipboard is kept.
// Does nothing when top is the title row.
TEditResult PasteSteps(TDocumentState& state, TUndoRing& ring, const TStepClipboard& clipboard,
                       int list, int top);

// Removes rows top..bottom (bottom limited to N; needs 1 <= top <= bottom).
TEditResult DeleteSteps(TDocumentState& state, TUndoRing& ring, int list, int top, int bottom);

// Empties all six lists; the entries themselves and the clipboard stay. The
// window then rebinds list 1 and the shown sensor list.
void ClearAll(TDocumentState& state);

// The Clear command: an undo snapshot, then ClearAll.
void ClearLists(TDocumentState& state, TUndoRing& ring);

// Change callback of the row spin edits, after the new value has been
// written into the step: the snapshot therefore holds the new value.
void ValueChanged(TDocumentState& state, TUndoRing& ring);

// True for list numbers 1..6.
inline bool IsListNumber(int list) {
    return list >= 1 && list <= ListCount;
}

} // namespace wayline
