#include "TokenizerTestSupport.h"

namespace wayline::testing {
namespace {

constexpr const char* Header = "'{$KEYSTONE KM2}\n'{$HBASIC 2.5}\n";

class DeclarationsTest : public TokenizerTest {
protected:
    std::string Run(std::string_view body) {
        return TokenizeError(std::string(Header) + std::string(body));
    }

    // Type and value of a name after the call, or etUndefined.
    std::pair<int, int> Symbol(std::string_view name) {
        Passes.Symbols.FindSymbol(TSymbolName::From(name));
        return {Passes.Symbols.CurrentSymbol.Type, Passes.Symbols.CurrentSymbol.Value};
    }
};

TEST_F(DeclarationsTest, ConstantsMayUseNamesDeclaredLater) {
    EXPECT_EQ(Run("x CON y + 1\ny CON 2\n"), "157-Nothing to tokenize");
    EXPECT_EQ(Symbol("x"), std::make_pair(int(etConstant), 3));
    EXPECT_EQ(Run("a CON b\nb CON c\nc CON 1\n"), "110-Undefined symbol");
    EXPECT_EQ(SpanText(), "b");
    EXPECT_EQ(Run("B0 CON 1\n"), "123-Symbol is already defined");
    EXPECT_EQ(Run("x CON 1\nx CON 2\n"), "123-Symbol is already defined");
    EXPECT_EQ(Run("x CON 1 2\n"), "129-Expected ':' or end-of-line");
}

TEST_F(DeclarationsTest, PinNumbersStopAt15) {
    EXPECT_EQ(Run("LED PIN 15\nbase CON LED - 5\n"), "157-Nothing to tokenize");
    EXPECT_EQ(Symbol("LED"), std::make_pair(int(etPinSymbol), 15));
    EXPECT_EQ(Symbol("base"), std::make_pair(int(etConstant), 10));
    EXPECT_EQ(Run("LED PIN 8 * 2\n"), "175-Pin number must be 0 to 15");
    EXPECT_EQ(SpanText(), "8 * 2");
}

TEST_F(DeclarationsTest, DataFillsTheImageFromAddressZero) {
    EXPECT_EQ(Run("tbl DATA 1, 2, WORD 1000\ntail DATA \"AB\"\n"), "succeeded");
    EXPECT_EQ(Symbol("tbl"), std::make_pair(int(etConstant), 0));
    EXPECT_EQ(Symbol("tail"), std::make_pair(int(etConstant), 4));
    const std::uint8_t expected[] = {1, 2, 0xE8, 0x03, 'A', 'B'};
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(R().EEPROM[i], expected[i]) << i;
        EXPECT_EQ(R().EEPROMFlags[i], efData | efInPacket) << i;
    }
    ASSERT_EQ(R().PacketCount, 1);
    const std::uint8_t* packet = R().PacketBuffer[0];
    EXPECT_EQ(packet[0], 0x80);
    EXPECT_EQ(packet[3], 0xE8);
    unsigned sum = 0;
    for (int i = 0; i < PacketSize; ++i) {
        sum += packet[i];
    }
    EXPECT_EQ(sum % 256, 0u);
}

TEST_F(DeclarationsTest, DataItemsAtAddressesWithCountsAndReservations) {
    EXPECT_EQ(Run("t DATA @ 100, 7 (3), WORD (2), 9\nbuf DATA (10)\nlast DATA\n"), "succeeded");
    EXPECT_EQ(Symbol("t"), std::make_pair(int(etConstant), 100));
    EXPECT_EQ(R().EEPROM[102], 7);
    EXPECT_EQ(R().EEPROMFlags[103] & 3, efReserved);
    EXPECT_EQ(R().EEPROM[107], 9);
    EXPECT_EQ(Symbol("buf"), std::make_pair(int(etConstant), 108));
    EXPECT_EQ(Symbol("last"), std::make_pair(int(etConstant), 118));
    // Blocks 6 and 7 hold values; block 7's tail is only reserved.
    EXPECT_EQ(R().PacketCount, 1);
    EXPECT_EQ(R().PacketBuffer[0][0], 0x80 + 6);
    EXPECT_EQ(Run("buf DATA (10)\n"), "157-Nothing to tokenize");
    EXPECT_EQ(R().EEPROMFlags[9], efReserved);
}

TEST_F(DeclarationsTest, DataErrors) {
    EXPECT_EQ(Run("DATA 1, 2\nDATA @ 1, 5\n"), "115-Location already contains data");
    EXPECT_EQ(Run("DATA @ 2048\n"), "114-Location is out of range");
    EXPECT_EQ(Run("DATA @ 2047, WORD 1\n"), "114-Location is out of range");
    EXPECT_EQ(Run("DATA 1 2\n"), "130-Expected ',', end-of-line, or ':'");
    EXPECT_EQ(Run("B0 DATA 1\n"), "123-Symbol is already defined");
    EXPECT_EQ(Run("DATA @ nowhere\n"), "110-Undefined symbol");
    EXPECT_EQ(Run("DATA later\nlater CON 5\n"), "succeeded");
}

TEST_F(DeclarationsTest, VariablesArePackedWordsFirst) {
    EXPECT_EQ(Run("flag VAR BIT\nlo VAR BYTE\nw VAR WORD\nhi VAR BYTE\nn VAR NIB\n"),
              "157-Nothing to tokenize");
    EXPECT_EQ(Symbol("w").second, 0x303);
    EXPECT_EQ(Symbol("lo").second, 0x208);
    EXPECT_EQ(Symbol("hi").second, 0x209);
    EXPECT_EQ(Symbol("n").second, 0x114);
    EXPECT_EQ(Symbol("flag").second, 84);
    EXPECT_EQ(R().VarCounts[0], 1);
    EXPECT_EQ(R().VarCounts[3], 1);
}

TEST_F(DeclarationsTest, VariableSpaceHolds208Bits) {
    std::string words;
    for (int i = 0; i < 13; ++i) {
        words += "w" + std::to_string(i) + "x VAR WORD\n";
    }
    EXPECT_EQ(Run(words), "157-Nothing to tokenize");
    EXPECT_EQ(Run(words + "more VAR WORD\n"), "126-Out of variable space");
    EXPECT_EQ(Run("bits VAR BIT(208)\n"), "157-Nothing to tokenize");
    EXPECT_EQ(Run("bits VAR BIT(209)\n"), "126-Out of variable space");
    EXPECT_EQ(Run("arr VAR BYTE(0)\n"), "125-Array size cannot be 0");
    EXPECT_EQ(Run("arr VAR BYTE(3\n"), "120-Expected ')'");
}

TEST_F(DeclarationsTest, AliasesNameACellOfAnotherVariable) {
    EXPECT_EQ(Run("a VAR W1.HIGHBYTE\nc VAR WORD\nd VAR c.LOWBYTE\n"), "157-Nothing to tokenize");
    EXPECT_EQ(Symbol("a"), std::make_pair(int(etVariable), 0x209));
    EXPECT_EQ(Symbol("d"), std::make_pair(int(etVariable), 0x206 + 0));
    EXPECT_EQ(Run("b VAR c.LOWBYTE\nc VAR WORD\n"), "110-Undefined symbol");
    EXPECT_EQ(Run("b VAR c.BYTE1.BIT8\nc VAR WORD\n"), "140-Variable modifier is out-of-range");
    EXPECT_EQ(Run("b VAR 5\n"), "135-Expected a variable");
}

TEST_F(DeclarationsTest, GosubsAreCountedUpTo255) {
    std::string gosubs;
    for (int i = 0; i < 255; ++i) {
        gosubs += "GOSUB x\n";
    }
    EXPECT_EQ(Run(gosubs + "x: RETURN\n"), "succeeded");
    EXPECT_EQ(Passes.GosubCount, 255);
    EXPECT_EQ(Run(gosubs + "GOSUB x\n"), "145-Limit of 255 GOSUBs exceeded");
    EXPECT_EQ(Run("#IF 0 #THEN\n" + gosubs + "GOSUB x\n#ENDIF\n"), "157-Nothing to tokenize");
}

} // namespace
} // namespace wayline::testing
