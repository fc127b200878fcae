#include <atomic>
#include <cstdlib>
#include <new>

#include "TokenizerTestSupport.h"

namespace {
std::atomic<long> AllocationCount{0};
} // namespace

// The replacements pair malloc with free on purpose.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
#endif

// Counts every allocation of this test program, so a test can prove that
// a path allocates nothing.
void* operator new(std::size_t size) {
    ++AllocationCount;
    if (void* p = std::malloc(size == 0 ? 1 : size)) {
        return p;
    }
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}

namespace wayline::testing {
namespace {

class TokenizeTest : public TokenizerTest {
protected:
    // The packets of text as bytes, or the error text.
    std::string Image(std::string_view text) {
        if (!Tok->SetSource(text) || !Tok->Tokenize()) {
            return R().ErrorText != nullptr ? R().ErrorText : "refused";
        }
        return std::string(reinterpret_cast<const char*>(R().PacketBuffer),
                           static_cast<std::size_t>(R().PacketCount) * PacketSize);
    }
};

TEST_F(TokenizeTest, EmptySourceWithoutTargetRaises156WithAnEmptySpan) {
    EXPECT_EQ(TokenizeError(""), "156-Unknown target module.  $KEYSTONE directive not found");
    EXPECT_FALSE(R().Succeeded);
    EXPECT_EQ(R().ErrorStart, 0);
    EXPECT_EQ(R().ErrorLength, 0);
}

TEST_F(TokenizeTest, EmptyProgramRaises157) {
    R().TargetModule = tmKM2;
    EXPECT_EQ(TokenizeError("' only a comment\n", {.ParseTargetDirective = false}),
              "157-Nothing to tokenize");
    EXPECT_EQ(R().ErrorStart, 0);
    EXPECT_EQ(R().ErrorLength, 0);
}

TEST_F(TokenizeTest, DirectivesOnlySucceedsOnAnyWellFormedSource) {
    EXPECT_EQ(TokenizeError("'{$KEYSTONE KM2}\nanything ` at all\n", {.DirectivesOnly = true}),
              "succeeded");
    EXPECT_TRUE(R().Succeeded);
    EXPECT_EQ(R().ErrorText, nullptr);
    EXPECT_EQ(R().TargetModule, tmKM2);
}

TEST_F(TokenizeTest, KM1IsRefusedAfterTheDirectives) {
    EXPECT_EQ(TokenizeError("'{$KEYSTONE KM1}\nEND\n"),
              "240-Target module KM1 is not supported.  Use KM2, KM2A, KM2B, KM2C or KM2D");
    EXPECT_EQ(SpanText(), "KM1");
    EXPECT_EQ(TokenizeError("'{$KEYSTONE KM1}\n", {.DirectivesOnly = true}), "succeeded");
}

TEST_F(TokenizeTest, OversizedTextsAreRefused) {
    EXPECT_TRUE(Tok->SetSource(std::string(MaxSourceSize, ' ')));
    EXPECT_FALSE(Tok->SetSource(std::string(SourceCapacity, ' ')));
    R().SourceSize = SourceCapacity;
    EXPECT_FALSE(Tok->Tokenize());
    EXPECT_STREQ(R().ErrorText, "241-Source text exceeds 65535 characters");
}

TEST_F(TokenizeTest, LongestSourceScansToItsLastCharacter) {
    std::string text = "'{$KEYSTONE KM2}\n";
    text.resize(MaxSourceSize - 1, ' ');
    text += '`';
    EXPECT_EQ(TokenizeError(text), "103-Unrecognized character");
    EXPECT_EQ(R().ErrorStart, MaxSourceSize - 1);
}

TEST_F(TokenizeTest, ErrorsPointIntoTheCallersText) {
    EXPECT_EQ(TokenizeError("'{$KEYSTONE KM2}\r\nB0 = `\r\n"), "103-Unrecognized character");
    EXPECT_EQ(R().ErrorStart, 23);
    EXPECT_EQ(R().ErrorLength, 1);
}

TEST_F(TokenizeTest, ResultsAreReinitialisedOnEveryCall) {
    EXPECT_EQ(TokenizeError("'{$KEYSTONE KM2A, one}\n'{$PORT COM3}", {.DirectivesOnly = true}),
              "succeeded");
    ASSERT_NE(R().Port, nullptr);
    R().EEPROM[5] = 9;
    EXPECT_EQ(TokenizeError("'{$KEYSTONE KM2}", {.DirectivesOnly = true}), "succeeded");
    EXPECT_EQ(R().Port, nullptr);
    EXPECT_EQ(R().ProjectFiles[0], nullptr);
    EXPECT_EQ(R().EEPROM[5], 0);
}

TEST_F(TokenizeTest, TokenizeAllocatesNothing) {
    const std::string text = "'{$KEYSTONE KM2C, \"a b\"}\n'{$HBASIC 2.5}\n"
                             "#DEFINE X = 3\n#SELECT X\n#CASE 1 TO 4\n#IF X > 2 #THEN\n"
                             "#ERROR \"three\"\n#ENDIF\n#ENDSELECT\n";
    ASSERT_TRUE(Tok->SetSource(text));
    const long before = AllocationCount.load();
    EXPECT_FALSE(Tok->Tokenize());
    EXPECT_STREQ(R().ErrorText, "199-three");
    // Tokenize alters the text in place, so it is copied in again.
    const long afterFirst = AllocationCount.load();
    ASSERT_TRUE(Tok->SetSource(text));
    const long beforeSecond = AllocationCount.load();
    EXPECT_TRUE(Tok->Tokenize({.DirectivesOnly = true}));
    EXPECT_EQ(afterFirst, before);
    EXPECT_EQ(AllocationCount.load(), beforeSecond);
}

TEST_F(TokenizeTest, WholeProgramsCompileWithoutAllocating) {
    const std::string text = "'{$KEYSTONE KM2D}\n'{$HBASIC 2.5}\nCmd VAR BYTE\nDur VAR WORD\n"
                             "READ 14, Cmd, WORD Dur\nWRITE 0, WORD 1000, Cmd\n"
                             "DEBUG \"x=\", DEC ? Cmd, ASC ? Cmd, STR Cmd \\ 2, REP 45 \\ 5\n"
                             "DEBUGIN DEC Cmd, WAIT(\"OK\"), STR Cmd \\ 4 \\ 13, SKIP 2\n"
                             "SEROUT 1\\2, 84, 100, late, [SDEC Dur]\n"
                             "SERIN 3, 84, late, 1000, late, [NUM Dur]\n"
                             "BUTTON 3, 0, 200, 20, Cmd, 1, late\nFREQOUT 1, 100, 2000, 3000\n"
                             "SHIFTIN 1, 2, 0, [Cmd\\4]\nXOUT 1, 2, [3\\4\\2]\n"
                             "I2CIN 1, 160, 5\\6, [STR Cmd \\ 2]\nlate: END\n";
    ASSERT_TRUE(Tok->SetSource(text));
    const long before = AllocationCount.load();
    EXPECT_TRUE(Tok->Tokenize());
    EXPECT_EQ(AllocationCount.load(), before);
    EXPECT_TRUE(R().DebugFlag);
}

// Names are looked up once and their answer kept per element; a missing
// name must be looked up again once a name joins its hash chain.
TEST_F(TokenizeTest, ForwardReferencesFindNamesDefinedAfterOthersOfTheirChain) {
    // AB and BA share a chain; CD does not.
    const std::string toBA = Image("'{$KEYSTONE KM2}\nGOTO BA\nAB:\nB1 = 1\nBA:\nEND\n");
    ASSERT_EQ(toBA.size() % PacketSize, 0u) << toBA;
    EXPECT_EQ(toBA, Image("'{$KEYSTONE KM2}\nGOTO BA\nCD:\nB1 = 1\nBA:\nEND\n"));
    EXPECT_NE(toBA, Image("'{$KEYSTONE KM2}\nGOTO AB\nAB:\nB1 = 1\nBA:\nEND\n"));
    // The same for a variable used before its declaration, behind a
    // constant of its chain declared in an earlier pass.
    EXPECT_EQ(Image("'{$KEYSTONE KM2}\nBA = 1\nAB CON 2\nBA VAR BYTE\nEND\n"),
              Image("'{$KEYSTONE KM2}\nBA = 1\nCD CON 2\nBA VAR BYTE\nEND\n"));
    EXPECT_EQ(Image("'{$KEYSTONE KM2}\nGOTO BA\nAB:\nEND\n"), "111-Undefined label");
}

TEST_F(TokenizeTest, TheProgramHasOneInstance) {
    EXPECT_EQ(&TheTokenizer(), &TheTokenizer());
}

} // namespace
} // namespace wayline::testing
