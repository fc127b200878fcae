#include "editor/core/SavePrompt.h"

namespace wayline {

TSaveAnswer CheckIfSaved(bool listModified, const std::function<TSaveAnswer()>& ask,
                         const std::function<bool()>& save) {
    if (!listModified) {
        return saNo;
    }
    const TSaveAnswer answer = ask ? ask() : saCancel;
    if (answer == saYes && !(save && save())) {
        return saCancel;
    }
    return answer;
}

} // namespace wayline
