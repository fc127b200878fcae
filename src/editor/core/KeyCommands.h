#pragma once

#include <string_view>

namespace wayline {

// Key codes as the grids' key handler takes them: letter keys are their
// upper-case character codes (A to Z, and the Latin-1 letters from 0xC0), the
// Delete key is KeyDelete. Every other key is 0: the window translates its
// toolkit's keys into these explicitly, so that no other key (the full stop,
// a Windows key, the Menu key) can pass for Delete or for an Alt letter.
inline constexpr int KeyDelete = 0x2E;
inline constexpr int KeyNone = 0;

// True for the keys an Alt letter can be: A to Z and the upper-case Latin-1
// letters (0xC0 to 0xDE without the multiplication sign, and 0xDF).
bool IsLetterKey(int key);

// Modifier flags, combined with |.
enum TKeyModifier : unsigned {
    kmNone = 0,
    kmShift = 1,
    kmCtrl = 2,
    kmAlt = 4,
};

// Commands an Alt letter can start besides the editing operations.
enum TMainCommand {
    mcNone,
    mcGo,
    mcView,
    mcClear,
    mcTest,
    mcLoad,
    mcSave,
    mcQuit,
};

enum TEditCommand {
    ecNone,
    ecDelete, // rows Top..Bottom
    ecCopy,   // rows Top..Bottom
    ecCut,    // rows Top..Bottom
    ecPaste,  // before row Top
    ecUndo,
};

// The default Alt letters; position p (1..12) selects Delete, Copy, Cut,
// Paste, Undo, Go, View, Clear, Test, Load, Save, Quit.
inline constexpr std::string_view DefaultAltLetters = "DCTPUGVRELSQ";

// What a key press in a grid does. Command runs first, then Edit; both can
// be set (an Alt letter for a command leaves the key as it was, and the key
// then goes on to the editing keys). The button states are recomputed
// afterwards in every case.
struct TKeyDispatch {
    TMainCommand Command = mcNone;
    TEditCommand Edit = ecNone;
    int Top = 0;    // selection top row
    int Bottom = 0; // selection bottom row, never beyond the last step
};

// Decides a key press in a grid with rowCount rows and the rows
// selectionTop..selectionBottom selected. With Alt held a letter key is looked
// up in altLetters (first match wins); other keys match no Alt letter.
TKeyDispatch ToDoListKeyDown(int key, unsigned modifiers, std::string_view altLetters,
                             int selectionTop, int selectionBottom, int rowCount);

// The key a click on editing button 7..11 (Delete, Copy, Cut, Paste, Undo)
// sends to the grid of the current list; other tags give key 0.
struct TButtonKey {
    int Key;
    unsigned Modifiers;
};
TButtonKey EditButtonKey(int tag);

} // namespace wayline
