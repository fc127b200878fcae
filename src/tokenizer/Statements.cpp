#include "tokenizer/Tokenizer.h"

namespace wayline {

namespace {

// Instruction numbers of the keywords (the symbol table's values).
constexpr std::uint16_t insCase = 3;
constexpr std::uint16_t insDo = 8;
constexpr std::uint16_t insEndSelect = 14;
constexpr std::uint16_t insSelect = 59;
constexpr std::uint16_t insElse = 10;
constexpr std::uint16_t insElseIf = 11;
constexpr std::uint16_t insEnd = 12;
constexpr std::uint16_t insEndIf = 13;
constexpr std::uint16_t insExit = 16;
constexpr std::uint16_t insFor = 17;
constexpr std::uint16_t insIf = 25;
constexpr std::uint16_t insLoop = 33;
constexpr std::uint16_t insNext = 37;
constexpr std::uint16_t insGosub = 20;
constexpr std::uint16_t insGoto = 21;
constexpr std::uint16_t insHigh = 22;
constexpr std::uint16_t insInput = 26;
constexpr std::uint16_t insLow = 34;
constexpr std::uint16_t insNap = 36;
constexpr std::uint16_t insOutput = 39;
constexpr std::uint16_t insPause = 42;
constexpr std::uint16_t insSleep = 52;
constexpr std::uint16_t insRandom = 53;
constexpr std::uint16_t insReturn = 56;
constexpr std::uint16_t insReverse = 57;
constexpr std::uint16_t insStop = 64;
constexpr std::uint16_t insToggle = 66;

// Logical instruction tokens of the module.
constexpr int tkEnd = 0;
constexpr int tkSleep = 1;
constexpr int tkNap = 2;
constexpr int tkStop = 3;
constexpr int tkOutput = 4;
constexpr int tkHigh = 5;
constexpr int tkToggle = 6;
constexpr int tkLow = 7;
constexpr int tkReverse = 8;
constexpr int tkGoto = 9;
constexpr int tkGosub = 10;
constexpr int tkReturn = 11;
constexpr int tkInput = 12;
constexpr int tkRandom = 18;
constexpr int tkPause = 21;
constexpr int tkAssign = 26;

constexpr int tkBranch = 15;
constexpr int tkLookdown = 17;
constexpr int tkLookup = 16;
constexpr int tkMainio = 30;
constexpr int tkAuxio = 31;
constexpr int tkPulsout = 36;
constexpr int tkPulsin = 37;
constexpr int tkCount = 38;
constexpr int tkRctime = 41;
constexpr int tkPwm = 43;
constexpr int tkLcdcmd = 46;
constexpr int tkPollrun = 51;
constexpr int tkPollmode = 52;
constexpr int tkPollin = 53;
constexpr int tkPollout = 54;
constexpr int tkPollwait = 55;
constexpr int tkIoterm = 58;
constexpr int tkRun = 29;
constexpr int tkRead = 19;
constexpr int tkWrite = 20;
constexpr int tkGet = 27;
constexpr int tkPut = 28;
constexpr int tkSerout = 32;
constexpr int tkSerin = 34;
constexpr int tkSeroutWithFlowPin = 33;
constexpr int tkFreqout = 22;
constexpr int tkFreqoutTwoTones = 23;
constexpr int tkDtmfout = 24;
constexpr int tkXout = 25;
constexpr int tkShiftin = 39;
constexpr int tkShiftout = 40;
constexpr int tkButton = 42;
constexpr int tkLcdin = 44;
constexpr int tkLcdout = 45;
constexpr int tkI2cinWithLowAddress = 47;
constexpr int tkI2cin = 48;
constexpr int tkI2coutWithLowAddress = 49;
constexpr int tkI2cout = 50;
constexpr int tkOwout = 56;
constexpr int tkOwin = 57;
constexpr int tkSerinWithFlowPin = 35;
constexpr int tkStore = 59;

constexpr std::uint16_t insAuxio = 0;
constexpr std::uint16_t insLookdown = 31;
constexpr std::uint16_t insOn = 38;
constexpr std::uint16_t insBranch = 1;
constexpr std::uint16_t insCount = 4;
constexpr std::uint16_t insIoterm = 27;
constexpr std::uint16_t insLcdcmd = 28;
constexpr std::uint16_t insLookup = 32;
constexpr std::uint16_t insMainio = 35;
constexpr std::uint16_t insPollin = 43;
constexpr std::uint16_t insPollmode = 44;
constexpr std::uint16_t insPollout = 45;
constexpr std::uint16_t insPollrun = 46;
constexpr std::uint16_t insPollwait = 47;
constexpr std::uint16_t insPulsin = 48;
constexpr std::uint16_t insPulsout = 49;
constexpr std::uint16_t insPwm = 51;
constexpr std::uint16_t insRctime = 54;
constexpr std::uint16_t insRun = 58;
constexpr std::uint16_t insStore = 65;
constexpr std::uint16_t insGet = 19;
constexpr std::uint16_t insPut = 50;
constexpr std::uint16_t insRead = 55;
constexpr std::uint16_t insWrite = 67;
constexpr std::uint16_t insDebug = 5;
constexpr std::uint16_t insDebugin = 6;
constexpr std::uint16_t insSerin = 60;
constexpr std::uint16_t insSerout = 61;
constexpr std::uint16_t insButton = 2;
constexpr std::uint16_t insDtmfout = 9;
constexpr std::uint16_t insFreqout = 18;
constexpr std::uint16_t insI2cin = 23;
constexpr std::uint16_t insI2cout = 24;
constexpr std::uint16_t insLcdin = 29;
constexpr std::uint16_t insLcdout = 30;
constexpr std::uint16_t insOwin = 40;
constexpr std::uint16_t insOwout = 41;
constexpr std::uint16_t insShiftin = 62;
constexpr std::uint16_t insShiftout = 63;
constexpr std::uint16_t insXout = 68;

// Expression codes of the X-10 house and command arithmetic.
constexpr int codeAdd = 15;
constexpr int codeMultiply = 18;
constexpr int codeModulo = 20;
constexpr int codeInvert = 2;

// Written in front of the label of a serial time-out or parity branch.
constexpr std::uint16_t serialBranchMark = 221;

// The programming port is serial pin 16.
constexpr std::uint16_t debugPin = 16;

constexpr std::uint16_t sizeWord = 3;

constexpr int AddressBits = 14;

} // namespace

// The statement pass: labels, assignments and instructions in source order.
void TTokenizer::CompileStatements() {
    ElementIndex = 0;
    LabelReferenceCount = 0;
    NestingCount = 0;
    IfDepth = ForDepth = DoDepth = SelectDepth = 0;
    Result.DebugFlag = false;
    CodeBitAddress = static_cast<std::uint16_t>(AddressBits * (GosubCount + 1));
    GosubCount = 0;
    StatementCompiled = false;
    TElement e;
    while (NextElement(e)) {
        if (e.Type == etEnd) {
            continue;
        }
        if (e.Type == etLabel) {
            RaiseError(117);
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
                    RaiseError(174);
                }
            } else if (PreviewElement(colon) && colon.Type == etEnd && colon.Value == 1) {
                NextElement(colon);
            }
            continue;
        }
        if (!StatementCompiled) {
            // The program starts at its first statement.
            PatchAddress(0);
            StatementCompiled = true;
        }
        if (e.Type == etInstruction) {
            CompileInstruction(e, LastReadIndex);
        } else if (e.Type == etVariable || e.Type == etPinSymbol) {
            StepBack();
            CompileAssignment();
        } else {
            RaiseError(149);
        }
        EndStatement();
    }
    if (StatementCompiled) {
        EmitInstruction(tkEnd);
    }
    if (Version25 && NestingCount > 0) {
        const TNestingEntry& open = NestingStack[NestingCount - 1];
        const TElement& keyword = Elements[open.DirectiveIndex];
        SetErrorSpan(keyword.Start, keyword.Length);
        switch (open.Kind) {
        case 6:
            RaiseError(169);
        case 7:
            RaiseError(170);
        case nkSelect:
            RaiseError(184);
        case 1:
        case 3:
            break;
        default:
            RaiseError(168);
        }
    }
    NestingCount = 0;
}

void TTokenizer::CompileInstruction(const TElement& keyword, int keywordIndex) {
    switch (keyword.Value) {
    case insIf:
        CompileIf(keywordIndex, false);
        break;
    case insElseIf:
        CompileElseIf();
        break;
    case insElse:
        CompileElse();
        break;
    case insEndIf:
        CompileEndIf();
        break;
    case insDo:
        CompileDo(keywordIndex);
        break;
    case insLoop:
        CompileLoop();
        break;
    case insExit:
        CompileExit();
        break;
    case insFor:
        CompileFor(keywordIndex);
        break;
    case insNext:
        CompileNext();
        break;
    case insSelect:
        CompileSelect(keywordIndex);
        break;
    case insCase:
        CompileCase();
        break;
    case insEndSelect:
        CompileEndSelect();
        break;
    case insEnd:
        EmitInstruction(tkEnd);
        break;
    case insStop:
        EmitInstruction(tkStop);
        break;
    case insReturn:
        EmitInstruction(tkReturn);
        break;
    case insGoto: // GOTO label
        EmitInstruction(tkGoto);
        EmitLabelAddress();
        break;
    case insGosub:
        CompileGosub();
        break;
    case insHigh:
        CompilePinInstruction(tkHigh);
        break;
    case insLow:
        CompilePinInstruction(tkLow);
        break;
    case insToggle:
        CompilePinInstruction(tkToggle);
        break;
    case insInput:
        CompilePinInstruction(tkInput);
        break;
    case insOutput:
        CompilePinInstruction(tkOutput);
        break;
    case insReverse:
        CompilePinInstruction(tkReverse);
        break;
    case insPause:
        CompileValueInstruction(tkPause);
        break;
    case insNap:
        CompileValueInstruction(tkNap);
        break;
    case insSleep:
        CompileValueInstruction(tkSleep);
        break;
    case insRandom:
        CompileRandom();
        break;
    case insAuxio:
        EmitInstruction(tkAuxio);
        break;
    case insMainio:
        EmitInstruction(tkMainio);
        break;
    case insIoterm:
        CompileValueInstruction(tkIoterm);
        break;
    case insPollmode:
        CompileValueInstruction(tkPollmode);
        break;
    case insPollrun:
        CompileValueInstruction(tkPollrun);
        break;
    case insPollwait:
        CompileValueInstruction(tkPollwait);
        break;
    case insRun:
        CompileValueInstruction(tkRun);
        break;
    case insStore:
        CompileValueInstruction(tkStore);
        break;
    case insLcdcmd:
        CompilePinAndValue(tkLcdcmd, false);
        break;
    case insPollin:
        CompilePinAndValue(tkPollin, false);
        break;
    case insPollout:
        CompilePinAndValue(tkPollout, false);
        break;
    case insPulsout:
        CompilePinAndValue(tkPulsout, false);
        break;
    case insPulsin:
        CompilePinAndValue(tkPulsin, true);
        break;
    case insRctime:
        CompilePinAndValue(tkRctime, true);
        break;
    case insCount:
        CompilePinAndValue(tkCount, true);
        break;
    case insPwm:
        CompilePwm();
        break;
    case insBranch:
        CompileBranch();
        break;
    case insLookup:
        CompileLookup();
        break;
    case insLookdown:
        CompileLookdown();
        break;
    case insOn:
        CompileOn();
        break;
    case insRead:
        CompileByteRead(tkRead, true);
        break;
    case insGet:
        CompileByteRead(tkGet, false);
        break;
    case insWrite:
        CompileByteWrite(tkWrite, true);
        break;
    case insPut:
        CompileByteWrite(tkPut, false);
        break;
    case insDebug: // DEBUG items
        Result.DebugFlag = true;
        WriteConstant(DebugBaud(), true);
        WriteConstant(debugPin, true);
        EmitInstruction(tkSerout);
        CompileOutputItems();
        break;
    case insSerout:
        CompileSerout();
        break;
    case insFreqout:
        CompileFreqout();
        break;
    case insButton:
        CompileButton();
        break;
    case insDtmfout:
        CompileDtmfout();
        break;
    case insShiftin:
        CompileShift(true);
        break;
    case insShiftout:
        CompileShift(false);
        break;
    case insXout:
        CompileXout();
        break;
    case insLcdin:
        CompilePinAndItems(tkLcdin, false);
        break;
    case insLcdout:
        CompilePinAndItems(tkLcdout, true);
        break;
    case insOwin:
        CompilePinAndItems(tkOwin, false);
        break;
    case insOwout:
        CompilePinAndItems(tkOwout, true);
        break;
    case insI2cin:
        CompileI2c(tkI2cin, tkI2cinWithLowAddress, false);
        break;
    case insI2cout:
        CompileI2c(tkI2cout, tkI2coutWithLowAddress, true);
        break;
    case insSerin:
        CompileSerin();
        break;
    case insDebugin: // DEBUGIN items
        Result.DebugFlag = true;
        WriteConstant(1, true);
        WriteConstant(DebugBaud(), true);
        WriteConstant(debugPin, true);
        EmitInstruction(tkSerin);
        CompileInputItems();
        break;
    default:
        // The span is the keyword, read last.
        RaiseTokenizeError(msgProgramNotCompiled);
    }
}

// variable = expression: the value, then the target, then the token
void TTokenizer::CompileAssignment() {
    StackDepth = 1;
    CompileWriteVariableInto(1);
    ExpectEquals();
    StackDepth = 0;
    CompileAndWriteExpression(true, false);
    WriteBuffer(1, true);
    EmitInstruction(tkAssign);
}

// HIGH pin and the other single-pin instructions
void TTokenizer::CompilePinInstruction(int token) {
    StackDepth = 0;
    CompileAndWriteExpression(true, true);
    EmitInstruction(token);
}

// PAUSE duration, NAP period, SLEEP seconds
void TTokenizer::CompileValueInstruction(int token) {
    StackDepth = 0;
    CompileAndWriteExpression(true, false);
    EmitInstruction(token);
}

// GOSUB label: the call, its number and target; its return slot then
// points behind it
void TTokenizer::CompileGosub() {
    ++GosubCount;
    EmitInstruction(tkGosub);
    EmitBits(8, static_cast<std::uint16_t>(GosubCount));
    EmitLabelAddress();
    PatchAddress(static_cast<std::uint16_t>(AddressBits * GosubCount));
}

// PULSOUT pin, duration (and LCDCMD, POLLIN, POLLOUT); with a variable:
// PULSIN pin, state, variable (and RCTIME, COUNT). The pin is held in
// buffer 1 and written behind the value.
void TTokenizer::CompilePinAndValue(int token, bool withVariable) {
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
void TTokenizer::CompilePwm() {
    StackDepth = 2;
    CompileExpressionInto(1, true);
    ExpectComma();
    StackDepth = 0;
    CompileAndWriteExpression(true, false);
    ExpectComma();
    StackDepth = 1;
    CompileAndWriteExpression(true, false);
    WriteBuffer(1, true);
    EmitInstruction(tkPwm);
}

// Behind each element of a bracketed list: 1 before a comma, 0 at ']'.
void TTokenizer::EmitListSeparator() {
    TElement e;
    NextElement(e);
    if (e.Type == etComma) {
        EmitBits(1, 1);
    } else if (e.Type == etRightBracket) {
        EmitBits(1, 0);
    } else {
        RaiseError(134);
    }
}

// BRANCH index, [label, ...]
void TTokenizer::CompileBranch() {
    StackDepth = 0;
    CompileAndWriteExpression(true, false);
    ExpectComma();
    ExpectLeftBracket();
    EmitInstruction(tkBranch);
    for (;;) {
        EmitLabelAddress();
        EmitListSeparator();
        if (Elements[LastReadIndex].Type == etRightBracket) {
            break;
        }
    }
}

// LOOKUP index, [value, ...], variable
void TTokenizer::CompileLookup() {
    StackDepth = 0;
    CompileAndWriteExpression(true, false);
    ExpectComma();
    ExpectLeftBracket();
    EmitInstruction(tkLookup);
    CompileValueListAndTarget(2);
}

// LOOKDOWN value, [comparison] [value, ...], variable
void TTokenizer::CompileLookdown() {
    StackDepth = 0;
    CompileAndWriteExpression(true, false);
    ExpectComma();
    EmitInstruction(tkLookdown);
    TElement e;
    NextElement(e);
    int comparison = opEqual;
    if (e.Type == etCompare) {
        comparison = e.Value;
        NextElement(e);
    }
    if (e.Type != etLeftBracket) {
        RaiseError(143);
    }
    // The comparison travels as its code minus 24 (>= is 2 ... < is 7).
    EmitBits(3, static_cast<std::uint16_t>(comparison - 24));
    CompileValueListAndTarget(3);
}

// [value, ...], variable — the bracketed values of LOOKUP and LOOKDOWN and
// the variable that receives the result; `depth` is the stack the values
// are evaluated on.
void TTokenizer::CompileValueListAndTarget(int depth) {
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
void TTokenizer::CompileOn() {
    const int expressionIndex = ElementIndex;
    // Find the GOTO or GOSUB behind the expression first: GOSUB wraps the
    // branch into a call of its own.
    StackDepth = 0;
    CompileExpression(false, false, 0);
    TElement e;
    NextElement(e);
    if (e.Type != etInstruction || (e.Value != insGoto && e.Value != insGosub)) {
        RaiseError(185);
    }
    const bool gosub = e.Value == insGosub;
    const int labelsIndex = ElementIndex;
    int number = 0;
    if (gosub) {
        number = ++GosubCount;
        EmitInstruction(tkGosub);
        EmitBits(8, static_cast<std::uint16_t>(number));
        EmitAddress(static_cast<std::uint16_t>(CodeBitAddress + AddressBits));
    }
    ElementIndex = expressionIndex;
    StackDepth = 0;
    CompileAndWriteExpression(true, false);
    ElementIndex = labelsIndex;
    EmitInstruction(tkBranch);
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
            RaiseError(130);
        }
        EmitBits(1, 0);
        break;
    }
    if (gosub) {
        EmitInstruction(tkReturn);
        PatchAddress(static_cast<std::uint16_t>(AddressBits * number));
    }
}

// RANDOM variable: read and written back from the same elements
void TTokenizer::CompileRandom() {
    const int variableIndex = ElementIndex;
    StackDepth = 0;
    CompileVariable(false);
    WriteBuffer(0, true);
    EmitInstruction(tkRandom);
    ElementIndex = variableIndex;
    StackDepth = 1;
    CompileAndWriteWriteVariable();
}

// value, label, of a serial instruction: the mark and the label's address
// go out first, then the value
void TTokenizer::CompileSerialBranch(int depth) {
    const int valueIndex = ElementIndex;
    StackDepth = depth;
    CompileExpression(false, false, 0);
    ExpectComma();
    EmitBits(8, serialBranchMark);
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
bool TTokenizer::CompileSerialPins(int pinDepth) {
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
void TTokenizer::CompileSerout() {
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
        EmitInstruction(tkSeroutWithFlowPin);
    } else {
        EmitInstruction(tkSerout);
    }
    ExpectLeftBracket();
    CompileOutputItems();
    ExpectRightBracket();
}

// SERIN rpin{\fpin}, baud, {plabel,} {timeout, tlabel,} [items]
void TTokenizer::CompileSerin() {
    const bool flowPin = CompileSerialPins(4);
    TElement e;
    if (PreviewElement(e) && e.Type == etLeftBracket) {
        WriteConstant(1, true);
    } else {
        if (e.Type == etLabel || e.Type == etUndefined) {
            // The parity-error branch.
            EmitBits(8, serialBranchMark);
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
        EmitInstruction(tkSerinWithFlowPin);
    } else {
        EmitInstruction(tkSerin);
    }
    ExpectLeftBracket();
    CompileInputItems();
    ExpectRightBracket();
}

// [items] of an instruction: output or input items between brackets
void TTokenizer::CompileBracketedItems(bool output) {
    ExpectLeftBracket();
    if (output) {
        CompileOutputItems();
    } else {
        CompileInputItems();
    }
    ExpectRightBracket();
}

// FREQOUT pin, duration, freq1 {, freq2}
void TTokenizer::CompileFreqout() {
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
        EmitInstruction(tkFreqoutTwoTones);
    } else {
        EmitInstruction(tkFreqout);
    }
}

// BUTTON pin, downstate, delay, rate, workspace, targetstate, label: the
// workspace is read before the token and written back behind it
void TTokenizer::CompileButton() {
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
    EmitInstruction(tkButton);
    WriteBuffer(3, false);
    EmitBits(1, 0);
    EmitLabelAddress();
}

// DTMFOUT pin, {ontime, offtime,} [tone, ...]: off time before on time
void TTokenizer::CompileDtmfout() {
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
    EmitInstruction(tkDtmfout);
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
void TTokenizer::CompileShift(bool in) {
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
    EmitInstruction(in ? tkShiftin : tkShiftout);
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
void TTokenizer::CompileXout() {
    StackDepth = 0;
    CompileAndWriteExpression(true, true);
    ExpectComma();
    StackDepth = 1;
    CompileAndWriteExpression(true, true);
    EmitInstruction(tkXout);
    ExpectComma();
    ExpectLeftBracket();
    do {
        StackDepth = 2;
        CompileAndWriteExpression(false, false);
        WriteConstant(16, true);
        EmitFlaggedCode(codeModulo);
        ExpectBackslash();
        StackDepth = 3;
        CompileAndWriteExpression(true, false);
        WriteConstant(16, true);
        EmitFlaggedCode(codeMultiply);
        EmitFlaggedCode(codeAdd);
        if (CheckBackslash()) {
            StackDepth = 3;
            CompileAndWriteExpression(true, false);
        } else {
            WriteConstant(2, true);
        }
        EmitFlaggedCode(codeInvert);
        EmitBits(1, 0);
        EmitListSeparator();
    } while (Elements[LastReadIndex].Type != etRightBracket);
}

// LCDIN pin, command, [items] and the like: the value before the pin
void TTokenizer::CompilePinAndItems(int token, bool output) {
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
void TTokenizer::CompileI2c(int token, int tokenWithLowAddress, bool output) {
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

// The baud constant of the programming port, which differs by module.
std::uint16_t TTokenizer::DebugBaud() const {
    return Result.TargetModule == tmKM2B || Result.TargetModule == tmKM2C ? 240 : 84;
}

// Byte k of a transfer: the address held in buffer 1, with k added at run
// time for every byte after the first.
void TTokenizer::WriteByteAddress(int offset, int depth) {
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
bool TTokenizer::CheckWordItem(int sizeError) {
    TElement e;
    if (!Version25 || !PreviewElement(e) || e.Type != etSize) {
        return false;
    }
    NextElement(e);
    if (e.Value != sizeWord) {
        RaiseError(sizeError);
    }
    return true;
}

// A WORD item read from memory must be a whole word variable: its high
// byte is addressed as the byte behind the low one.
void TTokenizer::CheckWordVariable() {
    const int variableIndex = ElementIndex;
    TElement e;
    NextElement(e);
    if (e.Type != etVariable || ((e.Value >> 8) & 3) != sizeWord) {
        RaiseError(173);
    }
    TElement period;
    if (PreviewElement(period) && period.Type == etPeriod) {
        NextElement(period);
        TElement modifier;
        NextElement(modifier);
        SetErrorSpan(e.Start, modifier.Start + modifier.Length - e.Start);
        RaiseError(173);
    }
    ElementIndex = variableIndex;
}

// READ address, item {, item} (with a return address behind each token)
// and GET location, item {, item}: one byte to each variable
void TTokenizer::CompileByteRead(int token, bool withNextAddress) {
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
        const bool word = CheckWordItem(172);
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
void TTokenizer::CompileByteWrite(int token, bool valueFirst) {
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
        const bool word = CheckWordItem(227);
        StackDepth = valueDepth;
        CompileExpressionInto(2, false);
        writeByte(false);
        if (word) {
            writeByte(true);
        }
    } while (Version25 && PreviewElement(e) && e.Type == etComma && NextElement(e));
}

} // namespace wayline
