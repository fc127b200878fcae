#pragma once

#include "cli/ExitStatus.h"

#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

namespace CLI {
class App;
}

namespace wayline {

class TCommandLine;
class TTokenizer;

// Exit status of generate when the file is refused, unreadable or too short,
// or no program can be built from it (tokenizer errors and lists too large
// for the robot give ExitTokenizeError, usage errors ExitUsageError).
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
// Failures go to err as "wayline-cli generate: 'FILE': ..." (tokenizer
// errors as compiler diagnostics), or with --json to out as JSON with
// "error"; the exit status is the same either way.
class TGenerateCommand {
public:
    explicit TGenerateCommand(TCommandLine& line);
    TGenerateCommand(const TGenerateCommand&) = delete;
    TGenerateCommand& operator=(const TGenerateCommand&) = delete;

    const CLI::App& App() const { return *Command; }
    int Run(std::ostream& out, std::ostream& err, TTokenizer& tokenizer,
            std::string_view templateText) const;

private:
    CLI::App* Command = nullptr;
    bool Beginner = false;
    bool Advanced = false;
    bool SensorsEnabled = false;
    bool Compile = false;
    bool Json = false;
    std::string File;
};

// The command on its own arguments (those after "generate").
int RunGenerateCommand(const std::vector<std::string>& arguments, std::ostream& out,
                       std::ostream& err, TTokenizer& tokenizer, std::string_view templateText);

} // namespace wayline
