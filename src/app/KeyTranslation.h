#pragma once

#include <Qt>

namespace wayline {

// The program's key code (editor/core/KeyCommands.h) for a Qt key: the
// Delete key is KeyDelete, a letter key is its upper-case character code,
// every other key is KeyNone. Qt's own codes must not be cut to a byte: the
// full stop (0x2E) would read as Delete, Super_L, Super_R and Menu
// (0x01000053..55) as S, T and U.
int ProgramKeyCode(int qtKey);

// The program's modifier flags (kmShift, kmCtrl, kmAlt) for Qt's.
unsigned ProgramModifiers(Qt::KeyboardModifiers modifiers);

} // namespace wayline
