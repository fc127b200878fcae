#pragma once

#include <cstdint>

namespace wayline::sim {

class TEeprom;

// Reads the program bit stream out of the EEPROM. The stream fills the
// EEPROM from its last byte downward: bit b lies in byte 2047 - b / 8, each
// byte read from its most significant bit down. Bit addresses are 14 bits
// wide (0 .. 16383); a read beyond the last bit yields 0 bits and marks the
// reader as overrun, which the interpreter turns into a stop.
class TBitReader {
public:
    static constexpr int BitCount = 16384;

    void Attach(const TEeprom* eeprom) { Source = eeprom; }

    int Position() const { return At; }
    void Seek(int bitAddress) { At = bitAddress & (BitCount - 1); }

    // Bits fetched since the reader was attached; the timing model charges
    // each one.
    std::uint64_t BitsFetched() const { return Fetched; }

    // The next `count` bits (1 .. 16), most significant first.
    std::uint16_t Read(int count);
    bool ReadBit() { return Read(1) != 0; }
    // A 14-bit bit address as the tokenizer writes it: its low 3 bits, then
    // its upper 11 bits.
    std::uint16_t ReadAddress();

private:
    const TEeprom* Source = nullptr;
    int At = 0;
    std::uint64_t Fetched = 0;
};

} // namespace wayline::sim
