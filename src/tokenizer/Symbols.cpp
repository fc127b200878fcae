#include "tokenizer/Tokenizer.h"
#include "tokenizer/Vocabulary.h"

namespace wayline {

void TTokenizer::InitDirectiveSymbols() {
    Symbols.Clear();
    if (!EnterDirectiveSymbols(Symbols)) {
        RaiseError(128);
    }
}

void TTokenizer::InitBuiltinSymbols() {
    if (Result.TargetModule == tmNone || Result.TargetModule > tmKM2D) {
        SetErrorSpan(0, 0);
        RaiseError(156);
    }
    if (!EnterBuiltinVocabulary(Symbols, Result.TargetModule, Version25)) {
        RaiseError(128);
    }
}

void TTokenizer::AddSymbol(const TSymbol& symbol) {
    if (!Symbols.AddSymbol(symbol)) {
        RaiseError(128);
    }
}

void TTokenizer::AddDeclaredName(const TSymbolName& name) {
    if (!Symbols.AddDeclaredName(name)) {
        RaiseError(128);
    }
}

TSymbolName TTokenizer::ElementName(const TElement& e) const {
    const int start = e.Start;
    int length = e.Length;
    if (start + length > SourceCapacity) {
        length = SourceCapacity - start;
    }
    return TSymbolName::From(
        std::string_view(Result.Source + start, static_cast<std::size_t>(length)));
}

} // namespace wayline
