#pragma once

#include <cstdint>

#include "isa/Expressions.h"

namespace wayline {

// Element types. The symbol table stores the same codes, so a lookup gives
// the element its type directly.
enum TElementType : std::uint8_t {
    etDirective = 0,
    etTargetModule = 1,
    etCondDirective = 2,
    etInstruction = 3,
    etCon = 4,
    etVariable = 5,
    etSize = 6,
    etModifier = 7,
    etNumFormat = 8,
    etCompare = 9,
    etBinaryOp = 10,
    etUnaryOp = 11,
    etConstant = 12,
    etPeriod = 13,
    etComma = 14,
    etQuestion = 15,
    etBackslash = 16,
    etAt = 17,
    etLeftParen = 18,
    etLeftBracket = 19,
    etRightBrace = 20,
    etCondThen = 21,
    etData = 22,
    etStep = 23,
    etTo = 24,
    etThen = 25,
    etWhile = 26,
    etUntil = 27,
    etPin = 28,
    etVar = 29,
    etAsc = 30,
    etFormat = 31,
    etRep = 32,
    etSkip = 33,
    etSpstr = 34,
    etStr = 35,
    etWait = 36,
    etWaitstr = 37,
    etLogicalOp = 38,
    etNot = 39,
    etRightParen = 40,
    etRightBracket = 41,
    etPinSymbol = 42,
    etLabel = 43,
    etCondSymbol = 44,
    etFileName = 45,
    etUndefined = 46,
    etEnd = 47,
    etCancelled = 48,
};

// Values of etDirective elements: the editor directives.
enum TEditorDirective : std::uint8_t {
    edKeystone = 0, // $KEYSTONE module[, file ...]
    edPort = 1,     // $PORT COMn
    edHbasic = 2,   // $HBASIC version
};

// Values of etCondDirective elements. They come from the list of the
// instruction numbers (TKeyword): #IF has IF's number, and #DEFINE and
// #ERROR fill the list's two gaps.
enum TCondDirective : std::uint8_t {
    cdCase = 3,
    cdDefine = 7,
    cdElse = 10,
    cdEndIf = 13,
    cdEndSelect = 14,
    cdError = 15,
    cdIf = 25,
    cdSelect = 59,
};

// One entry of the element list. For etEnd, Value is 0 for a line end and
// 1 for ':'. For etFileName, Value holds the full length of the name, which
// may exceed what the 8-bit Length can hold.
// The spare bytes fill the padding, so that a copy is one 8-byte move: the
// passes copy elements all the time, and the two overlapping moves a
// copy of seven bytes takes stalled the reads that followed.
struct alignas(8) TElement {
    std::uint8_t Type = etEnd;
    std::uint8_t Spare1 = 0;
    std::uint16_t Value = 0;
    std::uint16_t Start = 0;
    std::uint8_t Length = 0;
    std::uint8_t Spare2 = 0;
};
static_assert(sizeof(TElement) == 8);

} // namespace wayline
