#pragma once

#include "codegen/core/BuildCode.h"

#include <optional>
#include <ostream>
#include <string>
#include <string_view>

namespace wayline {

// The program text of FILE as the commands that put a program into a module
// compile it: an action list (*.wyl, any case) is built into the robot
// program in the mode it was saved in; any other file is taken as a program
// source. Nothing after a message on `err`, whose own lines start with
// "wayline-cli COMMAND: ".
std::optional<TCodeLines> ProgramLinesOfFile(std::string_view command, const std::string& file,
                                             bool sensorsEnabled, std::string_view templateText,
                                             std::ostream& err);

} // namespace wayline
