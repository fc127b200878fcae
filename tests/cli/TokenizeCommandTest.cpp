#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <memory>
#include <sstream>
#include <streambuf>

#include "cli/TokenizeCommand.h"
#include "cli/TokenizerReport.h"
#include "tokenizer/Tokenizer.h"

namespace wayline {
namespace {

class TokenizeCommandTest : public ::testing::Test {
protected:
    std::unique_ptr<TTokenizer> Tok = std::make_unique<TTokenizer>();
    std::string Out, Err;

    int Run(std::vector<std::string> arguments, const std::string& input) {
        std::istringstream in(input);
        std::ostringstream out, err;
        const int status = RunTokenizeCommand(arguments, in, out, err, *Tok);
        Out = out.str();
        Err = err.str();
        return status;
    }
};

TEST_F(TokenizeCommandTest, ErrorsAreReportedLikeACompilerDiagnostic) {
    EXPECT_EQ(Run({"-"}, "'{$KEYSTONE KM2}\nB0 = 1 `\n"), ExitTokenizeError);
    EXPECT_EQ(Err, "<stdin>:2:8: error: 103-Unrecognized character\n"
                   "B0 = 1 `\n"
                   "       ^\n");
}

TEST_F(TokenizeCommandTest, CaretsFollowTabsAndCoverTheSpan) {
    EXPECT_EQ(Run({"-"}, "'{$KEYSTONE KM2}\r\n\tB0 = 65536\r\n"), ExitTokenizeError);
    EXPECT_EQ(Err, "<stdin>:2:7: error: 109-Constant exceeds 16 bits\n"
                   "\tB0 = 65536\n"
                   "\t     ^^^^^\n");
}

TEST_F(TokenizeCommandTest, EmptySpanErrorsShowNoSourceLine) {
    EXPECT_EQ(Run({"-"}, ""), ExitTokenizeError);
    EXPECT_EQ(Err,
              "<stdin>:1:1: error: 156-Unknown target module.  $KEYSTONE directive not found\n");
}

TEST_F(TokenizeCommandTest, PresetTargetReplacesTheTargetDirective) {
    EXPECT_EQ(Run({"--target", "KM2B", "--directives-only", "-"}, "'{$KEYSTONE KM3}\n"),
              ExitSucceeded);
    EXPECT_EQ(Tok->Result.TargetModule, tmKM2B);
    EXPECT_EQ(Out, "<stdin>: tokenized for KM2B, HBASIC 2.0: 0 packets, 0 program bits, "
                   "0 DATA bytes\n");
    EXPECT_EQ(Run({"--target", "KM2", "-"}, "' nothing\n"), ExitTokenizeError);
    EXPECT_NE(Err.find("157-Nothing to tokenize"), std::string::npos);
}

TEST_F(TokenizeCommandTest, AnyVersionLiftsTheVersionRule) {
    const std::string text = "'{$KEYSTONE KM2}\n'{$HBASIC 1.0}\n";
    EXPECT_EQ(Run({"--directives-only", "-"}, text), ExitTokenizeError);
    EXPECT_EQ(Run({"--directives-only", "--any-version", "-"}, text), ExitSucceeded);
}

TEST_F(TokenizeCommandTest, JsonCarriesTheWholeResult) {
    EXPECT_EQ(Run({"--json", "--directives-only", "-"},
                  "'{$KEYSTONE KM2A, lib.bas}\n'{$PORT COM4}\n'{$HBASIC 2.5}\n"),
              ExitSucceeded);
    EXPECT_NE(Out.find("\"succeeded\":true,\"errorText\":null,\"errorStart\":0,"
                       "\"errorLength\":0,\"targetModule\":3,\"languageVersion\":250,"
                       "\"debugFlag\":false,\"port\":\"COM4\",\"projectFiles\":[\"lib.bas\"],"
                       "\"varCounts\":[0,0,0,0],\"packetCount\":0,\"packets\":[],"
                       "\"eeprom\":\"0000"),
              std::string::npos)
        << Out;
    EXPECT_NE(Out.find("\"eepromFlags\":\"" + std::string(4096, '0') + "\"}"), std::string::npos);
}

TEST_F(TokenizeCommandTest, JsonErrorsGiveByteOffsetsAndSurviveNonUtf8Text) {
    EXPECT_EQ(Run({"--json", "-"}, "'{$KEYSTONE KM2}\n'{$HBASIC 2.5}\n#ERROR \"caf\xE9\"\n"),
              ExitTokenizeError);
    EXPECT_NE(Out.find("\"succeeded\":false,\"errorText\":\"199-caf\xEF\xBF\xBD\","
                       "\"errorStart\":32,\"errorLength\":13"),
              std::string::npos)
        << Out;
}

TEST_F(TokenizeCommandTest, UsageErrorsExitWith2) {
    EXPECT_EQ(Run({}, ""), ExitUsageError);
    EXPECT_EQ(Run({"--target", "KM1", "-"}, ""), ExitUsageError);
    EXPECT_EQ(Run({"--target"}, ""), ExitUsageError);
    EXPECT_EQ(Run({"--bogus", "-"}, ""), ExitUsageError);
    EXPECT_EQ(Err, "wayline-cli tokenize: unknown option '--bogus'\n"
                   "usage: wayline-cli tokenize [--json] [--directives-only] "
                   "[--target KM2|KM2A|KM2B|KM2C|KM2D] [--any-version] FILE\n");
    EXPECT_EQ(Run({"a", "b"}, ""), ExitUsageError);
}

// Input that cannot be read or is too long is the input's fault, not the
// command line's: a message naming it, and status 1.
TEST_F(TokenizeCommandTest, InputErrorsExitWith1AndNameTheInput) {
    EXPECT_EQ(Run({"/nonexistent/file.bas"}, ""), ExitInputError);
    EXPECT_EQ(Err, "wayline-cli tokenize: cannot read '/nonexistent/file.bas': No such file or "
                   "directory\n");
    // A folder opens like a file but cannot be read.
    const std::string folder = ::testing::TempDir();
    EXPECT_EQ(Run({folder}, ""), ExitInputError);
    EXPECT_EQ(Err, "wayline-cli tokenize: cannot read '" + folder + "': Is a directory\n");
    EXPECT_EQ(Out, "");

    EXPECT_EQ(Run({"-"}, std::string(65536, ' ')), ExitInputError);
    EXPECT_EQ(Err, "wayline-cli tokenize: '<stdin>' has more than 65535 characters; at most 65535 "
                   "can be tokenized\n");
    // The longest text the tokenizer takes is read whole.
    EXPECT_EQ(Run({"-"}, "'{$KEYSTONE KM2}\n" + std::string(65535 - 17, ' ')), ExitTokenizeError);
    EXPECT_NE(Err.find("157-Nothing to tokenize"), std::string::npos) << Err;
}

// An input without end (a device, a pipe that never closes) must not be
// read whole: one character past the limit decides.
TEST_F(TokenizeCommandTest, ReadsAtMostOneCharacterPastTheLimit) {
    class TEndless : public std::streambuf {
    public:
        std::size_t Taken() const { return Supplied - static_cast<std::size_t>(egptr() - gptr()); }

    protected:
        int_type underflow() override {
            std::fill(std::begin(Buffer), std::end(Buffer), ' ');
            setg(Buffer, Buffer, Buffer + sizeof Buffer);
            Supplied += sizeof Buffer;
            return traits_type::to_int_type(' ');
        }

    private:
        char Buffer[4096];
        std::size_t Supplied = 0;
    };
    TEndless endless;
    std::istream in(&endless);
    std::ostringstream out, err;
    EXPECT_EQ(RunTokenizeCommand({"-"}, in, out, err, *Tok), ExitInputError);
    EXPECT_EQ(endless.Taken(), 65536u);
    if (std::ifstream("/dev/zero")) {
        EXPECT_EQ(Run({"/dev/zero"}, ""), ExitInputError);
        EXPECT_EQ(Err, "wayline-cli tokenize: '/dev/zero' has more than 65535 characters; at most "
                       "65535 can be tokenized\n");
    }
}

TEST_F(TokenizeCommandTest, WithJsonEveryFailureIsJsonWithTheSameStatus) {
    EXPECT_EQ(Run({"--json", "/nonexistent/file.bas"}, ""), ExitInputError);
    EXPECT_EQ(Out, "{\"error\":\"wayline-cli tokenize: cannot read '/nonexistent/file.bas': No "
                   "such file or directory\"}\n");
    EXPECT_EQ(Err, "");
    EXPECT_EQ(Run({"--json", "-"}, std::string(70000, 'x')), ExitInputError);
    EXPECT_EQ(Out, "{\"error\":\"wayline-cli tokenize: '<stdin>' has more than 65535 characters; "
                   "at most 65535 can be tokenized\"}\n");
    EXPECT_EQ(Run({"--bogus", "--json", "-"}, ""), ExitUsageError);
    EXPECT_EQ(Out, "{\"error\":\"wayline-cli tokenize: unknown option '--bogus'\"}\n");
    EXPECT_EQ(Err, "");
    // A tokenizer error keeps the whole report and names the error too.
    EXPECT_EQ(Run({"--json", "-"}, "'{$KEYSTONE KM2}\nB0 = 1 `\n"), ExitTokenizeError);
    EXPECT_TRUE(Out.ends_with(",\"error\":\"103-Unrecognized character\"}\n")) << Out.substr(0, 60);
    EXPECT_EQ(Err, "");
}

TEST_F(TokenizeCommandTest, ReadsNamedFiles) {
    const std::string path = ::testing::TempDir() + "wayline_cli_test.bas";
    {
        std::ofstream file(path, std::ios::binary);
        file << "'{$KEYSTONE KM2D}\n";
    }
    EXPECT_EQ(Run({"--directives-only", path}, ""), ExitSucceeded);
    EXPECT_EQ(Out.rfind(path + ": tokenized for KM2D", 0), 0u);
    std::remove(path.c_str());
}

TEST(TextPosition, CountsLinesAndColumnsFromOne) {
    EXPECT_EQ(PositionOf("ab\ncd", 4).Line, 2);
    EXPECT_EQ(PositionOf("ab\ncd", 4).Column, 2);
    EXPECT_EQ(PositionOf("ab", 99).Column, 3);
}

} // namespace
} // namespace wayline
