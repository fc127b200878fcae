#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace wayline::sim {

// The module's 2048-byte EEPROM: the download writes it in 16-byte blocks,
// the run-time reads the program bit stream from its top down and DATA from
// its bottom up. A fresh (erased) EEPROM holds 0 in every byte.
class TEeprom {
public:
    static constexpr int Size = 2048;
    static constexpr int BlockSize = 16;
    static constexpr int BlockCount = Size / BlockSize;

    std::uint8_t Read(int address) const {
        return Bytes[static_cast<std::size_t>(address & (Size - 1))];
    }
    void Write(int address, std::uint8_t value) {
        Bytes[static_cast<std::size_t>(address & (Size - 1))] = value;
    }

    // Writes block `block` (0..127) from 16 bytes.
    void WriteBlock(int block, const std::uint8_t* data) {
        for (int i = 0; i < BlockSize; ++i) {
            Write(block * BlockSize + i, data[i]);
        }
    }
    void Erase() { Bytes.fill(0); }

    const std::array<std::uint8_t, Size>& Data() const { return Bytes; }

private:
    std::array<std::uint8_t, Size> Bytes{};
};

} // namespace wayline::sim
