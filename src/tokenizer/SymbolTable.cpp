#include "tokenizer/SymbolTable.h"

#include "tokenizer/Elements.h"

namespace wayline {

static_assert(TSymbolTable::MissingType == etUndefined);

TSymbolName TSymbolName::From(std::string_view text) {
    TSymbolName name;
    const std::size_t length =
        text.size() < static_cast<std::size_t>(MaxSymbolLength) ? text.size() : MaxSymbolLength;
    unsigned sum = 0;
    for (std::size_t i = 0; i < length; ++i) {
        char c = text[i];
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
        name.Text[i] = c;
        sum += static_cast<unsigned char>(c);
    }
    name.Length = static_cast<std::uint8_t>(length);
    name.Hash = static_cast<std::uint16_t>(sum % SymbolTableSize);
    return name;
}

int HashName(std::string_view name) {
    unsigned sum = 0;
    for (char c : name) {
        sum += static_cast<unsigned char>(c);
    }
    return static_cast<int>(sum % SymbolTableSize);
}

void TSymbolTable::Clear() {
    SymbolCount = 0;
    ++Epoch;
    Last = TLookup{};
    DeclaredNameCount = 0;
    for (int i = 0; i < SymbolTableSize; ++i) {
        Heads[i] = -1;
        DeclaredHeads[i] = -1;
        BucketVersions[i] = 0;
    }
    CurrentSymbol = TSymbol{};
    NewSymbol = TSymbol{};
    IsDeclared = false;
}

bool TSymbolTable::AddSymbol(const TSymbol& symbol) {
    if (SymbolCount >= SymbolTableSize) {
        return false;
    }
    const int index = SymbolCount++;
    Symbols[index] = symbol;
    Symbols[index].Next = -1;
    const int bucket = symbol.Name.Hash;
    ++BucketVersions[bucket];
    std::int32_t* link = &Heads[bucket];
    while (*link != -1) {
        link = &Symbols[*link].Next;
    }
    *link = index;
    return true;
}

int TSymbolTable::FindIndex(const TSymbolName& name) const {
    for (std::int32_t i = Heads[name.Hash]; i != -1; i = Symbols[i].Next) {
        if (Symbols[i].Name == name) {
            return i;
        }
    }
    return -1;
}

bool TSymbolTable::FindSymbol(const TSymbolName& name) {
    const int bucket = name.Hash;
    Last.Bucket = static_cast<std::int16_t>(bucket);
    Last.Version = BucketVersions[bucket];
    Last.Epoch = Epoch;
    const int index = FindIndex(name);
    if (index >= 0) {
        CurrentSymbol = Symbols[index];
        IsDeclared = false;
        Last.Index = static_cast<std::int16_t>(index);
        Last.Declared = false;
        return true;
    }
    CurrentSymbol = TSymbol{};
    CurrentSymbol.Name = name;
    CurrentSymbol.Type = etUndefined;
    CurrentSymbol.Value = 0;
    IsDeclared = IsDeclaredName(name);
    Last.Index = -1;
    Last.Declared = IsDeclared;
    return false;
}

bool TSymbolTable::SetSymbolValue(const TSymbolName& name, std::uint16_t value) {
    const int index = FindIndex(name);
    if (index < 0) {
        return false;
    }
    Symbols[index].Value = value;
    return true;
}

bool TSymbolTable::AddDeclaredName(const TSymbolName& name) {
    if (DeclaredNameCount >= SymbolTableSize) {
        return false;
    }
    const int index = DeclaredNameCount++;
    DeclaredNames[index].Name = name;
    DeclaredNames[index].Next = -1;
    const int bucket = name.Hash;
    ++BucketVersions[bucket];
    std::int32_t* link = &DeclaredHeads[bucket];
    while (*link != -1) {
        link = &DeclaredNames[*link].Next;
    }
    *link = index;
    return true;
}

bool TSymbolTable::IsDeclaredName(const TSymbolName& name) const {
    for (std::int32_t i = DeclaredHeads[name.Hash]; i != -1; i = DeclaredNames[i].Next) {
        if (DeclaredNames[i].Name == name) {
            return true;
        }
    }
    return false;
}

} // namespace wayline
