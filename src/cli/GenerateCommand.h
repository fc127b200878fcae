#pragma once

#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

namespace wayline {

class TTokenizer;

// Exit status of generate when the file is refused, unreadable or too short,
// or the template has no place for the lists (tokenizer errors give
// ExitTokenizeError, usage errors ExitUsageError).
inline constexpr int ExitNotGenerated = 1;

// The robot program template (resource DATA 362 of the Qt program), built
// into wayline-cli from resources/programs/robot.bas.
std::string_view RobotProgramTemplateText();

// wayline-cli generate [--beginner|--advanced] [--sensors] [--compile] [--json]
//                      FILE.wyl
// Loads the action-list file as the program does and builds the robot
// program from templateText. Without --compile the program text goes to out,
// lines joined by CR LF with none after the last, exactly as Go compiles it.
// With --compile (or --json) the text is tokenized instead and out gets what
// `tokenize` prints: its summary line, or its JSON object with --json.
// Refusals, read failures and tokenizer errors go to err.
int RunGenerateCommand(const std::vector<std::string>& arguments, std::ostream& out,
                       std::ostream& err, TTokenizer& tokenizer, std::string_view templateText);

} // namespace wayline
