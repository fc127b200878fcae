#include "tokenizer/TokenizerPasses.h"

namespace wayline {

namespace {

// Index of the highest set bit; 0 for 0 and 1.
int HighestBit(std::uint16_t value) {
    int k = 0;
    while (value > 1) {
        value >>= 1;
        ++k;
    }
    return k;
}

bool IsCondCompileOperator(std::uint16_t code) {
    switch (code) {
    case opAnd:
    case opOr:
    case opXor:
    case opAdd:
    case opSubtract:
    case opMultiply:
    case opDivide:
    case opShiftLeft:
    case opShiftRight:
        return true;
    default:
        return false;
    }
}

} // namespace

void TTokenizerPasses::AppendBits(int count, std::uint16_t value) {
    TExpressionBuffer& buffer = ExpressionBuffer[0];
    if (count > 0 && buffer.Length + count > ExpressionBufferLimit - 1) {
        RaiseTokenizeError(msgExpressionTooComplex);
    }
    // A word at a time: the bits that fall into the same word are shifted
    // in together (count is at most 16).
    int remaining = count;
    while (remaining > 0) {
        const int used = buffer.Length % 16;
        std::uint16_t& word = buffer.Words[buffer.Length / 16];
        if (used == 0) {
            word = 0;
        }
        const int take = remaining < 16 - used ? remaining : 16 - used;
        const unsigned bits =
            (static_cast<unsigned>(value) >> (remaining - take)) & ((1u << take) - 1);
        word = static_cast<std::uint16_t>((static_cast<unsigned>(word) << take) | bits);
        buffer.Length = static_cast<std::uint16_t>(buffer.Length + take);
        remaining -= take;
    }
}

void TTokenizerPasses::AppendBuffer(const TExpressionBuffer& source) {
    // Copy first: the source may be buffer 0's own copy in another slot.
    const TExpressionBuffer copy = source;
    const int fullWords = copy.Length / 16;
    for (int w = 0; w < fullWords; ++w) {
        AppendBits(16, copy.Words[w]);
    }
    if (copy.Length % 16 != 0) {
        AppendBits(copy.Length % 16, copy.Words[fullWords]);
    }
}

void TTokenizerPasses::EmitOperatorToken(int code) {
    // Keep the module's eight-entry run-time stack from overflowing; SQR
    // and ATN take a spare entry.
    if ((code == opSqr || code == opAtn) && StackDepth >= RunTimeStackSize) {
        RaiseTokenizeError(msgExpressionTooComplex);
    }
    if (code >= FirstBinaryOperator && code < OperatorCodeCount) {
        --StackDepth; // two values in, one out
    } else if (code >= FirstConstantCode && code <= VariableCode(false, false, csWord)) {
        // A constant or a plain read pushes a value.
        if (StackDepth >= RunTimeStackSize) {
            RaiseTokenizeError(msgExpressionTooComplex);
        }
        ++StackDepth;
    } else if (code >= VariableCode(true, true, csBit) && code < ExpressionCodeCount) {
        --StackDepth; // an indexed write takes its index off
    }
    if (ExpressionBuffer[0].Length == 0) {
        AppendBits(ExpressionCodeBits, static_cast<std::uint16_t>(code));
    } else {
        // Every code after the first is announced by a 1 bit.
        AppendBits(1 + ExpressionCodeBits,
                   static_cast<std::uint16_t>(1u << ExpressionCodeBits | code));
    }
}

void TTokenizerPasses::EmitConstantToken(std::uint16_t value) {
    const int k = HighestBit(value);
    EmitOperatorToken(ConstantCode(k));
    if (value == 0) {
        AppendBits(1, 1);
    } else if ((value & (value - 1)) == 0) {
        AppendBits(1, 0);
    } else {
        AppendBits(k + 1, value);
    }
}

// variable[.modifier ...]: narrows the cell step by step
void TTokenizerPasses::ApplyModifiers(TElement& element) {
    int size = (element.Value >> 8) & 3;
    int address = element.Value & 0xFF;
    TElement e;
    while (PreviewElement(e) && e.Type == etPeriod) {
        NextElement(e);
        if (size == csBit) {
            RaiseTokenizeError(msgVariableAlreadyBitSize);
        }
        NextElement(e);
        if (e.Type != etModifier) {
            RaiseTokenizeError(msgExpectedModifier);
        }
        const int modifierSize = (e.Value >> 8) & 3;
        if (modifierSize >= size) {
            RaiseTokenizeError(msgExpectedSmallerModifier);
        }
        const int units = 1 << (CellWidthLog2(size) - CellWidthLog2(modifierSize));
        const int index = (e.Value & 0x80) != 0 ? units - 1 : (e.Value & 0x7F);
        if (index > units - 1) {
            RaiseTokenizeError(msgModifierOutOfRange);
        }
        address = address * units + index;
        size = modifierSize;
    }
    element.Type = etVariable;
    element.Value = static_cast<std::uint16_t>((size << 8) | (address & 0xFF));
    Symbols.NewSymbol.Type = etVariable;
    Symbols.NewSymbol.Value = element.Value;
}

// [(index)] behind a variable: the index goes in front of its code
bool TTokenizerPasses::CompileVariableIndex() {
    TElement e;
    if (!PreviewElement(e) || e.Type != etLeftParen) {
        return false;
    }
    NextElement(e);
    PushOperator(OperatorMarker);
    ++MarkerCount;
    CompileExpressionBody(false, true, 0);
    if (OperatorHeight > 0 && OperatorStack[OperatorHeight - 1] == OperatorMarker) {
        --OperatorHeight;
        --MarkerCount;
    }
    ExpectRightParen();
    return true;
}

// variable[.modifiers][(index)]
void TTokenizerPasses::EmitVariableToken(const TElement& element, bool write) {
    TElement variable = element;
    ApplyModifiers(variable);
    const bool indexed = CompileVariableIndex();
    const int size = (variable.Value >> 8) & 3;
    EmitOperatorToken(VariableCode(write, indexed, size));
    AppendBits(VariableCellBits[size], variable.Value & 0xFF);
}

void TTokenizerPasses::PushOperator(std::uint8_t entry) {
    if (OperatorHeight >= OperatorStackSize) {
        RaiseTokenizeError(msgExpressionTooComplex);
    }
    OperatorStack[OperatorHeight++] = entry;
}

// Writes the operators above the nearest marker (which stays) or the base.
void TTokenizerPasses::WriteOperatorsToMarker() {
    while (OperatorHeight > OperatorBase && OperatorStack[OperatorHeight - 1] != OperatorMarker) {
        EmitOperatorToken(OperatorStack[--OperatorHeight]);
    }
}

// Drops the top marker, then writes the operators down to the next one.
void TTokenizerPasses::RemoveMarkerAndWrite() {
    if (OperatorHeight > OperatorBase && OperatorStack[OperatorHeight - 1] == OperatorMarker) {
        --OperatorHeight;
        --MarkerCount;
    }
    WriteOperatorsToMarker();
}

void TTokenizerPasses::CompileExpression(bool condition, bool pinsAsNumbers, int stopIndex) {
    OperatorHeight = 0;
    OperatorBase = 0;
    MarkerCount = 0;
    ExpressionBuffer[0].Length = 0;
    CompileExpressionBody(condition, pinsAsNumbers, stopIndex);
}

void TTokenizerPasses::CompileCondExpression(int stopIndex) {
    StackDepth = 0;
    const bool saved = CondCompileMode;
    CondCompileMode = true;
    CompileExpression(true, false, stopIndex);
    CondCompileMode = saved;
}

// expression: operands and operators, applied strictly left to right;
// in condition mode comparisons, then AND/OR/XOR bind ever more loosely
void TTokenizerPasses::CompileExpressionBody(bool condition, bool pinsAsNumbers, int stopIndex) {
    const int savedBase = OperatorBase;
    const int savedMarkers = MarkerCount;
    OperatorBase = OperatorHeight;
    MarkerCount = 0;
    bool stopPending = stopIndex != 0;
    bool jumpedToStop = false;
    const bool condMode = CondCompileMode;

    enum {
        stBeginCondition,
        stOperand,
        stAfterOperand,
        stEnd
    } step = condition ? stBeginCondition : stOperand;
    TElement e;
    while (step != stEnd) {
        switch (step) {
        case stBeginCondition: {
            PushOperator(OperatorMarker);
            PushOperator(OperatorMarker);
            MarkerCount += 2;
            NextElement(e);
            while (e.Type == etLeftParen) {
                PushOperator(OperatorMarker);
                ++MarkerCount;
                NextElement(e);
            }
            if (e.Type == etNot) {
                if (stopIndex != 0) {
                    RaiseTokenizeError(msgExpectedOperand);
                }
                for (int i = 0; i < 2 && OperatorHeight > OperatorBase; ++i) {
                    if (OperatorStack[--OperatorHeight] == OperatorMarker) {
                        --MarkerCount;
                    }
                }
                PushOperator(opInvert);
                break;
            }
            StepBack();
            step = stOperand;
            break;
        }
        case stOperand: {
            NextElement(e);
            bool isConstant = false;
            std::uint16_t value = e.Value;
            switch (e.Type) {
            case etVariable:
                break;
            case etConstant:
                isConstant = true;
                break;
            case etPinSymbol:
                isConstant = pinsAsNumbers;
                break;
            case etDirective:
            case etTargetModule:
            case etCondSymbol:
                if (!condMode) {
                    RaiseTokenizeError(msgExpectedOperand);
                }
                isConstant = true;
                break;
            case etUndefined:
                if (!condMode) {
                    RaiseTokenizeError(msgUndefinedSymbol);
                }
                if (Symbols.IsDeclared) {
                    RaiseTokenizeError(msgIllegalCondSymbol);
                }
                isConstant = true;
                value = 0;
                break;
            case etBinaryOp:
                if (e.Value == opSubtract) {
                    PushOperator(opNegate);
                    continue;
                }
                RaiseTokenizeError(condMode ? msgExpectedCondOperand : msgExpectedOperand);
            case etUnaryOp:
                if (condMode) {
                    RaiseTokenizeError(msgIllegalCondOperator);
                }
                PushOperator(static_cast<std::uint8_t>(e.Value));
                continue;
            case etLeftParen:
                PushOperator(OperatorMarker);
                ++MarkerCount;
                continue;
            default:
                RaiseTokenizeError(condMode ? msgExpectedCondOperand : msgExpectedOperand);
            }
            if (isConstant) {
                EmitConstantToken(value);
            } else {
                if (e.Type == etPinSymbol) {
                    // A pin read as a variable is its input bit.
                    e.Type = etVariable;
                    e.Value = static_cast<std::uint16_t>(e.Value & 0xFF);
                }
                EmitVariableToken(e, false);
            }
            step = stAfterOperand;
            break;
        }
        case stAfterOperand: {
            WriteOperatorsToMarker();
            NextElement(e);
            if (stopPending && (LastReadIndex == stopIndex || jumpedToStop)) {
                stopPending = false;
                if (e.Type != etCompare) {
                    // The value's own operand follows; compare with the
                    // implied comparison first.
                    StepBack();
                    e.Type = etCompare;
                    e.Value =
                        NestingCount > 0 ? NestingStack[NestingCount - 1].ImpliedCompare : opEqual;
                } else if (NestingCount > 0 &&
                           NestingStack[NestingCount - 1].ImpliedCompare != opEqual) {
                    RaiseTokenizeError(msgExpectedOperand);
                }
            }
            switch (e.Type) {
            case etBinaryOp:
                if (condMode && !IsCondCompileOperator(e.Value)) {
                    RaiseTokenizeError(msgIllegalCondOperator);
                }
                PushOperator(static_cast<std::uint8_t>(e.Value));
                step = stOperand;
                break;
            case etCompare:
                if (!condition) {
                    RaiseTokenizeError(msgExpectedBinaryOperator);
                }
                RemoveMarkerAndWrite();
                PushOperator(static_cast<std::uint8_t>(e.Value));
                PushOperator(OperatorMarker);
                ++MarkerCount;
                step = stOperand;
                break;
            case etLogicalOp:
                if (!condition || stopIndex != 0) {
                    RaiseTokenizeError(msgExpectedBinaryOperator);
                }
                RemoveMarkerAndWrite();
                RemoveMarkerAndWrite();
                PushOperator(static_cast<std::uint8_t>(e.Value));
                step = stBeginCondition;
                break;
            case etRightParen:
                if (condition && MarkerCount == 2) {
                    StepBack();
                    step = stEnd;
                    break;
                }
                if (OperatorHeight > OperatorBase) {
                    if (OperatorStack[--OperatorHeight] == OperatorMarker) {
                        --MarkerCount;
                    }
                    break; // after the operand again
                }
                StepBack();
                step = stEnd;
                break;
            case etVariable:
            case etPinSymbol:
            case etUnaryOp:
            case etConstant:
            case etLeftParen:
                RaiseTokenizeError(msgExpectedBinaryOperator);
            case etUndefined:
                RaiseTokenizeError(msgUndefinedSymbol);
            default:
                if (stopPending) {
                    // The select expression is done; its value follows.
                    ElementIndex = stopIndex;
                    jumpedToStop = true;
                    break;
                }
                StepBack();
                step = stEnd;
                break;
            }
            break;
        }
        case stEnd:
            break;
        }
    }

    if (condition) {
        RemoveMarkerAndWrite();
        RemoveMarkerAndWrite();
    }
    if (OperatorHeight != OperatorBase) {
        RaiseTokenizeError(msgExpectedBinaryOperator);
    }
    OperatorBase = savedBase;
    MarkerCount = savedMarkers;
}

// variable: the target or source of an instruction
void TTokenizerPasses::CompileVariable(bool write) {
    OperatorHeight = 0;
    OperatorBase = 0;
    MarkerCount = 0;
    ExpressionBuffer[0].Length = 0;
    TElement e;
    NextElement(e);
    if (e.Type == etPinSymbol) {
        // Pins read as INn and are written as OUTn.
        e.Type = etVariable;
        e.Value = static_cast<std::uint16_t>((e.Value & 0xFF) + (write ? 16 : 0));
    } else if (e.Type != etVariable) {
        RaiseTokenizeError(msgExpectedVariable);
    }
    EmitVariableToken(e, write);
}

// word variable[(index)] as the target of its high byte: the byte behind
// the low one. An index counts words, so it is doubled to count bytes.
void TTokenizerPasses::CompileHighByteWriteVariable() {
    OperatorHeight = 0;
    OperatorBase = 0;
    MarkerCount = 0;
    ExpressionBuffer[0].Length = 0;
    TElement e;
    NextElement(e);
    const bool indexed = CompileVariableIndex();
    if (indexed) {
        EmitConstantToken(2);
        EmitOperatorToken(opMultiply);
    }
    EmitOperatorToken(VariableCode(true, indexed, csByte));
    AppendBits(VariableCellBits[csByte], static_cast<std::uint16_t>(2 * (e.Value & 0xFF) + 1));
    WriteBuffer(0, false);
    EmitBits(1, 0);
}

void TTokenizerPasses::CopyBuffer(int from, int to) {
    ExpressionBuffer[to & 3] = ExpressionBuffer[from & 3];
}

void TTokenizerPasses::AppendBufferWithOperator(int n, int code) {
    AppendBits(1, 1);
    AppendBuffer(ExpressionBuffer[n & 3]);
    EmitOperatorToken(code);
}

void TTokenizerPasses::CompileExpressionInto(int n, bool pinsAsNumbers) {
    CompileExpression(false, pinsAsNumbers, 0);
    CopyBuffer(0, n);
}

void TTokenizerPasses::CompileReadVariableInto(int n) {
    CompileVariable(false);
    CopyBuffer(0, n);
}

void TTokenizerPasses::CompileWriteVariableInto(int n) {
    CompileVariable(true);
    CopyBuffer(0, n);
}

void TTokenizerPasses::CompileAndWriteExpression(bool leadingOneBit, bool pinsAsNumbers) {
    CompileExpression(false, pinsAsNumbers, 0);
    WriteBuffer(0, leadingOneBit);
}

void TTokenizerPasses::CompileAndWriteWriteVariable() {
    CompileVariable(true);
    WriteBuffer(0, false);
    EmitBits(1, 0);
}

// constant expression: operands joined by & | ^ + - * / << >>, left to right
bool TTokenizerPasses::EvaluateConstant(bool final, bool conditional) {
    std::uint32_t accumulator = 0;
    std::uint16_t pending = opAdd;
    bool resolved = true;
    TElement e;
    for (;;) {
        NextElement(e);
        bool negate = false;
        if (e.Type == etBinaryOp && e.Value == opSubtract) {
            negate = true;
            NextElement(e);
        }
        std::uint32_t operand = 0;
        switch (e.Type) {
        case etConstant:
        case etPinSymbol:
        case etDirective:
        case etTargetModule:
            operand = e.Value;
            break;
        case etCondSymbol:
            if (!conditional) {
                RaiseTokenizeError(msgExpectedConstant);
            }
            operand = e.Value;
            break;
        case etUndefined:
            if (conditional) {
                if (Symbols.IsDeclared) {
                    RaiseTokenizeError(msgIllegalCondSymbol);
                }
                operand = 0;
            } else if (final) {
                RaiseTokenizeError(msgUndefinedSymbol);
            } else {
                operand = 1;
                resolved = false;
            }
            break;
        case etBinaryOp:
            RaiseTokenizeError(conditional ? msgExpectedCondOperand : msgExpectedConstant);
        default:
            RaiseTokenizeError(conditional ? msgExpectedCondValue : msgExpectedConstant);
        }
        if (negate) {
            operand = (0x10000u - operand) & 0xFFFF;
        }
        switch (pending) {
        case opAnd:
            accumulator &= operand;
            break;
        case opOr:
            accumulator |= operand;
            break;
        case opXor:
            accumulator ^= operand;
            break;
        case opAdd:
            accumulator += operand;
            break;
        case opSubtract:
            accumulator += 0x10000u - operand;
            break;
        case opMultiply:
            accumulator *= operand;
            break;
        case opDivide:
            if (operand == 0) {
                RaiseTokenizeError(msgDivisionByZero);
            }
            accumulator /= operand;
            break;
        case opShiftLeft:
            accumulator = operand >= 16 ? 0 : accumulator << operand;
            break;
        case opShiftRight:
            accumulator = operand >= 16 ? 0 : accumulator >> operand;
            break;
        default:
            break;
        }
        accumulator &= 0xFFFF;
        if (PreviewElement(e) && e.Type == etBinaryOp && IsCondCompileOperator(e.Value)) {
            NextElement(e);
            pending = e.Value;
            continue;
        }
        break;
    }
    Symbols.NewSymbol.Type = etConstant;
    Symbols.NewSymbol.Value = static_cast<std::uint16_t>(accumulator);
    return resolved;
}

// Runs a compiled condition at compile time: constants are pushed, the
// operators act on a small stack of 16-bit values.
std::uint16_t TTokenizerPasses::EvaluateBuffer() {
    const TExpressionBuffer& buffer = ExpressionBuffer[0];
    int position = 0;
    auto readBits = [&](int count) {
        std::uint32_t value = 0;
        for (int i = 0; i < count; ++i) {
            value <<= 1;
            if (position < buffer.Length) {
                value |= static_cast<std::uint32_t>(buffer.Bit(position));
            }
            ++position;
        }
        return value;
    };
    constexpr int stackSize = 64;
    std::uint16_t stack[stackSize] = {};
    int height = 0;
    auto pop = [&]() -> std::uint16_t { return height > 0 ? stack[--height] : 0; };
    auto push = [&](std::uint32_t value) {
        if (height < stackSize) {
            stack[height++] = static_cast<std::uint16_t>(value & 0xFFFF);
        }
    };
    bool firstItem = true;
    while (position < buffer.Length) {
        if (!firstItem && readBits(1) == 0) {
            break;
        }
        firstItem = false;
        const std::uint32_t code = readBits(ExpressionCodeBits);
        if (code >= FirstConstantCode) {
            // Variables land here too and read as odd constants; a condition
            // that uses them has no meaningful value.
            const std::uint32_t k = code - FirstConstantCode;
            std::uint32_t value;
            if (readBits(1) == 0) {
                value = 1u << k;
            } else if (k == 0) {
                value = 0;
            } else {
                value = (1u << k) | readBits(static_cast<int>(k));
            }
            push(value);
            continue;
        }
        if (code == opInvert) {
            push(~static_cast<std::uint32_t>(pop()));
            continue;
        }
        if (code == opNegate) {
            push(0x10000u - pop());
            continue;
        }
        if (code < FirstBinaryOperator) {
            continue;
        }
        const std::uint32_t right = pop();
        const std::uint32_t left = pop();
        std::uint32_t result = left;
        switch (code) {
        case opAnd:
            result = left & right;
            break;
        case opOr:
            result = left | right;
            break;
        case opXor:
            result = left ^ right;
            break;
        case opAdd:
            result = left + right;
            break;
        case opSubtract:
            result = left + 0x10000u - right;
            break;
        case opMultiply:
            result = left * right;
            break;
        case opDivide:
            // Unchecked here, this would bring the program down.
            if (right == 0) {
                RaiseTokenizeError(msgDivisionByZero);
            }
            result = left / right;
            break;
        case opShiftLeft:
            result = (right % 32) >= 16 ? 0 : left << (right % 32);
            break;
        case opShiftRight:
            result = (right % 32) >= 16 ? 0 : left >> (right % 32);
            break;
        case opAtLeast:
            result = left >= right ? 0xFFFF : 0;
            break;
        case opAtMost:
            result = left <= right ? 0xFFFF : 0;
            break;
        case opEqual:
            result = left == right ? 0xFFFF : 0;
            break;
        case opNotEqual:
            result = left != right ? 0xFFFF : 0;
            break;
        case opGreater:
            result = left > right ? 0xFFFF : 0;
            break;
        case opLess:
            result = left < right ? 0xFFFF : 0;
            break;
        default:
            break;
        }
        push(result);
    }
    return height > 0 ? stack[height - 1] : 0;
}

} // namespace wayline
