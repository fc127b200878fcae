#include "editor/core/ButtonRules.h"

namespace wayline {

TButtonStates AutoEnableDisable(int selectionTop, int rowCount, bool clipboardEmpty,
                                int mainListRowCount) {
    TButtonStates states{};
    // The title row and the empty append row hold no step to act on.
    states.DeleteCopyCut = selectionTop > 0 && selectionTop < rowCount - 1;
    states.Paste = !clipboardEmpty && selectionTop > 0;
    states.GoSaveClear = mainListRowCount >= 3;
    return states;
}

int TButtonPress::Release(int tagUnderCursor) {
    const int pressed = HeldTag;
    HeldTag = 0;
    return pressed != 0 && pressed == tagUnderCursor ? pressed : 0;
}

int TButtonPress::MoveSeen(bool leftButtonHeld) {
    if (HeldTag == 0 || leftButtonHeld) {
        return 0;
    }
    const int abandoned = HeldTag;
    HeldTag = 0;
    return abandoned;
}

} // namespace wayline
