// How much faster than real time the virtual robot runs the robot program:
// advanced sensors (mode 2) in the default arena, a list that keeps the
// robot driving into things and playing its sensor set, 60 s of the robot's
// time per run; and beginner sensors (mode 1) among a thousand obstacles,
// the most a world file holds (the target is at least 500 times real time
// there too). The download before each run is left out of the timing.
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
#include <random>
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
// backs away and turns. In beginner mode (sensors on) the same main list,
// the robot program's own reactions instead of the set.
std::vector<std::uint8_t> RobotPackets(bool advanced) {
    auto state = std::make_unique<TDocumentState>();
    InitialiseDocument(*state);
    state->AdvancedMode = advanced;
    Add(*state, MainList, akMoveForward, 30);
    Add(*state, MainList, akRotateLeft, 5);
    Add(*state, MainList, akLoopBack, 1);
    if (advanced) {
        Add(*state, MainList + 1, akMoveBackward, 5);
        Add(*state, MainList + 1, akRotateRight, 10);
    }
    const TBuildCodeResult built = BuildCode(RobotProgramTemplateText(), *state, true);
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
std::unique_ptr<sim::TRobotSession> Started(const std::vector<std::uint8_t>& packets,
                                            const sim::TWorld& world) {
    auto session = std::make_unique<sim::TRobotSession>(world);
    std::string error;
    if (!session->Download(packets.data(), static_cast<int>(packets.size() / 18), error)) {
        std::abort();
    }
    while (!session->Board().Started()) {
        session->Board().RunFor(1000);
    }
    return session;
}

// A floor of 30 m by 30 m with a thousand boxes and cans on it, the same
// every time, and the robot among them.
sim::TWorld ThousandObstacles() {
    sim::TWorld world;
    world.SetArena(30000, 30000);
    world.SetStart({{15000, 15000}, 30});
    std::mt19937 random(23);
    std::uniform_real_distribution<double> place(300, 29700);
    std::uniform_real_distribution<double> size(40, 160);
    while (world.Obstacles().size() < 1000) {
        const sim::TPoint at{place(random), place(random)};
        if (std::hypot(at.X - 15000, at.Y - 15000) < 400) {
            continue;
        }
        world.AddObstacle(world.Obstacles().size() % 2 == 0
                              ? sim::TShape::Circle(at, size(random) / 2)
                              : sim::TShape::Rectangle(at, size(random), size(random),
                                                       size(random)));
    }
    return world;
}

void RunRobotProgram(benchmark::State& state, bool advanced, const sim::TWorld& world) {
    const std::vector<std::uint8_t> packets = RobotPackets(advanced);
    const auto stepUs = static_cast<std::uint64_t>(state.range(0));
    std::uint64_t instructions = 0;
    double realSeconds = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto session = Started(packets, world);
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

void BM_RobotProgramMode2DefaultArena(benchmark::State& state) {
    RunRobotProgram(state, true, sim::TWorld::DefaultArena());
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

void BM_RobotProgramMode1ThousandObstacles(benchmark::State& state) {
    RunRobotProgram(state, false, ThousandObstacles());
}
// Stepped as the command line and grade do.
BENCHMARK(BM_RobotProgramMode1ThousandObstacles)->Arg(10000)->Unit(benchmark::kMillisecond);

} // namespace
