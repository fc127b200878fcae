#include "TokenizerTestSupport.h"

namespace wayline::testing {
namespace {

class StatementsTest : public TokenizerTest {
protected:
    std::string Run(std::string_view body, bool version25 = true) {
        std::string text = "'{$KEYSTONE KM2}\n";
        if (version25) {
            text += "'{$HBASIC 2.5}\n";
        }
        return TokenizeError(text + std::string(body));
    }

    // The same in 2.5 mode for another module.
    std::string RunOn(std::string_view module, std::string_view body) {
        return TokenizeError("'{$KEYSTONE " + std::string(module) + "}\n'{$HBASIC 2.5}\n" +
                             std::string(body));
    }

    // Program bits from..from+count of the image, as 0 and 1.
    std::string Stream(int from, int count) {
        std::string bits;
        for (int b = from; b < from + count; ++b) {
            bits += static_cast<char>('0' + ((R().EEPROM[2047 - b / 8] >> (7 - b % 8)) & 1));
        }
        return bits;
    }

    int Address(int at) {
        const std::string bits = Stream(at, 14);
        return std::stoi(bits.substr(0, 3), nullptr, 2) + 8 * std::stoi(bits.substr(3), nullptr, 2);
    }
};

TEST_F(StatementsTest, EndAloneFillsTheLastBlock) {
    EXPECT_EQ(Run("END\n"), "succeeded");
    ASSERT_EQ(R().PacketCount, 1);
    EXPECT_EQ(R().PacketBuffer[0][0], 0xFF);
    EXPECT_EQ(Address(0), 14);
    // END, then the closing END of the program.
    EXPECT_EQ(Stream(14, 14), "00000000000000");
    EXPECT_EQ(R().PacketBuffer[0][16], 0xC0);
    EXPECT_EQ(R().PacketBuffer[0][15], 0x04);
    unsigned sum = 0;
    for (int i = 0; i < PacketSize; ++i) {
        sum += R().PacketBuffer[0][i];
    }
    EXPECT_EQ(sum % 256, 0u);
    EXPECT_EQ(Tok->CodeBitAddress, 28);
}

TEST_F(StatementsTest, DataAndProgramGiveTwoPacketsBlockZeroFirst) {
    EXPECT_EQ(Run("DATA 1, 2\nEND\n"), "succeeded");
    ASSERT_EQ(R().PacketCount, 2);
    EXPECT_EQ(R().PacketBuffer[0][0], 0x80);
    EXPECT_EQ(R().PacketBuffer[1][0], 0xFF);
}

TEST_F(StatementsTest, LabelsTakeTheAddressOfTheirCode) {
    EXPECT_EQ(Run("start: GOTO start\n"), "succeeded");
    EXPECT_EQ(Address(0), 14);
    EXPECT_EQ(Stream(14, 7), "0001001");
    EXPECT_EQ(Address(21), 14);
    EXPECT_EQ(Run("start GOTO start\n", false), "succeeded");
    EXPECT_EQ(Run("start GOTO start\n"), "174-Label is missing ':'");
    EXPECT_EQ(Run("a:\na: END\n"), "117-Label is already defined");
}

TEST_F(StatementsTest, ForwardReferencesAreFilledAfterThePass) {
    EXPECT_EQ(Run("GOTO later\nEND\nlater: END\n"), "succeeded");
    // GOTO at 14 (7 + 14 bits), END at 35, later at 42.
    EXPECT_EQ(Address(21), 42);
    EXPECT_EQ(Tok->CodeBitAddress, 56);
    EXPECT_EQ(Run("GOTO nowhere\n"), "111-Undefined label");
    EXPECT_EQ(SpanText(), "nowhere");
    EXPECT_EQ(Run("GOTO 5\n"), "148-Expected a label");
}

TEST_F(StatementsTest, GosubsGetReturnSlotsAfterTheEntryAddress) {
    EXPECT_EQ(Run("GOSUB sub\nGOSUB sub\nGOSUB sub\nEND\nsub: RETURN\n"), "succeeded");
    EXPECT_EQ(Address(0), 56);
    // Each GOSUB is 7 + 8 + 14 bits; its slot points behind it.
    EXPECT_EQ(Address(14), 56 + 29);
    EXPECT_EQ(Address(28), 56 + 58);
    EXPECT_EQ(Address(42), 56 + 87);
    EXPECT_EQ(Stream(56 + 7, 8), "00000001");
    EXPECT_EQ(Stream(56 + 29 + 7, 8), "00000010");
}

TEST_F(StatementsTest, AssignmentWritesValueThenTargetThenToken) {
    EXPECT_EQ(Run("B0 = 1\n"), "succeeded");
    EXPECT_EQ(Stream(14, 8 + 12 + 7), "1100000"
                                      "0"
                                      "1111010"
                                      "00110"
                                      "0011010");
    EXPECT_EQ(Run("LED PIN 3\nLED = 1\n"), "succeeded");
    // A pin written is its output bit.
    EXPECT_EQ(Stream(22, 15), "1111000"
                              "00010011");
    EXPECT_EQ(Run("B0 + 1\n"), "150-Expected '='");
}

TEST_F(StatementsTest, PinInstructionsTakePinNamesAsNumbers) {
    EXPECT_EQ(Run("LED PIN 3\nHIGH LED\n"), "succeeded");
    EXPECT_EQ(Stream(14, 7 + 2 + 7), "1100001"
                                     "11"
                                     "0000101");
}

TEST_F(StatementsTest, ProgramAndDataMustNotOverlap) {
    EXPECT_EQ(Run("DATA @ 2046, 1, 2\nEND\n"), "124-Data occupies same location as program");
    EXPECT_EQ(SpanText(), "2");
    std::string many;
    for (int i = 0; i < 700; ++i) {
        many += "PAUSE 1000\n";
    }
    EXPECT_EQ(Run(many), "127-EEPROM full");
}

TEST_F(StatementsTest, StatementErrors) {
    EXPECT_EQ(Run("5\n"), "149-Expected a label, variable, or instruction");
    EXPECT_EQ(Run("END 5\n"), "129-Expected ':' or end-of-line");
    EXPECT_EQ(Run("x CON 1\ny VAR BYTE\n"), "157-Nothing to tokenize");
}

TEST_F(StatementsTest, RandomReadsAndWritesTheSameVariable) {
    EXPECT_EQ(Run("RANDOM W1\n"), "succeeded");
    // read W1 (code 51, word 4), token 18, write W1 (code 59), 0 bit
    EXPECT_EQ(Stream(14, 11 + 7 + 10 + 1), "1110011"
                                           "0100"
                                           "0010010"
                                           "111011"
                                           "0100"
                                           "0");
}

TEST_F(StatementsTest, PinInstructionsWriteTheirValueBeforeThePin) {
    EXPECT_EQ(Run("PULSOUT 3, 100\n"), "succeeded");
    EXPECT_EQ(Stream(14, 14 + 9 + 7), "1100110"
                                      "1100100"
                                      "1100001"
                                      "11"
                                      "0100100");
    EXPECT_EQ(Run("PULSIN 3, 1, W1\n"), "succeeded");
    EXPECT_EQ(Stream(14, 8 + 9 + 7 + 11), "1100000"
                                          "0"
                                          "1100001"
                                          "11"
                                          "0100101"
                                          "111011"
                                          "0100"
                                          "0");
    EXPECT_EQ(Run("PULSOUT 3 THEN 100\n"), "133-Expected ','");
    EXPECT_EQ(Run("PWM 1, 128, 10\nCOUNT 2, 100, B0\nRCTIME 1, 0, W2\n"), "succeeded");
}

TEST_F(StatementsTest, ModuleWordsUseTheModulesTokens) {
    EXPECT_EQ(TokenizeError("'{$KEYSTONE KM2C}\nMAINIO\n"), "succeeded");
    // Logical token 30 is 29 on the KM2C.
    EXPECT_EQ(Stream(14, 7), "0011101");
    // Elsewhere the word is a plain name, here taken for a label.
    EXPECT_EQ(Run("MAINIO\n"), "174-Label is missing ':'");
}

TEST_F(StatementsTest, BracketedListsEndWithTheirSeparatorBits) {
    EXPECT_EQ(Run("BRANCH B0, [one, two]\none: END\ntwo: END\n"), "succeeded");
    // index, T15, address of one, 1, address of two, 0
    EXPECT_EQ(Stream(14 + 12 + 7 + 14, 1), "1");
    EXPECT_EQ(Stream(14 + 12 + 7 + 29, 1), "0");
    EXPECT_EQ(Run("BRANCH B0, [one two]\none: END\n"), "134-Expected ',' or ']'");
    EXPECT_EQ(Run("BRANCH B0, one\n"), "121-Expected '['");
    EXPECT_EQ(Run("LOOKUP B0, [1, 2, 3], B1\n"), "succeeded");
    EXPECT_EQ(Run("LOOKUP B0, [1, 2, 3] B1\n"), "133-Expected ','");
}

TEST_F(StatementsTest, OnGosubCallsAHiddenBranch) {
    EXPECT_EQ(Run("ON B0 GOSUB one, two\nEND\none: RETURN\ntwo: RETURN\n"), "succeeded");
    // One GOSUB slot: code starts at 28. T10, number 1, then the address
    // right behind itself (28 + 15 + 14).
    EXPECT_EQ(Address(0), 28);
    EXPECT_EQ(Stream(28, 15), "0001010"
                              "00000001");
    EXPECT_EQ(Address(43), 57);
    // Behind it: B0, T15, two labels with separators, T11; the slot
    // points behind that RETURN.
    EXPECT_EQ(Address(14), 57 + 12 + 7 + 15 + 15 + 7);
    EXPECT_EQ(Run("ON B0 GOTO one, two\none: END\ntwo: END\n"), "succeeded");
    EXPECT_EQ(Run("ON B0 RETURN\n"), "185-Expected 'GOTO' or 'GOSUB'");
    EXPECT_EQ(Run("ON B0 GOTO one two\none: END\n"), "130-Expected ',', end-of-line, or ':'");
}

TEST_F(StatementsTest, LookdownCarriesItsComparisonInThreeBits) {
    EXPECT_EQ(Run("LOOKDOWN B0, >= [1, 2], B1\n"), "succeeded");
    EXPECT_EQ(Stream(14 + 12 + 7, 3), "010");
    EXPECT_EQ(Run("LOOKDOWN B0, [1, 2], B1\n"), "succeeded");
    EXPECT_EQ(Stream(14 + 12 + 7, 3), "100");
    EXPECT_EQ(Run("LOOKDOWN B0, 1, B1\n"), "143-Expected a comparison operator or '['");
}

// Address expressions and return addresses of the byte transfers.
const std::string Address14 = "1100011"
                              "1110";
const std::string Plus1 = "1100000"
                          "0"
                          "1001111";
const std::string WriteB0 = "111010"
                            "00110"
                            "0";

TEST_F(StatementsTest, ReadGivesEachItemTheNextAddress) {
    EXPECT_EQ(Run("READ 14, B0, B1\n"), "succeeded");
    // address, T19, the address behind itself, the target
    EXPECT_EQ(Stream(14, 11 + 7), Address14 + "0010011");
    EXPECT_EQ(Address(32), 46);
    EXPECT_EQ(Stream(46, 12), WriteB0);
    EXPECT_EQ(Stream(58, 11 + 15 + 7), Address14 + Plus1 + "0010011");
    EXPECT_EQ(Address(91), 105);
    EXPECT_EQ(Stream(105, 12), "111010"
                               "00111"
                               "0");
    EXPECT_EQ(Run("READ 0, B0, B1\n", false), "129-Expected ':' or end-of-line");
    EXPECT_EQ(SpanText(), ",");
    EXPECT_EQ(Run("READ 0, B0\n", false), "succeeded");
}

TEST_F(StatementsTest, ReadWordFillsTheLowThenTheHighByte) {
    EXPECT_EQ(Run("READ 4, WORD W1\n"), "succeeded");
    EXPECT_EQ(Stream(14, 8 + 7), "1100010"
                                 "0"
                                 "0010011");
    EXPECT_EQ(Stream(43, 11), "111011"
                              "0100"
                              "0");
    // 4 + 1 into byte 9, the high byte of W1
    EXPECT_EQ(Stream(54, 8 + 15 + 7), "1100010"
                                      "0" +
                                          Plus1 + "0010011");
    EXPECT_EQ(Stream(98, 12), "111010"
                              "01001"
                              "0");
    EXPECT_EQ(Run("READ 4, WORD W1(B0)\n"), "succeeded");
    // The index counts words: doubled, it selects the indexed high byte.
    EXPECT_EQ(Stream(110, 11 + 8 + 7 + 12), "110010"
                                            "00110"
                                            "1100001"
                                            "0"
                                            "1010010"
                                            "1111110"
                                            "01001");
}

TEST_F(StatementsTest, ReadWordNeedsAPlainWordVariable) {
    EXPECT_EQ(Run("READ 4, WORD B0\n"), "173-Expected a word variable");
    EXPECT_EQ(SpanText(), "B0");
    EXPECT_EQ(Run("READ 4, WORD W1.LOWBYTE\n"), "173-Expected a word variable");
    EXPECT_EQ(SpanText(), "W1.LOWBYTE");
    EXPECT_EQ(Run("READ 4, BYTE B0\n"), "172-Expected variable or 'WORD'");
    EXPECT_EQ(RunOn("KM2A", "GET 4, NIB B0\n"), "172-Expected variable or 'WORD'");
    EXPECT_EQ(Run("WRITE 4, BIT 1\n"), "227-Expected a constant, variable or 'WORD'");
    EXPECT_EQ(RunOn("KM2A", "PUT 4, BYTE 1\n"), "227-Expected a constant, variable or 'WORD'");
}

TEST_F(StatementsTest, WriteWordWritesTheValueThenItsHighByte) {
    EXPECT_EQ(Run("WRITE 0, WORD 1000\n"), "succeeded");
    const std::string value = "1101001"
                              "1111101000";
    const std::string address0 = "1100000"
                                 "1";
    EXPECT_EQ(Stream(14, 17 + 8 + 7), value + address0 + "0010100");
    EXPECT_EQ(Address(46), 60);
    EXPECT_EQ(Stream(60, 17 + 15 + 8 + 15 + 7), value +
                                                    "1100011"
                                                    "0"
                                                    "1011000" +
                                                    address0 + Plus1 + "0010100");
    EXPECT_EQ(Address(122), 136);
}

TEST_F(StatementsTest, PutAndGetMoveBytesWithoutReturnAddress) {
    EXPECT_EQ(RunOn("KM2A", "PUT 2, B0\nGET 2, B0\n"), "succeeded");
    const std::string address2 = "1100001"
                                 "0";
    // The KM2A's tokens: PUT (logical 28) is 27, GET (logical 27) is 26.
    EXPECT_EQ(Stream(14, 8 + 12 + 7 + 8 + 7 + 12), address2 +
                                                       "1110010"
                                                       "00110"
                                                       "0011011" +
                                                       address2 + "0011010" + WriteB0);
    EXPECT_EQ(RunOn("KM2A", "PUT 2, WORD W1, B0\n"), "succeeded");
    EXPECT_EQ(TokenizeError("'{$KEYSTONE KM2A}\nPUT 2, 1, 2\n"), "129-Expected ':' or end-of-line");
}

TEST_F(StatementsTest, FreqoutTakesOneOrTwoTones) {
    EXPECT_EQ(Run("FREQOUT 1, 100, 2000\n"), "succeeded");
    std::string expected = "1" + C(1) + "1" + C(100) + "1" + C(2000) + "0010110";
    EXPECT_EQ(Stream(14, static_cast<int>(expected.size())), expected);
    EXPECT_EQ(Run("FREQOUT 1, 100, 2000, 3000\n"), "succeeded");
    expected = "1" + C(1) + "1" + C(100) + "1" + C(2000) + "1" + C(3000) + "0010111";
    EXPECT_EQ(Stream(14, static_cast<int>(expected.size())), expected);
}

TEST_F(StatementsTest, ButtonReadsItsWorkspaceBeforeAndWritesItAfterTheToken) {
    EXPECT_EQ(Run("BUTTON 3, 0, 200, 20, B0, 1, pressed\npressed: END\n"), "succeeded");
    const std::string expected = "1" + C(0) + "1" + C(200) + "1" + C(20) + "1" + C(1) + "1" +
                                 "110010"
                                 "00110" +
                                 "1" + C(3) + "0101010" +
                                 "111010"
                                 "00110" +
                                 "0";
    const int length = static_cast<int>(expected.size());
    EXPECT_EQ(Stream(14, length), expected);
    EXPECT_EQ(Address(14 + length), 14 + length + 14);
    EXPECT_EQ(Run("BUTTON 3, 0, 200, 20, 5, 1, pressed\npressed: END\n"),
              "135-Expected a variable");
}

TEST_F(StatementsTest, DtmfoutTimesDefaultWhenTheTonesFollowThePin) {
    EXPECT_EQ(Run("DTMFOUT 1, [5, 6]\n"), "succeeded");
    std::string tones = C(5) + "0" + "1" + C(6) + "0" + "0";
    std::string expected = "1" + C(1) + "1" + C(50) + "1" + C(200) + "0011000" + tones;
    EXPECT_EQ(Stream(14, static_cast<int>(expected.size())), expected);
    EXPECT_EQ(Run("DTMFOUT 1, 300, 100, [5, 6]\n"), "succeeded");
    expected = "1" + C(1) + "1" + C(100) + "1" + C(300) + "0011000" + tones;
    EXPECT_EQ(Stream(14, static_cast<int>(expected.size())), expected);
}

TEST_F(StatementsTest, ShiftItemsCarryTheirBitCount) {
    EXPECT_EQ(Run("SHIFTOUT 1, 2, 0, [B0, 5\\4]\n"), "succeeded");
    const std::string head = "1" + C(0) + "1" + C(1) + "1" + C(2);
    std::string expected = head + "0101000" + C(8) + "1" +
                           "110010"
                           "00110" +
                           "0" + "1" + C(4) + "1" + C(5) + "0" + "0";
    EXPECT_EQ(Stream(14, static_cast<int>(expected.size())), expected);
    EXPECT_EQ(Run("SHIFTIN 1, 2, 0, [B0\\4]\n"), "succeeded");
    expected = head + "0100111" + C(4) + "1" + C(0) + "0" +
               "111010"
               "00110" +
               "0" + "0";
    EXPECT_EQ(Stream(14, static_cast<int>(expected.size())), expected);
}

TEST_F(StatementsTest, XoutFoldsHouseAndCommand) {
    EXPECT_EQ(Run("XOUT 1, 2, [3\\4]\n"), "succeeded");
    const std::string expected = "1" + C(1) + "1" + C(2) + "0011001" + C(3) + "1" + C(16) +
                                 "1010100" + "1" + C(4) + "1" + C(16) + "1010010" + "1001111" +
                                 "1" + C(2) + "1000010" + "0" + "0";
    EXPECT_EQ(Stream(14, static_cast<int>(expected.size())), expected);
    EXPECT_EQ(Run("XOUT 1, 2, [3]\n"), "118-Expected '\\'");
}

TEST_F(StatementsTest, ModuleItemInstructionsWriteTheValueBeforeThePin) {
    EXPECT_EQ(RunOn("KM2C", "LCDOUT 1, 2, [B0]\nOWIN 1, 2, [B0]\n"), "succeeded");
    const std::string head = "1" + C(2) + "1" + C(1);
    // The KM2C's tokens are the logical ones from 32 up.
    std::string expected = head + "0101101" +
                           "110010"
                           "00110" +
                           "00" + head + "0111001" + "0" +
                           "111010"
                           "00110" +
                           "00";
    EXPECT_EQ(Stream(14, static_cast<int>(expected.size())), expected);
    EXPECT_EQ(RunOn("KM2C", "LCDIN 1, 2, B0\n"), "121-Expected '['");
}

TEST_F(StatementsTest, I2cAddressesGoInFrontOfSlaveAndPin) {
    EXPECT_EQ(RunOn("KM2C", "I2COUT 1, 160, [B0]\n"), "succeeded");
    const std::string item = "110010"
                             "00110"
                             "00";
    std::string expected = "1" + C(160) + "1" + C(0) + "1" + C(1) + "0110010" + item;
    EXPECT_EQ(Stream(14, static_cast<int>(expected.size())), expected);
    EXPECT_EQ(RunOn("KM2C", "I2COUT 1, 160, 5\\6, [B0]\n"), "succeeded");
    expected = "1" + C(6) + "1" + C(5) + "1" + C(160) + "1" + C(1) + "0110001" + item;
    EXPECT_EQ(Stream(14, static_cast<int>(expected.size())), expected);
    EXPECT_EQ(RunOn("KM2C", "I2CIN 1, 160, 5, [B0]\n"), "succeeded");
    expected = "1" + C(5) + "1" + C(160) + "1" + C(1) + "0110000" + "0";
    EXPECT_EQ(Stream(14, static_cast<int>(expected.size())), expected);
}

} // namespace
} // namespace wayline::testing
