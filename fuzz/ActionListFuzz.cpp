// Feeds arbitrary bytes to the action-list loader in both modes. A refused
// or short file must leave the document exactly as it was; an accepted one
// must hold only steps the editor can show and must survive a save and a
// reload unchanged.
#include "codegen/core/ActionListFile.h"

#include <cstdlib>
#include <cstring>
#include <memory>

namespace {

using namespace wayline;

void Check(bool condition) {
    if (!condition) {
        std::abort();
    }
}

void FillSomeSteps(TDocumentState& state) {
    for (int row = 1; row <= 5; ++row) {
        state.Step(1, row) = {static_cast<std::uint8_t>(row), static_cast<std::int16_t>(row * 3), 1,
                              2, 3};
    }
    state.SetStepCount(1, 5);
    state.ListModified = true;
}

void LoadIn(bool advanced, const std::uint8_t* data, std::size_t size) {
    auto state = std::make_unique<TDocumentState>();
    InitialiseDocument(*state);
    state->AdvancedMode = advanced;
    FillSomeSteps(*state);
    const auto before = std::make_unique<TDocumentState>(*state);

    const TLoadResult result = LoadActionList({data, size}, *state);
    if (result.Status != TLoadStatus::lsLoaded) {
        Check(std::memcmp(&state->Document, &before->Document, DocumentSize) == 0);
        Check(state->StepCounts == before->StepCounts);
        Check(state->ListModified);
        Check(!result.Message.empty());
        return;
    }
    Check(size >= DocumentSize);
    Check(!state->ListModified);
    for (int list = 1; list <= ListCount; ++list) {
        const int count = state->StepCount(list);
        Check(count >= 0 && count <= MaxSteps);
        for (int row = 1; row <= count; ++row) {
            const TActionStep& step = state->Step(list, row);
            Check(step.Kind < ActionKindCount && step.Value >= 1);
            Check(step.BothSet < SensorSetCount && step.LeftSet < SensorSetCount &&
                  step.RightSet < SensorSetCount);
        }
    }

    const auto image = ActionListImage(*state);
    auto again = std::make_unique<TDocumentState>();
    InitialiseDocument(*again);
    again->AdvancedMode = advanced;
    Check(LoadActionList(image, *again).Status == TLoadStatus::lsLoaded);
    Check(again->StepCounts == state->StepCounts);
    Check(std::memcmp(&again->Document, &state->Document, DocumentSize) == 0);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    LoadIn(false, data, size);
    LoadIn(true, data, size);
    return 0;
}
