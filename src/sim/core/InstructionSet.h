#pragma once

#include <cstdint>
#include <string_view>

namespace wayline::sim {

// The members of the module family. The numbers are those of the tokenizer's
// target modules, so that a compiled image and the module it was compiled
// for can be named with the same value.
enum TModuleKind : std::uint8_t {
    mkKM2 = 2,
    mkKM2A = 3,
    mkKM2B = 4,
    mkKM2C = 5,
    mkKM2D = 6,
};

// Logical instruction codes: what a 7-bit instruction token means once the
// module's token order is undone (the later modules reorder rows 26-31).
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

inline constexpr int InstructionCodeCount = 64;

// The logical instruction of a 6-bit token read from a program of `module`.
// Tokens 60-63 name no instruction; they come back unchanged.
int LogicalInstruction(int token, TModuleKind module);

// The instruction's keyword ("PULSOUT", "IF" for the conditional jump,
// "NEXT" for the loop step, "assignment"), or an empty view for 60-63.
std::string_view InstructionName(int logicalCode);

// The constant that the programming port's baud mode carries on this module
// (9600 baud): its serial timing counts in other units on the faster members.
int ProgrammingPortBaudMode(TModuleKind module);

// True when the module's serial timing runs at 2.5 times the base clock.
bool FastSerialClock(TModuleKind module);

} // namespace wayline::sim
