// Speed of the simulator's run-time: instructions interpreted per second of
// host time, and the host time one simulated second of the robot program
// costs (advanced sensors, a looping list, nothing in the robot's way; the
// pins answer from a table, so the figure is the run-time's alone).
#include <benchmark/benchmark.h>

#include <fstream>
#include <iterator>
#include <memory>
#include <stdexcept>
#include <string>

#include "codegen/core/BuildCode.h"
#include "sim/core/Eeprom.h"
#include "sim/core/Interpreter.h"
#include "sim/core/PinHardware.h"
#include "sim/core/ProgrammingPort.h"
#include "tokenizer/Tokenizer.h"

namespace {

using namespace wayline;
using namespace wayline::sim;

// Whiskers open, no obstacle: every input reads high.
class TQuietPins : public TPinHardware {
public:
    bool InputLevel(int, std::uint64_t) override { return true; }
    void OutputChanged(int, bool, std::uint64_t) override {}
    void Pulse(int, std::uint64_t, std::uint32_t) override {}
    void Tone(int, std::uint64_t, std::uint32_t, std::uint32_t, std::uint32_t) override {}
};

class TSilentPort : public TProgrammingPort {
public:
    std::optional<std::uint8_t> Receive(std::uint64_t) override { return std::nullopt; }
    std::optional<std::uint64_t> NextArrival() const override { return std::nullopt; }
    std::uint64_t Send(std::uint8_t, std::uint64_t timeUs) override { return timeUs + 1042; }
};

void Compile(const std::string& text, TEeprom& eeprom) {
    auto tokenizer = std::make_unique<TTokenizer>();
    if (!tokenizer->SetSource(text) || !tokenizer->Tokenize()) {
        throw std::runtime_error("the benchmark program does not compile");
    }
    for (int i = 0; i < TEeprom::Size; ++i) {
        eeprom.Write(i, tokenizer->Result.EEPROM[i]);
    }
}

std::string RobotProgram() {
    std::ifstream in(std::string(WAYLINE_SOURCE_DIR) + "/resources/programs/robot.bas",
                     std::ios::binary);
    const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    TDocumentState state{};
    InitialiseDocument(state);
    state.AdvancedMode = true;
    state.Step(MainList, 1) = {akMoveForward, 20, 0, 0, 0};
    state.Step(MainList, 2) = {akTurnRight, 10, 0, 0, 0};
    state.Step(MainList, 3) = {akRotateLeft, 5, 0, 0, 0};
    state.Step(MainList, 4) = {akStopAndWait, 5, 0, 0, 0};
    state.Step(MainList, 5) = {akLoopBack, 1, 0, 0, 0};
    state.SetStepCount(MainList, 5);
    const TBuildCodeResult built = BuildCode(text, state, false);
    const std::optional<std::string> source = TokenizerSourceText(built.Lines);
    if (!built.Succeeded || !source) {
        throw std::runtime_error("the robot program cannot be generated");
    }
    return *source;
}

// A busy loop of assignments, conditions and jumps.
void BM_InstructionsPerSecond(benchmark::State& state) {
    TEeprom eeprom;
    Compile("'{$KEYSTONE KM2}\n'{$HBASIC 2.5}\nAgain:\n W1 = W1 + 1\n B5 = W1 & 255\n"
            " IF B5 > 100 THEN W2 = W2 + 1\n GOTO Again\n",
            eeprom);
    TQuietPins pins;
    TSilentPort port;
    TInterpreter runTime(pins);
    runTime.Start(eeprom, port, 0);
    std::uint64_t limit = 0;
    for (auto _ : state) {
        limit += 1000000;
        runTime.RunUntil(limit);
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(runTime.InstructionCount()));
    state.counters["bits_per_instruction"] = static_cast<double>(runTime.BitsFetched()) /
                                             static_cast<double>(runTime.InstructionCount());
}
BENCHMARK(BM_InstructionsPerSecond)->Unit(benchmark::kMillisecond);

// One iteration: 60 simulated seconds of the robot program, stepped in
// 1 ms calls as a board would; the events are taken after each call.
void BM_RobotProgramMinute(benchmark::State& state) {
    TEeprom eeprom;
    Compile(RobotProgram(), eeprom);
    TQuietPins pins;
    TSilentPort port;
    std::vector<TRunTimeEvent> events;
    std::uint64_t instructions = 0;
    for (auto _ : state) {
        TInterpreter runTime(pins);
        runTime.Start(eeprom, port, 0);
        for (std::uint64_t t = 1000; t <= 60000000; t += 1000) {
            runTime.RunUntil(t);
            events.clear();
            runTime.Events().TakeInto(events);
        }
        if (!runTime.Running()) {
            state.SkipWithError("the robot program ended");
        }
        instructions += runTime.InstructionCount();
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(instructions));
    state.counters["simulated_seconds"] =
        benchmark::Counter(60.0 * static_cast<double>(state.iterations()));
}
BENCHMARK(BM_RobotProgramMinute)->Unit(benchmark::kMillisecond);

} // namespace
