#pragma once

#include "codegen/core/BuildCode.h"

#include <cstddef>
#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>

namespace wayline {

class TTokenizer;
struct TDownloadImages;

// Reads a source text, at most `limit` characters of it: one more than the
// tokenizer takes, by default, so that a longer input is recognised without
// being read whole (a huge file, or a device without end).
struct TSourceRead {
    bool Succeeded = false;
    int Error = 0; // errno of the failure
};
TSourceRead ReadSourceText(std::istream& in, std::string& text);
TSourceRead ReadSourceFile(const std::string& fileName, std::string& text);
TSourceRead ReadSourceFile(const std::string& fileName, std::string& text, std::size_t limit);

// The program text of FILE as the commands that put a program into a module
// compile it: an action list (*.wyl, any case) is built into the robot
// program in the mode it was saved in; any other file is taken as a program
// source. Nothing after a message on `err`, whose own lines start with
// "wayline-cli COMMAND: ".
std::optional<TCodeLines> ProgramLinesOfFile(std::string_view command, const std::string& file,
                                             bool sensorsEnabled, std::string_view templateText,
                                             std::ostream& err);

// The compile step before a download into the robot, as Go runs it. False
// after telling on err why the program cannot go into the robot: the
// tokenizer's diagnostic at FILE's line, a program with nothing to
// download, or one for another module ("FILE: the program is not for the
// Keystone 2 module " followed by `otherModule`, which says what follows).
bool CompileForRobot(TTokenizer& tokenizer, const std::string& file, const TCodeLines& lines,
                     TDownloadImages& images, std::string_view otherModule, std::ostream& err);

} // namespace wayline
