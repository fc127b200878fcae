#pragma once

#include <cstdint>

namespace wayline {

// Instruction numbers: the value of an instruction keyword in the symbol
// table, and so of its etInstruction element; the compiler dispatches on
// them. They are not what the module reads (that is TInstruction):
// keywords such as IF, DO or ELSE compile into jumps, DEBUG into a SEROUT.
// 7 and 15 are missing: the conditional-compile directives #DEFINE and
// #ERROR carry them.
enum TKeyword : std::uint8_t {
    kwAuxio = 0,
    kwBranch = 1,
    kwButton = 2,
    kwCase = 3,
    kwCount = 4,
    kwDebug = 5,
    kwDebugin = 6,
    kwDo = 8,
    kwDtmfout = 9,
    kwElse = 10,
    kwElseIf = 11,
    kwEnd = 12,
    kwEndIf = 13,
    kwEndSelect = 14,
    kwExit = 16,
    kwFor = 17,
    kwFreqout = 18,
    kwGet = 19,
    kwGosub = 20,
    kwGoto = 21,
    kwHigh = 22,
    kwI2cin = 23,
    kwI2cout = 24,
    kwIf = 25,
    kwInput = 26,
    kwIoterm = 27,
    kwLcdcmd = 28,
    kwLcdin = 29,
    kwLcdout = 30,
    kwLookdown = 31,
    kwLookup = 32,
    kwLoop = 33,
    kwLow = 34,
    kwMainio = 35,
    kwNap = 36,
    kwNext = 37,
    kwOn = 38,
    kwOutput = 39,
    kwOwin = 40,
    kwOwout = 41,
    kwPause = 42,
    kwPollin = 43,
    kwPollmode = 44,
    kwPollout = 45,
    kwPollrun = 46,
    kwPollwait = 47,
    kwPulsin = 48,
    kwPulsout = 49,
    kwPut = 50,
    kwPwm = 51,
    kwSleep = 52,
    kwRandom = 53,
    kwRctime = 54,
    kwRead = 55,
    kwReturn = 56,
    kwReverse = 57,
    kwRun = 58,
    kwSelect = 59,
    kwSerin = 60,
    kwSerout = 61,
    kwShiftin = 62,
    kwShiftout = 63,
    kwStop = 64,
    kwStore = 65,
    kwToggle = 66,
    kwWrite = 67,
    kwXout = 68,
};

} // namespace wayline
