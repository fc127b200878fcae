#pragma once

#include <array>
#include <cstdint>

namespace wayline::sim {

class TBitReader;

// The variable space as an expression reaches it: the interpreter routes
// the I/O words to the pins.
class TVariableAccess {
public:
    virtual ~TVariableAccess() = default;
    virtual std::uint16_t ReadCell(int size, int cell) = 0;
    virtual void WriteCell(int size, int cell, std::uint16_t value) = 0;
};

// The expression evaluator: reads 6-bit expression codes from the program
// stream (their layout is isa/Expressions.h's) and works them on the
// module's eight-entry stack. An indexed variable takes its index off the
// stack (counted in cells of its size). A read pushes the cell's value; a
// write stores the top value and leaves it there. A code after the first
// one of an expression is announced by a 1 bit; a 0 bit ends the
// expression. Too many or too few values raise ERunTimeFault.
class TExpressionEvaluator {
public:
    static constexpr int StackSize = 8;

    TExpressionEvaluator(TBitReader& reader, TVariableAccess& variables)
        : Reader(reader), Variables(variables) {}

    // Codes each announced by a 1 bit, up to a 0 bit: the operands in front
    // of an instruction token.
    void RunAnnouncedCodes();
    // One expression whose first code comes without the 1 bit (list values,
    // items, write references), up to its closing 0 bit.
    void Evaluate();
    // Reads over such an expression without working it.
    void Skip();

    int Count() const { return Height; }
    // Value i, 0 being the one pushed first.
    std::uint16_t Value(int i) const { return Stack[static_cast<std::size_t>(i)]; }
    void Clear() { Height = 0; }
    void Push(std::uint16_t value);
    std::uint16_t Pop();

private:
    void Work(int code, bool skip);

    TBitReader& Reader;
    TVariableAccess& Variables;
    std::array<std::uint16_t, StackSize> Stack{};
    int Height = 0;
};

} // namespace wayline::sim
