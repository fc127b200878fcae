#include "editor/core/StepClipboard.h"

#include <cstddef>

namespace wayline {

namespace {

constexpr TActionStep EndMark{0, HeaderValue, 0, 0, 0};

bool InRange(int k) {
    return k >= 1 && k <= TStepClipboard::Capacity;
}

} // namespace

TStepClipboard::TStepClipboard() {
    Entries[0] = EndMark;
}

int TStepClipboard::Count() const {
    int count = 0;
    while (count < Capacity && Entries[static_cast<std::size_t>(count)].Value != HeaderValue) {
        ++count;
    }
    return count;
}

TActionStep TStepClipboard::Entry(int k) const {
    return InRange(k) ? Entries[static_cast<std::size_t>(k - 1)] : EndMark;
}

void TStepClipboard::Set(int k, const TActionStep& step) {
    if (InRange(k)) {
        Entries[static_cast<std::size_t>(k - 1)] = step;
    }
}

void TStepClipboard::MarkEnd(int k) {
    if (InRange(k)) {
        Entries[static_cast<std::size_t>(k - 1)].Value = HeaderValue;
    }
}

} // namespace wayline
