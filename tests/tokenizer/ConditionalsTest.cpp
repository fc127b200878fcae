#include "TokenizerTestSupport.h"

namespace wayline::testing {
namespace {

constexpr const char* Header = "'{$KEYSTONE KM2}\n'{$HBASIC 2.5}\n";

class ConditionalsTest : public TokenizerTest {
protected:
    // Runs the passes up to conditional compilation and returns the error,
    // or the names of the variables left in the list ("B1 B3").
    std::string Kept(std::string_view body) {
        const std::string text = std::string(Header) + std::string(body);
        Load(text);
        R().TargetModule = tmNone;
        Passes.Version25 = false;
        try {
            Passes.InitDirectiveSymbols();
            Passes.ScanSource(false);
            Passes.ResolveDirectives(true, false);
            Passes.InitBuiltinSymbols();
            Passes.ScanSource(true);
            Passes.ResolveConditionals();
        } catch (const ETokenizeError&) {
            return R().ErrorText;
        }
        std::string names;
        for (const TElement& e : LiveElements()) {
            if (e.Type == etVariable) {
                names += (names.empty() ? "" : " ") + std::string(R().Source + e.Start, e.Length);
            } else if (e.Type != etEnd && e.Type != etCompare && e.Type != etConstant) {
                names += " ?" + std::to_string(e.Type);
            }
        }
        return names;
    }
};

TEST_F(ConditionalsTest, IfKeepsOneOfItsSections) {
    EXPECT_EQ(Kept("#IF Undefined #THEN\nB1 = 1\n#ENDIF\nB2 = 2\n"), "B2");
    EXPECT_EQ(Kept("#IF 5 > 3 AND 1 #THEN\nB1 = 1\n#ENDIF\nB2 = 2\n"), "B1 B2");
    EXPECT_EQ(Kept("#IF 0 #THEN\nB1 = 1\n#ELSE\nB2 = 2\n#ENDIF\n"), "B2");
    EXPECT_EQ(Kept("#IF $HBASIC = 250 #THEN\nB1 = 1\n#ELSE\nB2 = 2\n#ENDIF\n"), "B1");
    EXPECT_EQ(Kept("#IF 1 #THEN\n#IF 0 #THEN\nB1 = 1\n#ELSE\nB2 = 2\n#ENDIF\n#ENDIF\n"), "B2");
    EXPECT_EQ(Kept("#IF 0 #THEN\n#IF 1 #THEN\nB1 = 1\n#ENDIF\n#ENDIF\nB3 = 1"), "B3");
}

TEST_F(ConditionalsTest, NoEmptyStatementIsLeftBehind) {
    Kept("#IF 1 #THEN\nB1 = 1\n#ENDIF\n");
    const std::vector<TElement> list = LiveElements();
    ASSERT_EQ(list.size(), 4u);
    EXPECT_EQ(list[3].Type, etEnd);
}

// Excluded sections are cancelled and the cancelled runs are crossed
// through shortcuts: a long run of nested sections must leave exactly the
// list its kept lines give, without empty statements.
TEST_F(ConditionalsTest, LongRunsOfSectionsLeaveTheListOfTheirKeptLines) {
    std::string sections;
    std::string kept;
    for (int i = 0; i < 240; ++i) {
        const std::string n = std::to_string(i);
        const std::string kind = std::to_string(i % 3);
        sections += "#IF " + kind + " = 0 #THEN\nB1 = " + n + "\n#ELSE\n#IF " + kind +
                    " = 1 #THEN\nB2 = " + n + "\n#ENDIF\n#ENDIF\n";
        sections += "#SELECT " + kind + "\n#CASE 2\nB3 = " + n + "\n#CASE #ELSE\n#ENDSELECT\n";
        kept += std::string(i % 3 == 0 ? "B1" : i % 3 == 1 ? "B2" : "B3") + " = " + n + "\n";
    }
    const auto shape = [this](std::string_view body) {
        std::string list = Kept(body) + ":";
        for (const TElement& e : LiveElements()) {
            list += " " + std::to_string(e.Type) + "/" + std::to_string(e.Value);
        }
        return list;
    };
    const std::string expected = shape(kept);
    ASSERT_EQ(expected.rfind("B1 B2 B3 B1", 0), 0u) << expected;
    EXPECT_EQ(shape(sections), expected);
}

TEST_F(ConditionalsTest, SelectKeepsExactlyTheFirstMatchingCase) {
    const std::string select = "#SELECT $KEYSTONE\n"
                               "#CASE KM2, KM2A\nB1 = 1\n"
                               "#CASE KM2B TO KM2D\nB2 = 2\n"
                               "#CASE #ELSE\nB3 = 3\n"
                               "#ENDSELECT\nB4 = 4\n";
    EXPECT_EQ(Kept(select), "B1 B4");
    EXPECT_EQ(Kept("#SELECT 5\n#CASE 1, 2\nB1 = 1\n#CASE 4 TO 6\nB2 = 2\n#CASE 5\nB3 = 3\n"
                   "#ENDSELECT\n"),
              "B2");
    EXPECT_EQ(Kept("#SELECT 9\n#CASE 1\nB1 = 1\n#CASE #ELSE\nB3 = 3\n#ENDSELECT\n"), "B3");
    EXPECT_EQ(Kept("#SELECT 1\n#CASE 1\nB1 = 1\n#CASE #ELSE\nB3 = 3\n#ENDSELECT\n"), "B1");
    EXPECT_EQ(Kept("#SELECT 9\n#CASE 1\nB1 = 1\n#ENDSELECT\nB2 = 2\n"), "B2");
    EXPECT_EQ(Kept("#SELECT 2 * 3\n#CASE < 7\nB1 = 1\n#ENDSELECT\n"), "B1");
    EXPECT_EQ(Kept("#SELECT 2\n#CASE \"AB\", 2\nB1 = 1\n#ENDSELECT\n"), "B1");
}

TEST_F(ConditionalsTest, SelectErrors) {
    EXPECT_EQ(Kept("#SELECT 1\nB1 = 1\n#CASE 1\n#ENDSELECT\n"), "219-Expected '#CASE'");
    EXPECT_EQ(Kept("#SELECT 1 2\n#CASE 1\n#ENDSELECT\n"), "129-Expected ':' or end-of-line");
    EXPECT_EQ(Kept("#SELECT B0\n#CASE 1\n#ENDSELECT\n"),
              "225-Expected number, editor directive, or #DEFINE'd symbol");
    EXPECT_EQ(Kept("#SELECT 1\n#CASE ELSE\n#ENDSELECT\n"), "224-Expected '#ELSE'");
    EXPECT_EQ(Kept("#SELECT 1\n#CASE 1 #THEN\n#ENDSELECT\n"),
              "130-Expected ',', end-of-line, or ':'");
    EXPECT_EQ(Kept("#SELECT 1\n#CASE 1 TO < 2\n#ENDSELECT\n"),
              "141-Expected a constant, variable, unary operator, or '('");
    EXPECT_EQ(Kept("#CASE 1\n"), "220-'#CASE' must be preceded by '#SELECT'");
    EXPECT_EQ(Kept("#ENDSELECT\n"), "221-'#ENDSELECT' must be preceded by '#SELECT'");
    EXPECT_EQ(Kept("#SELECT 1\n#CASE 1\n#IF 1 #THEN\n#CASE 2\n"),
              "222-Expected a declaration, run-time statement, or '#ENDIF'");
    EXPECT_EQ(Kept("#IF 1 #THEN\n#SELECT 1\n#CASE 1\n#ELSE\n"),
              "223-Expected a declaration, run-time statement, or '#ENDSELECT'");
}

TEST_F(ConditionalsTest, IfErrors) {
    EXPECT_EQ(Kept("#IF 1\nB1 = 1\n#ENDIF\n"), "190-Expected #THEN");
    EXPECT_EQ(Kept("#ELSE\n"), "193-'#ELSE' must be preceded by '#IF'");
    EXPECT_EQ(Kept("#ENDIF\n"), "194-'#ENDIF' must be preceded by '#IF'");
    EXPECT_EQ(Kept("#IF 1 #THEN\n#ELSE\n#ELSE\n#ENDIF\n"), "200-Expected '#ENDIF'");
    EXPECT_EQ(Kept("#IF ABS 1 #THEN\n#ENDIF\n"),
              "189-Illegal operator in conditional-compile directive");
    EXPECT_EQ(Kept("#IF later #THEN\n#ENDIF\nlater CON 1\n"),
              "195-Illegal symbol in conditional-compile directive");
    EXPECT_EQ(Kept("#IF 1 / 0 #THEN\n#ENDIF\n"), "113-Cannot divide by 0");
    EXPECT_EQ(SpanText(), "1 / 0");
}

TEST_F(ConditionalsTest, UnclosedBlocksPointAtTheirOpeningDirective) {
    EXPECT_EQ(Kept("B1 = 1\n#IF 1 #THEN\nB1 = 1\n"), "191-'#IF' without '#ENDIF'");
    EXPECT_EQ(SpanText(), "#IF");
    EXPECT_EQ(Kept("#IF 1 #THEN\n#SELECT 1\n#CASE 1\n#ENDIF\n"),
              "223-Expected a declaration, run-time statement, or '#ENDSELECT'");
    EXPECT_EQ(Kept("#SELECT 1\n#CASE 1\n"), "192-'#SELECT' without '#ENDSELECT'");
    EXPECT_EQ(SpanText(), "#SELECT");
}

TEST_F(ConditionalsTest, SixteenNestedLevelsAreTheLimit) {
    std::string sixteen;
    for (int i = 0; i < 16; ++i) {
        sixteen += "#IF 1 #THEN\n";
    }
    std::string closing;
    for (int i = 0; i < 16; ++i) {
        closing += "#ENDIF\n";
    }
    EXPECT_EQ(Kept(sixteen + "B1 = 1\n" + closing), "B1");
    EXPECT_EQ(Kept(sixteen + "#IF 1 #THEN\n"),
              "197-Limit of 16 nested #IF-#THEN statements exceeded");
    std::string selects;
    for (int i = 0; i < 17; ++i) {
        selects += "#SELECT 1\n#CASE 1\n";
    }
    EXPECT_EQ(Kept(selects), "218-Limit of 16 nested #SELECT statements exceeded");
}

TEST_F(ConditionalsTest, DefineGivesNamesTheirValues) {
    EXPECT_EQ(Kept("#DEFINE A\n#IF A = $FFFF #THEN\nB1 = 1\n#ENDIF\n"), "B1");
    EXPECT_EQ(Kept("#DEFINE A = 2\n#DEFINE A = A + 1\n#IF A = 3 #THEN\nB1 = 1\n#ENDIF\n"), "B1");
    EXPECT_EQ(Kept("#DEFINE A = 1 < 2\n#IF A #THEN\nB1 = 1\n#ENDIF\n"), "B1");
    EXPECT_EQ(Kept("#IF 0 #THEN\n#DEFINE A\n#ENDIF\n#IF A #THEN\nB1 = 1\n#ENDIF\n"), "");
    EXPECT_EQ(Kept("#DEFINE X\nx CON 1\n"), "123-Symbol is already defined");
    EXPECT_EQ(Kept("#DEFINE B0\n"), "196-Expected a user-defined symbol");
    EXPECT_EQ(Kept("#DEFINE A 2\n"), "150-Expected '='");
    EXPECT_EQ(Kept("#DEFINE A = 2 #THEN\n"), "129-Expected ':' or end-of-line");
}

TEST_F(ConditionalsTest, ErrorDirectiveRaisesTheUsersText) {
    EXPECT_EQ(Kept("B1 = 1\n#ERROR \"Wrong module\"\n"), "199-Wrong module");
    EXPECT_EQ(SpanText(), "#ERROR \"Wrong module\"");
    EXPECT_EQ(Kept("#ERROR 72, \"i\", 33\n"), "199-Hi!");
    EXPECT_EQ(Kept("#IF 0 #THEN\n#ERROR \"no\"\n#ENDIF\nB2 = 1\n"), "B2");
    EXPECT_EQ(Kept("#ERROR B0\n"), "198-Expected a character or ASCII value");
    EXPECT_EQ(Kept("#ERROR \"a\" \"b\"\n"), "130-Expected ',', end-of-line, or ':'");
}

TEST_F(ConditionalsTest, DirectivesNeedVersion25) {
    EXPECT_EQ(TokenizeError("'{$KEYSTONE KM2}\n#IF 1 #THEN\n#ENDIF\n"),
              "103-Unrecognized character");
}

} // namespace
} // namespace wayline::testing
