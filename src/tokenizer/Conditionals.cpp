#include "tokenizer/TokenizerPasses.h"

#include "isa/Keywords.h"

namespace wayline {

TNestingEntry& TTokenizerPasses::PushNesting(TNestingKind kind, int directiveIndex) {
    // Every caller checks its own depth limit first, with its own message,
    // which keeps the stack far below its capacity; this guard only
    // protects the array.
    if (NestingCount >= NestingStackSize) {
        RaiseTokenizeError(msgExpressionTooComplex);
    }
    TNestingEntry& entry = NestingStack[NestingCount++];
    entry = TNestingEntry{};
    entry.Kind = kind;
    entry.DirectiveIndex = static_cast<std::uint16_t>(directiveIndex);
    return entry;
}

bool TTokenizerPasses::SectionExcluded() const {
    return NestingCount > 0 && NestingStack[NestingCount - 1].SkipState != 0;
}

void TTokenizerPasses::SkipToLineEnd() {
    TElement e;
    SeekScannedElement(etEnd, e);
}

// Evaluates buffer 0; a division by zero points at the elements
// firstElement up to (not including) endElement.
std::uint16_t TTokenizerPasses::EvaluateCondition(int firstElement, int endElement) {
    const int savedStart = Result.ErrorStart;
    const int savedLength = Result.ErrorLength;
    // The elements may be cancelled already; their spans are still there.
    const int first = firstElement;
    const int last = endElement - 1;
    if (first < endElement && last >= first && last < ElementCount) {
        const int start = Elements[first].Start;
        SetErrorSpan(start, Elements[last].Start + Elements[last].Length - start);
    }
    const std::uint16_t value = EvaluateBuffer();
    SetErrorSpan(savedStart, savedLength);
    return value;
}

// case value[, value ...]: value is expr, expr TO expr, or comparison expr.
// Leaves the joined condition in buffer 0. The conditional-compile form
// reads the line end (its index goes to lineEnd); the run-time form leaves
// the statement end for the statement pass.
void TTokenizerPasses::BuildCaseCondition(int entryIndex, bool runTime, int& lineEnd) {
    bool any = false;
    TElement e;
    auto compile = [&](int stopIndex) {
        ElementIndex = NestingStack[entryIndex].ExprStart;
        if (runTime) {
            // An earlier part of the condition is on the module's stack.
            StackDepth = any ? 1 : 0;
            CompileExpression(true, false, stopIndex);
        } else {
            CompileCondExpression(stopIndex);
        }
    };
    for (;;) {
        PreviewElement(e);
        const int valueStart = ElementIndex;
        bool isRange = false;
        for (int i = valueStart; i < ElementCount; ++i) {
            const std::uint8_t type = Elements[i].Type;
            if (type == etComma || type == etEnd) {
                break;
            }
            if (type == etTo) {
                isRange = true;
                break;
            }
        }
        // The select expression is compiled again and continues, at its
        // line end, with the value's elements.
        NestingStack[entryIndex].ImpliedCompare = isRange ? opAtLeast : opEqual;
        compile(valueStart);
        if (isRange) {
            CopyBuffer(0, 2);
            ExpectTo();
            PreviewElement(e);
            const int upperStart = ElementIndex;
            NestingStack[entryIndex].ImpliedCompare = opAtMost;
            compile(upperStart);
            CopyBuffer(0, 3);
            CopyBuffer(2, 0);
            AppendBufferWithOperator(3, opAnd);
        }
        if (any) {
            CopyBuffer(0, 3);
            CopyBuffer(1, 0);
            AppendBufferWithOperator(3, opOr);
        }
        CopyBuffer(0, 1);
        any = true;
        if (runTime && PreviewElement(e) && e.Type == etEnd) {
            break;
        }
        NextElement(e);
        if (e.Type == etEnd) {
            lineEnd = LastReadIndex;
            break;
        }
        if (e.Type != etComma) {
            RaiseTokenizeError(msgExpectedCommaOrEnd);
        }
    }
    NestingStack[entryIndex].ImpliedCompare = opEqual;
    CopyBuffer(1, 0);
}

bool TTokenizerPasses::CompileCaseValues(int entryIndex, int& lineEnd) {
    const int firstValue = ElementIndex;
    BuildCaseCondition(entryIndex, false, lineEnd);
    return EvaluateCondition(firstValue, lineEnd) != 0;
}

// #DEFINE name [= expression]
void TTokenizerPasses::DefineConditional(int directiveIndex) {
    if (SectionExcluded()) {
        SkipToLineEnd();
        return;
    }
    TElement e;
    NextElement(e);
    if (e.Type != etUndefined && e.Type != etCondSymbol) {
        RaiseTokenizeError(msgExpectedUserSymbol);
    }
    if (e.Type == etUndefined && Symbols.IsDeclared) {
        RaiseTokenizeError(msgSymbolAlreadyDefined);
    }
    const TSymbolName name = ElementName(e);
    std::uint16_t value = 0xFFFF;
    TElement next;
    PreviewElement(next);
    if (next.Type != etEnd) {
        ExpectEquals();
        const int expressionStart = ElementIndex;
        CompileCondExpression(0);
        value = EvaluateCondition(expressionStart, ElementIndex);
    }
    ExpectEnd();
    const int end = LastReadIndex;
    if (Symbols.FindSymbol(name) && Symbols.CurrentSymbol.Type == etCondSymbol) {
        Symbols.SetSymbolValue(name, value);
    } else {
        TSymbol symbol;
        symbol.Name = name;
        symbol.Type = etCondSymbol;
        symbol.Value = value;
        AddSymbol(symbol);
    }
    CancelElementsAndLine(directiveIndex, end - 1);
}

// #ERROR character[, character ...]
void TTokenizerPasses::RaiseUserErrorDirective(int directiveIndex) {
    if (SectionExcluded()) {
        SkipToLineEnd();
        return;
    }
    int length = 0;
    for (const char c : {'1', '9', '9', '-'}) {
        UserMessage[length++] = c;
    }
    const int start = Elements[directiveIndex].Start;
    int end = start + Elements[directiveIndex].Length;
    TElement e;
    for (;;) {
        NextElement(e);
        if (e.Type != etConstant) {
            RaiseTokenizeError(msgExpectedCharacterValue);
        }
        if (length < static_cast<int>(sizeof UserMessage)) {
            UserMessage[length++] = static_cast<char>(e.Value & 0xFF);
        }
        end = e.Start + e.Length;
        if (Result.Source[end] == '"') {
            ++end; // a string's closing quote belongs to the list
        }
        NextElement(e);
        if (e.Type == etEnd) {
            break;
        }
        if (e.Type != etComma) {
            RaiseTokenizeError(msgExpectedCommaOrEnd);
        }
    }
    SetErrorSpan(start, end - start);
    RaiseUserError(UserMessage, length);
}

void TTokenizerPasses::ResolveConditionals() {
    const bool savedMode = CondCompileMode;
    CondCompileMode = true;
    NestingCount = 0;
    CondIfDepth = 0;
    CondSelectDepth = 0;
    ElementIndex = 0;
    TElement e;
    while (SeekScannedElement(etCondDirective, e)) {
        const int index = LastReadIndex;
        TNestingEntry* top = NestingCount > 0 ? &NestingStack[NestingCount - 1] : nullptr;
        switch (e.Value) {
        case cdIf: { // #IF condition #THEN
            if (CondIfDepth >= MaxNestingLevel) {
                RaiseTokenizeError(msgCondIfNestedTooDeep);
            }
            PushNesting(nkIfBeforeElse, index);
            ++CondIfDepth;
            const int expressionStart = ElementIndex;
            CompileCondExpression(0);
            NextElement(e);
            if (e.Type != etCondThen) {
                RaiseTokenizeError(msgExpectedCondThen);
            }
            const int thenIndex = LastReadIndex;
            CancelElementsAndLine(index, thenIndex);
            TNestingEntry& entry = NestingStack[NestingCount - 1];
            entry.SkipState = EvaluateCondition(expressionStart, thenIndex) == 0 ? 1 : 0;
            entry.RegionStart = static_cast<std::uint16_t>(thenIndex + 1);
            break;
        }
        case cdElse:
            if (CondIfDepth == 0) {
                RaiseTokenizeError(msgCondElseWithoutIf);
            }
            if (top->Kind == nkSelect) {
                RaiseTokenizeError(msgExpectedStatementOrCondEndSelect);
            }
            if (top->Kind == nkIfAfterElse) {
                RaiseTokenizeError(msgExpectedCondEndIf);
            }
            top->Kind = nkIfAfterElse;
            if (top->SkipState == 0) {
                top->RegionStart = static_cast<std::uint16_t>(index);
            }
            CancelElementsAndLine(top->RegionStart, index);
            top->SkipState ^= 1;
            top->RegionStart = static_cast<std::uint16_t>(index + 1);
            break;
        case cdEndIf:
            if (CondIfDepth == 0) {
                RaiseTokenizeError(msgCondEndIfWithoutIf);
            }
            if (top->Kind == nkSelect) {
                RaiseTokenizeError(msgExpectedStatementOrCondEndSelect);
            }
            if (top->SkipState == 0) {
                top->RegionStart = static_cast<std::uint16_t>(index);
            }
            CancelElementsAndLine(top->RegionStart, index);
            --NestingCount;
            --CondIfDepth;
            break;
        case cdSelect: { // #SELECT expression
            if (CondSelectDepth >= MaxNestingLevel) {
                RaiseTokenizeError(msgCondSelectNestedTooDeep);
            }
            TNestingEntry& entry = PushNesting(nkSelect, index);
            ++CondSelectDepth;
            entry.ExprStart = static_cast<std::uint16_t>(ElementIndex);
            entry.SkipState = 1;
            entry.RegionEnd = 0;
            entry.ImpliedCompare = opEqual;
            EvaluateConstant(false, true);
            ExpectEnd();
            TElement next;
            if (!PreviewElement(next) || next.Type != etCondDirective || next.Value != cdCase) {
                NextElement(next);
                RaiseTokenizeError(msgExpectedCondCase);
            }
            break;
        }
        case cdCase: { // #CASE values | #CASE #ELSE
            if (CondSelectDepth == 0) {
                RaiseTokenizeError(msgCondCaseWithoutSelect);
            }
            if (top->Kind != nkSelect) {
                RaiseTokenizeError(msgExpectedStatementOrCondEndIf);
            }
            if (top->SkipState == 0) {
                top->RegionEnd = static_cast<std::uint16_t>(index);
                top->SkipState = 2;
            }
            TElement next;
            PreviewElement(next);
            bool taken = false;
            int lineEnd = index;
            if (next.Type == etInstruction && next.Value == kwElse) {
                NextElement(next);
                RaiseTokenizeError(msgExpectedCondElse);
            }
            const int entryIndex = NestingCount - 1;
            if (next.Type == etCondDirective && next.Value == cdElse) {
                NextElement(next);
                ExpectEnd();
                lineEnd = LastReadIndex;
                taken = true;
            } else {
                taken = CompileCaseValues(entryIndex, lineEnd);
            }
            // Only the first matching case, or the default when none
            // matched, is kept.
            TNestingEntry& entry = NestingStack[entryIndex];
            if (entry.SkipState == 1 && taken) {
                entry.RegionStart = static_cast<std::uint16_t>(lineEnd);
                entry.SkipState = 0;
            }
            break;
        }
        case cdEndSelect:
            if (CondSelectDepth == 0) {
                RaiseTokenizeError(msgCondEndSelectWithoutSelect);
            }
            if (top->Kind != nkSelect) {
                RaiseTokenizeError(msgExpectedStatementOrCondEndIf);
            }
            if (top->SkipState == 0) {
                top->RegionEnd = static_cast<std::uint16_t>(index);
            }
            if (top->RegionEnd != 0) {
                CancelElementsAndLine(top->DirectiveIndex, top->RegionStart);
                CancelElementsAndLine(top->RegionEnd, index);
            } else {
                CancelElementsAndLine(top->DirectiveIndex, index);
            }
            --NestingCount;
            --CondSelectDepth;
            break;
        case cdDefine:
            DefineConditional(index);
            break;
        case cdError:
            RaiseUserErrorDirective(index);
            break;
        default:
            break;
        }
    }
    if (Version25 && NestingCount > 0) {
        const TNestingEntry& open = NestingStack[NestingCount - 1];
        const TElement& directive = Elements[open.DirectiveIndex];
        SetErrorSpan(directive.Start, directive.Length);
        RaiseTokenizeError(open.Kind == nkSelect ? msgCondSelectWithoutEndSelect
                                                 : msgCondIfWithoutEndIf);
    }
    NestingCount = 0;
    CondCompileMode = savedMode;
}

} // namespace wayline
