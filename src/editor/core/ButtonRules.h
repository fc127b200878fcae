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

// A left press on a picture button, followed to its release. The press
// belongs to the button whose highlighted picture took it, and only a release
// over that same button clicks it: a press that slides off runs nothing. A
// release that never arrives (the window lost the mouse in between) is
// noticed at the next move made with no button held, so no button stays
// pressed.
class TButtonPress {
public:
    // A left press on the highlighted picture of button `tag` (1..11).
    void Press(int tag) { HeldTag = tag; }
    // The release, over button tagUnderCursor (0: over no button). Ends the
    // press and returns the button to click, 0 for none.
    int Release(int tagUnderCursor);
    // A mouse move with the left button held or not. Returns the button
    // whose press is over without a release (its pressed picture must go), or
    // 0 when nothing was pending.
    int MoveSeen(bool leftButtonHeld);
    // The button being held, 0 for none.
    int Held() const { return HeldTag; }

private:
    int HeldTag = 0;
};

} // namespace wayline
