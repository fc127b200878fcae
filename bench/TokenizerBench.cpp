// Throughput of Tokenize on sources of growing size. Until the statement
// passes exist the programs are conditional-compilation blocks, which run
// the scanner, the expression compiler and the condition evaluator.
#include <benchmark/benchmark.h>

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
        tokenizer.Tokenize(false, true, false);
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
        tokenizer.Tokenize(true, true, false);
        benchmark::DoNotOptimize(tokenizer.Result.Succeeded);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(text.size()));
}
BENCHMARK(BM_DirectivesOnly);

} // namespace
