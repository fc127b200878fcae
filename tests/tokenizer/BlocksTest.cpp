#include "TokenizerTestSupport.h"

namespace wayline::testing {
namespace {

class BlocksTest : public TokenizerTest {
protected:
    std::string Run(std::string_view body, bool version25 = true) {
        std::string text = "'{$KEYSTONE KM2}\n";
        if (version25) {
            text += "'{$HBASIC 2.5}\n";
        }
        return TokenizeError(text + std::string(body));
    }

    std::string Image() { return std::string(reinterpret_cast<const char*>(R().EEPROM), 2048); }

    int Address(int at) {
        int value = 0;
        for (int b = at; b < at + 14; ++b) {
            value = value * 2 + ((R().EEPROM[2047 - b / 8] >> (7 - b % 8)) & 1);
        }
        // Low three bits first, then the upper eleven.
        return (value >> 11) + 8 * (value & 0x7FF);
    }

    std::string Nested(const std::string& open, const std::string& close, int count) {
        std::string text;
        for (int i = 0; i < count; ++i) {
            text += open + "\n";
        }
        for (int i = 0; i < count; ++i) {
            text += close + "\n";
        }
        return text;
    }
};

TEST_F(BlocksTest, JumpFormWithAndWithoutGotoCompileAlike) {
    EXPECT_EQ(Run("Loop1: IF B0 THEN Loop1\n"), "succeeded");
    const std::string plain = Image();
    EXPECT_EQ(Run("Loop1: IF B0 THEN GOTO Loop1\n"), "succeeded");
    EXPECT_EQ(Image(), plain);
    EXPECT_EQ(Run("Loop1: IF B0 THEN Loop1\n", false), "succeeded");
}

TEST_F(BlocksTest, OneLineIfNeedsNoEndifButABlockIfDoes) {
    EXPECT_EQ(Run("IF B0 THEN B1 = 1 ELSE B1 = 2\nEND\n"), "succeeded");
    EXPECT_EQ(Run("IF B0 THEN B1 = 1 : B2 = 2\nEND\n"), "succeeded");
    EXPECT_EQ(Run("IF B0 THEN\nB1 = 1\nELSEIF B0 > 2 THEN\nB1 = 3\nELSE\nB1 = 2\nENDIF\n"),
              "succeeded");
    EXPECT_EQ(Run("B2 = 0\nIF B0 THEN\nB1 = 1\n"), "168-'IF' without 'ENDIF'");
    EXPECT_EQ(SpanText(), "IF");
}

TEST_F(BlocksTest, IfErrors) {
    EXPECT_EQ(Run("IF B0 B1 = 1\n"), "142-Expected a binary operator or ')'");
    EXPECT_EQ(Run("IF B0 = 1\n"), "151-Expected 'THEN'");
    EXPECT_EQ(Run("ELSE\n"), "159-'ELSE' must be preceded by 'IF' or 'CASE'");
    EXPECT_EQ(Run("ENDIF\n"), "160-'ENDIF' must be preceded by 'IF'");
    EXPECT_EQ(Run("ELSEIF B0 THEN\n"), "228-'ELSEIF' must be preceded by 'IF'");
    EXPECT_EQ(Run("IF B0 THEN\nELSE\nELSEIF B1 THEN\nENDIF\n"),
              "230-'ELSEIF' not allowed after 'ELSE'");
    EXPECT_EQ(Run("IF B0 THEN\nELSE\nELSE\nENDIF\n"),
              "161-Expected a label, variable, instruction, or 'ENDIF'");
    EXPECT_EQ(Run("IF B0 THEN\nDO\nENDIF\n"),
              "177-Expected a label, variable, instruction, or 'LOOP'");
    EXPECT_EQ(Run(Nested("IF B0 THEN", "ENDIF", 16)), "succeeded");
    EXPECT_EQ(Run(Nested("IF B0 THEN", "ENDIF", 17)),
              "158-Limit of 16 nested IF-THEN statements exceeded");
}

TEST_F(BlocksTest, PlainDoLoopJumpsBackToItsStart) {
    EXPECT_EQ(Run("DO\nLOOP\n"), "succeeded");
    EXPECT_EQ(Address(21), 14);
    EXPECT_EQ(Run("DO WHILE B0 < 3\nB0 = B0 + 1\nLOOP\n"), "succeeded");
    EXPECT_EQ(Run("DO\nB0 = B0 + 1\nLOOP UNTIL B0 > 3\n"), "succeeded");
    EXPECT_EQ(Run("DO WHILE B0\nLOOP UNTIL B1\n"),
              "165-'WHILE' or 'UNTIL' conditions cannot appear after both 'DO' and 'LOOP'");
    EXPECT_EQ(Run("DO B0\nLOOP\n"), "166-Expected 'WHILE', 'UNTIL', end-of-line, or ':'");
    EXPECT_EQ(Run("LOOP\n"), "164-'LOOP' must be preceded by 'DO'");
    EXPECT_EQ(Run("B0 = 1\nDO\n"), "170-'DO' without 'LOOP'");
    EXPECT_EQ(SpanText(), "DO");
    EXPECT_EQ(Run(Nested("DO", "LOOP", 17)), "163-Limit of 16 nested DO-LOOP statements exceeded");
}

TEST_F(BlocksTest, ForNextRepeatsItsTestBehindTheAssignment) {
    EXPECT_EQ(Run("FOR B0 = 1 TO 3\nNEXT\n"), "succeeded");
    // The assignment takes 27 bits from 14; NEXT ends with the loop
    // address 41 after 56 bits of test and step.
    EXPECT_EQ(Address(41 + 56), 41);
    EXPECT_EQ(Run("FOR B0 = 1 TO 9 STEP 2\nNEXT\n"), "succeeded");
    EXPECT_EQ(Run("FOR B0 = 1 TO 9 THEN 2\nNEXT\n"), "131-Expected 'STEP', end-of-line, or ':'");
    EXPECT_EQ(Run("FOR B0 = 1\nNEXT\n"), "152-Expected 'TO'");
    EXPECT_EQ(Run("NEXT\n"), "132-'NEXT' must be preceded by 'FOR'");
    EXPECT_EQ(Run("FOR B0 = 1 TO 2\n"), "169-'FOR' without 'NEXT'");
    EXPECT_EQ(Run("FOR B0 = 1 TO 2\nDO\nNEXT\n"),
              "177-Expected a label, variable, instruction, or 'LOOP'");
    std::string loops;
    for (int i = 0; i < 17; ++i) {
        loops += "FOR B0 = 1 TO 2\n";
    }
    EXPECT_EQ(Run(loops), "146-Limit of 16 nested FOR-NEXT loops exceeded");
}

TEST_F(BlocksTest, ExitLeavesTheInnermostLoop) {
    EXPECT_EQ(Run("DO\nEXIT\nLOOP\nEND\n"), "succeeded");
    // DO at 14, EXIT's jump (7 bits) with its field at 21, LOOP from 35 to
    // 56: the exit lands at 56.
    EXPECT_EQ(Address(21), 56);
    std::string exits = "FOR B0 = 1 TO 2\n";
    for (int i = 0; i < 16; ++i) {
        exits += "EXIT\n";
    }
    EXPECT_EQ(Run(exits + "NEXT\n"), "succeeded");
    EXPECT_EQ(Run(exits + "EXIT\nNEXT\n"),
              "171-Limit of 16 EXIT statements within loop structure exceeded");
    EXPECT_EQ(Run("EXIT\n"), "167-'EXIT' only allowed within FOR-NEXT and DO-LOOP structures");
}

TEST_F(BlocksTest, SelectComparesTheExpressionAgainEveryCase) {
    EXPECT_EQ(Run("SELECT B0\nCASE 5\nB1 = 1\nCASE 2 TO 4, > 9\nB1 = 2\nCASE ELSE\nB1 = 3\n"
                  "ENDSELECT\n"),
              "succeeded");
    std::string bits;
    for (int b = 14; b < 14 + 29; ++b) {
        bits += static_cast<char>('0' + ((R().EEPROM[2047 - b / 8] >> (7 - b % 8)) & 1));
    }
    // B0, 5, = with a leading 1 bit, then the conditional jump.
    EXPECT_EQ(bits, "1"
                    "11001000110"
                    "1100010101"
                    "1011100");
}

TEST_F(BlocksTest, SelectErrors) {
    EXPECT_EQ(Run("SELECT B0\nCASE 1\nCASE 2\nENDSELECT\n"),
              "226-Expected statements to follow previous 'CASE'");
    EXPECT_EQ(SpanText(), "CASE");
    EXPECT_EQ(Run("SELECT B0\nCASE 1\nENDSELECT\n"),
              "226-Expected statements to follow previous 'CASE'");
    EXPECT_EQ(Run("SELECT B0\nB1 = 1\n"), "179-Expected 'CASE'");
    EXPECT_EQ(Run("CASE 1\n"), "180-'CASE' must be preceded by 'SELECT'");
    EXPECT_EQ(Run("ENDSELECT\n"), "183-'ENDSELECT' must be preceded by 'SELECT'");
    EXPECT_EQ(Run("B1 = 1\nSELECT B0\nCASE 1\nB1 = 2\n"), "184-'SELECT' without 'ENDSELECT'");
    EXPECT_EQ(SpanText(), "SELECT");
    EXPECT_EQ(Run("SELECT B0\nCASE 1 2\nB1 = 1\nENDSELECT\n"),
              "142-Expected a binary operator or ')'");
    EXPECT_EQ(Run("SELECT B0\nCASE 1 THEN\nB1 = 1\nENDSELECT\n"),
              "130-Expected ',', end-of-line, or ':'");
    EXPECT_EQ(Run("SELECT B0\nCASE 1\nB1 = 1\nNEXT\n"), "132-'NEXT' must be preceded by 'FOR'");
    EXPECT_EQ(Run("FOR B2 = 1 TO 2\nSELECT B0\nCASE 1\nB1 = 1\nNEXT\n"),
              "182-Expected a label, variable, instruction, or 'ENDSELECT'");
}

} // namespace
} // namespace wayline::testing
