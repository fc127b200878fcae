#include "tokenizer/SymbolTable.h"
#include "TokenizerTestSupport.h"
#include "tokenizer/Vocabulary.h"

namespace wayline::testing {
namespace {

TSymbol Symbol(std::string_view name, std::uint8_t type, std::uint16_t value) {
    TSymbol s;
    s.Name = TSymbolName::From(name);
    s.Type = type;
    s.Value = value;
    return s;
}

TEST(SymbolTable, HashIsTheCharacterSumModulo1024) {
    EXPECT_EQ(HashName("A"), 65);
    EXPECT_EQ(HashName("AB"), 131);
    EXPECT_EQ(HashName(std::string(20, 'z')), (20 * 'z') % 1024);
    // A name carries the hash of its stored (upper-case, cut) text.
    EXPECT_EQ(TSymbolName::From("routine7").Hash, HashName("ROUTINE7"));
    const std::string longName(40, 'q');
    EXPECT_EQ(TSymbolName::From(longName).Hash, HashName(std::string(32, 'Q')));
    EXPECT_EQ(TSymbolName::From(longName), TSymbolName::From(longName.substr(0, 32)));
    EXPECT_FALSE(TSymbolName::From("AB") == TSymbolName::From("BA"));
}

TEST(SymbolTable, EarlierEntryOfTheSameNameIsFoundFirst) {
    auto table = std::make_unique<TSymbolTable>();
    ASSERT_TRUE(table->AddSymbol(Symbol("X", etConstant, 1)));
    ASSERT_TRUE(table->AddSymbol(Symbol("X", etConstant, 2)));
    // "BA" shares the chain of "AB".
    ASSERT_TRUE(table->AddSymbol(Symbol("AB", etConstant, 3)));
    ASSERT_TRUE(table->AddSymbol(Symbol("BA", etConstant, 4)));
    ASSERT_TRUE(table->FindSymbol(TSymbolName::From("x")));
    EXPECT_EQ(table->CurrentSymbol.Value, 1);
    ASSERT_TRUE(table->FindSymbol(TSymbolName::From("BA")));
    EXPECT_EQ(table->CurrentSymbol.Value, 4);
    ASSERT_TRUE(table->SetSymbolValue(TSymbolName::From("X"), 9));
    table->FindSymbol(TSymbolName::From("X"));
    EXPECT_EQ(table->CurrentSymbol.Value, 9);
}

TEST(SymbolTable, RepeatedLookupHoldsUntilItsChainOrTheTableChanges) {
    auto table = std::make_unique<TSymbolTable>();
    ASSERT_TRUE(table->AddDeclaredName(TSymbolName::From("AB")));
    EXPECT_FALSE(table->FindSymbol(TSymbolName::From("AB")));
    const TSymbolTable::TLookup missing = table->LastLookup();
    bool found = true;
    table->IsDeclared = false;
    ASSERT_TRUE(table->Repeat(missing, found));
    EXPECT_FALSE(found);
    EXPECT_TRUE(table->IsDeclared);
    EXPECT_EQ(table->CurrentSymbol.Type, etUndefined);
    // A name in another chain leaves the answer standing; one in its own
    // chain does not, even if it is another name.
    ASSERT_TRUE(table->AddSymbol(Symbol("CD", etConstant, 1)));
    EXPECT_TRUE(table->Repeat(missing, found));
    ASSERT_TRUE(table->AddSymbol(Symbol("BA", etConstant, 2)));
    EXPECT_FALSE(table->Repeat(missing, found));

    ASSERT_TRUE(table->AddSymbol(Symbol("AB", etConstant, 3)));
    ASSERT_TRUE(table->FindSymbol(TSymbolName::From("ab")));
    const TSymbolTable::TLookup hit = table->LastLookup();
    // A found entry is read again, so a new value shows; a later entry of
    // the same name never takes its place.
    ASSERT_TRUE(table->SetSymbolValue(TSymbolName::From("AB"), 7));
    ASSERT_TRUE(table->AddSymbol(Symbol("AB", etConstant, 8)));
    table->CurrentSymbol = TSymbol{};
    table->IsDeclared = true;
    ASSERT_TRUE(table->Repeat(hit, found));
    EXPECT_TRUE(found);
    EXPECT_EQ(table->CurrentSymbol.Value, 7);
    EXPECT_FALSE(table->IsDeclared);
    table->Clear();
    EXPECT_FALSE(table->Repeat(hit, found));
}

TEST(SymbolTable, UndefinedNameTellsWhetherTheSourceDeclaresIt) {
    auto table = std::make_unique<TSymbolTable>();
    ASSERT_TRUE(table->AddDeclaredName(TSymbolName::From("LATER")));
    EXPECT_FALSE(table->FindSymbol(TSymbolName::From("later")));
    EXPECT_EQ(table->CurrentSymbol.Type, etUndefined);
    EXPECT_TRUE(table->IsDeclared);
    EXPECT_FALSE(table->FindSymbol(TSymbolName::From("NEVER")));
    EXPECT_FALSE(table->IsDeclared);
}

TEST(SymbolTable, BothTablesRefuseThe1025thEntry) {
    auto table = std::make_unique<TSymbolTable>();
    for (int i = 0; i < SymbolTableSize; ++i) {
        const std::string name = "N" + std::to_string(i);
        ASSERT_TRUE(table->AddSymbol(Symbol(name, etConstant, 0)));
        ASSERT_TRUE(table->AddDeclaredName(TSymbolName::From(name)));
    }
    EXPECT_FALSE(table->AddSymbol(Symbol("ONEMORE", etConstant, 0)));
    EXPECT_FALSE(table->AddDeclaredName(TSymbolName::From("ONEMORE")));
}

class VocabularyTest : public TokenizerTest {
protected:
    // Type and value of a word on a module and version, or etUndefined.
    std::pair<int, int> Word(std::string_view name, int target, bool version25) {
        Passes.Symbols.Clear();
        EXPECT_TRUE(EnterDirectiveSymbols(Passes.Symbols));
        EXPECT_TRUE(EnterBuiltinVocabulary(Passes.Symbols, target, version25));
        Passes.Symbols.FindSymbol(TSymbolName::From(name));
        return {Passes.Symbols.CurrentSymbol.Type, Passes.Symbols.CurrentSymbol.Value};
    }
};

TEST_F(VocabularyTest, WordsAreCaseInsensitive) {
    EXPECT_EQ(Word("pause", tmKM2, false), std::make_pair(int(etInstruction), 42));
    EXPECT_EQ(Word("Pause", tmKM2, false), std::make_pair(int(etInstruction), 42));
}

TEST_F(VocabularyTest, VersionAndModuleWordsExistOnlyWhereTheyApply) {
    EXPECT_EQ(Word("DO", tmKM2, false).first, etUndefined);
    EXPECT_EQ(Word("DO", tmKM2, true), std::make_pair(int(etInstruction), 8));
    EXPECT_EQ(Word("GET", tmKM2, true).first, etUndefined);
    EXPECT_EQ(Word("GET", tmKM2A, false), std::make_pair(int(etInstruction), 19));
    EXPECT_EQ(Word("LCDOUT", tmKM2B, true).first, etUndefined);
    EXPECT_EQ(Word("LCDOUT", tmKM2C, false), std::make_pair(int(etInstruction), 30));
    EXPECT_EQ(Word("LCDOUT", tmKM2D, true), std::make_pair(int(etInstruction), 30));
    EXPECT_EQ(Word("#IF", tmKM2, true), std::make_pair(int(etCondDirective), 25));
    EXPECT_EQ(Word("PIN", tmKM2, false).first, etUndefined);
}

TEST_F(VocabularyTest, PredefinedVariablesAndNumberFormatsHaveTheirValues) {
    EXPECT_EQ(Word("B0", tmKM2, false).second, 0x206);
    EXPECT_EQ(Word("W12", tmKM2, false).second, 0x30F);
    EXPECT_EQ(Word("DIR15", tmKM2, false).second, 47);
    EXPECT_EQ(Word("DIRD", tmKM2, false).second, 0x10B);
    EXPECT_EQ(Word("DEC", tmKM2, false).second, 0x1B6);
    EXPECT_EQ(Word("DEC1", tmKM2, false).second, 0x3F6);
    EXPECT_EQ(Word("SDEC5", tmKM2, false).second, 0x7B6);
    EXPECT_EQ(Word("HEX", tmKM2, false).second, 0x1C0);
    EXPECT_EQ(Word("IHEX4", tmKM2, false).second, 0xBC0);
    EXPECT_EQ(Word("BIN16", tmKM2, false).second, 0x30E);
    EXPECT_EQ(Word("ISBIN1", tmKM2, false).second, 0xFFE);
    EXPECT_EQ(Word("HIGHBYTE", tmKM2, false), std::make_pair(int(etModifier), 0x280));
    EXPECT_EQ(Word("=<", tmKM2, false), std::make_pair(int(etCompare), 27));
}

TEST_F(VocabularyTest, FullVocabularyLeavesRoomForUserSymbols) {
    Word("X", tmKM2D, true);
    EXPECT_LE(Passes.Symbols.Count(), 417);
    EXPECT_EQ(Passes.Symbols.Count(), int(DirectiveSymbolCount + GeneralVocabularyCount + 33 + 20));
}

TEST_F(VocabularyTest, MissingTargetRaises156WithAnEmptySpan) {
    R().TargetModule = tmNone;
    R().ErrorStart = 5;
    EXPECT_EQ(ErrorOf([&] { Passes.InitBuiltinSymbols(); }),
              "156-Unknown target module.  $KEYSTONE directive not found");
    EXPECT_EQ(R().ErrorStart, 0);
    EXPECT_EQ(R().ErrorLength, 0);
}

TEST_F(VocabularyTest, FullTableRaises128) {
    Prepare("", tmKM2, false);
    EXPECT_EQ(ErrorOf([&] {
                  for (int i = 0; i < SymbolTableSize; ++i) {
                      Passes.AddSymbol(Symbol("U" + std::to_string(i), etConstant, 0));
                  }
              }),
              "128-Symbol table full");
}

} // namespace
} // namespace wayline::testing
