#include "tokenizer/TokenizerPasses.h"

#include "isa/Instructions.h"
#include "isa/Keywords.h"

namespace wayline {

// A 14-bit field skipped now and filled later with PatchAddress.
std::uint16_t TTokenizerPasses::ReserveAddress() {
    if (CodeBitAddress + AddressBits > ProgramBitCapacity) {
        RaiseTokenizeError(msgEepromFull);
    }
    const std::uint16_t at = CodeBitAddress;
    CodeBitAddress = static_cast<std::uint16_t>(CodeBitAddress + AddressBits);
    return at;
}

// The first unused of the block's exit jumps; `whenFull` when all are used.
int TTokenizerPasses::FreeExitSlot(const TNestingEntry& entry, TMessage whenFull) {
    int slot = 0;
    while (slot < MaxExits && entry.ExitAddresses[slot] != 0) {
        ++slot;
    }
    if (slot == MaxExits) {
        RaiseTokenizeError(whenFull);
    }
    return slot;
}

// Points the block's pending jump and its exits at the current address.
void TTokenizerPasses::FillBlockJumps(TNestingEntry& entry) {
    for (std::uint16_t& exit : entry.ExitAddresses) {
        if (exit == 0) {
            break;
        }
        PatchAddress(exit);
        exit = 0;
    }
    if (entry.PendingAddress != 0) {
        PatchAddress(entry.PendingAddress);
        entry.PendingAddress = 0;
    }
}

// A closing or continuing keyword found another block on top.
void TTokenizerPasses::CheckBlockMismatch() {
    if (NestingCount == 0) {
        return;
    }
    switch (NestingStack[NestingCount - 1].Kind) {
    case nkFor:
        RaiseTokenizeError(msgExpectedStatementOrNext);
    case nkDo:
        RaiseTokenizeError(msgExpectedStatementOrLoop);
    case nkSelect:
        RaiseTokenizeError(msgExpectedStatementOrEndSelect);
    case nkOneLineAfterElse:
    case nkOneLineAfterThen:
        return;
    case nkOneLineElsePart:
    case nkOneLineThenPart:
    case nkIfAfterElse:
    case nkIfBeforeElse:
        RaiseTokenizeError(msgExpectedStatementOrEndIf);
    }
}

// IF condition THEN label | IF condition THEN [statements] (also ELSEIF)
void TTokenizerPasses::CompileIf(int keywordIndex, bool elseIf) {
    if (!elseIf && IfDepth >= MaxNestingLevel) {
        RaiseTokenizeError(msgIfNestedTooDeep);
    }
    // Look ahead past the condition to what follows THEN.
    bool jumpForm = !Version25;
    bool blockForm = false;
    int i = ElementIndex;
    for (i = NextLiveElement(i); i < ElementCount; i = NextLiveElement(i + 1)) {
        if (Elements[i].Type == etThen || Elements[i].Type == etEnd) {
            break;
        }
    }
    if (i < ElementCount && Elements[i].Type == etThen) {
        const int after = NextLiveElement(i + 1);
        if (after < ElementCount) {
            TElement e = Elements[after];
            if (e.Type == etUndefined && Symbols.FindSymbol(ElementName(e))) {
                e.Type = Symbols.CurrentSymbol.Type;
            }
            if (e.Type == etLabel || e.Type == etUndefined) {
                jumpForm = true;
            } else if (e.Type == etInstruction && e.Value == kwGoto) {
                const int name = NextLiveElement(after + 1);
                const int end = NextLiveElement(name + 1);
                if (name < ElementCount && end < ElementCount &&
                    (Elements[name].Type == etUndefined || Elements[name].Type == etLabel) &&
                    Elements[end].Type == etEnd && Elements[end].Value == 0) {
                    jumpForm = true;
                }
            }
            blockForm = e.Type == etEnd;
        }
    }
    StackDepth = 0;
    CompileExpression(true, false, 0);
    WriteBuffer(0, true);
    EmitInstruction(inConditionalJump);
    TElement e;
    NextElement(e);
    if (e.Type != etThen) {
        RaiseTokenizeError(msgExpectedThen);
    }
    if (jumpForm) {
        TElement next;
        if (Version25 && PreviewElement(next) && next.Type == etInstruction &&
            next.Value == kwGoto) {
            NextElement(next);
        }
        EmitLabelAddress();
        return;
    }
    const std::uint16_t conditional = ReserveAddress();
    EmitInstruction(inGoto);
    const std::uint16_t pending = ReserveAddress();
    PatchAddress(conditional);
    if (!elseIf) {
        if (NestingCount >= NestingStackSize) {
            RaiseTokenizeError(msgIfNestedTooDeep);
        }
        TNestingEntry& entry =
            PushNesting(blockForm ? nkIfBeforeElse : nkOneLineAfterThen, keywordIndex);
        entry.PendingAddress = pending;
        ++IfDepth;
    } else {
        TNestingEntry& entry = NestingStack[NestingCount - 1];
        entry.PendingAddress = pending;
        if (entry.Kind == nkOneLineThenPart) {
            entry.Kind = nkOneLineAfterThen;
        }
    }
}

// ELSEIF condition THEN ...
void TTokenizerPasses::CompileElseIf() {
    if (IfDepth == 0) {
        RaiseTokenizeError(msgElseIfWithoutIf);
    }
    TNestingEntry* entry = &NestingStack[NestingCount - 1];
    const int slot = FreeExitSlot(*entry, msgTooManyElseIfs);
    if (!IsIf(entry->Kind)) {
        CheckBlockMismatch();
    }
    if (entry->Kind == nkIfAfterElse) {
        RaiseTokenizeError(msgElseIfAfterElse);
    }
    // The previous branch jumps to the end; the condition starts here.
    EmitInstruction(inGoto);
    entry->ExitAddresses[slot] = ReserveAddress();
    if (entry->PendingAddress != 0) {
        PatchAddress(entry->PendingAddress);
        entry->PendingAddress = 0;
    }
    CompileIf(entry->DirectiveIndex, true);
}

// ELSE
void TTokenizerPasses::CompileElse() {
    if (IfDepth == 0) {
        RaiseTokenizeError(msgElseWithoutIf);
    }
    if (!IsIf(NestingStack[NestingCount - 1].Kind)) {
        CheckBlockMismatch();
    }
    TNestingEntry& entry = NestingStack[NestingCount - 1];
    if (entry.Kind == nkOneLineThenPart || entry.Kind == nkIfBeforeElse) {
        EmitInstruction(inGoto);
        const std::uint16_t jump = ReserveAddress();
        PatchAddress(entry.PendingAddress);
        entry.PendingAddress = jump;
        entry.Kind = entry.Kind == nkIfBeforeElse ? nkIfAfterElse : nkOneLineAfterElse;
        return;
    }
    if (entry.Kind == nkIfAfterElse) {
        RaiseTokenizeError(msgExpectedStatementOrEndIf);
    }
    RaiseTokenizeError(msgExpectedStatementOrEnd);
}

void TTokenizerPasses::CompileEndIf() {
    if (IfDepth == 0) {
        RaiseTokenizeError(msgEndIfWithoutIf);
    }
    if (!IsIf(NestingStack[NestingCount - 1].Kind)) {
        CheckBlockMismatch();
    }
    FillBlockJumps(NestingStack[NestingCount - 1]);
    --NestingCount;
    --IfDepth;
}

// The condition after WHILE or UNTIL, written and followed by T13.
void TTokenizerPasses::CompileLoopCondition() {
    StackDepth = 0;
    CompileExpression(true, false, 0);
    WriteBuffer(0, true);
    EmitInstruction(inConditionalJump);
}

// DO [WHILE | UNTIL condition]
void TTokenizerPasses::CompileDo(int keywordIndex) {
    if (DoDepth >= MaxNestingLevel) {
        RaiseTokenizeError(msgDoNestedTooDeep);
    }
    if (NestingCount >= NestingStackSize) {
        RaiseTokenizeError(msgDoNestedTooDeep);
    }
    PushNesting(nkDo, keywordIndex).LoopAddress = CodeBitAddress;
    const int entryIndex = NestingCount - 1;
    ++DoDepth;
    TElement e;
    if (PreviewElement(e) && e.Type == etEnd) {
        return;
    }
    NextElement(e);
    if (e.Type != etWhile && e.Type != etUntil) {
        RaiseTokenizeError(msgExpectedWhileUntilOrEnd);
    }
    CompileLoopCondition();
    if (e.Type == etUntil) {
        NestingStack[entryIndex].PendingAddress = ReserveAddress();
    } else {
        const std::uint16_t enter = ReserveAddress();
        EmitInstruction(inGoto);
        NestingStack[entryIndex].PendingAddress = ReserveAddress();
        PatchAddress(enter);
    }
}

// LOOP [WHILE | UNTIL condition]
void TTokenizerPasses::CompileLoop() {
    if (DoDepth == 0) {
        RaiseTokenizeError(msgLoopWithoutDo);
    }
    if (NestingStack[NestingCount - 1].Kind != nkDo) {
        CheckBlockMismatch();
    }
    TNestingEntry& entry = NestingStack[NestingCount - 1];
    TElement e;
    if (!PreviewElement(e) || e.Type == etEnd) {
        EmitInstruction(inGoto);
        EmitAddress(entry.LoopAddress);
    } else {
        NextElement(e);
        if (e.Type != etWhile && e.Type != etUntil) {
            RaiseTokenizeError(msgExpectedWhileUntilOrEnd);
        }
        if (entry.PendingAddress != 0) {
            RaiseTokenizeError(msgConditionAtDoAndLoop);
        }
        CompileLoopCondition();
        if (e.Type == etWhile) {
            EmitAddress(entry.LoopAddress);
        } else {
            const std::uint16_t leave = ReserveAddress();
            EmitInstruction(inGoto);
            EmitAddress(entry.LoopAddress);
            PatchAddress(leave);
        }
    }
    FillBlockJumps(entry);
    --NestingCount;
    --DoDepth;
}

void TTokenizerPasses::CompileExit() {
    if (ForDepth == 0 && DoDepth == 0) {
        RaiseTokenizeError(msgExitOutsideLoop);
    }
    int index = NestingCount - 1;
    while (index >= 0 && NestingStack[index].Kind != nkFor && NestingStack[index].Kind != nkDo) {
        --index;
    }
    if (index < 0) {
        RaiseTokenizeError(msgExitOutsideLoop);
    }
    TNestingEntry& entry = NestingStack[index];
    const int slot = FreeExitSlot(entry, msgTooManyExits);
    EmitInstruction(inGoto);
    entry.ExitAddresses[slot] = ReserveAddress();
}

// FOR variable = start TO end [STEP step]
void TTokenizerPasses::CompileFor(int keywordIndex) {
    if (ForDepth >= MaxNestingLevel || NestingCount >= NestingStackSize) {
        RaiseTokenizeError(msgForNestedTooDeep);
    }
    CompileAssignment();
    PushNesting(nkFor, keywordIndex).LoopAddress = CodeBitAddress;
    ++ForDepth;
    ExpectTo();
    // End and step are written at NEXT; here only their form is checked.
    StackDepth = 0;
    CompileExpression(false, false, 0);
    TElement e;
    if (PreviewElement(e) && e.Type == etEnd) {
        return;
    }
    NextElement(e);
    if (e.Type != etStep) {
        RaiseTokenizeError(msgExpectedStepOrEnd);
    }
    StackDepth = 0;
    CompileExpression(false, false, 0);
}

// NEXT: the loop's test and step, compiled again from the FOR statement
void TTokenizerPasses::CompileNext() {
    if (ForDepth == 0) {
        RaiseTokenizeError(msgNextWithoutFor);
    }
    if (NestingStack[NestingCount - 1].Kind != nkFor) {
        CheckBlockMismatch();
    }
    TNestingEntry& entry = NestingStack[NestingCount - 1];
    const int resume = ElementIndex;
    const int variable = entry.DirectiveIndex + 1;
    ElementIndex = variable;
    StackDepth = 2;
    CompileReadVariableInto(1);
    ElementIndex = variable;
    StackDepth = 3;
    CompileWriteVariableInto(2);
    ExpectEquals();
    StackDepth = 1;
    CompileExpressionInto(3, false);
    ExpectTo();
    StackDepth = 0;
    CompileExpression(false, false, 0);
    WriteBuffer(0, true);
    WriteBuffer(3, true);
    EmitInstruction(inForStep);
    WriteBuffer(1, false);
    TElement e;
    if (PreviewElement(e) && e.Type == etStep) {
        NextElement(e);
        StackDepth = 3;
        CompileAndWriteExpression(true, false);
    } else {
        WriteConstant(1, true);
    }
    EmitBits(1, 0);
    WriteBuffer(2, false);
    EmitBits(1, 0);
    EmitAddress(entry.LoopAddress);
    FillBlockJumps(entry);
    --NestingCount;
    --ForDepth;
    ElementIndex = resume;
}

// After each statement: one-line IF parts run to the line end.
void TTokenizerPasses::EndStatement() {
    if (IfDepth > 0 && NestingCount > 0 && IsOneLineIf(NestingStack[NestingCount - 1].Kind)) {
        TNestingEntry& top = NestingStack[NestingCount - 1];
        if (top.Kind == nkOneLineAfterThen || top.Kind == nkOneLineAfterElse) {
            // The IF or ELSE itself: its first statement follows on the line.
            top.Kind = top.Kind == nkOneLineAfterThen ? nkOneLineThenPart : nkOneLineElsePart;
            return;
        }
        TElement e;
        if (top.Kind == nkOneLineThenPart && PreviewElement(e) && e.Type == etInstruction &&
            (e.Value == kwElse || e.Value == kwElseIf)) {
            return;
        }
        if (ExpectEnd() == 1) {
            return;
        }
        // The line ends every one-line IF open on it.
        while (NestingCount > 0 && IsOneLineIf(NestingStack[NestingCount - 1].Kind) &&
               IfDepth > 0) {
            FillBlockJumps(NestingStack[NestingCount - 1]);
            --NestingCount;
            --IfDepth;
        }
        return;
    }
    ExpectEnd();
}

// SELECT expression
void TTokenizerPasses::CompileSelect(int keywordIndex) {
    if (SelectDepth >= MaxNestingLevel || NestingCount >= NestingStackSize) {
        RaiseTokenizeError(msgSelectNestedTooDeep);
    }
    PushNesting(nkSelect, keywordIndex).ExprStart = static_cast<std::uint16_t>(ElementIndex);
    ++SelectDepth;
    // Only its form is checked here; every CASE compiles it again.
    StackDepth = 0;
    CompileExpression(false, false, 0);
    TElement e;
    NextElement(e);
    if (e.Type != etEnd) {
        RaiseTokenizeError(msgExpectedEnd);
    }
    const int end = LastReadIndex;
    TElement next;
    if (!PreviewElement(next) || next.Type != etInstruction || next.Value != kwCase) {
        NextElement(next);
        RaiseTokenizeError(msgExpectedCase);
    }
    ElementIndex = end;
}

// CASE value, ... | CASE ELSE
void TTokenizerPasses::CompileCase() {
    if (SelectDepth == 0) {
        RaiseTokenizeError(msgCaseWithoutSelect);
    }
    if (NestingStack[NestingCount - 1].Kind != nkSelect) {
        CheckBlockMismatch();
    }
    const int entryIndex = NestingCount - 1;
    TNestingEntry& entry = NestingStack[entryIndex];
    if (entry.PendingAddress != 0) {
        if (CodeBitAddress == entry.PendingAddress + AddressBits) {
            RaiseTokenizeError(msgEmptyCase);
        }
        const int slot = FreeExitSlot(entry, msgTooManyCases);
        EmitInstruction(inGoto);
        entry.ExitAddresses[slot] = ReserveAddress();
        PatchAddress(entry.PendingAddress);
        entry.PendingAddress = 0;
    }
    TElement e;
    if (PreviewElement(e) && e.Type == etInstruction && e.Value == kwElse) {
        NextElement(e);
        return;
    }
    int lineEnd = 0;
    BuildCaseCondition(entryIndex, true, lineEnd);
    WriteBuffer(0, true);
    EmitInstruction(inConditionalJump);
    const std::uint16_t taken = ReserveAddress();
    EmitInstruction(inGoto);
    NestingStack[entryIndex].PendingAddress = ReserveAddress();
    PatchAddress(taken);
}

void TTokenizerPasses::CompileEndSelect() {
    if (SelectDepth == 0) {
        RaiseTokenizeError(msgEndSelectWithoutSelect);
    }
    if (NestingStack[NestingCount - 1].Kind != nkSelect) {
        CheckBlockMismatch();
    }
    TNestingEntry& entry = NestingStack[NestingCount - 1];
    if (entry.PendingAddress != 0 && CodeBitAddress == entry.PendingAddress + AddressBits) {
        RaiseTokenizeError(msgEmptyCase);
    }
    FillBlockJumps(entry);
    --NestingCount;
    --SelectDepth;
}

} // namespace wayline
