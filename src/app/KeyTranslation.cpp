#include "app/KeyTranslation.h"

#include "editor/core/KeyCommands.h"

namespace wayline {

int ProgramKeyCode(int qtKey) {
    if (qtKey == Qt::Key_Delete) {
        return KeyDelete;
    }
    // Qt's letter keys are the upper-case Latin-1 codes, as the program's are.
    if (qtKey >= 0 && qtKey <= 0xFF && IsLetterKey(qtKey)) {
        return qtKey;
    }
    return KeyNone;
}

unsigned ProgramModifiers(Qt::KeyboardModifiers modifiers) {
    unsigned result = kmNone;
    if (modifiers & Qt::ShiftModifier)
        result |= kmShift;
    if (modifiers & Qt::ControlModifier)
        result |= kmCtrl;
    if (modifiers & Qt::AltModifier)
        result |= kmAlt;
    return result;
}

} // namespace wayline
