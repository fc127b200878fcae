#include "tokenizer/TokenizerPasses.h"
#include "tokenizer/Vocabulary.h"

namespace wayline {

void TTokenizerPasses::InitDirectiveSymbols() {
    Symbols.Clear();
    if (!EnterDirectiveSymbols(Symbols)) {
        RaiseTokenizeError(msgSymbolTableFull);
    }
}

void TTokenizerPasses::InitBuiltinSymbols() {
    if (Result.TargetModule == tmNone || Result.TargetModule > tmKM2D) {
        SetErrorSpan(0, 0);
        RaiseTokenizeError(msgUnknownTargetModule);
    }
    if (!EnterBuiltinVocabulary(Symbols, Result.TargetModule, Version25)) {
        RaiseTokenizeError(msgSymbolTableFull);
    }
}

void TTokenizerPasses::AddSymbol(const TSymbol& symbol) {
    if (!Symbols.AddSymbol(symbol)) {
        RaiseTokenizeError(msgSymbolTableFull);
    }
}

void TTokenizerPasses::AddDeclaredName(const TSymbolName& name) {
    if (!Symbols.AddDeclaredName(name)) {
        RaiseTokenizeError(msgSymbolTableFull);
    }
}

TSymbolName TTokenizerPasses::ElementName(const TElement& e) const {
    const int start = e.Start;
    int length = e.Length;
    if (start + length > SourceCapacity) {
        length = SourceCapacity - start;
    }
    return TSymbolName::From(
        std::string_view(Result.Source + start, static_cast<std::size_t>(length)));
}

} // namespace wayline
