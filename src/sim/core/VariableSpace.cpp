#include "sim/core/VariableSpace.h"

namespace wayline::sim {

std::uint16_t TVariableSpace::Read(int size, int cell) const {
    const int bits = CellBits(size);
    const int wrapped = cell & (CellCount(size) - 1);
    const int shift = wrapped * bits % 16;
    const unsigned word = Words[static_cast<std::size_t>(wrapped * bits / 16)];
    return static_cast<std::uint16_t>((word >> shift) & ((1u << bits) - 1));
}

void TVariableSpace::Write(int size, int cell, std::uint16_t value) {
    const int bits = CellBits(size);
    const int wrapped = cell & (CellCount(size) - 1);
    const int shift = wrapped * bits % 16;
    const unsigned mask = ((1u << bits) - 1) << shift;
    std::uint16_t& word = Words[static_cast<std::size_t>(wrapped * bits / 16)];
    word = static_cast<std::uint16_t>((word & ~mask) |
                                      ((static_cast<unsigned>(value) << shift) & mask));
}

} // namespace wayline::sim
