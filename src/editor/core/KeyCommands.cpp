#include "editor/core/KeyCommands.h"

#include <algorithm>
#include <array>
#include <cstddef>

namespace wayline {

namespace {

constexpr int AltLetterCount = 12;

// The keys that positions 1..5 stand for.
constexpr std::array<int, 5> EditingKeys{KeyDelete, 'C', 'X', 'V', 'Z'};

// Positions 6..12.
constexpr std::array<TMainCommand, 7> AltCommands{mcGo,   mcView, mcClear, mcTest,
                                                  mcLoad, mcSave, mcQuit};

} // namespace

bool IsLetterKey(int key) {
    constexpr int Multiply = 0xD7;
    return (key >= 'A' && key <= 'Z') || (key >= 0xC0 && key <= 0xDF && key != Multiply);
}

TKeyDispatch ToDoListKeyDown(int key, unsigned modifiers, std::string_view altLetters,
                             int selectionTop, int selectionBottom, int rowCount) {
    TKeyDispatch dispatch;
    dispatch.Top = selectionTop;
    // The append row is never part of an operation.
    dispatch.Bottom = std::min(selectionBottom, rowCount - 2);

    if ((modifiers & kmAlt) != 0 && IsLetterKey(key)) {
        const std::size_t letters = std::min<std::size_t>(altLetters.size(), AltLetterCount);
        for (std::size_t p = 0; p < letters; ++p) {
            if (static_cast<unsigned char>(altLetters[p]) != key) {
                continue;
            }
            if (p == 0) {
                key = KeyDelete;
                modifiers = kmNone;
            } else if (p < EditingKeys.size()) {
                key = EditingKeys[p];
                modifiers = kmCtrl;
            } else {
                dispatch.Command = AltCommands[p - EditingKeys.size()];
            }
            break;
        }
    }

    const bool stepsSelected = dispatch.Top > 0 && dispatch.Top <= dispatch.Bottom;
    if (!stepsSelected && key != 'V' && key != 'Z') {
        return dispatch;
    }
    if ((modifiers & kmCtrl) != 0) {
        switch (key) {
        case 'C':
            dispatch.Edit = ecCopy;
            break;
        case 'V':
            dispatch.Edit = ecPaste;
            break;
        case 'X':
            dispatch.Edit = ecCut;
            break;
        case 'Z':
            dispatch.Edit = ecUndo;
            break;
        default:
            break;
        }
    } else if (key == KeyDelete) {
        dispatch.Edit = ecDelete;
    }
    return dispatch;
}

TButtonKey EditButtonKey(int tag) {
    switch (tag) {
    case 7:
        return {KeyDelete, kmNone};
    case 8:
        return {'C', kmCtrl};
    case 9:
        return {'X', kmCtrl};
    case 10:
        return {'V', kmCtrl};
    case 11:
        return {'Z', kmCtrl};
    default:
        return {0, kmNone};
    }
}

} // namespace wayline
