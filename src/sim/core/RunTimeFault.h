#pragma once

#include <string>

namespace wayline::sim {

// What kind of fault stopped a run, so that a window can say it in its own
// words: an instruction the simulator does not model (Instruction names
// it), a program stream that runs off the EEPROM, or anything else the
// program did that cannot go on (a broken stream, an overflowing stack, a
// RETURN without GOSUB).
enum class TFaultKind {
    fkProgram,
    fkNotModelled,
    fkPastEeprom,
};

// Raised inside the run-time when the program cannot go on; the interpreter
// catches it, stops the run and keeps the text as its message. BitAddress
// is where the fault lies, -1 for the current statement.
struct ERunTimeFault {
    std::string Text;
    int BitAddress = -1;
    TFaultKind Kind = TFaultKind::fkProgram;
    std::string Instruction = {}; // fkNotModelled
};

// Why a run stopped on a fault, with the place resolved.
struct TFaultCause {
    TFaultKind Kind = TFaultKind::fkProgram;
    std::string Instruction;
    int BitAddress = 0;
};

} // namespace wayline::sim
