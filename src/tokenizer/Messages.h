#pragma once

#include <cstddef>
#include <cstdint>
#include <exception>

namespace wayline {

// The tokenizer's messages by name. An enumerator's value is its message's
// place in the table, which RaiseTokenizeError takes; Messages.cpp pairs
// each name with its text, and the printed number in front of the text is
// what users look up.
enum TMessage : std::uint8_t {
    msgExpectedCharacters,
    msgExpectedClosingQuote,
    msgUnrecognizedCharacter,
    msgExpectedHexDigit,
    msgExpectedBinaryDigit,
    msgSymbolTooLong,
    msgTooManyElements,
    msgConstantTooManyDigits,
    msgConstantTooLarge,
    msgUndefinedSymbol,
    msgUndefinedLabel,
    msgExpectedConstant,
    msgDivisionByZero,
    msgLocationOutOfRange,
    msgLocationHasData,
    msgExpectedQuestionMark,
    msgLabelAlreadyDefined,
    msgExpectedBackslash,
    msgExpectedLeftParen,
    msgExpectedRightParen,
    msgExpectedLeftBracket,
    msgExpectedRightBracket,
    msgExpectedRightBrace,
    msgTooManyProjectFiles,
    msgSymbolAlreadyDefined,
    msgDataOverlapsProgram,
    msgArraySizeZero,
    msgOutOfVariableSpace,
    msgEepromFull,
    msgSymbolTableFull,
    msgExpectedEnd,
    msgExpectedCommaOrEnd,
    msgExpectedStepOrEnd,
    msgNextWithoutFor,
    msgExpectedComma,
    msgExpectedCommaOrRightBracket,
    msgExpectedVariable,
    msgExpectedByteVariable,
    msgExpectedModifier,
    msgVariableAlreadyBitSize,
    msgExpectedSmallerModifier,
    msgModifierOutOfRange,
    msgExpectedOperand,
    msgExpectedBinaryOperator,
    msgExpectedComparisonOrLeftBracket,
    msgExpressionTooComplex,
    msgTooManyGosubs,
    msgForNestedTooDeep,
    msgTooManyValues,
    msgExpectedLabel,
    msgExpectedStatement,
    msgExpectedEquals,
    msgExpectedThen,
    msgExpectedTo,
    msgExpectedTargetModule,
    msgExpectedFileName,
    msgExpectedDirective,
    msgDuplicateDirective,
    msgExpectedPortName,
    msgUnknownTargetModule,
    msgNothingToTokenize,
    msgIfNestedTooDeep,
    msgElseWithoutIf,
    msgEndIfWithoutIf,
    msgExpectedStatementOrEndIf,
    msgExpectedStatementOrEnd,
    msgDoNestedTooDeep,
    msgLoopWithoutDo,
    msgConditionAtDoAndLoop,
    msgExpectedWhileUntilOrEnd,
    msgExitOutsideLoop,
    msgIfWithoutEndIf,
    msgForWithoutNext,
    msgDoWithoutLoop,
    msgTooManyExits,
    msgExpectedVariableOrWord,
    msgExpectedWordVariable,
    msgLabelMissingColon,
    msgPinOutOfRange,
    msgExpectedStatementOrNext,
    msgExpectedStatementOrLoop,
    msgSelectNestedTooDeep,
    msgExpectedCase,
    msgCaseWithoutSelect,
    msgTooManyCases,
    msgExpectedStatementOrEndSelect,
    msgEndSelectWithoutSelect,
    msgSelectWithoutEndSelect,
    msgExpectedGotoOrGosub,
    msgConstantBelowOne,
    msgInvalidVersion,
    msgExpectedCondOperand,
    msgIllegalCondOperator,
    msgExpectedCondThen,
    msgCondIfWithoutEndIf,
    msgCondSelectWithoutEndSelect,
    msgCondElseWithoutIf,
    msgCondEndIfWithoutIf,
    msgIllegalCondSymbol,
    msgExpectedUserSymbol,
    msgCondIfNestedTooDeep,
    msgExpectedCharacterValue,
    msgUserError,
    msgExpectedCondEndIf,
    msgCondSelectNestedTooDeep,
    msgExpectedCondCase,
    msgCondCaseWithoutSelect,
    msgCondEndSelectWithoutSelect,
    msgExpectedStatementOrCondEndIf,
    msgExpectedStatementOrCondEndSelect,
    msgExpectedCondElse,
    msgExpectedCondValue,
    msgEmptyCase,
    msgExpectedValueOrWord,
    msgElseIfWithoutIf,
    msgTooManyElseIfs,
    msgElseIfAfterElse,
    msgInvalidVersionForKM1,
    msgInvalidVersionForKM2,
    // This implementation's own, behind the table.
    msgTargetKM1NotSupported,
    msgSourceTooLong,
};

// The numbered tokenizer messages in table order: a contract, row for row.
struct TMessageRow {
    TMessage Message;
    const char* Text;
};
inline constexpr std::size_t TokenizeMessageCount = 119;
extern const TMessageRow TokenizeMessages[TokenizeMessageCount];

// Messages of this implementation that the table does not have; they follow
// the table, so RaiseTokenizeError takes them by place as well.
inline constexpr std::size_t OwnMessageCount = 2;
extern const TMessageRow OwnTokenizeMessages[OwnMessageCount];
static_assert(msgTargetKM1NotSupported == TokenizeMessageCount);
static_assert(msgSourceTooLong + 1 == TokenizeMessageCount + OwnMessageCount);

// Place in the table of the message with the given printed number
// (101 for "101-Expected character(s)"), or -1.
int MessageIndex(int number);

// The text at place n of the table or of the own messages; null outside.
const char* MessageText(int n);

// Raised by every tokenizer error; the text is in the result record.
class ETokenizeError : public std::exception {
public:
    const char* what() const noexcept override { return "tokenize error"; }
};

} // namespace wayline
