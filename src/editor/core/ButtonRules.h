#pragma once

namespace wayline {

// Enabled states of the picture buttons that depend on the lists. Undo
// follows the undo ring; Test, Load and Quit are never disabled.
struct TButtonStates {
    bool DeleteCopyCut; // one state for all three
    bool Paste;
    bool GoSaveClear; // one state for all three
};

// The button rules, from the selection's top row and the row count of the
// grid of the current list, whether the step clipboard is empty, and the row
// count of the main list's grid. Only the append row selected keeps Paste
// enabled but not Delete, Copy and Cut; an empty main list disables Go, Save
// and Clear whatever the sensor lists hold.
TButtonStates AutoEnableDisable(int selectionTop, int rowCount, bool clipboardEmpty,
                                int mainListRowCount);

} // namespace wayline
