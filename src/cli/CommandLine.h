#pragma once

#include "cli/ExitStatus.h"

#include <functional>
#include <iosfwd>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace CLI {
class App;
class Option;
} // namespace CLI

namespace wayline {

// wayline-cli's command line, on CLI11. Each command is a subcommand of one
// CLI::App, and what a command defines there is all there is: it parses the
// arguments and makes the usage line, the help (--help, --help-all, and the
// manual page that help2man makes from them) and the usage errors.
//
// CLI11 is compiled here alone: its headers cost over ten seconds in every
// file that includes them, so the commands define their options on their
// CLI::App through the functions below rather than with CLI11's own.
class TCommandLine {
public:
    // The command line as a test builds it, for one command at a time.
    TCommandLine();
    // The program's: `description` opens its help, `version` is what
    // --version prints ("wayline-cli 1.3.1").
    TCommandLine(const std::string& description, const std::string& version);
    ~TCommandLine();
    TCommandLine(const TCommandLine&) = delete;
    TCommandLine& operator=(const TCommandLine&) = delete;

    // A command: `summary` is its line in the program's list of commands,
    // `description` the paragraph its help opens with.
    CLI::App& AddCommand(const std::string& name, const std::string& summary,
                         const std::string& description);
    // With --json among its arguments, the command tells a usage error as
    // {"error": ...} on standard output, like its other failures.
    void ReportUsageErrorsAsJson(const CLI::App& command);

    // --name
    CLI::Option& AddFlag(CLI::App& command, const std::string& name, bool& value,
                         const std::string& help);
    // --name VALUE, shown with `valueName`. Without its value (the option
    // last on the line, or given an empty one) it is refused as "--name
    // needs NEEDS". Given twice, the last one counts.
    enum class TEmptyValue { evRefused, evTaken };
    CLI::Option& AddValue(CLI::App& command, const std::string& name, std::string& value,
                          const std::string& valueName, const std::string& needs,
                          const std::string& help, TEmptyValue empty = TEmptyValue::evRefused);
    // The one FILE the command works on, shown as `valueName` (FILE.wyl).
    // After "--" an argument is the file even when it starts with '-'.
    CLI::Option& AddFile(CLI::App& command, std::string& file, const std::string& valueName,
                         const std::string& help);
    // One or more files the command works on, shown as `valueName`
    // (PROGRAM...); "no NAME given" without any.
    CLI::Option& AddFiles(CLI::App& command, std::vector<std::string>& files,
                          const std::string& valueName, const std::string& help);
    // An option that must be given: without it, "--name needs NEEDS".
    void Require(CLI::Option& option);
    // Two flags that cannot be given together, shown as [--first|--second].
    void Exclude(CLI::Option& first, CLI::Option& second);
    // Checks each value of the option as it is parsed: `check` returns why a
    // value is refused (the text after "wayline-cli COMMAND: "), or nothing.
    void Check(CLI::Option& option, std::function<std::string(const std::string&)> check);

    // Parses the program's arguments (without its own name). Nothing when a
    // command was chosen and is to run; else the exit status of what the
    // parse did itself: the help or the version printed on out (0), or a
    // usage error told on err (2).
    std::optional<int> Parse(const std::vector<std::string>& arguments, std::ostream& out,
                             std::ostream& err);
    // The same for one command's arguments.
    std::optional<int> ParseCommand(const CLI::App& command,
                                    const std::vector<std::string>& arguments, std::ostream& out,
                                    std::ostream& err);

    // Whether the parse chose the command, and whether it gave the option.
    static bool Chosen(const CLI::App& command);
    static bool Given(const CLI::Option& option);

private:
    std::string MissingProblem(const CLI::App& command) const;
    int UsageError(const std::string& problem, const std::vector<std::string>& arguments,
                   std::ostream& out, std::ostream& err) const;

    struct TState;
    std::unique_ptr<TState> State;
};

// A failure as the commands tell it: the message on err, or with json as
// {"error":"message"} on out.
void ReportFailure(bool json, const std::string& message, std::ostream& out, std::ostream& err);

} // namespace wayline
