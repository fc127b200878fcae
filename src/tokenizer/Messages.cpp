#include "tokenizer/Messages.h"

#include <cstdlib>

namespace wayline {

// Kept exactly as the module family's tools print them, two spaces after
// full stops included; the number in front is what users look up.
constexpr TMessageRow TokenizeMessages[TokenizeMessageCount] = {
    {msgExpectedCharacters, "101-Expected character(s)"},
    {msgExpectedClosingQuote, "102-Expected terminating \""},
    {msgUnrecognizedCharacter, "103-Unrecognized character"},
    {msgExpectedHexDigit, "104-Expected hex digit"},
    {msgExpectedBinaryDigit, "105-Expected binary digit"},
    {msgSymbolTooLong, "106-Symbol exceeds 32 characters"},
    {msgTooManyElements, "107-Too many elements"},
    {msgConstantTooManyDigits, "108-Constant exceeds 16 digits"},
    {msgConstantTooLarge, "109-Constant exceeds 16 bits"},
    {msgUndefinedSymbol, "110-Undefined symbol"},
    {msgUndefinedLabel, "111-Undefined label"},
    {msgExpectedConstant, "112-Expected a constant"},
    {msgDivisionByZero, "113-Cannot divide by 0"},
    {msgLocationOutOfRange, "114-Location is out of range"},
    {msgLocationHasData, "115-Location already contains data"},
    {msgExpectedQuestionMark, "116-Expected '?'"},
    {msgLabelAlreadyDefined, "117-Label is already defined"},
    {msgExpectedBackslash, "118-Expected '\\'"},
    {msgExpectedLeftParen, "119-Expected '('"},
    {msgExpectedRightParen, "120-Expected ')'"},
    {msgExpectedLeftBracket, "121-Expected '['"},
    {msgExpectedRightBracket, "122-Expected ']'"},
    {msgExpectedRightBrace, "201-Expected '}'"},
    {msgTooManyProjectFiles,
     "203-Expected '}'.  Can not specify more than 7 additional project files."},
    {msgSymbolAlreadyDefined, "123-Symbol is already defined"},
    {msgDataOverlapsProgram, "124-Data occupies same location as program"},
    {msgArraySizeZero, "125-Array size cannot be 0"},
    {msgOutOfVariableSpace, "126-Out of variable space"},
    {msgEepromFull, "127-EEPROM full"},
    {msgSymbolTableFull, "128-Symbol table full"},
    {msgExpectedEnd, "129-Expected ':' or end-of-line"},
    {msgExpectedCommaOrEnd, "130-Expected ',', end-of-line, or ':'"},
    {msgExpectedStepOrEnd, "131-Expected 'STEP', end-of-line, or ':'"},
    {msgNextWithoutFor, "132-'NEXT' must be preceded by 'FOR'"},
    {msgExpectedComma, "133-Expected ','"},
    {msgExpectedCommaOrRightBracket, "134-Expected ',' or ']'"},
    {msgExpectedVariable, "135-Expected a variable"},
    {msgExpectedByteVariable, "136-Expected a byte variable"},
    {msgExpectedModifier, "137-Expected a variable modifier"},
    {msgVariableAlreadyBitSize, "138-Variable is already bit-size"},
    {msgExpectedSmallerModifier, "139-Expected a smaller-size variable modifier"},
    {msgModifierOutOfRange, "140-Variable modifier is out-of-range"},
    {msgExpectedOperand, "141-Expected a constant, variable, unary operator, or '('"},
    {msgExpectedBinaryOperator, "142-Expected a binary operator or ')'"},
    {msgExpectedComparisonOrLeftBracket, "143-Expected a comparison operator or '['"},
    {msgExpressionTooComplex, "144-Expression is too complex"},
    {msgTooManyGosubs, "145-Limit of 255 GOSUBs exceeded"},
    {msgForNestedTooDeep, "146-Limit of 16 nested FOR-NEXT loops exceeded"},
    {msgTooManyValues, "147-Limit of 6 values exceeded"},
    {msgExpectedLabel, "148-Expected a label"},
    {msgExpectedStatement, "149-Expected a label, variable, or instruction"},
    {msgExpectedEquals, "150-Expected '='"},
    {msgExpectedThen, "151-Expected 'THEN'"},
    {msgExpectedTo, "152-Expected 'TO'"},
    {msgExpectedTargetModule, "204-Expected a target module: KM1, KM2, KM2A, KM2B, KM2C, or KM2D"},
    {msgExpectedFileName, "153-Expected a filename"},
    {msgExpectedDirective, "154-Expected a directive"},
    {msgDuplicateDirective, "155-Duplicate directive"},
    {msgExpectedPortName, "208-Expected COM Port name: COM1, COM2, etc"},
    {msgUnknownTargetModule, "156-Unknown target module.  $KEYSTONE directive not found"},
    {msgNothingToTokenize, "157-Nothing to tokenize"},
    {msgIfNestedTooDeep, "158-Limit of 16 nested IF-THEN statements exceeded"},
    {msgElseWithoutIf, "159-'ELSE' must be preceded by 'IF' or 'CASE'"},
    {msgEndIfWithoutIf, "160-'ENDIF' must be preceded by 'IF'"},
    {msgExpectedStatementOrEndIf, "161-Expected a label, variable, instruction, or 'ENDIF'"},
    {msgExpectedStatementOrEnd, "162-Expected a label, variable, instruction, or end-of-line"},
    {msgDoNestedTooDeep, "163-Limit of 16 nested DO-LOOP statements exceeded"},
    {msgLoopWithoutDo, "164-'LOOP' must be preceded by 'DO'"},
    {msgConditionAtDoAndLoop,
     "165-'WHILE' or 'UNTIL' conditions cannot appear after both 'DO' and 'LOOP'"},
    {msgExpectedWhileUntilOrEnd, "166-Expected 'WHILE', 'UNTIL', end-of-line, or ':'"},
    {msgExitOutsideLoop, "167-'EXIT' only allowed within FOR-NEXT and DO-LOOP structures"},
    {msgIfWithoutEndIf, "168-'IF' without 'ENDIF'"},
    {msgForWithoutNext, "169-'FOR' without 'NEXT'"},
    {msgDoWithoutLoop, "170-'DO' without 'LOOP'"},
    {msgTooManyExits, "171-Limit of 16 EXIT statements within loop structure exceeded"},
    {msgExpectedVariableOrWord, "172-Expected variable or 'WORD'"},
    {msgExpectedWordVariable, "173-Expected a word variable"},
    {msgLabelMissingColon, "174-Label is missing ':'"},
    {msgPinOutOfRange, "175-Pin number must be 0 to 15"},
    {msgExpectedStatementOrNext, "176-Expected a label, variable, instruction, or 'NEXT'"},
    {msgExpectedStatementOrLoop, "177-Expected a label, variable, instruction, or 'LOOP'"},
    {msgSelectNestedTooDeep, "178-Limit of 16 nested SELECT statements exceeded"},
    {msgExpectedCase, "179-Expected 'CASE'"},
    {msgCaseWithoutSelect, "180-'CASE' must be preceded by 'SELECT'"},
    {msgTooManyCases, "181-Limit of 16 CASE statements within SELECT structure exceeded"},
    {msgExpectedStatementOrEndSelect,
     "182-Expected a label, variable, instruction, or 'ENDSELECT'"},
    {msgEndSelectWithoutSelect, "183-'ENDSELECT' must be preceded by 'SELECT'"},
    {msgSelectWithoutEndSelect, "184-'SELECT' without 'ENDSELECT'"},
    {msgExpectedGotoOrGosub, "185-Expected 'GOTO' or 'GOSUB'"},
    {msgConstantBelowOne, "186-Constant cannot be less than 1"},
    {msgInvalidVersion, "187-Invalid HBASIC version number.  Must be 1.0, 2.0 or 2.5"},
    {msgExpectedCondOperand, "188-Expected number, editor directive, #DEFINE'd symbol, or '-'"},
    {msgIllegalCondOperator, "189-Illegal operator in conditional-compile directive"},
    {msgExpectedCondThen, "190-Expected #THEN"},
    {msgCondIfWithoutEndIf, "191-'#IF' without '#ENDIF'"},
    {msgCondSelectWithoutEndSelect, "192-'#SELECT' without '#ENDSELECT'"},
    {msgCondElseWithoutIf, "193-'#ELSE' must be preceded by '#IF'"},
    {msgCondEndIfWithoutIf, "194-'#ENDIF' must be preceded by '#IF'"},
    {msgIllegalCondSymbol, "195-Illegal symbol in conditional-compile directive"},
    {msgExpectedUserSymbol, "196-Expected a user-defined symbol"},
    {msgCondIfNestedTooDeep, "197-Limit of 16 nested #IF-#THEN statements exceeded"},
    {msgExpectedCharacterValue, "198-Expected a character or ASCII value"},
    {msgUserError, "199-"},
    {msgExpectedCondEndIf, "200-Expected '#ENDIF'"},
    {msgCondSelectNestedTooDeep, "218-Limit of 16 nested #SELECT statements exceeded"},
    {msgExpectedCondCase, "219-Expected '#CASE'"},
    {msgCondCaseWithoutSelect, "220-'#CASE' must be preceded by '#SELECT'"},
    {msgCondEndSelectWithoutSelect, "221-'#ENDSELECT' must be preceded by '#SELECT'"},
    {msgExpectedStatementOrCondEndIf,
     "222-Expected a declaration, run-time statement, or '#ENDIF'"},
    {msgExpectedStatementOrCondEndSelect,
     "223-Expected a declaration, run-time statement, or '#ENDSELECT'"},
    {msgExpectedCondElse, "224-Expected '#ELSE'"},
    {msgExpectedCondValue, "225-Expected number, editor directive, or #DEFINE'd symbol"},
    {msgEmptyCase, "226-Expected statements to follow previous 'CASE'"},
    {msgExpectedValueOrWord, "227-Expected a constant, variable or 'WORD'"},
    {msgElseIfWithoutIf, "228-'ELSEIF' must be preceded by 'IF'"},
    {msgTooManyElseIfs, "229-Limit of 16 ELSEIF statements within IF structure exceeded"},
    {msgElseIfAfterElse, "230-'ELSEIF' not allowed after 'ELSE'"},
    {msgInvalidVersionForKM1, "231-Invalid HBASIC version number.  Must be 1.0 for KM1 module"},
    {msgInvalidVersionForKM2,
     "232-Invalid HBASIC version number.  Must be 2.0 or 2.5 for KM2-type modules."},
};
constexpr TMessageRow OwnTokenizeMessages[OwnMessageCount] = {
    {msgTargetKM1NotSupported,
     "240-Target module KM1 is not supported.  Use KM2, KM2A, KM2B, KM2C or KM2D"},
    {msgSourceTooLong, "241-Source text exceeds 65535 characters"},
};

namespace {

// The printed number in front of a message's text.
constexpr int PrintedNumber(const char* text) {
    int number = 0;
    for (int i = 0; i < 3; ++i) {
        if (text[i] < '0' || text[i] > '9') {
            return -1;
        }
        number = number * 10 + (text[i] - '0');
    }
    return text[3] == '-' ? number : -1;
}

// Every name sits on its own row, every text carries a number, and no
// number is printed twice: a name that drifted from its message, or a row
// lost or doubled, stops the build.
constexpr bool TablesAgreeWithTheNames() {
    for (std::size_t row = 0; row < TokenizeMessageCount + OwnMessageCount; ++row) {
        const TMessageRow& entry = row < TokenizeMessageCount
                                       ? TokenizeMessages[row]
                                       : OwnTokenizeMessages[row - TokenizeMessageCount];
        if (entry.Message != row || PrintedNumber(entry.Text) < 0) {
            return false;
        }
        for (std::size_t other = 0; other < row; ++other) {
            const TMessageRow& earlier = other < TokenizeMessageCount
                                             ? TokenizeMessages[other]
                                             : OwnTokenizeMessages[other - TokenizeMessageCount];
            if (PrintedNumber(earlier.Text) == PrintedNumber(entry.Text)) {
                return false;
            }
        }
    }
    return true;
}
static_assert(TablesAgreeWithTheNames());

} // namespace

int MessageIndex(int number) {
    for (std::size_t i = 0; i < TokenizeMessageCount; ++i) {
        if (std::atoi(TokenizeMessages[i].Text) == number) {
            return static_cast<int>(i);
        }
    }
    for (std::size_t i = 0; i < OwnMessageCount; ++i) {
        if (std::atoi(OwnTokenizeMessages[i].Text) == number) {
            return static_cast<int>(TokenizeMessageCount + i);
        }
    }
    return -1;
}

const char* MessageText(int n) {
    if (n >= 0 && static_cast<std::size_t>(n) < TokenizeMessageCount) {
        return TokenizeMessages[n].Text;
    }
    const int own = n - static_cast<int>(TokenizeMessageCount);
    if (own >= 0 && static_cast<std::size_t>(own) < OwnMessageCount) {
        return OwnTokenizeMessages[own].Text;
    }
    return nullptr;
}

} // namespace wayline
