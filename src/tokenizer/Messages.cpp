#include "tokenizer/Messages.h"

#include <cstdlib>

namespace wayline {

// Kept exactly as the module family's tools print them, two spaces after
// full stops included; the number in front is what users look up.
const char* const TokenizeMessages[TokenizeMessageCount] = {
    "101-Expected character(s)",
    "102-Expected terminating \"",
    "103-Unrecognized character",
    "104-Expected hex digit",
    "105-Expected binary digit",
    "106-Symbol exceeds 32 characters",
    "107-Too many elements",
    "108-Constant exceeds 16 digits",
    "109-Constant exceeds 16 bits",
    "110-Undefined symbol",
    "111-Undefined label",
    "112-Expected a constant",
    "113-Cannot divide by 0",
    "114-Location is out of range",
    "115-Location already contains data",
    "116-Expected '?'",
    "117-Label is already defined",
    "118-Expected '\\'",
    "119-Expected '('",
    "120-Expected ')'",
    "121-Expected '['",
    "122-Expected ']'",
    "201-Expected '}'",
    "203-Expected '}'.  Can not specify more than 7 additional project files.",
    "123-Symbol is already defined",
    "124-Data occupies same location as program",
    "125-Array size cannot be 0",
    "126-Out of variable space",
    "127-EEPROM full",
    "128-Symbol table full",
    "129-Expected ':' or end-of-line",
    "130-Expected ',', end-of-line, or ':'",
    "131-Expected 'STEP', end-of-line, or ':'",
    "132-'NEXT' must be preceded by 'FOR'",
    "133-Expected ','",
    "134-Expected ',' or ']'",
    "135-Expected a variable",
    "136-Expected a byte variable",
    "137-Expected a variable modifier",
    "138-Variable is already bit-size",
    "139-Expected a smaller-size variable modifier",
    "140-Variable modifier is out-of-range",
    "141-Expected a constant, variable, unary operator, or '('",
    "142-Expected a binary operator or ')'",
    "143-Expected a comparison operator or '['",
    "144-Expression is too complex",
    "145-Limit of 255 GOSUBs exceeded",
    "146-Limit of 16 nested FOR-NEXT loops exceeded",
    "147-Limit of 6 values exceeded",
    "148-Expected a label",
    "149-Expected a label, variable, or instruction",
    "150-Expected '='",
    "151-Expected 'THEN'",
    "152-Expected 'TO'",
    "204-Expected a target module: KM1, KM2, KM2A, KM2B, KM2C, or KM2D",
    "153-Expected a filename",
    "154-Expected a directive",
    "155-Duplicate directive",
    "208-Expected COM Port name: COM1, COM2, etc",
    "156-Unknown target module.  $KEYSTONE directive not found",
    "157-Nothing to tokenize",
    "158-Limit of 16 nested IF-THEN statements exceeded",
    "159-'ELSE' must be preceded by 'IF' or 'CASE'",
    "160-'ENDIF' must be preceded by 'IF'",
    "161-Expected a label, variable, instruction, or 'ENDIF'",
    "162-Expected a label, variable, instruction, or end-of-line",
    "163-Limit of 16 nested DO-LOOP statements exceeded",
    "164-'LOOP' must be preceded by 'DO'",
    "165-'WHILE' or 'UNTIL' conditions cannot appear after both 'DO' and 'LOOP'",
    "166-Expected 'WHILE', 'UNTIL', end-of-line, or ':'",
    "167-'EXIT' only allowed within FOR-NEXT and DO-LOOP structures",
    "168-'IF' without 'ENDIF'",
    "169-'FOR' without 'NEXT'",
    "170-'DO' without 'LOOP'",
    "171-Limit of 16 EXIT statements within loop structure exceeded",
    "172-Expected variable or 'WORD'",
    "173-Expected a word variable",
    "174-Label is missing ':'",
    "175-Pin number must be 0 to 15",
    "176-Expected a label, variable, instruction, or 'NEXT'",
    "177-Expected a label, variable, instruction, or 'LOOP'",
    "178-Limit of 16 nested SELECT statements exceeded",
    "179-Expected 'CASE'",
    "180-'CASE' must be preceded by 'SELECT'",
    "181-Limit of 16 CASE statements within SELECT structure exceeded",
    "182-Expected a label, variable, instruction, or 'ENDSELECT'",
    "183-'ENDSELECT' must be preceded by 'SELECT'",
    "184-'SELECT' without 'ENDSELECT'",
    "185-Expected 'GOTO' or 'GOSUB'",
    "186-Constant cannot be less than 1",
    "187-Invalid HBASIC version number.  Must be 1.0, 2.0 or 2.5",
    "188-Expected number, editor directive, #DEFINE'd symbol, or '-'",
    "189-Illegal operator in conditional-compile directive",
    "190-Expected #THEN",
    "191-'#IF' without '#ENDIF'",
    "192-'#SELECT' without '#ENDSELECT'",
    "193-'#ELSE' must be preceded by '#IF'",
    "194-'#ENDIF' must be preceded by '#IF'",
    "195-Illegal symbol in conditional-compile directive",
    "196-Expected a user-defined symbol",
    "197-Limit of 16 nested #IF-#THEN statements exceeded",
    "198-Expected a character or ASCII value",
    "199-",
    "200-Expected '#ENDIF'",
    "218-Limit of 16 nested #SELECT statements exceeded",
    "219-Expected '#CASE'",
    "220-'#CASE' must be preceded by '#SELECT'",
    "221-'#ENDSELECT' must be preceded by '#SELECT'",
    "222-Expected a declaration, run-time statement, or '#ENDIF'",
    "223-Expected a declaration, run-time statement, or '#ENDSELECT'",
    "224-Expected '#ELSE'",
    "225-Expected number, editor directive, or #DEFINE'd symbol",
    "226-Expected statements to follow previous 'CASE'",
    "227-Expected a constant, variable or 'WORD'",
    "228-'ELSEIF' must be preceded by 'IF'",
    "229-Limit of 16 ELSEIF statements within IF structure exceeded",
    "230-'ELSEIF' not allowed after 'ELSE'",
    "231-Invalid HBASIC version number.  Must be 1.0 for KM1 module",
    "232-Invalid HBASIC version number.  Must be 2.0 or 2.5 for KM2-type modules.",
};
const char* const OwnTokenizeMessages[OwnMessageCount] = {
    "240-Target module KM1 is not supported.  Use KM2, KM2A, KM2B, KM2C or KM2D",
    "241-Source text exceeds 65535 characters",
    "242-This instruction cannot be compiled yet",
};

int MessageIndex(int number) {
    for (std::size_t i = 0; i < TokenizeMessageCount; ++i) {
        if (std::atoi(TokenizeMessages[i]) == number) {
            return static_cast<int>(i);
        }
    }
    for (std::size_t i = 0; i < OwnMessageCount; ++i) {
        if (std::atoi(OwnTokenizeMessages[i]) == number) {
            return static_cast<int>(TokenizeMessageCount + i);
        }
    }
    return -1;
}

const char* MessageText(int n) {
    if (n >= 0 && static_cast<std::size_t>(n) < TokenizeMessageCount) {
        return TokenizeMessages[n];
    }
    const int own = n - static_cast<int>(TokenizeMessageCount);
    if (own >= 0 && static_cast<std::size_t>(own) < OwnMessageCount) {
        return OwnTokenizeMessages[own];
    }
    return nullptr;
}

} // namespace wayline
