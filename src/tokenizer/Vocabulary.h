#pragma once

#include <cstddef>
#include <cstdint>

#include "tokenizer/SymbolTable.h"

namespace wayline {

struct TVocabularyEntry {
    const char* Name;
    std::uint8_t Type;
    std::uint16_t Value;
};

struct TConditionalEntry {
    const char* Name;
    std::uint8_t Type;
    std::uint16_t Value;
    std::uint8_t Mask; // module bits and version bits where the word exists
};

inline constexpr std::size_t DirectiveSymbolCount = 9;
inline constexpr std::size_t GeneralVocabularyCount = 355;
inline constexpr std::size_t ConditionalVocabularyCount = 53;

extern const TVocabularyEntry DirectiveSymbols[DirectiveSymbolCount];
extern const TConditionalEntry ConditionalVocabulary[ConditionalVocabularyCount];

extern const TVocabularyEntry GeneralVocabulary[GeneralVocabularyCount];

// Bits of the availability masks.
std::uint8_t ModuleBit(int targetModule);
inline constexpr std::uint8_t Version20Bit = 0x40;
inline constexpr std::uint8_t Version25Bit = 0x80;

// Enters the general vocabulary and the conditional entries available on
// the module and version. False when the table ran full.
bool EnterBuiltinVocabulary(TSymbolTable& table, int targetModule, bool version25);

// Enters the directive symbols and module names. False when full.
bool EnterDirectiveSymbols(TSymbolTable& table);

} // namespace wayline
