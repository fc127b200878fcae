#include "TokenizerTestSupport.h"

namespace wayline::testing {
namespace {

// A character printed by itself, announcing the next item.
std::string Echo(std::string_view text) {
    std::string bits;
    for (char ch : text) {
        bits += C(static_cast<unsigned char>(ch)) + "01";
    }
    return bits;
}

const std::string ReadB0 = "110010"
                           "00110";
const std::string WriteB0 = "111010"
                            "00110";
const std::string Cr = "1" + C(13) + "0";

class ItemListsTest : public TokenizerTest {
protected:
    std::string Run(std::string_view body, std::string_view module = "KM2") {
        return TokenizeError("'{$KEYSTONE " + std::string(module) + "}\n'{$HBASIC 2.5}\n" +
                             std::string(body));
    }

    // Program bits from bit 14 (no GOSUBs), as many as expected.
    std::string Stream(std::size_t count, int from = 14) {
        std::string bits;
        for (int b = from; b < from + static_cast<int>(count); ++b) {
            bits += static_cast<char>('0' + ((R().EEPROM[2047 - b / 8] >> (7 - b % 8)) & 1));
        }
        return bits;
    }

    // DEBUG's own part on a KM2: baud 84, pin 16, T32.
    const std::string Debug = "1" + C(84) + "1" + C(16) + "0100000";
    const std::string Debugin = "1" + C(1) + "1" + C(84) + "1" + C(16) + "0100010";
};

TEST_F(ItemListsTest, DebugIsSerialOutputOnThePortOfItsModule) {
    EXPECT_EQ(Run("DEBUG B0, 65\n"), "succeeded");
    const std::string expected = Debug + ReadB0 + "0" + "1" + C(65) + "0" + "0";
    EXPECT_EQ(Stream(expected.size()), expected);
    EXPECT_TRUE(R().DebugFlag);
    EXPECT_EQ(Run("DEBUG B0\n", "KM2B"), "succeeded");
    EXPECT_EQ(Stream(15), "1" + C(240));
    EXPECT_EQ(Run("DEBUG B0\n", "KM2D"), "succeeded");
    EXPECT_EQ(Stream(14), "1" + C(84));
    EXPECT_EQ(Run("HIGH 1\n"), "succeeded");
    EXPECT_FALSE(R().DebugFlag);
}

TEST_F(ItemListsTest, StringsPrintCharacterByCharacter) {
    EXPECT_EQ(Run("DEBUG \"Hi\", CR\n"), "succeeded");
    const std::string expected = Debug + C('H') + "0" + "1" + C('i') + "0" + "1" + C(13) + "00";
    EXPECT_EQ(Stream(expected.size()), expected);
}

TEST_F(ItemListsTest, QuestionEchoesTheExpressionAsTyped) {
    EXPECT_EQ(Run("DEBUG ? B0+  1\n"), "succeeded");
    const std::string expected = Debug + Echo("B0+  1 = ") + C(0x1B6) + "1" + ReadB0 + "1" + C(1) +
                                 "1001111" + "0" + Cr + "0";
    EXPECT_EQ(Stream(expected.size()), expected);
}

TEST_F(ItemListsTest, FormatsWithQuestionAddThePrefixUnlessDecimal) {
    EXPECT_EQ(Run("DEBUG HEX ? B0\n"), "succeeded");
    std::string expected = Debug + Echo("B0 = ") + C(0x1C0 + 0x800) + "1" + ReadB0 + "0" + Cr + "0";
    EXPECT_EQ(Stream(expected.size()), expected);
    EXPECT_EQ(Run("DEBUG DEC ? B0\n"), "succeeded");
    expected = Debug + Echo("B0 = ") + C(0x1B6) + "1" + ReadB0 + "0" + Cr + "0";
    EXPECT_EQ(Stream(expected.size()), expected);
    EXPECT_EQ(Run("DEBUG BIN4 B0\n"), "succeeded");
    expected = Debug + C(0x3CE) + "1" + ReadB0 + "0" + "0";
    EXPECT_EQ(Stream(expected.size()), expected);
}

TEST_F(ItemListsTest, AscQuotesTheCharacter) {
    EXPECT_EQ(Run("DEBUG ASC ? B0\n"), "succeeded");
    const std::string expected =
        Debug + Echo("B0 = \"") + ReadB0 + "0" + "1" + C('"') + "0" + Cr + "0";
    EXPECT_EQ(Stream(expected.size()), expected);
    EXPECT_EQ(Run("DEBUG ASC B0\n"), "116-Expected '?'");
}

TEST_F(ItemListsTest, StrTakesAByteVariableWithOrWithoutCount) {
    EXPECT_EQ(Run("DEBUG STR B0\n"), "succeeded");
    std::string expected = Debug + C(6 + 0x200) + "1" + C(32) + "0" + "0";
    EXPECT_EQ(Stream(expected.size()), expected);
    EXPECT_EQ(Run("DEBUG STR B0 \\ 5\n"), "succeeded");
    expected = Debug + C(6) + "1" + C(5) + "0" + "0";
    EXPECT_EQ(Stream(expected.size()), expected);
    EXPECT_EQ(Run("DEBUG STR ? B0\n"), "succeeded");
    expected =
        Debug + Echo("B0 = \"") + C(6 + 0x200) + "1" + C(32) + "0" + "1" + C('"') + "0" + Cr + "0";
    EXPECT_EQ(Stream(expected.size()), expected);
    EXPECT_EQ(Run("DEBUG STR W1.HIGHBYTE \\ 5\n"), "succeeded");
    EXPECT_EQ(Run("DEBUG STR W1 \\ 5\n"), "136-Expected a byte variable");
    EXPECT_EQ(SpanText(), "W1");
    EXPECT_EQ(Run("DEBUG STR 5\n"), "136-Expected a byte variable");
}

TEST_F(ItemListsTest, RepRepeatsACharacter) {
    EXPECT_EQ(Run("DEBUG REP \"-\" \\ 10\n"), "succeeded");
    const std::string expected = Debug + C('-') + "1" + C(1024) + "1" + C(10) + "0" + "0";
    EXPECT_EQ(Stream(expected.size()), expected);
    EXPECT_EQ(Run("DEBUG REP \"-\", 10\n"), "118-Expected '\\'");
}

TEST_F(ItemListsTest, PlainInputItemsStartWithAZeroBit) {
    EXPECT_EQ(Run("DEBUGIN B0, DEC B0\n"), "succeeded");
    const std::string expected = Debugin + "0" + WriteB0 + "0" + "1" + "1" + C(0x1B6) + "1" + C(0) +
                                 "0" + WriteB0 + "0" + "0";
    EXPECT_EQ(Stream(expected.size()), expected);
    EXPECT_TRUE(R().DebugFlag);
    EXPECT_EQ(Run("DEBUGIN 5\n"), "135-Expected a variable");
}

TEST_F(ItemListsTest, InputStrWritesItsEndCharacterFirst) {
    EXPECT_EQ(Run("DEBUGIN STR B0 \\ 4\n"), "succeeded");
    std::string expected = Debugin + "1" + C(6) + "1" + C(4) + "0" + "0";
    EXPECT_EQ(Stream(expected.size()), expected);
    EXPECT_EQ(Run("DEBUGIN STR B0 \\ 4 \\ 13\n"), "succeeded");
    expected = Debugin + "1" + C(13) + "1" + C(6 + 0x200) + "1" + C(4) + "0" + "0";
    EXPECT_EQ(Stream(expected.size()), expected);
    EXPECT_EQ(Run("DEBUGIN STR B0\n"), "118-Expected '\\'");
}

TEST_F(ItemListsTest, WaitstrSkipAndSpstr) {
    EXPECT_EQ(Run("DEBUGIN WAITSTR B0, WAITSTR B0 \\ 3, SKIP 2\n"), "succeeded");
    const std::string expected = Debugin + "1" + C(6 + 0x800) + "1" + C(32) + "0" + "1" + "1" +
                                 C(6 + 0xA00) + "1" + C(3) + "0" + "1" + "1" + C(1024) + "1" +
                                 C(2) + "0" + "0";
    EXPECT_EQ(Stream(expected.size()), expected);
    EXPECT_EQ(Run("DEBUGIN SPSTR 2\n", "KM2C"), "succeeded");
    EXPECT_EQ(Run("DEBUGIN SPSTR 2\n"), "135-Expected a variable");
}

TEST_F(ItemListsTest, WaitSendsItsValuesLastFirstAndTakesSix) {
    EXPECT_EQ(Run("DEBUGIN WAIT(\"OK\")\n"), "succeeded");
    const std::string expected =
        Debugin + "1" + C('K') + "1" + C('O') + "1" + C(0xC44) + "1" + C(2) + "0" + "0";
    EXPECT_EQ(Stream(expected.size()), expected);
    EXPECT_EQ(Run("DEBUGIN WAIT(1, 2, 3, 4, 5, 6)\n"), "succeeded");
    EXPECT_EQ(Run("DEBUGIN WAIT(1, 2, 3, 4, 5, 6, 7)\n"), "147-Limit of 6 values exceeded");
    EXPECT_EQ(SpanText(), "7");
    EXPECT_EQ(Run("DEBUGIN WAIT 1\n"), "119-Expected '('");
    EXPECT_EQ(Run("DEBUGIN WAIT(1, 2\n"), "120-Expected ')'");
}

// Serial instructions: mark 221 and a label's 14 bits before the values.
const std::string Mark = "11011101";

TEST_F(ItemListsTest, SeroutWritesPaceOrTimeoutBeforeBaudAndPins) {
    const std::string items = "[B0]\nEND\ndone: END\n";
    const std::string list = ReadB0 + "00";
    EXPECT_EQ(Run("SEROUT 1, 84, " + items), "succeeded");
    std::string expected = "1" + C(84) + "1" + C(1) + "0100000" + list;
    EXPECT_EQ(Stream(expected.size()), expected);
    EXPECT_EQ(Run("SEROUT 1, 84, 10, " + items), "succeeded");
    expected = "1" + C(10) + "1" + C(84) + "1" + C(1) + "0100000" + list;
    EXPECT_EQ(Stream(expected.size()), expected);
    EXPECT_EQ(Run("SEROUT 1\\2, 84, 100, done, " + items), "succeeded");
    EXPECT_EQ(Stream(8), Mark);
    expected = "1" + C(100) + "1" + C(84) + "1" + C(1) + "1" + C(2) + "0100001" + list;
    EXPECT_EQ(Stream(expected.size(), 14 + 8 + 14), expected);
    EXPECT_EQ(Run("SEROUT 1, 84, B0\n"), "133-Expected ','");
    EXPECT_EQ(Run("SEROUT 1, 84, [B0\n"), "122-Expected ']'");
}

TEST_F(ItemListsTest, SerinWritesItsBranchesBeforeBaudAndPins) {
    const std::string items = "[B0]\nEND\nbad: END\nlate: END\n";
    const std::string tail = "1" + C(84) + "1" + C(1);
    const std::string list = "0" + WriteB0 + "00";
    EXPECT_EQ(Run("SERIN 1, 84, " + items), "succeeded");
    std::string expected = "1" + C(1) + tail + "0100010" + list;
    EXPECT_EQ(Stream(expected.size()), expected);
    EXPECT_EQ(Run("SERIN 1\\2, 84, bad, " + items), "succeeded");
    EXPECT_EQ(Stream(8), Mark);
    expected = "1" + C(0) + "1" + C(1) + tail + "1" + C(2) + "0100011" + list;
    EXPECT_EQ(Stream(expected.size(), 14 + 22), expected);
    EXPECT_EQ(Run("SERIN 1, 84, 1000, late, " + items), "succeeded");
    EXPECT_EQ(Stream(8), Mark);
    expected = "1" + C(1000) + tail + "0100010" + list;
    EXPECT_EQ(Stream(expected.size(), 14 + 22), expected);
    EXPECT_EQ(Run("SERIN 1, 84, bad, 1000, late, " + items), "succeeded");
    EXPECT_EQ(Stream(8, 14 + 22), Mark);
    EXPECT_EQ(Stream(expected.size(), 14 + 44), expected);
    EXPECT_EQ(Run("SERIN 1, 84, 1000, [B0]\n"), "148-Expected a label");
}

} // namespace
} // namespace wayline::testing
