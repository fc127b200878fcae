#pragma once

#include <functional>

namespace wayline {

enum TSaveAnswer {
    saYes,
    saNo,
    saCancel,
};

// Interface text of the question: "Current action list is not saved.  Save it now?"
inline constexpr int SavePromptTextId = 427;

// The save prompt before Load and Quit. Unmodified lists give No without
// asking. Otherwise ask() shows the question (beep, warning box with Yes, No,
// Cancel); on Yes save() runs the save command and tells whether the file
// was written. A Yes whose save was cancelled or failed gives Cancel, so the
// caller does not go on to lose the lists.
TSaveAnswer CheckIfSaved(bool listModified, const std::function<TSaveAnswer()>& ask,
                         const std::function<bool()>& save);

} // namespace wayline
