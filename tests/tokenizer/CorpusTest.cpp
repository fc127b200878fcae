// Whole programs from tests/tokenizer/corpus: those under compile/ must
// produce packets, those under fail/ must stop with the error and span
// named in their first line (see corpus/README.md).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "SourceFiles.h"
#include "tokenizer/Messages.h"
#include "tokenizer/Tokenizer.h"

namespace {

namespace fs = std::filesystem;

fs::path CorpusDir(const char* kind) {
    return wayline::testfiles::SourceDir() / "tests/tokenizer/corpus" / kind;
}

// Every .bas file of the folder, sorted so that failures read the same
// on every run.
std::vector<fs::path> Cases(const char* kind) {
    std::vector<fs::path> list;
    std::error_code ec;
    for (const fs::directory_entry& entry : fs::directory_iterator(CorpusDir(kind), ec)) {
        if (entry.is_regular_file() && entry.path().extension() == ".bas") {
            list.push_back(entry.path());
        }
    }
    std::sort(list.begin(), list.end());
    return list;
}

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

struct TExpectation {
    bool Valid = false;
    int Number = 0;
    int Start = 0;
    int Length = 0;
};

// The first line reads "' expect: NNN at START+LENGTH".
TExpectation ParseExpectation(const std::string& text) {
    TExpectation e;
    const std::string line = text.substr(0, text.find('\n'));
    e.Valid =
        std::sscanf(line.c_str(), "' expect: %d at %d+%d", &e.Number, &e.Start, &e.Length) == 3;
    return e;
}

struct TOutcome {
    bool Loaded = false;
    bool Succeeded = false;
    int PacketCount = 0;
    int Number = 0;
    int Start = 0;
    int Length = 0;
    std::string Span;
    std::string Text;
};

TOutcome Compile(const std::string& text) {
    auto tokenizer = std::make_unique<wayline::TTokenizer>();
    TOutcome o;
    o.Loaded = tokenizer->SetSource(text);
    if (!o.Loaded) {
        return o;
    }
    const wayline::TTokenizerResult& r = tokenizer->Result;
    o.Succeeded = tokenizer->Tokenize();
    o.PacketCount = r.PacketCount;
    o.Text = r.ErrorText != nullptr ? r.ErrorText : "";
    o.Number = std::atoi(o.Text.c_str());
    o.Start = r.ErrorStart;
    o.Length = r.ErrorLength;
    if (o.Start >= 0 && o.Length >= 0 && o.Start + o.Length <= r.SourceSize) {
        o.Span.assign(r.Source + o.Start, static_cast<std::size_t>(o.Length));
    }
    return o;
}

TEST(TokenizerCorpus, EveryProgramOfTheCompileFolderGivesPackets) {
    const std::vector<fs::path> cases = Cases("compile");
    ASSERT_FALSE(cases.empty()) << "no programs in " << CorpusDir("compile");
    for (const fs::path& path : cases) {
        SCOPED_TRACE(path.filename().string());
        const TOutcome o = Compile(ReadFile(path));
        ASSERT_TRUE(o.Loaded);
        EXPECT_TRUE(o.Succeeded) << o.Text << " at " << o.Start << "+" << o.Length << " \""
                                 << o.Span << "\"";
        EXPECT_GT(o.PacketCount, 0);
    }
}

TEST(TokenizerCorpus, EveryProgramOfTheFailFolderStopsWithItsErrorAndSpan) {
    const std::vector<fs::path> cases = Cases("fail");
    ASSERT_FALSE(cases.empty()) << "no programs in " << CorpusDir("fail");
    for (const fs::path& path : cases) {
        SCOPED_TRACE(path.filename().string());
        const std::string text = ReadFile(path);
        const TExpectation e = ParseExpectation(text);
        ASSERT_TRUE(e.Valid) << "first line must read ' expect: NNN at START+LENGTH";
        const TOutcome o = Compile(text);
        ASSERT_TRUE(o.Loaded);
        EXPECT_FALSE(o.Succeeded);
        EXPECT_EQ(o.Number, e.Number) << o.Text;
        EXPECT_EQ(o.Start, e.Start) << "span \"" << o.Span << "\"";
        EXPECT_EQ(o.Length, e.Length) << "span \"" << o.Span << "\"";
    }
}

} // namespace
