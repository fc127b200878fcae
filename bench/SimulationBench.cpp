// How much faster than real time the virtual robot runs the robot program:
// advanced sensors (mode 2) in the default arena, a list that keeps the
// robot driving into things and playing its sensor set, 60 s of the robot's
// time per run. The download before each run is left out of the timing.
// Counters: the simulated seconds per real second (the target is at least
// 500), the run-time's instructions per real second, and the real time one
// simulated second costs.
#include <benchmark/benchmark.h>

#include "cli/GenerateCommand.h"
#include "codegen/core/BuildCode.h"
#include "editor/core/ActionDocument.h"
#include "sim/core/RobotSession.h"
#include "tokenizer/Tokenizer.h"

#include <chrono>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace {

using namespace wayline;

constexpr double RunSeconds = 60;

void Add(TDocumentState& state, int list, TActionKind kind, int value) {
    const int row = state.StepCount(list) + 1;
    state.Step(list, row) =
        TActionStep{static_cast<std::uint8_t>(kind), static_cast<std::int16_t>(value), 0, 0, 0};
    state.SetStepCount(list, row);
}

// The robot program in advanced mode: drive, turn a little, again; set All
// backs away and turns.
std::vector<std::uint8_t> Mode2Packets() {
    auto state = std::make_unique<TDocumentState>();
    InitialiseDocument(*state);
    state->AdvancedMode = true;
    Add(*state, MainList, akMoveForward, 30);
    Add(*state, MainList, akRotateLeft, 5);
    Add(*state, MainList, akLoopBack, 1);
    Add(*state, MainList + 1, akMoveBackward, 5);
    Add(*state, MainList + 1, akRotateRight, 10);
    const TBuildCodeResult built = BuildCode(RobotProgramTemplateText(), *state, false);
    const std::optional<std::string> text = TokenizerSourceText(built.Lines);
    TTokenizer& tokenizer = TheTokenizer();
    if (!built.Succeeded || !text || !tokenizer.SetSource(*text) ||
        !tokenizer.Tokenize()) {
        std::abort();
    }
    const TTokenizerResult& r = tokenizer.Result;
    return {&r.PacketBuffer[0][0], &r.PacketBuffer[0][0] + 18 * r.PacketCount};
}

// A fresh virtual robot in the default arena with the program downloaded
// and started.
std::unique_ptr<sim::TRobotSession> Started(const std::vector<std::uint8_t>& packets) {
    auto session = std::make_unique<sim::TRobotSession>(sim::TWorld::DefaultArena());
    std::string error;
    if (!session->Download(packets.data(), static_cast<int>(packets.size() / 18), error)) {
        std::abort();
    }
    while (!session->Board().Started()) {
        session->Board().RunFor(1000);
    }
    return session;
}

void BM_RobotProgramMode2DefaultArena(benchmark::State& state) {
    const std::vector<std::uint8_t> packets = Mode2Packets();
    const auto stepUs = static_cast<std::uint64_t>(state.range(0));
    std::uint64_t instructions = 0;
    double realSeconds = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto session = Started(packets);
        sim::TRobotSimulation& board = session->Board();
        const std::uint64_t end = board.StartUs() + static_cast<std::uint64_t>(RunSeconds * 1e6);
        const std::uint64_t before = session->Interpreter().InstructionCount();
        state.ResumeTiming();
        const auto t0 = std::chrono::steady_clock::now();
        while (board.NowUs() < end) {
            board.RunUntil(std::min(end, board.NowUs() + stepUs));
        }
        realSeconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        state.PauseTiming();
        instructions += session->Interpreter().InstructionCount() - before;
        benchmark::DoNotOptimize(board.Events().size());
        session.reset();
        state.ResumeTiming();
    }
    const double runs = static_cast<double>(state.iterations());
    state.counters["x_real_time"] = runs * RunSeconds / realSeconds;
    state.counters["instr_per_s"] = static_cast<double>(instructions) / realSeconds;
    state.counters["us_per_sim_s"] = realSeconds * 1e6 / (runs * RunSeconds);
    state.counters["instr_per_sim_s"] = static_cast<double>(instructions) / (runs * RunSeconds);
}
// Stepped as the command line does (10 ms), as the virtual robot's window
// does at 60 frames a second at 1x (about 16.7 ms) and at 4x (about 66.7 ms;
// a frame costs the window us_per_sim_s times the slice), and in single
// physics steps.
BENCHMARK(BM_RobotProgramMode2DefaultArena)
    ->Arg(10000)
    ->Arg(16667)
    ->Arg(66667)
    ->Arg(1000)
    ->Unit(benchmark::kMillisecond);

} // namespace
