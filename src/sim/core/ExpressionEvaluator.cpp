#include "sim/core/ExpressionEvaluator.h"

#include "isa/Expressions.h"
#include "sim/core/BitReader.h"
#include "sim/core/Operators.h"
#include "sim/core/RunTimeFault.h"
#include "sim/core/VariableSpace.h"

namespace wayline::sim {

void TExpressionEvaluator::Push(std::uint16_t value) {
    if (Height == StackSize) {
        throw ERunTimeFault{"Expression stack overflow (more than 8 values)"};
    }
    Stack[static_cast<std::size_t>(Height++)] = value;
}

std::uint16_t TExpressionEvaluator::Pop() {
    if (Height == 0) {
        throw ERunTimeFault{"Expression stack underflow"};
    }
    return Stack[static_cast<std::size_t>(--Height)];
}

void TExpressionEvaluator::RunAnnouncedCodes() {
    while (Reader.ReadBit()) {
        Work(Reader.Read(ExpressionCodeBits), false);
    }
}

void TExpressionEvaluator::Evaluate() {
    Work(Reader.Read(ExpressionCodeBits), false);
    RunAnnouncedCodes();
}

void TExpressionEvaluator::Skip() {
    do {
        Work(Reader.Read(ExpressionCodeBits), true);
    } while (Reader.ReadBit());
}

void TExpressionEvaluator::Work(int code, bool skip) {
    if (code >= FirstVariableCode) {
        const int size = code & 3;
        const int cell = Reader.Read(VariableCellBits[size]);
        if (skip) {
            return;
        }
        const int index = (code & VariableIndexedFlag) != 0 ? Pop() : 0;
        if ((code & VariableWriteFlag) != 0) {
            if (Height == 0) {
                throw ERunTimeFault{"Expression stack underflow"};
            }
            Variables.WriteCell(size, cell + index, Stack[static_cast<std::size_t>(Height - 1)]);
        } else {
            Push(Variables.ReadCell(size, cell + index));
        }
        return;
    }
    if (code >= FirstConstantCode) {
        const int k = code - FirstConstantCode;
        std::uint16_t value;
        if (!Reader.ReadBit()) {
            value = static_cast<std::uint16_t>(1u << k);
        } else if (k == 0) {
            value = 0;
        } else {
            value = static_cast<std::uint16_t>((1u << k) | Reader.Read(k));
        }
        if (!skip) {
            Push(value);
        }
        return;
    }
    if (skip) {
        return;
    }
    if (code < FirstBinaryOperator) {
        Push(ApplyUnary(code, Pop()));
        return;
    }
    const std::uint16_t right = Pop();
    const std::uint16_t left = Pop();
    Push(ApplyBinary(code, left, right));
}

} // namespace wayline::sim
