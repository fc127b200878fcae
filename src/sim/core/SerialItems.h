#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace wayline::sim {

class TVariableAccess;

// The items of SEROUT, DEBUG and SERIN lists as the module reads them: each
// item is an expression that leaves one, two or three values on the stack,
// and the number and the values tell its kind.
//
// Output (SEROUT, DEBUG):
//   c                   one character
//   format, value       a number: format = 0x100 + 0x200 when a digit count n
//                       is given + 0x400 signed + 0x800 with the prefix ($ or
//                       %) + (16 - n) * 16 + r, with r 6 decimal, 0
//                       hexadecimal, 14 binary
//   address, count      STR: count bytes of the byte cells from address;
//                       address + 0x200: stop early at a 0 byte
//   c, 1024, count      REP: c, count times
// Input (SERIN) items other than a plain byte:
//   format, 0           a number in that format, then stored (NUM 0x1106 and
//                       SNUM 0x1506 take decimal, $hex or %binary)
//   address, count      STR: count bytes into the byte cells from address
//   end, address + 0x200, count   the same, ending early at the byte end
//   address + 0x800, 32 WAITSTR: wait for the text in the cells (to a 0 byte)
//   address + 0xA00, n  WAITSTR: wait for the n bytes in the cells
//   xk .. x1, 0xC44, k  WAIT: wait for the bytes x1 .. xk
//   1024, n             SKIP: n bytes

// The characters of an output item, appended to `out`; false when the
// values are no output item.
bool FormatOutputItem(const std::uint16_t* values, int count, TVariableAccess& variables,
                      std::string& out);

// The text of a number in an output format; false for a format the module
// does not know.
bool FormatNumber(std::uint16_t format, std::uint16_t value, std::string& out);

enum TInputItemKind : std::uint8_t {
    ikByte,         // one byte, stored through the write reference behind it
    ikNumber,       // a number, stored through the write reference behind it
    ikString,       // STR
    ikWaitString,   // WAITSTR
    ikWaitSequence, // WAIT
    ikSkip,         // SKIP
};

// One input item being received, a byte at a time.
class TInputItem {
public:
    static constexpr int MaxSequence = 32;

    void StartByte();
    // False when the values are no input item (or one not modelled).
    bool Start(const std::uint16_t* values, int count, TVariableAccess& variables);

    TInputItemKind Kind() const { return ItemKind; }
    // True when the item needs no (more) bytes.
    bool Complete() const { return Done; }
    // Takes one received byte.
    void Feed(std::uint8_t byte, TVariableAccess& variables);
    // The value to store for ikByte and ikNumber.
    std::uint16_t Value() const;

private:
    void FeedNumber(std::uint8_t byte);
    int Digit(std::uint8_t byte) const;
    void RestartNumber();
    bool TakeSignOrPrefix(std::uint8_t byte);

    TInputItemKind ItemKind = ikByte;
    bool Done = false;
    // parameters
    std::uint16_t Format = 0;
    int Address = 0;
    int Length = 0;
    bool HasEnd = false;
    std::uint8_t End = 0;
    std::array<std::uint8_t, MaxSequence> Sequence{};
    // progress
    int Received = 0;
    std::uint32_t Accumulator = 0;
    int Digits = 0;
    int Base = 10;
    bool Negative = false;
    bool PrefixSeen = false;
    std::array<std::uint8_t, MaxSequence> Recent{};
};

} // namespace wayline::sim
