#include "TokenizerTestSupport.h"

namespace wayline::testing {
namespace {

class ScannerTest : public TokenizerTest {
protected:
    // Element types after a full scan, as a compact list.
    std::vector<int> Types(std::string_view text, bool version25 = false) {
        Prepare(text, tmKM2, version25);
        std::vector<int> types;
        for (const TElement& e : LiveElements()) {
            types.push_back(e.Type);
        }
        return types;
    }

    std::string ScanError(std::string_view text, bool version25 = false) {
        return ErrorOf([&] { Prepare(text, tmKM2, version25); });
    }
};

TEST_F(ScannerTest, CommaAtLineEndContinuesTheStatementOnlyIn25) {
    const std::vector<int> joined = {etVariable, etCompare,  etConstant, etBinaryOp,
                                     etComma,    etVariable, etEnd};
    EXPECT_EQ(Types("B0 = 1 + ,\nB1\n", true), joined);
    const std::vector<int> split = {etVariable, etCompare, etConstant, etBinaryOp,
                                    etComma,    etEnd,     etVariable, etEnd};
    EXPECT_EQ(Types("B0 = 1 + ,\nB1\n", false), split);
}

TEST_F(ScannerTest, ListAlwaysEndsInOneEndElement) {
    EXPECT_EQ(Types("B0,", true), (std::vector<int>{etVariable, etComma, etEnd}));
    EXPECT_EQ(Types("\n\n' note\n\nB0 ' more\n\n\n"), (std::vector<int>{etVariable, etEnd}));
    Prepare("B0::B1");
    const std::vector<TElement> list = LiveElements();
    ASSERT_EQ(list.size(), 5u);
    EXPECT_EQ(list[1].Type, etEnd);
    EXPECT_EQ(list[1].Value, 1);
    EXPECT_EQ(list[2].Type, etEnd);
    EXPECT_EQ(list[2].Value, 1);
    EXPECT_EQ(list[4].Value, 0);
}

TEST_F(ScannerTest, NumbersInThreeRadixes) {
    Prepare("$FF %102 $a 65535");
    const std::vector<TElement> list = LiveElements();
    ASSERT_EQ(list.size(), 6u);
    EXPECT_EQ(list[0].Value, 255);
    EXPECT_EQ(list[0].Length, 3);
    EXPECT_EQ(list[1].Value, 2);
    EXPECT_EQ(list[2].Value, 2);
    EXPECT_EQ(list[3].Value, 10);
    EXPECT_EQ(list[4].Value, 65535);
}

TEST_F(ScannerTest, DollarNamesTheDirectiveSymbolOnlyIn25) {
    Prepare("$HBASIC $FF", tmKM2, true);
    std::vector<TElement> list = LiveElements();
    EXPECT_EQ(list[0].Type, etDirective);
    EXPECT_EQ(list[1].Type, etConstant);
    EXPECT_EQ(list[1].Value, 255);
    EXPECT_EQ(ScanError("$HBASIC", false), "104-Expected hex digit");
    EXPECT_EQ(R().ErrorStart, 1);
}

TEST_F(ScannerTest, NumberLimitsRaiseTheirErrorsOverTheNumber) {
    EXPECT_EQ(ScanError("B0 = 65536"), "109-Constant exceeds 16 bits");
    EXPECT_EQ(SpanText(), "65536");
    EXPECT_EQ(ScanError("B0 = 00000000000000000"), "108-Constant exceeds 16 digits");
    EXPECT_EQ(SpanText(), "00000000000000000");
    EXPECT_EQ(ScanError("B0 = 0000000000000001"), "no error");
    EXPECT_EQ(ScanError("B0 = 123456789012345678"), "109-Constant exceeds 16 bits");
    EXPECT_EQ(ScanError("B0 = $1FFFF"), "109-Constant exceeds 16 bits");
    EXPECT_EQ(ScanError("B0 = %"), "105-Expected binary digit");
    EXPECT_EQ(ScanError("B0 = $G"), "104-Expected hex digit");
    EXPECT_EQ(SpanText(), "G");
}

TEST_F(ScannerTest, NamesUpTo32Characters) {
    EXPECT_EQ(ScanError(std::string(32, 'a')), "no error");
    EXPECT_EQ(ScanError("x " + std::string(33, 'a')), "106-Symbol exceeds 32 characters");
    EXPECT_EQ(R().ErrorStart, 2);
    EXPECT_EQ(R().ErrorLength, 33);
}

TEST_F(ScannerTest, TwoCharacterOperatorsMayHaveBlanksBetween) {
    Prepare("a < \t= b");
    const std::vector<TElement> list = LiveElements();
    ASSERT_EQ(list.size(), 4u);
    EXPECT_EQ(list[1].Type, etCompare);
    EXPECT_EQ(list[1].Value, 27);
    EXPECT_EQ(list[1].Length, 4);
    EXPECT_EQ(Types("B0 */ 2 // 3 ** 4 >< 5"),
              (std::vector<int>{etVariable, etBinaryOp, etConstant, etBinaryOp, etConstant,
                                etBinaryOp, etConstant, etCompare, etConstant, etEnd}));
}

TEST_F(ScannerTest, UnknownCharactersRaise103OnThatCharacter) {
    EXPECT_EQ(ScanError("B0 = 1 `"), "103-Unrecognized character");
    EXPECT_EQ(R().ErrorStart, 7);
    EXPECT_EQ(R().ErrorLength, 1);
    EXPECT_EQ(ScanError("B0 = \xE9"), "103-Unrecognized character");
    EXPECT_EQ(ScanError("#IF"), "103-Unrecognized character");
    EXPECT_EQ(ScanError("{"), "103-Unrecognized character");
    EXPECT_EQ(ScanError("#FOO", true), "154-Expected a directive");
    EXPECT_EQ(SpanText(), "#FOO");
}

TEST_F(ScannerTest, StringsBecomeCharactersSeparatedByCommas) {
    Prepare("\"AB\"");
    const std::vector<TElement> list = LiveElements();
    ASSERT_EQ(list.size(), 4u);
    EXPECT_EQ(list[0].Value, 'A');
    EXPECT_EQ(list[0].Start, 0);
    EXPECT_EQ(list[0].Length, 2);
    EXPECT_EQ(list[1].Type, etComma);
    EXPECT_EQ(list[1].Start, 2);
    EXPECT_EQ(list[2].Value, 'B');
    EXPECT_EQ(list[2].Start, 2);
    EXPECT_EQ(list[2].Length, 1);
    EXPECT_EQ(ScanError("B0 = \"\""), "101-Expected character(s)");
    EXPECT_EQ(SpanText(), "\"\"");
    EXPECT_EQ(ScanError("B0 = \"abc\nB1 = 2"), "102-Expected terminating \"");
    EXPECT_EQ(R().ErrorStart, 5);
}

TEST_F(ScannerTest, ControlCharactersEndLinesButTabsSeparate) {
    Load("B0\t=\r1\x01"
         "B1");
    R().TargetModule = tmKM2;
    Passes.InitDirectiveSymbols();
    Passes.ScanSource(false);
    EXPECT_EQ(R().Source[4], LineEndMark);
    EXPECT_EQ(R().Source[6], LineEndMark);
    EXPECT_EQ(R().Source[2], '\t');
    Passes.InitBuiltinSymbols();
    Passes.ScanSource(true);
    EXPECT_EQ(LiveElements().size(), 7u);
}

TEST_F(ScannerTest, TooManyElementsRaises107) {
    std::string text;
    for (int i = 0; i < 5200; ++i) {
        text += "1,";
    }
    EXPECT_EQ(ScanError(text), "107-Too many elements");
}

TEST_F(ScannerTest, DeclaringKeywordMarksThePrecedingNameDeclared) {
    Prepare("later CON 5\nother = 1", tmKM2, true);
    EXPECT_TRUE(Passes.Symbols.IsDeclaredName(TSymbolName::From("LATER")));
    EXPECT_FALSE(Passes.Symbols.IsDeclaredName(TSymbolName::From("OTHER")));
}

TEST_F(ScannerTest, ReadingResolvesNamesDefinedSinceTheScan) {
    Prepare("B0 = x + 1");
    TSymbol x;
    x.Name = TSymbolName::From("X");
    x.Type = etConstant;
    x.Value = 7;
    Passes.AddSymbol(x);
    TElement e;
    Passes.NextElement(e);
    Passes.NextElement(e);
    ASSERT_TRUE(Passes.NextElement(e));
    EXPECT_EQ(e.Type, etConstant);
    EXPECT_EQ(e.Value, 7);
    EXPECT_EQ(Passes.Elements[2].Type, etUndefined);
    EXPECT_EQ(SpanText(), "x");
    ASSERT_TRUE(Passes.PreviewElement(e));
    EXPECT_EQ(e.Type, etBinaryOp);
    EXPECT_EQ(SpanText(), "x");
    EXPECT_EQ(Passes.ElementIndex, 3);
}

TEST_F(ScannerTest, CancellingAWholeStatementTakesItsLineEndAlong) {
    Prepare("B0 = 1\nB1 = 2\nB2 = 3");
    Passes.CancelElementsAndLine(4, 6);
    std::vector<TElement> list = LiveElements();
    ASSERT_EQ(list.size(), 8u);
    EXPECT_EQ(list[4].Value, 0x208);
    // Part of a statement: its line end stays.
    Passes.CancelElementsAndLine(1, 2);
    list = LiveElements();
    EXPECT_EQ(list[1].Type, etEnd);
}

// The declaration passes use shortcuts over cancelled runs; they must
// always land on the nearest live element, however the runs were made.
TEST_F(ScannerTest, PreviousLiveElementCrossesCancelledRunsOfAnyShape) {
    std::string text;
    for (int i = 0; i < 150; ++i) {
        text += "B0 = 1\n";
    }
    Prepare(text);
    const int count = Passes.ElementCount;
    ASSERT_GT(count, 500);
    const auto expected = [this](int index) {
        while (index >= 0 && Passes.Elements[index].Type == etCancelled) {
            --index;
        }
        return index;
    };
    unsigned seed = 12345;
    const auto next = [&seed](int range) {
        seed = seed * 1103515245u + 12345u;
        return static_cast<int>((seed >> 8) % static_cast<unsigned>(range));
    };
    for (int round = 0; round < 400; ++round) {
        const int first = next(count);
        Passes.CancelElements(first, first + next(12));
        for (int query = 0; query < 4; ++query) {
            const int index = next(count);
            ASSERT_EQ(Passes.PreviousLiveElement(index), expected(index)) << "round " << round;
        }
    }
}

TEST_F(ScannerTest, StatementSearchFindsDeclarationsBehindColonsAndStopsAtTheEnd) {
    Prepare("x VAR BYTE\ny = 1 : z VAR WORD\nB0 = 2");
    int first = -1;
    ASSERT_TRUE(Passes.FindStatement(etVar, first));
    EXPECT_EQ(first, 0);
    EXPECT_EQ(SpanText(), "VAR");
    Passes.SkipToLineEnd();
    ASSERT_TRUE(Passes.FindStatement(etVar, first));
    EXPECT_EQ(std::string(R().Source + Passes.Elements[first].Start, 1), "z");
    EXPECT_EQ(Passes.LastReadIndex, first + 1);
    EXPECT_EQ(Passes.ElementIndex, first + 2);
    EXPECT_FALSE(Passes.FindStatement(etVar, first));
    EXPECT_EQ(Passes.ElementIndex, Passes.ElementCount);
    EXPECT_EQ(Passes.LastReadIndex, Passes.ElementCount);
    // The span is that of the last element passed over: the final line end.
    EXPECT_EQ(R().ErrorStart, Passes.Elements[Passes.ElementCount - 1].Start);
    // A keyword in first place is found only when asked for.
    Prepare("DATA 1\nB0 = 2");
    EXPECT_FALSE(Passes.FindStatement(etData, first));
    Passes.ElementIndex = 0;
    ASSERT_TRUE(Passes.FindStatement(etData, first, true));
    EXPECT_EQ(first, 0);
    EXPECT_EQ(Passes.LastReadIndex, 0);
}

TEST_F(ScannerTest, ReadingPastTheEndGivesAnEndElement) {
    Prepare("B0");
    TElement e;
    EXPECT_TRUE(Passes.NextElement(e));
    EXPECT_TRUE(Passes.NextElement(e));
    EXPECT_FALSE(Passes.NextElement(e));
    EXPECT_EQ(e.Type, etEnd);
    EXPECT_FALSE(Passes.PreviewElement(e));
    EXPECT_EQ(Passes.ElementIndex, Passes.ElementCount);
}

TEST_F(ScannerTest, ExpectOperationsRaiseTheirMessages) {
    Prepare("B0 B0 B0 B0 B0");
    EXPECT_EQ(ErrorOf([&] { Passes.ExpectEnd(); }), "129-Expected ':' or end-of-line");
    EXPECT_EQ(ErrorOf([&] { Passes.ExpectEquals(); }), "150-Expected '='");
    EXPECT_EQ(ErrorOf([&] { Passes.ExpectBackslash(); }), "118-Expected '\\'");
    EXPECT_EQ(ErrorOf([&] { Passes.ExpectRightParen(); }), "120-Expected ')'");
    EXPECT_FALSE(Passes.CheckQuestion());
    EXPECT_EQ(Passes.ElementIndex, 4);
}

} // namespace
} // namespace wayline::testing
