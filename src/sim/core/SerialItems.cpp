#include "sim/core/SerialItems.h"

#include "isa/Items.h"

#include "sim/core/ExpressionEvaluator.h"
#include "sim/core/VariableSpace.h"

namespace wayline::sim {

namespace {

constexpr int ByteCells = TVariableSpace::CellCount(csByte);

// Base of a format by its radix code.
int BaseOf(std::uint16_t format) {
    switch (format & RadixCodeMask) {
    case RadixCodeDecimal:
        return 10;
    case RadixCodeHex:
        return 16;
    case RadixCodeBinary:
        return 2;
    default:
        return 0;
    }
}

int DigitCountOf(std::uint16_t format) {
    const int n = 16 - ((format >> 4) & 0xF);
    return n;
}

} // namespace

bool FormatNumber(std::uint16_t format, std::uint16_t value, std::string& out) {
    const int base = BaseOf(format);
    if (base == 0 || (format & NumberFormatBit) == 0) {
        return false;
    }
    std::uint32_t magnitude = value;
    if ((format & FormatSigned) != 0 && value >= 0x8000) {
        out += '-';
        magnitude = 0x10000u - value;
    }
    if ((format & FormatWithPrefix) != 0) {
        if (base == 16) {
            out += '$';
        } else if (base == 2) {
            out += '%';
        }
    }
    char digits[16];
    int count = 0;
    do {
        const auto d = static_cast<int>(magnitude % static_cast<std::uint32_t>(base));
        digits[count++] = static_cast<char>(d < 10 ? '0' + d : 'A' + d - 10);
        magnitude /= static_cast<std::uint32_t>(base);
    } while (magnitude != 0 && count < 16);
    if ((format & FormatDigitCountGiven) != 0) {
        // Exactly n digits: zeros in front, or the higher digits cut off.
        const int n = DigitCountOf(format);
        while (count < n) {
            digits[count++] = '0';
        }
        count = n;
    }
    for (int i = count - 1; i >= 0; --i) {
        out += digits[i];
    }
    return true;
}

bool FormatOutputItem(const std::uint16_t* values, int count, TVariableAccess& variables,
                      std::string& out) {
    switch (count) {
    case 1:
        out += static_cast<char>(values[0] & 0xFF);
        return true;
    case 2: {
        const std::uint16_t kind = values[0];
        if ((kind & NumberFormatBit) != 0) {
            return FormatNumber(kind, values[1], out);
        }
        if ((kind & ~(StringEndsEarly | 0xFF)) != 0) {
            return false;
        }
        const int address = kind & 0xFF;
        const int length = values[1] > ByteCells ? ByteCells : values[1];
        for (int i = 0; i < length; ++i) {
            const auto byte = static_cast<char>(variables.ReadCell(csByte, address + i));
            if (byte == 0 && (kind & StringEndsEarly) != 0) {
                break;
            }
            out += byte;
        }
        return true;
    }
    case 3:
        if (values[1] != RepeatOrSkipMark) {
            return false;
        }
        out.append(values[2], static_cast<char>(values[0] & 0xFF));
        return true;
    default:
        return false;
    }
}

void TInputItem::StartByte() {
    *this = TInputItem();
    ItemKind = ikByte;
}

bool TInputItem::Start(const std::uint16_t* values, int count, TVariableAccess& variables) {
    *this = TInputItem();
    if (count < 2) {
        return false;
    }
    const std::uint16_t kind = values[count - 2];
    const std::uint16_t amount = values[count - 1];
    if ((kind & NumberFormatBit) != 0) {
        if (count != 2 || ((kind & FormatAnyRadix) == 0 && BaseOf(kind) == 0)) {
            return false;
        }
        ItemKind = ikNumber;
        Format = kind;
        RestartNumber();
        return true;
    }
    if (kind == WaitSequenceMark) {
        if (amount < 1 || amount > MaxWaitValues || count != amount + 2) {
            return false;
        }
        ItemKind = ikWaitSequence;
        Length = amount;
        // Pushed last value first: x1 lies just below the marker.
        for (int i = 0; i < Length; ++i) {
            Sequence[static_cast<std::size_t>(i)] =
                static_cast<std::uint8_t>(values[Length - 1 - i] & 0xFF);
        }
        return true;
    }
    if (kind == RepeatOrSkipMark) {
        if (count != 2) {
            return false;
        }
        ItemKind = ikSkip;
        Length = amount;
        Done = Length == 0;
        return true;
    }
    if ((kind & WaitStringMark) != 0) {
        if (count != 2 || (kind & ~(WaitStringMark | WaitStringLengthGiven | 0xFF)) != 0) {
            return false;
        }
        ItemKind = ikWaitString;
        Address = kind & 0xFF;
        const bool lengthGiven = (kind & WaitStringLengthGiven) != 0;
        int limit = lengthGiven ? amount : ByteCells;
        if (limit > MaxSequence) {
            limit = MaxSequence;
        }
        Length = 0;
        while (Length < limit) {
            const auto byte =
                static_cast<std::uint8_t>(variables.ReadCell(csByte, Address + Length));
            if (!lengthGiven && byte == 0) {
                break;
            }
            Sequence[static_cast<std::size_t>(Length++)] = byte;
        }
        Done = Length == 0;
        return true;
    }
    if ((kind & ~(StringEndsEarly | 0xFF)) != 0) {
        return false;
    }
    HasEnd = (kind & StringEndsEarly) != 0;
    if (count != (HasEnd ? 3 : 2)) {
        return false;
    }
    ItemKind = ikString;
    Address = kind & 0xFF;
    End = HasEnd ? static_cast<std::uint8_t>(values[0] & 0xFF) : 0;
    Length = amount;
    Done = Length == 0;
    return true;
}

std::uint16_t TInputItem::Value() const {
    if (ItemKind == ikByte) {
        return static_cast<std::uint16_t>(Accumulator & 0xFF);
    }
    const auto magnitude = static_cast<std::uint16_t>(Accumulator & 0xFFFF);
    return Negative ? static_cast<std::uint16_t>((0x10000u - magnitude) & 0xFFFF) : magnitude;
}

void TInputItem::Feed(std::uint8_t byte, TVariableAccess& variables) {
    if (Done) {
        return;
    }
    switch (ItemKind) {
    case ikByte:
        Accumulator = byte;
        Done = true;
        break;
    case ikNumber:
        FeedNumber(byte);
        break;
    case ikString:
        if (HasEnd && byte == End) {
            Done = true;
            break;
        }
        variables.WriteCell(csByte, Address + Received, byte);
        Done = ++Received >= Length;
        break;
    case ikSkip:
        Done = ++Received >= Length;
        break;
    case ikWaitString:
    case ikWaitSequence: {
        // The last Length bytes received, compared with the sequence.
        for (int i = 1; i < Length; ++i) {
            Recent[static_cast<std::size_t>(i - 1)] = Recent[static_cast<std::size_t>(i)];
        }
        Recent[static_cast<std::size_t>(Length - 1)] = byte;
        if (++Received >= Length) {
            Done = true;
            for (int i = 0; i < Length; ++i) {
                if (Recent[static_cast<std::size_t>(i)] != Sequence[static_cast<std::size_t>(i)]) {
                    Done = false;
                    break;
                }
            }
        }
        break;
    }
    }
}

int TInputItem::Digit(std::uint8_t byte) const {
    int d = -1;
    if (byte >= '0' && byte <= '9') {
        d = byte - '0';
    } else if (byte >= 'A' && byte <= 'F') {
        d = byte - 'A' + 10;
    } else if (byte >= 'a' && byte <= 'f') {
        d = byte - 'a' + 10;
    }
    return d >= 0 && d < Base ? d : -1;
}

void TInputItem::RestartNumber() {
    Accumulator = 0;
    Digits = 0;
    Negative = false;
    PrefixSeen = false;
    Base = (Format & FormatAnyRadix) != 0 ? 10 : BaseOf(Format);
}

// Digits in the item's base, after an optional sign (signed formats) and
// prefix ($ or %: required by the prefixed formats, choosing the base for
// NUM and SNUM). Bytes before the number are passed over; the first byte
// that is no digit ends it and is used up. With a digit count the number
// ends after that many digits.
void TInputItem::FeedNumber(std::uint8_t byte) {
    const bool prefixMissing = (Format & FormatWithPrefix) != 0 && !PrefixSeen;
    const int d = prefixMissing ? -1 : Digit(byte);
    if (d >= 0) {
        Accumulator =
            (Accumulator * static_cast<std::uint32_t>(Base) + static_cast<std::uint32_t>(d)) &
            0xFFFF;
        ++Digits;
        if ((Format & FormatDigitCountGiven) != 0 && Digits >= DigitCountOf(Format)) {
            Done = true;
        }
        return;
    }
    if (Digits > 0) {
        Done = true;
        return;
    }
    if (!TakeSignOrPrefix(byte)) {
        // Not the start of a number after all: begin again, this byte
        // perhaps being the sign or prefix of the next attempt.
        RestartNumber();
        TakeSignOrPrefix(byte);
    }
}

bool TInputItem::TakeSignOrPrefix(std::uint8_t byte) {
    if (byte == '-' && (Format & FormatSigned) != 0 && !Negative && !PrefixSeen) {
        Negative = true;
        return true;
    }
    if (PrefixSeen || (byte != '$' && byte != '%')) {
        return false;
    }
    const int base = byte == '$' ? 16 : 2;
    if ((Format & FormatAnyRadix) != 0) {
        Base = base;
    } else if ((Format & FormatWithPrefix) == 0 || base != Base) {
        return false;
    }
    PrefixSeen = true;
    return true;
}

} // namespace wayline::sim
