#include "TokenizerTestSupport.h"

namespace wayline::testing {
namespace {

class ExpressionsTest : public TokenizerTest {
protected:
    Items Compile(std::string_view text, bool condition = false, bool pinsAsNumbers = false) {
        Prepare(text, tmKM2, true);
        Passes.StackDepth = 0;
        Passes.CompileExpression(condition, pinsAsNumbers, 0);
        return Decode();
    }

    std::string CompileError(std::string_view text, bool condition = false) {
        return ErrorOf([&] { Compile(text, condition); });
    }

    void DefinePin(std::string_view name, std::uint16_t pin) {
        TSymbol s;
        s.Name = TSymbolName::From(name);
        s.Type = etPinSymbol;
        s.Value = pin;
        Passes.AddSymbol(s);
    }

    std::uint16_t Constant(std::string_view text, bool final = true, bool* resolved = nullptr) {
        Prepare(text, tmKM2, true);
        const bool ok = Passes.EvaluateConstant(final, false);
        if (resolved != nullptr) {
            *resolved = ok;
        }
        return Passes.Symbols.NewSymbol.Value;
    }
};

TEST_F(ExpressionsTest, BinaryOperatorsApplyStrictlyLeftToRight) {
    EXPECT_EQ(Compile("2 + 3 * 4"), (Items{"2", "3", "op15", "4", "op18"}));
    EXPECT_EQ(Bits(), "1000010"
                      "110000111"
                      "1001111"
                      "11000100"
                      "1010010");
    EXPECT_EQ(Compile("2 + (3 * 4)"), (Items{"2", "3", "4", "op18", "op15"}));
}

TEST_F(ExpressionsTest, UnaryOperatorsApplyToTheNextOperand) {
    EXPECT_EQ(Compile("ABS -5"), (Items{"5", "op3", "op1"}));
    EXPECT_EQ(Compile("-(B0)"), (Items{"r2:6", "op3"}));
    EXPECT_EQ(Compile("~B0 + 1"), (Items{"r2:6", "op2", "1", "op15"}));
}

TEST_F(ExpressionsTest, ConditionsBindComparisonsThenLogicalOperators) {
    EXPECT_EQ(Compile("B0 > B1 + 1 AND B2", true),
              (Items{"r2:6", "r2:7", "1", "op15", "op30", "r2:8", "op10"}));
    EXPECT_EQ(Compile("NOT B0 = B1", true), (Items{"r2:6", "r2:7", "op28", "op2"}));
    EXPECT_EQ(Compile("(B0 = 1) OR B1 < 2", true),
              (Items{"r2:6", "1", "op28", "r2:7", "2", "op31", "op11"}));
}

TEST_F(ExpressionsTest, ConstantsUseTheShortestEncoding) {
    Compile("0");
    EXPECT_EQ(Bits(), "1000001");
    Compile("1");
    EXPECT_EQ(Bits(), "1000000");
    Compile("8");
    EXPECT_EQ(Bits(), "1000110");
    Compile("5");
    EXPECT_EQ(Bits(), "100010101");
    EXPECT_EQ(Compile("65535"), (Items{"65535"}));
}

TEST_F(ExpressionsTest, ModifiersNarrowTheCell) {
    EXPECT_EQ(Compile("W1.HIGHBYTE"), (Items{"r2:9"}));
    EXPECT_EQ(Compile("W1.BIT15"), (Items{"r0:79"}));
    EXPECT_EQ(Compile("W1.HIGHBYTE.BIT3"), (Items{"r0:75"}));
    EXPECT_EQ(Compile("INS.LOWNIB"), (Items{"r1:0"}));
    EXPECT_EQ(CompileError("B0.BIT8"), "140-Variable modifier is out-of-range");
    EXPECT_EQ(CompileError("B0.NIB2"), "140-Variable modifier is out-of-range");
    EXPECT_EQ(CompileError("IN3.BIT0"), "138-Variable is already bit-size");
    EXPECT_EQ(CompileError("B0.WORD"), "137-Expected a variable modifier");
    EXPECT_EQ(SpanText(), "WORD");
    EXPECT_EQ(CompileError("B0.HIGHBYTE"), "139-Expected a smaller-size variable modifier");
}

TEST_F(ExpressionsTest, IndexExpressionPrecedesTheIndexedVariable) {
    EXPECT_EQ(Compile("B0(B1 + 1) + 2"), (Items{"r2:7", "1", "op15", "ri2:6", "2", "op15"}));
    EXPECT_EQ(CompileError("B0(1"), "120-Expected ')'");
}

TEST_F(ExpressionsTest, PinNamesAreInputBitsOrNumbers) {
    Prepare("LED", tmKM2, true);
    DefinePin("LED", 3);
    Passes.CompileExpression(false, false, 0);
    EXPECT_EQ(Decode(), (Items{"r0:3"}));
    Passes.ElementIndex = 0;
    Passes.CompileExpression(false, true, 0);
    EXPECT_EQ(Decode(), (Items{"3"}));
    Passes.ElementIndex = 0;
    Passes.CompileVariable(true);
    EXPECT_EQ(Decode(), (Items{"w0:19"}));
}

TEST_F(ExpressionsTest, NineNestedOperandsOverflowTheRunTimeStack) {
    EXPECT_EQ(CompileError("1 + (2 + (3 + (4 + (5 + (6 + (7 + 8))))))"), "no error");
    EXPECT_EQ(CompileError("1 + (2 + (3 + (4 + (5 + (6 + (7 + (8 + 9)))))))"),
              "144-Expression is too complex");
    EXPECT_EQ(SpanText(), "9");
}

TEST_F(ExpressionsTest, LongExpressionsAreRefused) {
    std::string text = "B0";
    for (int i = 0; i < 60; ++i) {
        text += " + B1";
    }
    EXPECT_EQ(CompileError(text), "144-Expression is too complex");
}

TEST_F(ExpressionsTest, MalformedExpressionsRaiseTheirErrors) {
    EXPECT_EQ(CompileError("* 2"), "141-Expected a constant, variable, unary operator, or '('");
    EXPECT_EQ(CompileError("1 2"), "142-Expected a binary operator or ')'");
    EXPECT_EQ(CompileError("(1 + 2"), "142-Expected a binary operator or ')'");
    EXPECT_EQ(CompileError("1 = 2"), "142-Expected a binary operator or ')'");
    EXPECT_EQ(CompileError("1 AND 2"), "142-Expected a binary operator or ')'");
    EXPECT_EQ(CompileError("nothing + 1"), "110-Undefined symbol");
    EXPECT_EQ(SpanText(), "nothing");
}

TEST_F(ExpressionsTest, ExpressionLeavesItsTerminatorForTheCaller) {
    Compile("1 + 2 THEN");
    TElement e;
    Passes.NextElement(e);
    EXPECT_EQ(e.Type, etThen);
    Compile("(1 + 2))");
    Passes.NextElement(e);
    EXPECT_EQ(e.Type, etRightParen);
}

TEST_F(ExpressionsTest, ConstantExpressionsAreEvaluatedLeftToRight) {
    EXPECT_EQ(Constant("10 / 3"), 3);
    EXPECT_EQ(Constant("1 << 20"), 0);
    EXPECT_EQ(Constant("5 - 7"), 65534);
    EXPECT_EQ(Constant("2 + 3 * 4"), 20);
    EXPECT_EQ(Constant("-1 & $FF"), 255);
    EXPECT_EQ(Constant("CR + 1"), 14);
    EXPECT_EQ(ErrorOf([&] { Constant("1 / 0"); }), "113-Cannot divide by 0");
    EXPECT_EQ(ErrorOf([&] { Constant("B0"); }), "112-Expected a constant");
    EXPECT_EQ(ErrorOf([&] { Constant("1 + * 2"); }), "112-Expected a constant");
    EXPECT_EQ(ErrorOf([&] { Constant("later + 1"); }), "110-Undefined symbol");
    bool resolved = true;
    EXPECT_EQ(Constant("later + 1", false, &resolved), 2);
    EXPECT_FALSE(resolved);
}

TEST_F(ExpressionsTest, CompiledConditionsEvaluateWithComparisonsAsAllOnes) {
    auto value = [&](std::string_view text) {
        Prepare(text, tmKM2, true);
        Passes.CompileCondExpression(0);
        return Passes.EvaluateBuffer();
    };
    EXPECT_EQ(value("5 > 3 AND 1"), 1);
    EXPECT_EQ(value("5 > 3 AND 2 < 4"), 0xFFFF);
    EXPECT_EQ(value("NOT 5 > 3"), 0);
    EXPECT_EQ(value("2 + 3 * 4"), 20);
    EXPECT_EQ(value("-3 + 5"), 2);
    EXPECT_EQ(value("1 << 33"), 2);
    EXPECT_EQ(value("unknown"), 0);
    EXPECT_EQ(ErrorOf([&] { value("4 / (2 - 2)"); }), "113-Cannot divide by 0");
    EXPECT_EQ(ErrorOf([&] { value("4 MAX 2"); }),
              "189-Illegal operator in conditional-compile directive");
    EXPECT_EQ(ErrorOf([&] { value("ABS 2"); }),
              "189-Illegal operator in conditional-compile directive");
    EXPECT_EQ(ErrorOf([&] { value("* 2"); }),
              "188-Expected number, editor directive, #DEFINE'd symbol, or '-'");
}

TEST_F(ExpressionsTest, RunTimeOperandsInConditionsDoNotBreakTheEvaluator) {
    Prepare("W0(W1(W2)) + B0.BIT3 = INS", tmKM2, true);
    Passes.CompileCondExpression(0);
    Passes.EvaluateBuffer();
    SUCCEED();
}

} // namespace
} // namespace wayline::testing
