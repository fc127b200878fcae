#pragma once

#include "editor/core/ActionDocument.h"

#include <array>

namespace wayline {

// The editor's own step clipboard, shared by all six lists and separate from
// the system clipboard. Entries are numbered 1..255; the content ends at the
// first entry whose Value is -1 (the end mark), or after entry 255.
class TStepClipboard {
public:
    static constexpr int Capacity = MaxSteps;

    // Starts empty: entry 1 carries the end mark.
    TStepClipboard();

    // True when entry 1 is the end mark.
    bool IsEmpty() const { return Entries[0].Value == HeaderValue; }

    // Number of steps before the end mark (0..255).
    int Count() const;

    // Entry k, 1..255. Out-of-range k reads as an end mark.
    TActionStep Entry(int k) const;

    // Stores a step as entry k (1..255); other k are ignored.
    void Set(int k, const TActionStep& step);

    // Writes the end mark into entry k if k is 1..255 (a full clipboard has none).
    void MarkEnd(int k);

private:
    std::array<TActionStep, Capacity> Entries{};
};

} // namespace wayline
