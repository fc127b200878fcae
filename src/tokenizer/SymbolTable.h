#pragma once

#include <cstdint>
#include <cstring>
#include <string_view>

namespace wayline {

inline constexpr int MaxSymbolLength = 32;
inline constexpr int SymbolTableSize = 1024;

// An upper-case name of at most 32 characters, stored without allocation,
// with its hash. The bytes behind Length are zero, so names compare as
// fixed-size blocks (lookups are a large part of a compile).
struct TSymbolName {
    std::uint8_t Length = 0;
    std::uint16_t Hash = 0; // HashName(View())
    char Text[MaxSymbolLength] = {};

    // Upper-cases the text; anything beyond 32 characters is dropped.
    static TSymbolName From(std::string_view text);
    std::string_view View() const { return {Text, Length}; }
    bool operator==(const TSymbolName& other) const {
        return Hash == other.Hash && Length == other.Length &&
               std::memcmp(Text, other.Text, MaxSymbolLength) == 0;
    }
};

struct TSymbol {
    TSymbolName Name;
    std::uint8_t Type = 0;
    std::uint16_t Value = 0;
    std::int32_t Next = -1;
};

// The sum of the character codes modulo 1024. Plain on purpose: with the
// built-in vocabulary it never puts more than four names in one chain.
int HashName(std::string_view name);

// The hashed symbol table and the table of names the source declares.
// Chains keep insertion order, so the first entry of a name wins.
// Adding to a full table returns false; the tokenizer turns that into its
// numbered error.
class TSymbolTable {
public:
    TSymbolTable() { Clear(); }
    void Clear();

    bool AddSymbol(const TSymbol& symbol);
    // Fills CurrentSymbol: the entry found, or etUndefined with IsDeclared
    // telling whether the source declares the name.
    bool FindSymbol(const TSymbolName& name);

    // What a FindSymbol found, kept so that the same name can be looked up
    // again without hashing and comparing it. Entries are only appended and
    // the first entry of a name wins, so a found name keeps its entry until
    // Clear; a missing name stays missing while nothing joins its chain.
    struct TLookup {
        std::int16_t Index = -1;  // the entry, or -1 for a missing name
        std::int16_t Bucket = -1; // -1: nothing kept
        std::uint16_t Version = 0;
        std::uint16_t Epoch = 0; // the Clear it belongs to
        bool Declared = false;
    };
    TLookup LastLookup() const { return Last; }
    // The type a missing name gets (etUndefined; this header stays free of
    // the element list).
    static constexpr std::uint8_t MissingType = 46;
    // Repeats the FindSymbol that gave lookup, if its answer still holds:
    // CurrentSymbol and IsDeclared are filled as that call would fill them,
    // except that the name of a missing symbol is not copied.
    bool Repeat(const TLookup& lookup, bool& found) {
        if (lookup.Bucket < 0 || lookup.Epoch != Epoch ||
            (lookup.Index < 0 && BucketVersions[lookup.Bucket] != lookup.Version)) {
            return false;
        }
        found = lookup.Index >= 0;
        if (found) {
            CurrentSymbol = Symbols[lookup.Index];
        } else {
            CurrentSymbol = TSymbol{};
            CurrentSymbol.Type = MissingType;
        }
        IsDeclared = lookup.Declared;
        Last = lookup;
        return true;
    }
    bool SetSymbolValue(const TSymbolName& name, std::uint16_t value);
    bool AddDeclaredName(const TSymbolName& name);
    bool IsDeclaredName(const TSymbolName& name) const;

    int Count() const { return SymbolCount; }
    bool IsFull() const { return SymbolCount >= SymbolTableSize; }
    const TSymbol& Entry(int index) const { return Symbols[index]; }

    TSymbol CurrentSymbol;
    bool IsDeclared = false;
    TSymbol NewSymbol;

private:
    int FindIndex(const TSymbolName& name) const;

    TSymbol Symbols[SymbolTableSize];
    int SymbolCount = 0;
    TLookup Last;
    std::uint16_t Epoch = 0;
    // Counts the names added to each chain of either table since Clear.
    std::uint16_t BucketVersions[SymbolTableSize];
    std::int32_t Heads[SymbolTableSize];

    struct TDeclaredName {
        TSymbolName Name;
        std::int32_t Next = -1;
    };
    TDeclaredName DeclaredNames[SymbolTableSize];
    int DeclaredNameCount = 0;
    std::int32_t DeclaredHeads[SymbolTableSize];
};

} // namespace wayline
