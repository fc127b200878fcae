#include "tokenizer/TokenizerPasses.h"

#include "isa/Instructions.h"
#include "isa/Keywords.h"

namespace wayline {

// The statement pass: labels, assignments and instructions in source order.
void TTokenizerPasses::CompileStatements() {
    ElementIndex = 0;
    LabelReferenceCount = 0;
    NestingCount = 0;
    IfDepth = ForDepth = DoDepth = SelectDepth = 0;
    Result.DebugFlag = false;
    CodeBitAddress = static_cast<std::uint16_t>(ReturnSlotAddress(GosubCount + 1));
    GosubCount = 0;
    StatementCompiled = false;
    TElement e;
    while (NextElement(e)) {
        if (e.Type == etEnd) {
            continue;
        }
        if (e.Type == etLabel) {
            RaiseTokenizeError(msgLabelAlreadyDefined);
        }
        if (e.Type == etUndefined) {
            // name: a label at the code that follows
            TSymbol label;
            label.Name = ElementName(e);
            label.Type = etLabel;
            label.Value = CodeBitAddress;
            AddSymbol(label);
            TElement colon;
            if (Version25) {
                NextElement(colon);
                if (colon.Type != etEnd || colon.Value != 1) {
                    RaiseTokenizeError(msgLabelMissingColon);
                }
            } else if (PreviewElement(colon) && colon.Type == etEnd && colon.Value == 1) {
                NextElement(colon);
            }
            continue;
        }
        if (!StatementCompiled) {
            // The program starts at its first statement.
            PatchAddress(StartAddressSlot);
            StatementCompiled = true;
        }
        if (e.Type == etInstruction) {
            CompileInstruction(e, LastReadIndex);
        } else if (e.Type == etVariable || e.Type == etPinSymbol) {
            StepBack();
            CompileAssignment();
        } else {
            RaiseTokenizeError(msgExpectedStatement);
        }
        EndStatement();
    }
    if (StatementCompiled) {
        EmitInstruction(inEnd);
    }
    if (Version25 && NestingCount > 0) {
        const TNestingEntry& open = NestingStack[NestingCount - 1];
        const TElement& keyword = Elements[open.DirectiveIndex];
        SetErrorSpan(keyword.Start, keyword.Length);
        switch (open.Kind) {
        case nkFor:
            RaiseTokenizeError(msgForWithoutNext);
        case nkDo:
            RaiseTokenizeError(msgDoWithoutLoop);
        case nkSelect:
            RaiseTokenizeError(msgSelectWithoutEndSelect);
        case nkOneLineAfterElse:
        case nkOneLineAfterThen:
            break;
        case nkOneLineElsePart:
        case nkOneLineThenPart:
        case nkIfAfterElse:
        case nkIfBeforeElse:
            RaiseTokenizeError(msgIfWithoutEndIf);
        }
    }
    NestingCount = 0;
}

// Only the vocabulary gives a name the type etInstruction, so the value is
// always a TKeyword; the switch names every one (the compiler checks that).
void TTokenizerPasses::CompileInstruction(const TElement& keyword, int keywordIndex) {
    switch (static_cast<TKeyword>(keyword.Value)) {
    case kwIf:
        CompileIf(keywordIndex, false);
        break;
    case kwElseIf:
        CompileElseIf();
        break;
    case kwElse:
        CompileElse();
        break;
    case kwEndIf:
        CompileEndIf();
        break;
    case kwDo:
        CompileDo(keywordIndex);
        break;
    case kwLoop:
        CompileLoop();
        break;
    case kwExit:
        CompileExit();
        break;
    case kwFor:
        CompileFor(keywordIndex);
        break;
    case kwNext:
        CompileNext();
        break;
    case kwSelect:
        CompileSelect(keywordIndex);
        break;
    case kwCase:
        CompileCase();
        break;
    case kwEndSelect:
        CompileEndSelect();
        break;
    case kwEnd:
        EmitInstruction(inEnd);
        break;
    case kwStop:
        EmitInstruction(inStop);
        break;
    case kwReturn:
        EmitInstruction(inReturn);
        break;
    case kwGoto: // GOTO label
        EmitInstruction(inGoto);
        EmitLabelAddress();
        break;
    case kwGosub:
        CompileGosub();
        break;
    case kwHigh:
        CompilePinInstruction(inHigh);
        break;
    case kwLow:
        CompilePinInstruction(inLow);
        break;
    case kwToggle:
        CompilePinInstruction(inToggle);
        break;
    case kwInput:
        CompilePinInstruction(inInput);
        break;
    case kwOutput:
        CompilePinInstruction(inOutput);
        break;
    case kwReverse:
        CompilePinInstruction(inReverse);
        break;
    case kwPause:
        CompileValueInstruction(inPause);
        break;
    case kwNap:
        CompileValueInstruction(inNap);
        break;
    case kwSleep:
        CompileValueInstruction(inSleep);
        break;
    case kwRandom:
        CompileRandom();
        break;
    case kwAuxio:
        EmitInstruction(inAuxio);
        break;
    case kwMainio:
        EmitInstruction(inMainio);
        break;
    case kwIoterm:
        CompileValueInstruction(inIoterm);
        break;
    case kwPollmode:
        CompileValueInstruction(inPollmode);
        break;
    case kwPollrun:
        CompileValueInstruction(inPollrun);
        break;
    case kwPollwait:
        CompileValueInstruction(inPollwait);
        break;
    case kwRun:
        CompileValueInstruction(inRun);
        break;
    case kwStore:
        CompileValueInstruction(inStore);
        break;
    case kwLcdcmd:
        CompilePinAndValue(inLcdcmd, false);
        break;
    case kwPollin:
        CompilePinAndValue(inPollin, false);
        break;
    case kwPollout:
        CompilePinAndValue(inPollout, false);
        break;
    case kwPulsout:
        CompilePinAndValue(inPulsout, false);
        break;
    case kwPulsin:
        CompilePinAndValue(inPulsin, true);
        break;
    case kwRctime:
        CompilePinAndValue(inRctime, true);
        break;
    case kwCount:
        CompilePinAndValue(inCount, true);
        break;
    case kwPwm:
        CompilePwm();
        break;
    case kwBranch:
        CompileBranch();
        break;
    case kwLookup:
        CompileLookup();
        break;
    case kwLookdown:
        CompileLookdown();
        break;
    case kwOn:
        CompileOn();
        break;
    case kwRead:
        CompileByteRead(inRead, true);
        break;
    case kwGet:
        CompileByteRead(inGet, false);
        break;
    case kwWrite:
        CompileByteWrite(inWrite, true);
        break;
    case kwPut:
        CompileByteWrite(inPut, false);
        break;
    case kwDebug: // DEBUG items
        Result.DebugFlag = true;
        WriteConstant(ProgrammingPortBaudMode(Result.TargetModule), true);
        WriteConstant(ProgrammingPortPin, true);
        EmitInstruction(inSerout);
        CompileOutputItems();
        break;
    case kwSerout:
        CompileSerout();
        break;
    case kwFreqout:
        CompileFreqout();
        break;
    case kwButton:
        CompileButton();
        break;
    case kwDtmfout:
        CompileDtmfout();
        break;
    case kwShiftin:
        CompileShift(true);
        break;
    case kwShiftout:
        CompileShift(false);
        break;
    case kwXout:
        CompileXout();
        break;
    case kwLcdin:
        CompilePinAndItems(inLcdin, false);
        break;
    case kwLcdout:
        CompilePinAndItems(inLcdout, true);
        break;
    case kwOwin:
        CompilePinAndItems(inOwin, false);
        break;
    case kwOwout:
        CompilePinAndItems(inOwout, true);
        break;
    case kwI2cin:
        CompileI2c(inI2cin, inI2cinWithLowAddress, false);
        break;
    case kwI2cout:
        CompileI2c(inI2cout, inI2coutWithLowAddress, true);
        break;
    case kwSerin:
        CompileSerin();
        break;
    case kwDebugin: // DEBUGIN items
        Result.DebugFlag = true;
        WriteConstant(1, true);
        WriteConstant(ProgrammingPortBaudMode(Result.TargetModule), true);
        WriteConstant(ProgrammingPortPin, true);
        EmitInstruction(inSerin);
        CompileInputItems();
        break;
    }
}

// variable = expression: the value, then the target, then the token
void TTokenizerPasses::CompileAssignment() {
    StackDepth = 1;
    CompileWriteVariableInto(1);
    ExpectEquals();
    StackDepth = 0;
    CompileAndWriteExpression(true, false);
    WriteBuffer(1, true);
    EmitInstruction(inAssign);
}

// HIGH pin and the other single-pin instructions
void TTokenizerPasses::CompilePinInstruction(int token) {
    StackDepth = 0;
    CompileAndWriteExpression(true, true);
    EmitInstruction(token);
}

// PAUSE duration, NAP period, SLEEP seconds
void TTokenizerPasses::CompileValueInstruction(int token) {
    StackDepth = 0;
    CompileAndWriteExpression(true, false);
    EmitInstruction(token);
}

// GOSUB label: the call, its number and target; its return slot then
// points behind it
void TTokenizerPasses::CompileGosub() {
    ++GosubCount;
    EmitInstruction(inGosub);
    EmitBits(GosubNumberBits, static_cast<std::uint16_t>(GosubCount));
    EmitLabelAddress();
    PatchAddress(static_cast<std::uint16_t>(ReturnSlotAddress(GosubCount)));
}

// PULSOUT pin, duration (and LCDCMD, POLLIN, POLLOUT); with a variable:
// PULSIN pin, state, variable (and RCTIME, COUNT). The pin is held in
// buffer 1 and written behind the value.
void TTokenizerPasses::CompilePinAndValue(int token, bool withVariable) {
    StackDepth = 1;
    CompileExpressionInto(1, true);
    ExpectComma();
    StackDepth = 0;
    CompileAndWriteExpression(true, false);
    WriteBuffer(1, true);
    EmitInstruction(token);
    if (withVariable) {
        ExpectComma();
        StackDepth = 1;
        CompileAndWriteWriteVariable();
    }
}

// PWM pin, duty, cycles
void TTokenizerPasses::CompilePwm() {
    StackDepth = 2;
    CompileExpressionInto(1, true);
    ExpectComma();
    StackDepth = 0;
    CompileAndWriteExpression(true, false);
    ExpectComma();
    StackDepth = 1;
    CompileAndWriteExpression(true, false);
    WriteBuffer(1, true);
    EmitInstruction(inPwm);
}

// Behind each element of a bracketed list: 1 before a comma, 0 at ']'.
void TTokenizerPasses::EmitListSeparator() {
    TElement e;
    NextElement(e);
    if (e.Type == etComma) {
        EmitBits(1, 1);
    } else if (e.Type == etRightBracket) {
        EmitBits(1, 0);
    } else {
        RaiseTokenizeError(msgExpectedCommaOrRightBracket);
    }
}

// BRANCH index, [label, ...]
void TTokenizerPasses::CompileBranch() {
    StackDepth = 0;
    CompileAndWriteExpression(true, false);
    ExpectComma();
    ExpectLeftBracket();
    EmitInstruction(inBranch);
    for (;;) {
        EmitLabelAddress();
        EmitListSeparator();
        if (Elements[LastReadIndex].Type == etRightBracket) {
            break;
        }
    }
}

// LOOKUP index, [value, ...], variable
void TTokenizerPasses::CompileLookup() {
    StackDepth = 0;
    CompileAndWriteExpression(true, false);
    ExpectComma();
    ExpectLeftBracket();
    EmitInstruction(inLookup);
    CompileValueListAndTarget(2);
}

// LOOKDOWN value, [comparison] [value, ...], variable
void TTokenizerPasses::CompileLookdown() {
    StackDepth = 0;
    CompileAndWriteExpression(true, false);
    ExpectComma();
    EmitInstruction(inLookdown);
    TElement e;
    NextElement(e);
    int comparison = opEqual;
    if (e.Type == etCompare) {
        comparison = e.Value;
        NextElement(e);
    }
    if (e.Type != etLeftBracket) {
        RaiseTokenizeError(msgExpectedComparisonOrLeftBracket);
    }
    // The comparison travels as its code minus the bias (>= is 2 ... < is 7).
    EmitBits(LookdownComparisonBits,
             static_cast<std::uint16_t>(comparison - LookdownComparisonBias));
    CompileValueListAndTarget(3);
}

// [value, ...], variable — the bracketed values of LOOKUP and LOOKDOWN and
// the variable that receives the result; `depth` is the stack the values
// are evaluated on.
void TTokenizerPasses::CompileValueListAndTarget(int depth) {
    for (;;) {
        StackDepth = depth;
        CompileAndWriteExpression(false, false);
        EmitBits(1, 0);
        EmitListSeparator();
        if (Elements[LastReadIndex].Type == etRightBracket) {
            break;
        }
    }
    ExpectComma();
    StackDepth = 1;
    CompileAndWriteWriteVariable();
}

// ON expression GOTO label, ... | ON expression GOSUB label, ...
void TTokenizerPasses::CompileOn() {
    const int expressionIndex = ElementIndex;
    // Find the GOTO or GOSUB behind the expression first: GOSUB wraps the
    // branch into a call of its own.
    StackDepth = 0;
    CompileExpression(false, false, 0);
    TElement e;
    NextElement(e);
    if (e.Type != etInstruction || (e.Value != kwGoto && e.Value != kwGosub)) {
        RaiseTokenizeError(msgExpectedGotoOrGosub);
    }
    const bool gosub = e.Value == kwGosub;
    const int labelsIndex = ElementIndex;
    int number = 0;
    if (gosub) {
        number = ++GosubCount;
        EmitInstruction(inGosub);
        EmitBits(GosubNumberBits, static_cast<std::uint16_t>(number));
        EmitAddress(static_cast<std::uint16_t>(CodeBitAddress + AddressBits));
    }
    ElementIndex = expressionIndex;
    StackDepth = 0;
    CompileAndWriteExpression(true, false);
    ElementIndex = labelsIndex;
    EmitInstruction(inBranch);
    for (;;) {
        EmitLabelAddress();
        TElement next;
        if (PreviewElement(next) && next.Type == etComma) {
            NextElement(next);
            EmitBits(1, 1);
            continue;
        }
        if (next.Type != etEnd) {
            NextElement(next);
            RaiseTokenizeError(msgExpectedCommaOrEnd);
        }
        EmitBits(1, 0);
        break;
    }
    if (gosub) {
        EmitInstruction(inReturn);
        PatchAddress(static_cast<std::uint16_t>(ReturnSlotAddress(number)));
    }
}

// RANDOM variable: read and written back from the same elements
void TTokenizerPasses::CompileRandom() {
    const int variableIndex = ElementIndex;
    StackDepth = 0;
    CompileVariable(false);
    WriteBuffer(0, true);
    EmitInstruction(inRandom);
    ElementIndex = variableIndex;
    StackDepth = 1;
    CompileAndWriteWriteVariable();
}

// value, label, of a serial instruction: the mark and the label's address
// go out first, then the value
void TTokenizerPasses::CompileSerialBranch(int depth) {
    const int valueIndex = ElementIndex;
    StackDepth = depth;
    CompileExpression(false, false, 0);
    ExpectComma();
    EmitBits(LabelConstantMarkBits, LabelConstantMark);
    EmitLabelAddress();
    ExpectComma();
    const int resume = ElementIndex;
    ElementIndex = valueIndex;
    StackDepth = depth;
    CompileAndWriteExpression(true, false);
    ElementIndex = resume;
}

// pin{\flowpin}, baud, of SERIN and SEROUT into buffers 1, 2 and 3; says
// whether a flow pin is given
bool TTokenizerPasses::CompileSerialPins(int pinDepth) {
    StackDepth = pinDepth;
    CompileExpressionInto(1, true);
    const bool flowPin = CheckBackslash();
    if (flowPin) {
        StackDepth = pinDepth + 1;
        CompileExpressionInto(2, true);
    }
    ExpectComma();
    StackDepth = pinDepth - 1;
    CompileExpressionInto(3, false);
    ExpectComma();
    return flowPin;
}

// SEROUT tpin{\fpin}, baud, {pace, | timeout, tlabel,} [items]
void TTokenizerPasses::CompileSerout() {
    const bool flowPin = CompileSerialPins(3);
    TElement e;
    if (PreviewElement(e) && e.Type != etLeftBracket) {
        if (flowPin) {
            CompileSerialBranch(1);
        } else {
            StackDepth = 1;
            CompileAndWriteExpression(true, false);
            ExpectComma();
        }
    }
    WriteBuffer(3, true);
    WriteBuffer(1, true);
    if (flowPin) {
        WriteBuffer(2, true);
        EmitInstruction(inSeroutWithFlowPin);
    } else {
        EmitInstruction(inSerout);
    }
    ExpectLeftBracket();
    CompileOutputItems();
    ExpectRightBracket();
}

// SERIN rpin{\fpin}, baud, {plabel,} {timeout, tlabel,} [items]
void TTokenizerPasses::CompileSerin() {
    const bool flowPin = CompileSerialPins(4);
    TElement e;
    if (PreviewElement(e) && e.Type == etLeftBracket) {
        WriteConstant(1, true);
    } else {
        if (e.Type == etLabel || e.Type == etUndefined) {
            // The parity-error branch.
            EmitBits(LabelConstantMarkBits, LabelConstantMark);
            EmitLabelAddress();
            ExpectComma();
        }
        if (PreviewElement(e) && e.Type == etLeftBracket) {
            WriteConstant(0, true);
            WriteConstant(1, true);
        } else {
            CompileSerialBranch(2);
        }
    }
    WriteBuffer(3, true);
    WriteBuffer(1, true);
    if (flowPin) {
        WriteBuffer(2, true);
        EmitInstruction(inSerinWithFlowPin);
    } else {
        EmitInstruction(inSerin);
    }
    ExpectLeftBracket();
    CompileInputItems();
    ExpectRightBracket();
}

// [items] of an instruction: output or input items between brackets
void TTokenizerPasses::CompileBracketedItems(bool output) {
    ExpectLeftBracket();
    if (output) {
        CompileOutputItems();
    } else {
        CompileInputItems();
    }
    ExpectRightBracket();
}

// FREQOUT pin, duration, freq1 {, freq2}
void TTokenizerPasses::CompileFreqout() {
    StackDepth = 0;
    CompileAndWriteExpression(true, true);
    ExpectComma();
    StackDepth = 1;
    CompileAndWriteExpression(true, false);
    ExpectComma();
    StackDepth = 2;
    CompileAndWriteExpression(true, false);
    TElement e;
    if (PreviewElement(e) && e.Type == etComma) {
        NextElement(e);
        StackDepth = 3;
        CompileAndWriteExpression(true, false);
        EmitInstruction(inFreqoutTwoTones);
    } else {
        EmitInstruction(inFreqout);
    }
}

// BUTTON pin, downstate, delay, rate, workspace, targetstate, label: the
// workspace is read before the token and written back behind it
void TTokenizerPasses::CompileButton() {
    StackDepth = 5;
    CompileExpressionInto(1, true);
    for (int depth = 0; depth < 3; ++depth) {
        ExpectComma();
        StackDepth = depth;
        CompileAndWriteExpression(true, false);
    }
    ExpectComma();
    const int workspaceIndex = ElementIndex;
    StackDepth = 4;
    CompileReadVariableInto(2);
    ElementIndex = workspaceIndex;
    StackDepth = 1;
    CompileWriteVariableInto(3);
    ExpectComma();
    StackDepth = 3;
    CompileAndWriteExpression(true, false);
    ExpectComma();
    WriteBuffer(2, true);
    WriteBuffer(1, true);
    EmitInstruction(inButton);
    WriteBuffer(3, false);
    EmitBits(1, 0);
    EmitLabelAddress();
}

// DTMFOUT pin, {ontime, offtime,} [tone, ...]: off time before on time
void TTokenizerPasses::CompileDtmfout() {
    StackDepth = 0;
    CompileAndWriteExpression(true, true);
    ExpectComma();
    TElement e;
    if (PreviewElement(e) && e.Type == etLeftBracket) {
        WriteConstant(50, true);
        WriteConstant(200, true);
    } else {
        StackDepth = 2;
        CompileExpressionInto(1, false);
        ExpectComma();
        StackDepth = 1;
        CompileAndWriteExpression(true, false);
        WriteBuffer(1, true);
        ExpectComma();
    }
    EmitInstruction(inDtmfout);
    ExpectLeftBracket();
    do {
        StackDepth = 3;
        CompileAndWriteExpression(false, false);
        EmitBits(1, 0);
        EmitListSeparator();
    } while (Elements[LastReadIndex].Type != etRightBracket);
}

// SHIFTIN dpin, cpin, mode, [variable{\bits}, ...] and
// SHIFTOUT dpin, cpin, mode, [value{\bits}, ...]
void TTokenizerPasses::CompileShift(bool in) {
    StackDepth = 1;
    CompileExpressionInto(1, true);
    ExpectComma();
    StackDepth = 2;
    CompileExpressionInto(2, true);
    ExpectComma();
    StackDepth = 0;
    CompileAndWriteExpression(true, false);
    WriteBuffer(1, true);
    WriteBuffer(2, true);
    EmitInstruction(in ? inShiftin : inShiftout);
    ExpectComma();
    ExpectLeftBracket();
    do {
        if (in) {
            StackDepth = 5;
            CompileWriteVariableInto(3);
        } else {
            StackDepth = 4;
            CompileExpressionInto(3, false);
        }
        if (CheckBackslash()) {
            StackDepth = 3;
            CompileAndWriteExpression(false, false);
        } else {
            WriteConstant(8, false);
        }
        if (in) {
            WriteConstant(0, true);
            EmitBits(1, 0);
            WriteBuffer(3, false);
        } else {
            WriteBuffer(3, true);
        }
        EmitBits(1, 0);
        EmitListSeparator();
    } while (Elements[LastReadIndex].Type != etRightBracket);
}

// XOUT mpin, zpin, [house\command{\cycles}, ...]: house and command are
// folded into one value at run time
void TTokenizerPasses::CompileXout() {
    StackDepth = 0;
    CompileAndWriteExpression(true, true);
    ExpectComma();
    StackDepth = 1;
    CompileAndWriteExpression(true, true);
    EmitInstruction(inXout);
    ExpectComma();
    ExpectLeftBracket();
    do {
        StackDepth = 2;
        CompileAndWriteExpression(false, false);
        WriteConstant(16, true);
        EmitFlaggedCode(opModulo);
        ExpectBackslash();
        StackDepth = 3;
        CompileAndWriteExpression(true, false);
        WriteConstant(16, true);
        EmitFlaggedCode(opMultiply);
        EmitFlaggedCode(opAdd);
        if (CheckBackslash()) {
            StackDepth = 3;
            CompileAndWriteExpression(true, false);
        } else {
            WriteConstant(2, true);
        }
        EmitFlaggedCode(opInvert);
        EmitBits(1, 0);
        EmitListSeparator();
    } while (Elements[LastReadIndex].Type != etRightBracket);
}

// LCDIN pin, command, [items] and the like: the value before the pin
void TTokenizerPasses::CompilePinAndItems(int token, bool output) {
    StackDepth = 1;
    CompileExpressionInto(1, true);
    ExpectComma();
    StackDepth = 0;
    CompileAndWriteExpression(true, false);
    WriteBuffer(1, true);
    EmitInstruction(token);
    ExpectComma();
    CompileBracketedItems(output);
}

// I2CIN pin, slave, {address{\lowaddress},} [items] and I2COUT
void TTokenizerPasses::CompileI2c(int token, int tokenWithLowAddress, bool output) {
    StackDepth = 3;
    CompileExpressionInto(1, true);
    ExpectComma();
    StackDepth = 2;
    CompileExpressionInto(2, false);
    ExpectComma();
    TElement e;
    if (PreviewElement(e) && e.Type == etLeftBracket) {
        WriteBuffer(2, true);
        WriteConstant(0, true);
        WriteBuffer(1, true);
        EmitInstruction(token);
    } else {
        StackDepth = 1;
        CompileExpressionInto(3, false);
        const bool lowAddress = CheckBackslash();
        if (lowAddress) {
            StackDepth = 0;
            CompileAndWriteExpression(true, false);
        }
        ExpectComma();
        WriteBuffer(3, true);
        WriteBuffer(2, true);
        WriteBuffer(1, true);
        EmitInstruction(lowAddress ? tokenWithLowAddress : token);
    }
    CompileBracketedItems(output);
}

// Byte k of a transfer: the address held in buffer 1, with k added at run
// time for every byte after the first.
void TTokenizerPasses::WriteByteAddress(int offset, int depth) {
    if (offset == 0) {
        WriteBuffer(1, true);
        return;
    }
    CopyBuffer(1, 0);
    StackDepth = depth + 1;
    EmitConstantToken(static_cast<std::uint16_t>(offset));
    EmitOperatorToken(opAdd);
    WriteBuffer(0, true);
}

// In 2.5 mode an item may carry the size WORD; no other size is allowed.
bool TTokenizerPasses::CheckWordItem(TMessage sizeError) {
    TElement e;
    if (!Version25 || !PreviewElement(e) || e.Type != etSize) {
        return false;
    }
    NextElement(e);
    if (e.Value != csWord) {
        RaiseTokenizeError(sizeError);
    }
    return true;
}

// A WORD item read from memory must be a whole word variable: its high
// byte is addressed as the byte behind the low one.
void TTokenizerPasses::CheckWordVariable() {
    const int variableIndex = ElementIndex;
    TElement e;
    NextElement(e);
    if (e.Type != etVariable || ((e.Value >> 8) & 3) != csWord) {
        RaiseTokenizeError(msgExpectedWordVariable);
    }
    TElement period;
    if (PreviewElement(period) && period.Type == etPeriod) {
        NextElement(period);
        TElement modifier;
        NextElement(modifier);
        SetErrorSpan(e.Start, modifier.Start + modifier.Length - e.Start);
        RaiseTokenizeError(msgExpectedWordVariable);
    }
    ElementIndex = variableIndex;
}

// READ address, item {, item} (with a return address behind each token)
// and GET location, item {, item}: one byte to each variable
void TTokenizerPasses::CompileByteRead(int token, bool withNextAddress) {
    StackDepth = 0;
    CompileExpressionInto(1, false);
    ExpectComma();
    int offset = 0;
    auto readByte = [&](bool highByte) {
        WriteByteAddress(offset++, 0);
        EmitInstruction(token);
        if (withNextAddress) {
            EmitAddress(static_cast<std::uint16_t>(CodeBitAddress + AddressBits));
        }
        StackDepth = 1;
        if (highByte) {
            CompileHighByteWriteVariable();
        } else {
            CompileAndWriteWriteVariable();
        }
    };
    TElement e;
    do {
        const bool word = CheckWordItem(msgExpectedVariableOrWord);
        const int variableIndex = ElementIndex;
        if (word) {
            CheckWordVariable();
        }
        readByte(false);
        if (word) {
            ElementIndex = variableIndex;
            readByte(true);
        }
    } while (Version25 && PreviewElement(e) && e.Type == etComma && NextElement(e));
}

// WRITE address, item {, item} (value first, a return address behind each
// token) and PUT location, item {, item} (location first): one byte each;
// a WORD value gives its low byte, then the value shifted right by 8.
void TTokenizerPasses::CompileByteWrite(int token, bool valueFirst) {
    const int addressDepth = valueFirst ? 1 : 0;
    const int valueDepth = valueFirst ? 0 : 1;
    StackDepth = addressDepth;
    CompileExpressionInto(1, false);
    ExpectComma();
    int offset = 0;
    auto writeByte = [&](bool highByte) {
        if (!valueFirst) {
            WriteByteAddress(offset, addressDepth);
        }
        if (highByte) {
            CopyBuffer(2, 0);
            StackDepth = valueDepth + 1;
            EmitConstantToken(8);
            EmitOperatorToken(opShiftRight);
            WriteBuffer(0, true);
        } else {
            WriteBuffer(2, true);
        }
        if (valueFirst) {
            WriteByteAddress(offset, addressDepth);
        }
        ++offset;
        EmitInstruction(token);
        if (valueFirst) {
            EmitAddress(static_cast<std::uint16_t>(CodeBitAddress + AddressBits));
        }
    };
    TElement e;
    do {
        const bool word = CheckWordItem(msgExpectedValueOrWord);
        StackDepth = valueDepth;
        CompileExpressionInto(2, false);
        writeByte(false);
        if (word) {
            writeByte(true);
        }
    } while (Version25 && PreviewElement(e) && e.Type == etComma && NextElement(e));
}

} // namespace wayline
