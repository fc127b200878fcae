#include "sim/core/Operators.h"

#include <array>
#include <cmath>
#include <cstdint>

namespace wayline::sim {

namespace {

using u16 = std::uint16_t;
using u32 = std::uint32_t;

constexpr u32 Mask = 0xFFFF;
constexpr u16 True = 0xFFFF;

// Signed view of a 16-bit value, for the operators that deal in directions.
constexpr int Signed(u16 v) {
    return v >= 0x8000 ? static_cast<int>(v) - 0x10000 : v;
}

constexpr u16 SquareRoot(u32 v) {
    u32 root = 0;
    for (u32 bit = 1u << 30; bit != 0; bit >>= 2) {
        if (v >= root + bit) {
            v -= root + bit;
            root = (root >> 1) + bit;
        } else {
            root >>= 1;
        }
    }
    return static_cast<u16>(root);
}
static_assert(SquareRoot(0) == 0 && SquareRoot(99) == 9 && SquareRoot(100) == 10);
static_assert(SquareRoot(65535) == 255);

// Sine over a quarter circle of 64 binary radians, scaled to 127: the
// module's angles count 256 to the circle and its sines fit a signed byte.
constexpr std::array<std::uint8_t, 65> QuarterSine = {
    0,   3,   6,   9,   12,  16,  19,  22,  25,  28,  31,  34,  37,  40,  43,  46,  49,
    51,  54,  57,  60,  63,  65,  68,  71,  73,  76,  78,  81,  83,  85,  88,  90,  92,
    94,  96,  98,  100, 102, 104, 106, 107, 109, 111, 112, 113, 115, 116, 117, 118, 120,
    121, 122, 122, 123, 124, 125, 125, 126, 126, 126, 127, 127, 127, 127};

u16 Sine(u16 angle) {
    const int a = angle & 0xFF;
    const int quarter = a & 63;
    int value;
    switch (a >> 6) {
    case 0:
        value = QuarterSine[static_cast<std::size_t>(quarter)];
        break;
    case 1:
        value = QuarterSine[static_cast<std::size_t>(64 - quarter)];
        break;
    case 2:
        value = -QuarterSine[static_cast<std::size_t>(quarter)];
        break;
    default:
        value = -QuarterSine[static_cast<std::size_t>(64 - quarter)];
        break;
    }
    return static_cast<u16>(value & 0xFFFF);
}

// ---- unary operators, codes 0-7

// SQR: the integer square root (rounded down).
u16 Sqr(u16 x) {
    return SquareRoot(x);
}
// ABS: values with bit 15 set are negative numbers in two's complement.
u16 Abs(u16 x) {
    return x >= 0x8000 ? static_cast<u16>((0x10000u - x) & Mask) : x;
}
// NOT / ~: every bit inverted; on a comparison result this is logical NOT.
u16 Invert(u16 x) {
    return static_cast<u16>(~x & Mask);
}
// negation: two's complement, 0 - x.
u16 Negate(u16 x) {
    return static_cast<u16>((0x10000u - x) & Mask);
}
// DCD: the bit of that number set (2 to the power of x, x taken modulo 16).
u16 Dcd(u16 x) {
    return static_cast<u16>(1u << (x & 15));
}
// NCD: the number of the highest set bit, counted from 1; 0 has none.
u16 Ncd(u16 x) {
    u16 n = 0;
    while (x != 0) {
        ++n;
        x = static_cast<u16>(x >> 1);
    }
    return n;
}
// COS and SIN: the angle's low byte in binary radians, the result in
// 127ths, negative values in two's complement.
u16 Cos(u16 x) {
    return Sine(static_cast<u16>(x + 64));
}
u16 Sin(u16 x) {
    return Sine(x);
}

using TUnary = u16 (*)(u16);
constexpr std::array<TUnary, 8> UnaryOperators = {Sqr, Abs, Invert, Negate, Dcd, Ncd, Cos, Sin};

// ---- binary operators, codes 8-31 (left was pushed first)

// HYP: the length of the vector (left, right), both signed.
u16 Hyp(u16 l, u16 r) {
    const auto x = static_cast<std::int64_t>(Signed(l));
    const auto y = static_cast<std::int64_t>(Signed(r));
    return SquareRoot(static_cast<u32>(x * x + y * y));
}
// ATN: the direction of the vector (left, right) in binary radians, 0 along
// the positive x axis, counter-clockwise, 0 for the null vector.
u16 Atn(u16 l, u16 r) {
    const int x = Signed(l);
    const int y = Signed(r);
    if (x == 0 && y == 0) {
        return 0;
    }
    const double turns =
        std::atan2(static_cast<double>(y), static_cast<double>(x)) / 6.283185307179586;
    const auto brads = static_cast<long>(std::lround(turns * 256.0));
    return static_cast<u16>(brads & 0xFF);
}
// &, |, ^ and the logical AND, OR, XOR: bitwise.
u16 And(u16 l, u16 r) {
    return static_cast<u16>(l & r);
}
u16 Or(u16 l, u16 r) {
    return static_cast<u16>(l | r);
}
u16 Xor(u16 l, u16 r) {
    return static_cast<u16>(l ^ r);
}
// MIN: left, but at least right (a lower limit); MAX: left, but at most
// right (an upper limit). The robot program's ramp steps by
// "difference MAX 4", which must never step by more than 4.
u16 Min(u16 l, u16 r) {
    return l < r ? r : l;
}
u16 Max(u16 l, u16 r) {
    return l > r ? r : l;
}
// + and -: modulo 65,536 (0 - 1 is 65535).
u16 Add(u16 l, u16 r) {
    return static_cast<u16>((l + r) & Mask);
}
u16 Subtract(u16 l, u16 r) {
    return static_cast<u16>((0x10000u + l - r) & Mask);
}
// */: multiplication by a fraction in 256ths (the middle 16 bits of the
// 32-bit product).
u16 MultiplyFraction(u16 l, u16 r) {
    return static_cast<u16>((u32{l} * r >> 8) & Mask);
}
// *: the low 16 bits of the product.
u16 Multiply(u16 l, u16 r) {
    return static_cast<u16>(u32{l} * r & Mask);
}
// **: the high 16 bits of the product.
u16 MultiplyHigh(u16 l, u16 r) {
    return static_cast<u16>(u32{l} * r >> 16);
}
// //: the remainder. Dividing by 0 leaves the dividend whole, so that
// quotient * divisor + remainder still gives it back.
u16 Modulo(u16 l, u16 r) {
    return r == 0 ? l : static_cast<u16>(l % r);
}
// /: the quotient, rounded down. Dividing by 0 gives 65535, the largest
// value, as a hardware divider does; the program runs on.
u16 Divide(u16 l, u16 r) {
    return r == 0 ? static_cast<u16>(Mask) : static_cast<u16>(l / r);
}
// DIG: decimal digit number right of left, 0 being the units; a 16-bit
// value has five digits, so any higher one is 0.
u16 Dig(u16 l, u16 r) {
    if (r > 4) {
        return 0;
    }
    u32 v = l;
    for (u16 i = 0; i < r; ++i) {
        v /= 10;
    }
    return static_cast<u16>(v % 10);
}
// << and >>: shifting 16 places or more moves every bit out.
u16 ShiftLeft(u16 l, u16 r) {
    return r >= 16 ? 0 : static_cast<u16>((u32{l} << r) & Mask);
}
u16 ShiftRight(u16 l, u16 r) {
    return r >= 16 ? 0 : static_cast<u16>(l >> r);
}
// REV: the lowest right bits of left in reverse order, the others 0;
// counts above 16 reverse all 16.
u16 Rev(u16 l, u16 r) {
    const int bits = r > 16 ? 16 : r;
    u16 result = 0;
    for (int i = 0; i < bits; ++i) {
        if ((l >> i) & 1) {
            result = static_cast<u16>(result | (1u << (bits - 1 - i)));
        }
    }
    return result;
}
// Comparisons, unsigned: all ones for true, 0 for false.
u16 AtLeast(u16 l, u16 r) {
    return l >= r ? True : 0;
}
u16 AtMost(u16 l, u16 r) {
    return l <= r ? True : 0;
}
u16 Equal(u16 l, u16 r) {
    return l == r ? True : 0;
}
u16 NotEqual(u16 l, u16 r) {
    return l != r ? True : 0;
}
u16 Greater(u16 l, u16 r) {
    return l > r ? True : 0;
}
u16 Less(u16 l, u16 r) {
    return l < r ? True : 0;
}

using TBinary = u16 (*)(u16, u16);
constexpr std::array<TBinary, 24> BinaryOperators = {
    Hyp,       Atn,          And,     Or,       Xor,
    Min,       Max,          Add,     Subtract, MultiplyFraction,
    Multiply,  MultiplyHigh, Modulo,  Divide,   Dig,
    ShiftLeft, ShiftRight,   Rev,     AtLeast,  AtMost,
    Equal,     NotEqual,     Greater, Less};

constexpr std::array<std::string_view, OperatorCodeCount> Names = {
    "SQR", "ABS", "NOT", "-",   "DCD", "NCD", "COS", "SIN", "HYP", "ATN", "&",
    "|",   "^",   "MIN", "MAX", "+",   "-",   "*/",  "*",   "**",  "//",  "/",
    "DIG", "<<",  ">>",  "REV", ">=",  "<=",  "=",   "<>",  ">",   "<"};

// The tables are read by code (TOperator): spot checks of their order.
static_assert(UnaryOperators.size() == FirstBinaryOperator);
static_assert(UnaryOperators[opInvert] == Invert && UnaryOperators[opNegate] == Negate);
static_assert(BinaryOperators.size() == OperatorCodeCount - FirstBinaryOperator);
static_assert(BinaryOperators[opAdd - FirstBinaryOperator] == Add);
static_assert(BinaryOperators[opModulo - FirstBinaryOperator] == Modulo);
static_assert(BinaryOperators[opAtLeast - FirstBinaryOperator] == AtLeast);
static_assert(BinaryOperators[opLess - FirstBinaryOperator] == Less);
static_assert(Names[opMultiplyHigh] == "**" && Names[opNotEqual] == "<>");

} // namespace

u16 ApplyUnary(int code, u16 operand) {
    return UnaryOperators[static_cast<std::size_t>(code & 7)](operand);
}

u16 ApplyBinary(int code, u16 left, u16 right) {
    const int index = code - FirstBinaryOperator;
    if (index < 0 || index >= static_cast<int>(BinaryOperators.size())) {
        return 0;
    }
    return BinaryOperators[static_cast<std::size_t>(index)](left, right);
}

std::string_view OperatorName(int code) {
    return code >= 0 && code < OperatorCodeCount ? Names[static_cast<std::size_t>(code)] : "";
}

u16 NextRandom(u16 seed) {
    // Galois form, taps 16, 14, 13, 11 (0xB400): maximal length.
    u16 x = seed == 0 ? static_cast<u16>(0xACE1) : seed;
    const bool out = (x & 1) != 0;
    x = static_cast<u16>(x >> 1);
    if (out) {
        x = static_cast<u16>(x ^ 0xB400);
    }
    return x;
}

} // namespace wayline::sim
