#include "tokenizer/TokenizerPasses.h"

#include "isa/Items.h"

namespace wayline {

// One character printed as an item of its own, announcing the next item.
void TTokenizerPasses::EmitLiteralCharacter(char ch) {
    WriteConstant(static_cast<unsigned char>(ch), false);
    EmitBits(1, 0);
    EmitBits(1, 1);
}

// The expression that follows, as typed, then " = " (and a quote): the
// elements are compiled once, unwritten, to find where the text ends.
void TTokenizerPasses::EmitSourceEcho(bool quote) {
    const int first = ElementIndex;
    TElement e;
    if (!PreviewElement(e)) {
        return;
    }
    const int start = e.Start;
    StackDepth = 1;
    CompileExpression(false, false, 0);
    int last = ElementIndex - 1;
    while (last > first && Elements[last].Type == etCancelled) {
        --last;
    }
    const int end = Elements[last].Start + Elements[last].Length;
    for (int at = start; at < end; ++at) {
        EmitLiteralCharacter(Result.Source[at]);
    }
    EmitLiteralCharacter(' ');
    EmitLiteralCharacter('=');
    EmitLiteralCharacter(' ');
    if (quote) {
        EmitLiteralCharacter('"');
    }
    ElementIndex = first;
}

// A byte-sized variable (modifiers allowed), reduced to its byte address.
std::uint16_t TTokenizerPasses::GetByteVariable() {
    TElement e;
    NextElement(e);
    if (e.Type != etVariable) {
        RaiseTokenizeError(msgExpectedByteVariable);
    }
    const int start = e.Start;
    ApplyModifiers(e);
    if (((e.Value >> 8) & 3) != csByte) {
        SetErrorSpan(start, Result.ErrorStart + Result.ErrorLength - start);
        RaiseTokenizeError(msgExpectedByteVariable);
    }
    return e.Value & 0xFF;
}

// Appends "1 [c] 0", an item that prints one character.
void TTokenizerPasses::EmitCharacterItem(std::uint16_t ch) {
    EmitBits(1, 1);
    WriteConstant(ch, false);
    EmitBits(1, 0);
}

// [c] 1 [e] 0: a constant and the expression that follows, ending the
// run-time expression
void TTokenizerPasses::EmitConstantAndExpression(std::uint16_t constant, int depth) {
    WriteConstant(constant, false);
    StackDepth = depth;
    CompileAndWriteExpression(true, false);
    EmitBits(1, 0);
}

// output items: expression | ASC ? e | format [?] e | ? e | STR [?] bytevar [\ count]
// | REP e \ count, separated by commas
void TTokenizerPasses::CompileOutputItems() {
    TElement e;
    for (;;) {
        NextElement(e);
        switch (e.Type) {
        case etAsc:
            ExpectQuestion();
            EmitSourceEcho(true);
            StackDepth = 1;
            CompileAndWriteExpression(false, false);
            EmitBits(1, 0);
            EmitCharacterItem('"');
            EmitCharacterItem('\r');
            break;
        case etFormat: {
            std::uint16_t format = e.Value;
            const bool echo = CheckQuestion();
            if (echo) {
                EmitSourceEcho(false);
                if ((format & RadixCodeMask) != RadixCodeDecimal) {
                    format = static_cast<std::uint16_t>(format + FormatWithPrefix);
                }
            }
            EmitConstantAndExpression(format, 1);
            if (echo) {
                EmitCharacterItem('\r');
            }
            break;
        }
        case etQuestion:
            EmitSourceEcho(false);
            EmitConstantAndExpression(DecimalFormat, 1);
            EmitCharacterItem('\r');
            break;
        case etStr: {
            const bool echo = CheckQuestion();
            if (echo) {
                EmitSourceEcho(true);
            }
            const std::uint16_t address = GetByteVariable();
            if (CheckBackslash()) {
                EmitConstantAndExpression(address, 1);
            } else {
                WriteConstant(static_cast<std::uint16_t>(address + StringEndsEarly), false);
                WriteConstant(32, true);
                EmitBits(1, 0);
            }
            if (echo) {
                EmitCharacterItem('"');
                EmitCharacterItem('\r');
            }
            break;
        }
        case etRep:
            StackDepth = 0;
            CompileAndWriteExpression(false, false);
            ExpectBackslash();
            WriteConstant(RepeatOrSkipMark, true);
            StackDepth = 2;
            CompileAndWriteExpression(true, false);
            EmitBits(1, 0);
            break;
        default:
            StepBack();
            StackDepth = 1;
            CompileAndWriteExpression(false, false);
            EmitBits(1, 0);
        }
        if (!PreviewElement(e) || e.Type != etComma) {
            break;
        }
        NextElement(e);
        EmitBits(1, 1);
    }
    EmitBits(1, 0);
}

// WAIT ( value, ... ): the values go out last first
void TTokenizerPasses::CompileWaitItem() {
    ExpectLeftParen();
    int starts[MaxWaitValues] = {};
    int count = 0;
    TElement e;
    for (;;) {
        if (count == MaxWaitValues) {
            NextElement(e);
            RaiseTokenizeError(msgTooManyValues);
        }
        starts[count] = ElementIndex;
        // Checked at the depth it will have on the module's stack.
        StackDepth = MaxWaitValues - 1 - count;
        CompileExpression(false, false, 0);
        ++count;
        NextElement(e);
        if (e.Type == etRightParen) {
            break;
        }
        if (e.Type != etComma) {
            RaiseTokenizeError(msgExpectedRightParen);
        }
    }
    const int resume = ElementIndex;
    EmitBits(1, 1);
    for (int i = count - 1; i >= 0; --i) {
        ElementIndex = starts[i];
        StackDepth = 0;
        CompileAndWriteExpression(false, false);
        EmitBits(1, 1);
    }
    ElementIndex = resume;
    WriteConstant(WaitSequenceMark, false);
    WriteConstant(static_cast<std::uint16_t>(count), true);
    EmitBits(1, 0);
}

// input items: variable | format variable | STR bytevar \ count [\ end]
// | WAITSTR bytevar [\ length] | WAIT (values) | SKIP count | SPSTR count
void TTokenizerPasses::CompileInputItems() {
    TElement e;
    for (;;) {
        NextElement(e);
        switch (e.Type) {
        case etFormat:
        case etNumFormat:
            EmitBits(1, 1);
            WriteConstant(e.Value, false);
            WriteConstant(0, true);
            EmitBits(1, 0);
            StackDepth = 1;
            CompileAndWriteWriteVariable();
            break;
        case etStr: {
            const std::uint16_t address = GetByteVariable();
            ExpectBackslash();
            StackDepth = 2;
            CompileExpressionInto(1, false);
            EmitBits(1, 1);
            if (CheckBackslash()) {
                StackDepth = 0;
                CompileAndWriteExpression(false, false);
                WriteConstant(static_cast<std::uint16_t>(address + StringEndsEarly), true);
            } else {
                WriteConstant(address, false);
            }
            WriteBuffer(1, true);
            EmitBits(1, 0);
            break;
        }
        case etWaitstr: {
            const std::uint16_t address = GetByteVariable();
            EmitBits(1, 1);
            if (CheckBackslash()) {
                EmitConstantAndExpression(
                    static_cast<std::uint16_t>(address + (WaitStringMark + WaitStringLengthGiven)),
                    1);
            } else {
                WriteConstant(static_cast<std::uint16_t>(address + WaitStringMark), false);
                WriteConstant(32, true);
                EmitBits(1, 0);
            }
            break;
        }
        case etWait:
            CompileWaitItem();
            break;
        case etSkip:
            EmitBits(1, 1);
            EmitConstantAndExpression(RepeatOrSkipMark, 1);
            break;
        case etSpstr:
            EmitBits(1, 1);
            EmitConstantAndExpression(SkipSpacesMark, 1);
            break;
        default:
            StepBack();
            EmitBits(1, 0);
            StackDepth = 1;
            CompileAndWriteWriteVariable();
        }
        if (!PreviewElement(e) || e.Type != etComma) {
            break;
        }
        NextElement(e);
        EmitBits(1, 1);
    }
    EmitBits(1, 0);
}

} // namespace wayline
