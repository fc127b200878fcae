#pragma once

#include <string_view>

#include "isa/Instructions.h"
#include "isa/Modules.h"

namespace wayline::sim {

// The instruction set itself (logical codes, the per-module tokens, the
// stream's fields) is isa/'s, shared with the tokenizer. This adds what
// only the run-time's reports need.

// The instruction's keyword ("PULSOUT", "IF" for the conditional jump,
// "NEXT" for the loop step, "assignment"), or an empty view for 60-63.
std::string_view InstructionName(int logicalCode);

} // namespace wayline::sim
