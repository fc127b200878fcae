#include "sim/core/BitReader.h"

#include "isa/Instructions.h"

#include "sim/core/Eeprom.h"
#include "sim/core/RunTimeFault.h"

namespace wayline::sim {

std::uint16_t TBitReader::Read(int count) {
    unsigned value = 0;
    // A byte at a time: the bits of one EEPROM byte are taken together.
    while (count > 0) {
        if (At >= BitCount) {
            throw ERunTimeFault{"The program runs past the end of the EEPROM", -1,
                                TFaultKind::fkPastEeprom};
        }
        const int used = At % 8;
        const int take = count < 8 - used ? count : 8 - used;
        const unsigned byte = Source != nullptr ? Source->Read(TEeprom::Size - 1 - At / 8) : 0;
        const unsigned bits = (byte >> (8 - used - take)) & ((1u << take) - 1);
        value = (value << take) | bits;
        At += take;
        Fetched += static_cast<unsigned>(take);
        count -= take;
    }
    return static_cast<std::uint16_t>(value);
}

std::uint16_t TBitReader::ReadAddress() {
    const std::uint16_t low = Read(AddressLowBits);
    const std::uint16_t high = Read(AddressBits - AddressLowBits);
    return static_cast<std::uint16_t>(high << AddressLowBits | low);
}

} // namespace wayline::sim
