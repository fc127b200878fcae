// Throughput of Tokenize: the directive and conditional passes over
// generated conditional-compilation blocks, and whole programs compiled
// into packets - one of typical size and one close to the source limit.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "tokenizer/Tokenizer.h"

namespace {

std::string Program(int blocks) {
    std::string text = "'{$KEYSTONE KM2C, lib.bas}\n'{$PORT COM3}\n'{$HBASIC 2.5}\n";
    for (int i = 0; i < blocks; ++i) {
        const std::string n = std::to_string(i);
        text += "#DEFINE D" + n + " = " + n + " * 3 + $HBASIC\n";
        text += "#IF D" + n + " > 300 AND $KEYSTONE = KM2C #THEN\n#DEFINE A" + n +
                "\n#ELSE\n#DEFINE E" + n + "\n#ENDIF\n";
        text += "#SELECT D" + n + "\n#CASE 1, 2 TO 40, > 500\n#DEFINE C" + n +
                "\n#CASE #ELSE\n#ENDSELECT\n";
    }
    text += "' end\n";
    return text;
}

void BM_TokenizeConditionals(benchmark::State& state) {
    const std::string text = Program(static_cast<int>(state.range(0)));
    wayline::TTokenizer& tokenizer = wayline::TheTokenizer();
    for (auto _ : state) {
        tokenizer.SetSource(text);
        tokenizer.Tokenize();
        benchmark::DoNotOptimize(tokenizer.Result.Succeeded);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(text.size()));
}
BENCHMARK(BM_TokenizeConditionals)->Arg(10)->Arg(100)->Arg(180);

void BM_DirectivesOnly(benchmark::State& state) {
    std::string text = Program(180);
    wayline::TTokenizer& tokenizer = wayline::TheTokenizer();
    for (auto _ : state) {
        tokenizer.SetSource(text);
        tokenizer.Tokenize({.DirectivesOnly = true});
        benchmark::DoNotOptimize(tokenizer.Result.Succeeded);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(text.size()));
}
BENCHMARK(BM_DirectivesOnly);

// One subroutine of a robot-like program: a commented head, a loop with a
// block IF and a SELECT, serial output and a table read.
std::string Routine(int i, bool wideComments) {
    const std::string n = std::to_string(i);
    std::string text;
    text += "' ---- Routine " + n + ": drive the wheels for step " + n + " ----\n";
    if (wideComments) {
        text += "' The wheels ramp to the speed of this step, hold it for its duration\n"
                "' and report the position on the debug terminal; the whiskers stop\n"
                "' the ramp early. Speeds are pulse widths in units of two us.\n";
    }
    text += "Routine" + n + ":\n";
    text += "  FOR idx = 0 TO " + std::to_string(i % 7 + 2) + "          ' ramp steps\n";
    text += "    speed = Centre + idx * " + std::to_string(i % 5 + 1) + "\n";
    text += "    IF IN5 = 0 THEN\n      EXIT\n    ELSE\n      PULSOUT LServo, speed\n    ENDIF\n";
    text += "  NEXT\n";
    text += "  SELECT cmd\n    CASE \"F\", \"B\"\n      PAUSE " + std::to_string(i % 20 + 1) +
            "\n    CASE ELSE\n      LOW RServo\n  ENDSELECT\n";
    text += "  READ Table + " + std::to_string(i % 8) + ", cmd\n";
    text += "  RETURN\n\n";
    return text;
}

std::string WholeProgramHead() {
    return "'{$KEYSTONE KM2}\n'{$HBASIC 2.5}\n"
           "' Generated robot-like program for the tokenizer benchmark.\n"
           "LServo  PIN 13\nRServo  PIN 12\nCentre  CON 750\n"
           "Table   DATA \"FBLRSEQ\", 0\n"
           "speed   VAR Word\nidx     VAR Byte\ncmd     VAR Byte\n\n";
}

// The head, a main loop calling every routine, and the routines.
std::string RoutineProgram(int routines, bool wideComments) {
    std::string text = WholeProgramHead();
    text += "Main:\n";
    for (int i = 0; i < routines; ++i) {
        text += "  GOSUB Routine" + std::to_string(i) + "\n";
    }
    text += "  GOTO Main\n\n";
    for (int i = 0; i < routines; ++i) {
        text += Routine(i, wideComments);
    }
    return text;
}

// 24 routines filled with comment lines up to just below the source limit:
// the image stays within the EEPROM, so most of the text is what real
// programs carry too, comments.
std::string LargeProgram() {
    std::string text = RoutineProgram(24, true);
    const std::string filler =
        "' Notes: the calibration bytes sit in the first EEPROM cells; keep them.\n";
    while (text.size() + filler.size() < static_cast<std::size_t>(wayline::MaxSourceSize)) {
        text += filler;
    }
    return text;
}

// About 300 lines: 16 routines without the wide comments.
std::string TypicalProgram() {
    return RoutineProgram(16, false);
}

// The typical program followed by trace sections that the build leaves
// out, up to just below the source limit: the heaviest case for
// conditional compilation that is still a valid program.
std::string LargeConditionalProgram() {
    std::string text = "'{$KEYSTONE KM2}\n'{$HBASIC 2.5}\n#DEFINE Verbose = 0\n";
    text += TypicalProgram().substr(std::string("'{$KEYSTONE KM2}\n'{$HBASIC 2.5}\n").size());
    // Commented like real trace code, which also keeps the element list
    // within its capacity.
    const std::string section =
        "#IF Verbose #THEN          ' trace output while the ramp is being tuned\n"
        "  DEBUG \"v \", DEC speed, CR  ' the pulse width reached by this ramp step\n"
        "#ENDIF\n";
    while (text.size() + section.size() < static_cast<std::size_t>(wayline::MaxSourceSize)) {
        text += section;
    }
    return text;
}

void RunWholeProgram(benchmark::State& state, const std::string& text) {
    auto tokenizer = std::make_unique<wayline::TTokenizer>();
    if (!tokenizer->SetSource(text) || !tokenizer->Tokenize()) {
        const char* error = tokenizer->Result.ErrorText;
        state.SkipWithError(error != nullptr ? error : "source refused");
        return;
    }
    int lines = 0;
    for (char c : text) {
        lines += c == '\n' ? 1 : 0;
    }
    for (auto _ : state) {
        tokenizer->SetSource(text);
        tokenizer->Tokenize();
        benchmark::DoNotOptimize(tokenizer->Result.PacketCount);
    }
    state.counters["chars"] = static_cast<double>(text.size());
    state.counters["lines"] = lines;
    state.counters["packets"] = tokenizer->Result.PacketCount;
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(text.size()));
}

void BM_TokenizeLargeProgram(benchmark::State& state) {
    static const std::string text = LargeProgram();
    RunWholeProgram(state, text);
}
BENCHMARK(BM_TokenizeLargeProgram)->Unit(benchmark::kMicrosecond);

void BM_TokenizeTypicalProgram(benchmark::State& state) {
    static const std::string text = TypicalProgram();
    RunWholeProgram(state, text);
}
BENCHMARK(BM_TokenizeTypicalProgram)->Unit(benchmark::kMicrosecond);

void BM_TokenizeLargeConditionalProgram(benchmark::State& state) {
    static const std::string text = LargeConditionalProgram();
    RunWholeProgram(state, text);
}
BENCHMARK(BM_TokenizeLargeConditionalProgram)->Unit(benchmark::kMicrosecond);

} // namespace
