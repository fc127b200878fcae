#pragma once

#include <cstdint>

namespace wayline {

// Expression codes, 6 bits each, worked by the module on its eight-entry
// stack:
//   0-7    unary operator on the top value
//   8-31   binary operator or comparison: the top value is the right operand
//   32-47  constant 32 + k (k = its highest set bit), then one bit 0 for
//          2^k, one bit 1 for 0 (k = 0), or all k + 1 bits of the value
//   48-63  variable 48 + 8 * write + 4 * indexed + size, then its cell in
//          8 (bit), 6 (nibble), 5 (byte) or 4 (word) bits; an indexed
//          variable takes its index off the stack
// The first code of an expression is written as its 6 bits; every later one
// is announced by a 1 bit.
inline constexpr int ExpressionCodeBits = 6;
inline constexpr int ExpressionCodeCount = 1 << ExpressionCodeBits;

// The operators, codes 0-31. The symbol table gives each operator word
// its code, so the compiler emits the value of the element it read.
enum TOperator : std::uint8_t {
    opSqr = 0,
    opAbs = 1,
    opInvert = 2, // ~ and NOT
    opNegate = 3,
    opDcd = 4,
    opNcd = 5,
    opCos = 6,
    opSin = 7,
    opHyp = 8,
    opAtn = 9,
    opAnd = 10, // & and AND
    opOr = 11,  // | and OR
    opXor = 12, // ^ and XOR
    opMin = 13,
    opMax = 14,
    opAdd = 15,
    opSubtract = 16,
    opMultiplyFraction = 17, // */
    opMultiply = 18,
    opMultiplyHigh = 19, // **
    opModulo = 20,       // //
    opDivide = 21,
    opDig = 22,
    opShiftLeft = 23,
    opShiftRight = 24,
    opRev = 25,
    opAtLeast = 26, // >=
    opAtMost = 27,  // <=
    opEqual = 28,
    opNotEqual = 29,
    opGreater = 30,
    opLess = 31,
};

inline constexpr int FirstBinaryOperator = opHyp;
inline constexpr int FirstComparison = opAtLeast;
inline constexpr int OperatorCodeCount = 32;

// Cell sizes of the variable space, as the variable codes, the size words
// (BIT NIB BYTE WORD) and the variable symbols (bits 8-9 of the value)
// number them.
enum TCellSize : std::uint8_t { csBit = 0, csNibble = 1, csByte = 2, csWord = 3 };

// A cell is 1, 4, 8 or 16 bits wide.
constexpr int CellWidthLog2(int size) {
    return size == csBit ? 0 : size + 1;
}
constexpr int CellWidth(int size) {
    return 1 << CellWidthLog2(size);
}

// The variable space: 16 words, the I/O words (INS, OUTS, DIRS) first, then
// the program's variables.
inline constexpr int VariableSpaceWords = 16;
inline constexpr int FirstVariableWord = 3;

inline constexpr int FirstConstantCode = OperatorCodeCount;
inline constexpr int FirstVariableCode = 48;
inline constexpr int VariableWriteFlag = 8;
inline constexpr int VariableIndexedFlag = 4;
// Width of the cell number behind a variable code, by cell size.
inline constexpr int VariableCellBits[4] = {8, 6, 5, 4};

// The code of a constant whose highest set bit is k.
constexpr int ConstantCode(int k) {
    return FirstConstantCode + k;
}
static_assert(ConstantCode(15) < FirstVariableCode);

// The code of a variable reference.
constexpr int VariableCode(bool write, bool indexed, int size) {
    return FirstVariableCode + (write ? VariableWriteFlag : 0) +
           (indexed ? VariableIndexedFlag : 0) + size;
}
static_assert(VariableCode(true, true, csWord) == ExpressionCodeCount - 1);

} // namespace wayline
