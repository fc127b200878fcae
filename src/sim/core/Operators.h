#pragma once

#include <cstdint>
#include <string_view>

#include "isa/Expressions.h"

namespace wayline::sim {

// The run-time meaning of the expression codes 0-31 (TOperator): 16-bit
// unsigned arithmetic, every result taken modulo 65,536. The table and the
// reason for each choice are in Operators.cpp.

// Codes 0-7: SQR, ABS, NOT (~), negation, DCD, NCD, COS, SIN.
std::uint16_t ApplyUnary(int code, std::uint16_t operand);

// Codes 8-31: left is the value pushed first. Comparisons (26-31) give
// 0xFFFF for true and 0 for false, so that AND, OR, XOR (10-12) and NOT act
// on them as logical operators.
std::uint16_t ApplyBinary(int code, std::uint16_t left, std::uint16_t right);

// The operator's name as written in a program ("MAX", "<>", "-" for
// negation); for traces and messages.
std::string_view OperatorName(int code);

// RANDOM: the next value of the module's pseudo-random sequence after
// `seed`: a 16-bit linear feedback shift register of maximal period, so
// that every non-zero value comes round once in 65,535 steps. A seed of 0,
// the value every variable starts with, would stay 0; it is taken as the
// register's starting value instead.
std::uint16_t NextRandom(std::uint16_t seed);

} // namespace wayline::sim
