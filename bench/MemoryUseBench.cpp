// The memory gauge is measured after every edit on the user-interface
// thread, so it has to cost next to nothing: counting the lists' entries
// against a program start found once. For comparison, what a whole build
// and compile of the robot program costs for the same lists.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "cli/GenerateCommand.h"
#include "codegen/core/BuildCode.h"
#include "codegen/core/MemoryUse.h"
#include "tokenizer/Tokenizer.h"

namespace {

using namespace wayline;

// Advanced mode, `steps` in every list, the main list changing every
// sensor column at every step and looping back near its end.
std::unique_ptr<TDocumentState> Lists(int steps) {
    auto state = std::make_unique<TDocumentState>();
    InitialiseDocument(*state);
    state->AdvancedMode = true;
    for (int list = 1; list <= ListCount; ++list) {
        for (int row = 1; row <= steps; ++row) {
            const auto set = static_cast<std::uint8_t>(list == MainList ? row % 5 : 0);
            state->Step(list, row) =
                TActionStep{static_cast<std::uint8_t>(row % 7), 12, set, set, set};
        }
        if (list == MainList && steps > 10) {
            state->Step(list, steps) =
                TActionStep{akLoopBack, static_cast<std::int16_t>(steps - 8), 0, 0, 0};
        }
        state->SetStepCount(list, steps);
    }
    return state;
}

void BM_MeasureMemoryUse(benchmark::State& bench) {
    const auto lists = Lists(static_cast<int>(bench.range(0)));
    for (auto _ : bench) {
        benchmark::DoNotOptimize(MeasureMemoryUse(*lists, 1088).Percent());
    }
}
BENCHMARK(BM_MeasureMemoryUse)->Arg(10)->Arg(50)->Arg(255);

void BM_FindRobotProgramStart(benchmark::State& bench) {
    const auto tokenizer = std::make_unique<TTokenizer>();
    for (auto _ : bench) {
        benchmark::DoNotOptimize(RobotProgramStart(*tokenizer, RobotProgramTemplateText()));
    }
}
BENCHMARK(BM_FindRobotProgramStart);

void BM_BuildAndCompileRobotProgram(benchmark::State& bench) {
    const auto lists = Lists(static_cast<int>(bench.range(0)));
    const auto tokenizer = std::make_unique<TTokenizer>();
    for (auto _ : bench) {
        const TBuildCodeResult built = BuildCode(RobotProgramTemplateText(), *lists, false);
        const std::optional<std::string> text = TokenizerSourceText(built.Lines);
        benchmark::DoNotOptimize(text && tokenizer->SetSource(*text) &&
                                 tokenizer->Tokenize());
    }
}
BENCHMARK(BM_BuildAndCompileRobotProgram)->Arg(10)->Arg(50);

} // namespace
