#pragma once

#include <cstdint>

namespace wayline {

// The items of SEROUT, DEBUG and SERIN lists. Each item is an expression
// that leaves one, two or three values on the module's stack; the values
// say what kind of item it is. These are the marks the compiler writes and
// the module reads.

// A number format (DEC, SHEX4, NUM ...): this bit, the options below, and
// (16 - digits) * 16 + the radix code.
inline constexpr std::uint16_t NumberFormatBit = 0x100;
inline constexpr std::uint16_t FormatDigitCountGiven = 0x200;
inline constexpr std::uint16_t FormatSigned = 0x400;
inline constexpr std::uint16_t FormatWithPrefix = 0x800; // $ or %
// NUM and SNUM on input: decimal, $hex or %binary, as the number comes.
inline constexpr std::uint16_t FormatAnyRadix = 0x1000;
inline constexpr std::uint16_t RadixCodeMask = 0xF;
inline constexpr std::uint16_t RadixCodeHex = 0;
inline constexpr std::uint16_t RadixCodeDecimal = 6;
inline constexpr std::uint16_t RadixCodeBinary = 14;
// DEC: decimal, up to five digits, as "?" prints it.
inline constexpr std::uint16_t DecimalFormat = NumberFormatBit + (16 - 5) * 16 + RadixCodeDecimal;
static_assert(DecimalFormat == 0x1B6);

// STR: a byte-cell address and a count; with this bit added, the string
// ends early at its end byte (0 on output, the given byte on input).
inline constexpr std::uint16_t StringEndsEarly = 0x200;
// WAITSTR: a byte-cell address + this mark, then 32 (up to a 0 byte), or
// + the length bit too, then the length.
inline constexpr std::uint16_t WaitStringMark = 0x800;
inline constexpr std::uint16_t WaitStringLengthGiven = 0x200;
// WAIT (x1, ..., xk): the values last first, this mark, then k.
inline constexpr std::uint16_t WaitSequenceMark = 0xC44;
inline constexpr int MaxWaitValues = 6;
// REP c \ n on output (c, mark, n) and SKIP n on input (mark, n).
inline constexpr std::uint16_t RepeatOrSkipMark = 1024;
// SPSTR n on input.
inline constexpr std::uint16_t SkipSpacesMark = 4096;

} // namespace wayline
