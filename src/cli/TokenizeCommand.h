#pragma once

#include "cli/ExitStatus.h"

#include <iosfwd>
#include <string>
#include <vector>

namespace CLI {
class App;
}

namespace wayline {

class TCommandLine;
class TTokenizer;

// wayline-cli tokenize [--json] [--directives-only] [--target MODULE]
//                      [--any-version] FILE
// Reads FILE (or standard input for "-"), at most one character more than
// the tokenizer takes, runs the tokenizer and reports on out. Failures go
// to err, or with --json to out as {"error": ...}.
class TTokenizeCommand {
public:
    // Defines the command and its options on the command line.
    explicit TTokenizeCommand(TCommandLine& line);
    TTokenizeCommand(const TTokenizeCommand&) = delete;
    TTokenizeCommand& operator=(const TTokenizeCommand&) = delete;

    const CLI::App& App() const { return *Command; }
    // Runs the command as the parsed command line asks.
    int Run(std::istream& in, std::ostream& out, std::ostream& err, TTokenizer& tokenizer) const;

private:
    CLI::App* Command = nullptr;
    bool Json = false;
    bool DirectivesOnly = false;
    bool AnyVersion = false;
    std::string Target;
    std::string File;
};

// The command on its own arguments (those after "tokenize").
int RunTokenizeCommand(const std::vector<std::string>& arguments, std::istream& in,
                       std::ostream& out, std::ostream& err, TTokenizer& tokenizer);

} // namespace wayline
