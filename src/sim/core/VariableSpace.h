#pragma once

#include <array>
#include <cstdint>

#include "isa/Expressions.h"

namespace wayline::sim {

// The module's variable space: 16 words, the I/O words first (word 0 the
// pins' input levels INS, word 1 their output latches OUTS, word 2 their
// directions DIRS), then 13 words of program variables. A cell of a size
// is numbered upward from the low end of word 0: byte n is the low byte of
// word n / 2 when n is even, nibble n and bit n likewise. Cell numbers wrap
// round the space, so an index past the last cell cannot reach outside it.
//
// This class only stores; the interpreter fills word 0 from the pins before
// a read and passes writes of words 1 and 2 on to them.
class TVariableSpace {
public:
    static constexpr int WordCount = VariableSpaceWords;
    static constexpr int InsWord = 0;
    static constexpr int OutsWord = 1;
    static constexpr int DirsWord = 2;
    static_assert(DirsWord + 1 == FirstVariableWord);

    static constexpr int CellBits(int size) { return CellWidth(size); }
    static constexpr int CellCount(int size) { return WordCount * 16 / CellBits(size); }
    // The word a cell lies in (cells never straddle words).
    static constexpr int WordOf(int size, int cell) {
        return (cell & (CellCount(size) - 1)) * CellBits(size) / 16;
    }
    // The bits of its word that a cell covers.
    static constexpr std::uint16_t MaskOf(int size, int cell) {
        const int bits = CellBits(size);
        const int shift = (cell & (CellCount(size) - 1)) * bits % 16;
        return static_cast<std::uint16_t>(((1u << bits) - 1) << shift);
    }

    std::uint16_t Read(int size, int cell) const;
    void Write(int size, int cell, std::uint16_t value);

    std::uint16_t Word(int index) const { return Words[static_cast<std::size_t>(index & 15)]; }
    void SetWord(int index, std::uint16_t value) {
        Words[static_cast<std::size_t>(index & 15)] = value;
    }
    void Clear() { Words.fill(0); }

private:
    std::array<std::uint16_t, WordCount> Words{};
};

static_assert(TVariableSpace::CellCount(csBit) == 256);
static_assert(TVariableSpace::CellCount(csNibble) == 64);
static_assert(TVariableSpace::CellCount(csByte) == 32);
static_assert(TVariableSpace::CellCount(csWord) == 16);
static_assert(TVariableSpace::WordOf(csByte, 6) == 3); // B0 is the low byte of W0
static_assert(TVariableSpace::MaskOf(csByte, 9) == 0xFF00);

} // namespace wayline::sim
