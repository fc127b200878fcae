#include "editor/core/ButtonRules.h"
#include "editor/core/KeyCommands.h"
#include "editor/core/SavePrompt.h"

#include <gtest/gtest.h>

namespace wayline {
namespace {

TEST(ButtonRules, EmptyMainListDisablesGoSaveClearWhateverTheSensorListsHold) {
    // Current list is a sensor list with steps, main list empty.
    const TButtonStates states = AutoEnableDisable(1, 5, false, 2);
    EXPECT_FALSE(states.GoSaveClear);
    EXPECT_TRUE(states.DeleteCopyCut);
    EXPECT_TRUE(AutoEnableDisable(1, 5, false, 3).GoSaveClear);
}

TEST(ButtonRules, OnlyTheAppendRowSelectedKeepsPaste) {
    const TButtonStates states = AutoEnableDisable(4, 5, false, 5);
    EXPECT_FALSE(states.DeleteCopyCut);
    EXPECT_TRUE(states.Paste);
    EXPECT_FALSE(AutoEnableDisable(4, 5, true, 5).Paste);
}

TEST(ButtonRules, TitleRowDisablesEveryEditingButton) {
    const TButtonStates states = AutoEnableDisable(0, 5, false, 5);
    EXPECT_FALSE(states.DeleteCopyCut);
    EXPECT_FALSE(states.Paste);
    EXPECT_TRUE(AutoEnableDisable(3, 5, false, 5).DeleteCopyCut);
}

TEST(ButtonPress, OnlyAReleaseOverThePressedButtonClicksIt) {
    TButtonPress press;
    press.Press(2);
    EXPECT_EQ(press.Held(), 2);
    EXPECT_EQ(press.Release(2), 2);
    EXPECT_EQ(press.Held(), 0);
    // Slid off onto another button or onto nothing: no click, no press left.
    press.Press(2);
    EXPECT_EQ(press.Release(6), 0);
    EXPECT_EQ(press.Held(), 0);
    press.Press(7);
    EXPECT_EQ(press.Release(0), 0);
    // A release without a press clicks nothing.
    EXPECT_EQ(press.Release(7), 0);
}

TEST(ButtonPress, ALostReleaseEndsThePressAtTheNextMoveWithoutAButton) {
    TButtonPress press;
    EXPECT_EQ(press.MoveSeen(false), 0);
    press.Press(9);
    EXPECT_EQ(press.MoveSeen(true), 0); // still held: dragging over the window
    EXPECT_EQ(press.Held(), 9);
    EXPECT_EQ(press.MoveSeen(false), 9); // the button came up elsewhere
    EXPECT_EQ(press.Held(), 0);
    EXPECT_EQ(press.Release(9), 0); // a late release runs nothing
}

// Rows 1..3 hold steps, row 4 is the append row (R = 5).
constexpr int Rows = 5;
const std::string_view Letters = DefaultAltLetters;

TEST(KeyCommands, CtrlKeysRunTheClipboardCommandsOnTheSelection) {
    const TKeyDispatch copy = ToDoListKeyDown('C', kmCtrl, Letters, 2, 4, Rows);
    EXPECT_EQ(copy.Edit, ecCopy);
    EXPECT_EQ(copy.Top, 2);
    EXPECT_EQ(copy.Bottom, 3); // the append row is never part of it
    EXPECT_EQ(ToDoListKeyDown('X', kmCtrl | kmShift, Letters, 1, 1, Rows).Edit, ecCut);
    EXPECT_EQ(ToDoListKeyDown('A', kmCtrl, Letters, 1, 1, Rows).Edit, ecNone);
    const TKeyDispatch del = ToDoListKeyDown(KeyDelete, kmNone, Letters, 1, 3, Rows);
    EXPECT_EQ(del.Edit, ecDelete);
    EXPECT_EQ(del.Bottom, 3);
    EXPECT_EQ(ToDoListKeyDown(KeyDelete, kmCtrl, Letters, 1, 3, Rows).Edit, ecNone);
}

TEST(KeyCommands, PasteAndUndoNeedNoSelectedStep) {
    const TKeyDispatch paste = ToDoListKeyDown('V', kmCtrl, Letters, 4, 4, Rows);
    EXPECT_EQ(paste.Edit, ecPaste);
    EXPECT_EQ(paste.Top, 4);
    EXPECT_EQ(ToDoListKeyDown('Z', kmCtrl, Letters, 0, 0, Rows).Edit, ecUndo);
    EXPECT_EQ(ToDoListKeyDown('C', kmCtrl, Letters, 4, 4, Rows).Edit, ecNone);
    EXPECT_EQ(ToDoListKeyDown(KeyDelete, kmNone, Letters, 4, 4, Rows).Edit, ecNone);
    EXPECT_EQ(ToDoListKeyDown('C', kmCtrl, Letters, 0, 2, Rows).Edit, ecNone);
}

TEST(KeyCommands, AltLettersSelectTheirCommandsByPosition) {
    const TEditCommand edits[] = {ecDelete, ecCopy, ecCut, ecPaste, ecUndo};
    for (int p = 0; p < 5; ++p) {
        EXPECT_EQ(ToDoListKeyDown(Letters[p], kmAlt, Letters, 1, 2, Rows).Edit, edits[p]) << p;
    }
    const TMainCommand commands[] = {mcGo, mcView, mcClear, mcTest, mcLoad, mcSave, mcQuit};
    for (int p = 5; p < 12; ++p) {
        const TKeyDispatch d = ToDoListKeyDown(Letters[p], kmAlt, Letters, 1, 2, Rows);
        EXPECT_EQ(d.Command, commands[p - 5]) << p;
        EXPECT_EQ(d.Edit, ecNone) << p;
    }
    EXPECT_EQ(ToDoListKeyDown('A', kmAlt, Letters, 1, 2, Rows).Command, mcNone);
    EXPECT_EQ(ToDoListKeyDown('A', kmAlt, Letters, 1, 2, Rows).Edit, ecNone);
}

TEST(KeyCommands, AltLettersMatchTheLowByteAndTheFirstPosition) {
    // A replaced string keeps positions: here 'X' stands first (Delete) and
    // again at position 12 (Quit); the first match wins.
    const std::string_view replaced = "XABCDEFGHIJX";
    EXPECT_EQ(ToDoListKeyDown('X', kmAlt, replaced, 1, 1, Rows).Edit, ecDelete);
    EXPECT_EQ(ToDoListKeyDown('X', kmAlt, replaced, 1, 1, Rows).Command, mcNone);
    EXPECT_EQ(ToDoListKeyDown('J', kmAlt, replaced, 1, 1, Rows).Command, mcSave);
    EXPECT_EQ(ToDoListKeyDown('J', kmNone, replaced, 1, 1, Rows).Command, mcNone);
    // A short string only has the positions it holds.
    EXPECT_EQ(ToDoListKeyDown('U', kmAlt, "DC", 1, 1, Rows).Edit, ecNone);
}

TEST(KeyCommands, OnlyLetterKeysAreAltLettersAndOnlyDeleteDeletes) {
    // Keys whose low byte looks like a letter (a Windows key, the Menu key)
    // or like Delete are not letters: no command, no edit.
    EXPECT_EQ(ToDoListKeyDown(0x100 | 'S', kmAlt, Letters, 1, 2, Rows).Command, mcNone);
    EXPECT_EQ(ToDoListKeyDown(0x100 | 'T', kmAlt, Letters, 1, 2, Rows).Edit, ecNone);
    EXPECT_EQ(ToDoListKeyDown(KeyNone, kmAlt, Letters, 1, 2, Rows).Edit, ecNone);
    // A string that holds a non-letter matches no key with it: Alt+Delete
    // is the Delete key, not Quit.
    EXPECT_EQ(ToDoListKeyDown(KeyDelete, kmAlt, "DCTPUGVRELS.", 1, 2, Rows).Command, mcNone);
    EXPECT_EQ(ToDoListKeyDown(KeyNone, kmNone, Letters, 1, 2, Rows).Edit, ecNone);
    EXPECT_EQ(ToDoListKeyDown(KeyDelete, kmNone, Letters, 1, 2, Rows).Edit, ecDelete);
    // Latin-1 letters can be Alt letters of a translated string.
    EXPECT_TRUE(IsLetterKey(0xC4));
    EXPECT_FALSE(IsLetterKey(0xD7));
    EXPECT_FALSE(IsLetterKey('5'));
    EXPECT_EQ(ToDoListKeyDown(0xC4, kmAlt,
                              "\xC4"
                              "CTPUGVRELSQ",
                              1, 2, Rows)
                  .Edit,
              ecDelete);
}

TEST(KeyCommands, AltPasteWorksOnTheAppendRowAndAltCommandKeepsItsKey) {
    EXPECT_EQ(ToDoListKeyDown('P', kmAlt, Letters, 4, 4, Rows).Edit, ecPaste);
    // Alt+Ctrl+V: View runs, and the V with Ctrl held then pastes as well.
    const TKeyDispatch both = ToDoListKeyDown('V', kmAlt | kmCtrl, Letters, 1, 1, Rows);
    EXPECT_EQ(both.Command, mcView);
    EXPECT_EQ(both.Edit, ecPaste);
}

// The prompt's outcome for a user answer and a save that succeeds or not;
// counts how often it asked and saved.
struct TPromptRun {
    int Asked = 0;
    int Saved = 0;
    TSaveAnswer Run(bool modified, TSaveAnswer answer, bool saveSucceeds) {
        return CheckIfSaved(
            modified, [&] { return ++Asked, answer; }, [&] { return ++Saved, saveSucceeds; });
    }
};

TEST(SavePrompt, UnmodifiedListsGiveNoWithoutAsking) {
    TPromptRun prompt;
    EXPECT_EQ(prompt.Run(false, saYes, true), saNo);
    EXPECT_EQ(prompt.Asked, 0);
}

TEST(SavePrompt, YesSavesAndACancelledOrFailedSaveGivesCancel) {
    TPromptRun prompt;
    EXPECT_EQ(prompt.Run(true, saYes, true), saYes);
    EXPECT_EQ(prompt.Run(true, saYes, false), saCancel);
    EXPECT_EQ(prompt.Saved, 2);
    EXPECT_EQ(prompt.Run(true, saNo, true), saNo);
    EXPECT_EQ(prompt.Run(true, saCancel, true), saCancel);
    EXPECT_EQ(prompt.Saved, 2);
}

} // namespace
} // namespace wayline
