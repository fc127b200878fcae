#pragma once

#include "editor/core/ActionDocument.h"

#include <initializer_list>
#include <memory>
#include <vector>

namespace wayline::test {

// A fresh program-start state on the heap (the undo ring and the state are
// large for a test's stack).
inline std::unique_ptr<TDocumentState> NewState() {
    auto state = std::make_unique<TDocumentState>();
    InitialiseDocument(*state);
    return state;
}

// Fills a list with the given steps (sets 0) and sets its count.
inline void Fill(TDocumentState& state, int list, std::initializer_list<TActionStep> steps) {
    int row = 0;
    for (const TActionStep& step : steps) {
        state.Step(list, ++row) = step;
    }
    state.SetStepCount(list, row);
}

// Fills a list with count steps of kind Move Forward whose value is the
// original row number, so moves and deletions are easy to follow.
inline void FillNumbered(TDocumentState& state, int list, int count) {
    for (int row = 1; row <= count; ++row) {
        state.Step(list, row) = {akMoveForward, static_cast<std::int16_t>(row), 0, 0, 0};
    }
    state.SetStepCount(list, count);
}

// The values of steps 1..N.
inline std::vector<int> Values(const TDocumentState& state, int list) {
    std::vector<int> values;
    for (int row = 1; row <= state.StepCount(list); ++row) {
        values.push_back(state.Step(list, row).Value);
    }
    return values;
}

inline TActionStep Loop(int target) {
    return {akLoopBack, static_cast<std::int16_t>(target), 0, 0, 0};
}
inline TActionStep Move(int tenths, int both = 0, int left = 0, int right = 0) {
    return {akMoveForward, static_cast<std::int16_t>(tenths), static_cast<std::uint8_t>(both),
            static_cast<std::uint8_t>(left), static_cast<std::uint8_t>(right)};
}

} // namespace wayline::test
