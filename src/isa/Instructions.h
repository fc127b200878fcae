#pragma once

#include <cstdint>

#include "isa/Expressions.h"
#include "isa/Modules.h"

namespace wayline {

// Logical instruction codes: what a statement's token means, the same on
// every module. The token in the program is the module's own number for the
// code (InstructionTokenTable): the later modules reorder rows 26-31.
enum TInstruction : std::uint8_t {
    inEnd = 0,
    inSleep = 1,
    inNap = 2,
    inStop = 3,
    inOutput = 4,
    inHigh = 5,
    inToggle = 6,
    inLow = 7,
    inReverse = 8,
    inGoto = 9,
    inGosub = 10,
    inReturn = 11,
    inInput = 12,
    inConditionalJump = 13,
    inForStep = 14,
    inBranch = 15,
    inLookup = 16,
    inLookdown = 17,
    inRandom = 18,
    inRead = 19,
    inWrite = 20,
    inPause = 21,
    inFreqout = 22,
    inFreqoutTwoTones = 23,
    inDtmfout = 24,
    inXout = 25,
    inAssign = 26,
    inGet = 27,
    inPut = 28,
    inRun = 29,
    inMainio = 30,
    inAuxio = 31,
    inSerout = 32,
    inSeroutWithFlowPin = 33,
    inSerin = 34,
    inSerinWithFlowPin = 35,
    inPulsout = 36,
    inPulsin = 37,
    inCount = 38,
    inShiftin = 39,
    inShiftout = 40,
    inRctime = 41,
    inButton = 42,
    inPwm = 43,
    inLcdin = 44,
    inLcdout = 45,
    inLcdcmd = 46,
    inI2cinWithLowAddress = 47,
    inI2cin = 48,
    inI2coutWithLowAddress = 49,
    inI2cout = 50,
    inPollrun = 51,
    inPollmode = 52,
    inPollin = 53,
    inPollout = 54,
    inPollwait = 55,
    inOwout = 56,
    inOwin = 57,
    inIoterm = 58,
    inStore = 59,
};

// ---- the program stream
//
// A statement is its operands (expression codes, each announced by a 1
// bit), a 0 bit, the 6-bit token, then the instruction's own fields. The
// first bits of the stream hold the start address, followed by one return
// slot per GOSUB; the code follows the last slot.

inline constexpr int InstructionTokenBits = 6;
inline constexpr int InstructionCodeCount = 1 << InstructionTokenBits;

// A bit address in the stream: 14 bits, its low 3 bits first, then its
// upper 11 bits.
inline constexpr int AddressBits = 14;
inline constexpr int AddressLowBits = 3;

// Every GOSUB has a number (8 bits, counted from 1 in source order); the
// address where its RETURN goes on is kept in slot `number`.
inline constexpr int GosubNumberBits = 8;
inline constexpr int MaxGosubNumber = (1 << GosubNumberBits) - 1;
constexpr int ReturnSlotAddress(int gosubNumber) {
    return AddressBits * gosubNumber;
}
// The start address of the program is slot 0.
inline constexpr int StartAddressSlot = ReturnSlotAddress(0);

// A label that a serial instruction branches to travels on the expression
// stack as a constant: these 8 bits in front of its 14-bit field are an
// announcing 1 bit, the code of a constant with 15 bits and its first 1
// bit. The value the module sees is LabelConstantBit + the field as
// written.
inline constexpr std::uint16_t LabelConstantMark = 0xDD;
inline constexpr int LabelConstantMarkBits = 1 + ExpressionCodeBits + 1;
inline constexpr std::uint16_t LabelConstantBit = 1u << AddressBits;
static_assert(LabelConstantMark ==
              (1u << (LabelConstantMarkBits - 1) | ConstantCode(AddressBits) << 1 | 1u));

// LOOKDOWN writes its comparison (codes 26-31) as the code minus this
// bias, in 3 bits.
inline constexpr int LookdownComparisonBias = 24;
inline constexpr int LookdownComparisonBits = 3;
static_assert(opLess - LookdownComparisonBias < 1 << LookdownComparisonBits);

// ---- tokens per module

// InstructionTokenTable[code][column]: the token of a logical instruction
// code on the module of that column (ModuleColumn). Every row is its own
// number except 26-31, which the later members of the family reorder.
struct TInstructionTokenTable {
    static constexpr int FirstReorderedRow = inAssign;
    static constexpr int ReorderedRowCount = 6;
    static constexpr std::uint8_t Reordered[ReorderedRowCount][FamilyModuleCount] = {
        {26, 29, 29, 31, 31}, // assignment
        {27, 26, 26, 26, 26}, // GET
        {28, 27, 27, 27, 27}, // PUT
        {29, 28, 28, 28, 28}, // RUN
        {30, 30, 30, 29, 29}, // MAINIO
        {31, 31, 31, 30, 30}, // AUXIO
    };

    std::uint8_t Tokens[InstructionCodeCount][FamilyModuleCount] = {};

    constexpr TInstructionTokenTable() {
        for (int code = 0; code < InstructionCodeCount; ++code) {
            for (int column = 0; column < FamilyModuleCount; ++column) {
                Tokens[code][column] = static_cast<std::uint8_t>(code);
            }
        }
        for (int row = 0; row < ReorderedRowCount; ++row) {
            for (int column = 0; column < FamilyModuleCount; ++column) {
                Tokens[FirstReorderedRow + row][column] = Reordered[row][column];
            }
        }
    }
    constexpr const std::uint8_t* operator[](int code) const { return Tokens[code]; }
};

inline constexpr TInstructionTokenTable InstructionTokenTable;

// The token the module reads for a logical instruction code.
constexpr std::uint8_t ModuleToken(int code, int module) {
    return InstructionTokenTable[code & (InstructionCodeCount - 1)][ModuleColumn(module)];
}

// The logical instruction code of a token read from a program for the
// module; the reverse of ModuleToken. Tokens 60-63 name no instruction and
// come back unchanged.
int LogicalInstruction(int token, int module);

} // namespace wayline
