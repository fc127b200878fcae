#include "sim/core/RunTimeEvents.h"

namespace wayline::sim {

TRunTimeEvents::TRunTimeEvents(std::size_t capacity) : Ring(capacity == 0 ? 1 : capacity) {}

void TRunTimeEvents::Record(const TRunTimeEvent& event) {
    ++Total;
    if (Count == Ring.size()) {
        Ring[First] = event;
        First = (First + 1) % Ring.size();
        ++Lost;
        return;
    }
    Ring[(First + Count) % Ring.size()] = event;
    ++Count;
}

const TRunTimeEvent& TRunTimeEvents::operator[](std::size_t i) const {
    return Ring[(First + i) % Ring.size()];
}

void TRunTimeEvents::TakeInto(std::vector<TRunTimeEvent>& out) {
    out.reserve(out.size() + Count);
    for (std::size_t i = 0; i < Count; ++i) {
        out.push_back((*this)[i]);
    }
    Clear();
}

void TRunTimeEvents::Clear() {
    First = 0;
    Count = 0;
}

} // namespace wayline::sim
