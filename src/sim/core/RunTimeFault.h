#pragma once

#include <string>

namespace wayline::sim {

// Raised inside the run-time when the program cannot go on (an instruction
// the simulator does not model, a broken stream, an overflowing stack); the
// interpreter catches it, stops the run and keeps the text as its message.
// BitAddress is where the fault lies, -1 for the current statement.
struct ERunTimeFault {
    std::string Text;
    int BitAddress = -1;
};

} // namespace wayline::sim
