#include "cli/CommandLine.h"

#include "cli/JsonWriter.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <map>
#include <ostream>
#include <set>
#include <sstream>
#include <string_view>

namespace wayline {

namespace {

constexpr const char* ProgramName = "wayline-cli";
// Help is laid out for an 80-column terminal: option names in the first
// 24 columns, what they do after them.
constexpr std::size_t LineWidth = 79;
constexpr std::size_t HelpColumn = 24;

// ---------------------------------------------------------------------------
// Help and usage, made from the definitions
// ---------------------------------------------------------------------------

// The words of `text` filled into lines of at most LineWidth columns, every
// line but the first starting with `indent` spaces; `used` columns of the
// first line are taken already.
std::string Filled(std::string_view text, std::size_t indent, std::size_t used) {
    std::string filled;
    std::size_t column = used;
    bool lineStart = true;
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t begin = text.find_first_not_of(' ', at);
        if (begin == std::string_view::npos) {
            break;
        }
        const std::size_t end = std::min(text.find(' ', begin), text.size());
        const std::string_view word = text.substr(begin, end - begin);
        if (!lineStart && column + 1 + word.size() > LineWidth) {
            filled += '\n';
            filled.append(indent, ' ');
            column = indent;
            lineStart = true;
        }
        if (!lineStart) {
            filled += ' ';
            ++column;
        }
        filled += word;
        column += word.size();
        lineStart = false;
        at = end;
    }
    return filled;
}

// "  NAME    what it does", the text after HelpColumn, or on the next line
// there when the name is too long.
std::string Row(const std::string& name, const std::string& text) {
    std::string row = "  " + name;
    if (row.size() + 2 > HelpColumn) {
        row += '\n';
        row.append(HelpColumn, ' ');
    } else {
        row.append(HelpColumn - row.size(), ' ');
    }
    return row + Filled(text, HelpColumn, HelpColumn) + '\n';
}

bool IsFlag(const CLI::Option& option) {
    return option.get_expected_max() == 0;
}

bool IsHelp(const CLI::App& app, const CLI::Option* option) {
    return option == app.get_help_ptr() || option == app.get_help_all_ptr();
}

std::string LongName(const CLI::Option& option) {
    return "--" + option.get_lnames().front();
}

// The name an option is shown by: "--target KM2|KM2A", "FILE.wyl", "-h, --help".
std::string ShownName(const CLI::Option& option) {
    if (option.get_positional()) {
        return option.get_option_text().empty() ? option.get_name() : option.get_option_text();
    }
    std::string name;
    for (const std::string& shortName : option.get_snames()) {
        name += "-" + shortName + ", ";
    }
    name += LongName(option);
    if (!IsFlag(option)) {
        name += " " + option.get_type_name();
    }
    return name;
}

// What follows the command's name on its usage line: every option in the
// order defined, those that exclude each other together, then the file.
std::string UsageArguments(const CLI::App& command) {
    std::string usage;
    std::set<const CLI::Option*> shown;
    for (const CLI::Option* option : command.get_options()) {
        if (option->get_positional() || IsHelp(command, option) || shown.count(option) != 0) {
            continue;
        }
        std::string choice = IsFlag(*option) ? LongName(*option) : ShownName(*option);
        shown.insert(option);
        for (const CLI::Option* other : option->get_excludes()) {
            if (shown.insert(other).second) {
                choice += "|" + LongName(*other);
            }
        }
        usage += option->get_required() ? " " + choice : " [" + choice + "]";
    }
    for (const CLI::Option* option : command.get_options()) {
        if (option->get_positional()) {
            usage += " " + ShownName(*option);
        }
    }
    return usage;
}

std::string CommandPath(const CLI::App& command) {
    return std::string(ProgramName) + " " + command.get_name();
}

std::vector<const CLI::App*> Commands(const CLI::App& program) {
    return program.get_subcommands([](const CLI::App*) { return true; });
}

// The program's usage: every command's line, then how to get help. As a
// usage error shows it ("usage:", the lines under each other) or as the
// help does ("Usage:", then "or:" lines, the form help2man reads).
std::string ProgramUsage(const CLI::App& program, bool forHelp) {
    std::vector<std::string> lines;
    for (const CLI::App* command : Commands(program)) {
        lines.push_back(CommandPath(*command) + UsageArguments(*command));
    }
    lines.push_back(std::string(ProgramName) + " COMMAND --help");
    std::string programOptions;
    for (const CLI::Option* option : program.get_options()) {
        if (option != program.get_help_ptr()) {
            programOptions += (programOptions.empty() ? "" : " | ") + LongName(*option);
        }
    }
    if (!programOptions.empty()) {
        lines.push_back(std::string(ProgramName) + " " + programOptions);
    }
    std::string usage;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (forHelp) {
            usage += (i == 0 ? "Usage: " : "  or:  ") + lines[i] + '\n';
        } else {
            usage += (i == 0 ? "usage: " : "       ") + lines[i] + '\n';
        }
    }
    return usage;
}

std::string HelpRows(const CLI::App& app) {
    std::string rows;
    for (const CLI::Option* help : {app.get_help_ptr(), app.get_help_all_ptr()}) {
        if (help != nullptr) {
            rows += Row(ShownName(*help), help->get_description());
        }
    }
    return rows;
}

std::string FileRows(const CLI::App& app) {
    std::string rows;
    for (const CLI::Option* option : app.get_options()) {
        if (option->get_positional()) {
            rows += Row(ShownName(*option), option->get_description());
        }
    }
    return rows;
}

// The options other than help, in the order defined.
std::string OptionRows(const CLI::App& app) {
    std::string rows;
    for (const CLI::Option* option : app.get_options()) {
        if (!option->get_positional() && !IsHelp(app, option)) {
            rows += Row(ShownName(*option), option->get_description());
        }
    }
    return rows;
}

class THelpFormatter final : public CLI::FormatterBase {
public:
    std::string make_help(const CLI::App* app, std::string,
                          CLI::AppFormatMode mode) const override {
        if (app->get_parent() == nullptr) {
            return ProgramHelp(*app, mode == CLI::AppFormatMode::All);
        }
        const std::string files = FileRows(*app);
        return "Usage: " + CommandPath(*app) + UsageArguments(*app) + "\n\n" +
               Filled(app->get_description(), 0, 0) + "\n\n" + (files.empty() ? "" : files + "\n") +
               "Options:\n" + OptionRows(*app) + HelpRows(*app);
    }

    // Each command's line in the program's list of commands.
    std::map<const CLI::App*, std::string> Summaries;

private:
    // With every command's description and options for --help-all, in the
    // layout help2man turns into a section of the manual page per command
    // (their -h, --help is told once, in the program's options).
    std::string ProgramHelp(const CLI::App& program, bool all) const {
        std::string help = ProgramUsage(program, true);
        if (!program.get_description().empty()) {
            help += "\n" + Filled(program.get_description(), 0, 0) + "\n";
        }
        help += "\nCommands:\n";
        for (const CLI::App* command : Commands(program)) {
            const auto summary = Summaries.find(command);
            help += Row(command->get_name(), summary != Summaries.end() ? summary->second : "");
        }
        help += "\nOptions:\n" + HelpRows(program) + OptionRows(program);
        if (all) {
            for (const CLI::App* command : Commands(program)) {
                help += "\n" + CommandPath(*command) + ":\n  " +
                        Filled(command->get_description(), 2, 2) + "\n\n" + FileRows(*command) +
                        OptionRows(*command);
            }
        }
        return help;
    }
};

} // namespace

// ---------------------------------------------------------------------------
// Definitions
// ---------------------------------------------------------------------------

struct TCommandLine::TState {
    CLI::App Program{"", ProgramName};
    std::shared_ptr<THelpFormatter> Help = std::make_shared<THelpFormatter>();
    // "--target needs a module name": what an option says when its value
    // is missing, by option.
    std::map<const CLI::Option*, std::string> Needs;
    std::set<const CLI::App*> JsonUsageErrors;
    // "no PROGRAM given": what a missing file argument says, by option.
    std::map<const CLI::Option*, std::string> Missing;
    // Why the last value refused by a Check was refused.
    std::string Refusal;
};

TCommandLine::TCommandLine() : State(std::make_unique<TState>()) {
    CLI::App& program = State->Program;
    program.formatter(State->Help);
    program.set_help_flag("-h,--help", "print this help and exit");
    // Exactly one command: a word after the command's own arguments is
    // then one of its arguments (a file named "ports"), never a command.
    program.require_subcommand(1);
}

TCommandLine::TCommandLine(const std::string& description, const std::string& version)
    : TCommandLine() {
    CLI::App& program = State->Program;
    program.description(description);
    program.set_help_flag("-h,--help", "print this help, or with a command its help, and exit");
    program.set_help_all_flag("--help-all", "print the help of every command and exit");
    program.set_version_flag("--version", version, "print the version and exit");
}

TCommandLine::~TCommandLine() = default;

CLI::App& TCommandLine::AddCommand(const std::string& name, const std::string& summary,
                                   const std::string& description) {
    CLI::App& command = *State->Program.add_subcommand(name, description);
    command.set_help_flag("-h,--help", "print this help and exit");
    command.set_help_all_flag();
    State->Help->Summaries[&command] = summary;
    return command;
}

void TCommandLine::ReportUsageErrorsAsJson(const CLI::App& command) {
    State->JsonUsageErrors.insert(&command);
}

CLI::Option& TCommandLine::AddFlag(CLI::App& command, const std::string& name, bool& value,
                                   const std::string& help) {
    return *command.add_flag(name, value, help);
}

CLI::Option& TCommandLine::AddValue(CLI::App& command, const std::string& name, std::string& value,
                                    const std::string& valueName, const std::string& needs,
                                    const std::string& help, TEmptyValue empty) {
    CLI::Option& option = *command.add_option(name, value, help);
    option.type_name(valueName);
    option.multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
    State->Needs[&option] = needs;
    if (empty == TEmptyValue::evRefused) {
        Check(option, [message = name + " needs " + needs](const std::string& text) {
            return text.empty() ? message : std::string();
        });
    }
    return option;
}

CLI::Option& TCommandLine::AddFile(CLI::App& command, std::string& file,
                                   const std::string& valueName, const std::string& help) {
    CLI::Option& option = *command.add_option("FILE", file, help);
    option.option_text(valueName);
    option.required();
    State->Missing[&option] = "no FILE given";
    return option;
}

CLI::Option& TCommandLine::AddFiles(CLI::App& command, std::vector<std::string>& files,
                                    const std::string& valueName, const std::string& help) {
    CLI::Option& option = *command.add_option(valueName, files, help);
    option.option_text(valueName + "...");
    option.required();
    State->Missing[&option] = "no " + valueName + " given";
    return option;
}

void TCommandLine::Require(CLI::Option& option) {
    option.required();
}

void TCommandLine::Exclude(CLI::Option& first, CLI::Option& second) {
    first.excludes(&second);
    second.excludes(&first);
}

void TCommandLine::Check(CLI::Option& option,
                         std::function<std::string(const std::string&)> check) {
    TState* state = State.get();
    option.check(CLI::Validator(
        [state, check = std::move(check)](std::string& value) {
            std::string refusal = check(value);
            if (!refusal.empty()) {
                state->Refusal = refusal;
            }
            return refusal;
        },
        ""));
}

bool TCommandLine::Chosen(const CLI::App& command) {
    return command.parsed();
}

bool TCommandLine::Given(const CLI::Option& option) {
    return option.count() != 0;
}

// ---------------------------------------------------------------------------
// Parsing and usage errors
// ---------------------------------------------------------------------------

namespace {

// Whether the command has a file argument.
bool TakesFile(const CLI::App& command) {
    const std::vector<const CLI::Option*> options = command.get_options();
    return std::any_of(options.begin(), options.end(),
                       [](const CLI::Option* option) { return option->get_positional(); });
}

// What the command did not take: the first unknown option, or a second
// file. An argument after "--" is a file, whatever it starts with.
std::optional<std::string> LeftOver(const CLI::App& program, const CLI::App& command,
                                    const std::vector<std::string>& arguments) {
    // CLI11 keeps what no one took with the program, the command, or both.
    for (const std::string& argument : program.remaining(true)) {
        if (argument == "--") {
            continue;
        }
        if (!TakesFile(command)) {
            return "unknown argument '" + argument + "'";
        }
        const auto at = std::find(arguments.begin(), arguments.end(), argument);
        const bool afterMark = std::find(arguments.begin(), at, "--") != at;
        if (!afterMark && argument.size() > 1 && argument[0] == '-') {
            return "unknown option '" + argument + "'";
        }
        return std::string("only one FILE can be given");
    }
    return std::nullopt;
}

// "--beginner and --advanced exclude each other", the first in the order
// the options are defined.
std::string ExclusionProblem(const CLI::App& command) {
    for (const CLI::Option* option : command.get_options()) {
        if (option->count() == 0) {
            continue;
        }
        for (const CLI::Option* other : option->get_excludes()) {
            if (other->count() != 0) {
                return LongName(*option) + " and " + LongName(*other) + " exclude each other";
            }
        }
    }
    return "options that exclude each other were given together";
}

bool AsksForJson(const std::vector<std::string>& arguments) {
    return std::find(arguments.begin(), arguments.end(), "--json") != arguments.end();
}

} // namespace

std::optional<int> TCommandLine::Parse(const std::vector<std::string>& arguments, std::ostream& out,
                                       std::ostream& err) {
    CLI::App& program = State->Program;
    State->Refusal.clear();
    // CLI11 takes the arguments last first.
    std::vector<std::string> reversed(arguments.rbegin(), arguments.rend());
    try {
        program.parse(reversed);
        return std::nullopt;
    } catch (const CLI::CallForHelp&) {
        out << program.help();
        return ExitSucceeded;
    } catch (const CLI::CallForAllHelp&) {
        out << program.help("", CLI::AppFormatMode::All);
        return ExitSucceeded;
    } catch (const CLI::CallForVersion& version) {
        out << version.what() << '\n';
        return ExitSucceeded;
    } catch (const CLI::ParseError& error) {
        const std::vector<CLI::App*> chosen = program.get_subcommands();
        if (chosen.empty()) {
            const std::vector<std::string> left = program.remaining();
            return UsageError(left.empty() ? std::string()
                                           : "unknown command '" + left.front() + "'",
                              arguments, out, err);
        }
        const CLI::App& command = *chosen.front();
        std::string problem;
        if (const std::optional<std::string> leftOver = LeftOver(program, command, arguments)) {
            problem = *leftOver;
        } else if (dynamic_cast<const CLI::RequiredError*>(&error) != nullptr) {
            problem = MissingProblem(command);
        } else if (dynamic_cast<const CLI::ExcludesError*>(&error) != nullptr) {
            problem = ExclusionProblem(command);
        } else if (dynamic_cast<const CLI::ArgumentMismatch*>(&error) != nullptr &&
                   !arguments.empty()) {
            // An option short of its value can only be the last argument
            // (CLI11 takes whatever follows an option as its value).
            const std::string& last = arguments.back();
            const CLI::Option* option = command.get_option_no_throw(last.substr(0, last.find('=')));
            const auto needs = State->Needs.find(option);
            problem = needs != State->Needs.end() ? LongName(*option) + " needs " + needs->second
                                                  : error.what();
        } else if (dynamic_cast<const CLI::ValidationError*>(&error) != nullptr &&
                   !State->Refusal.empty()) {
            problem = State->Refusal;
        } else {
            problem = error.what();
        }
        return UsageError(problem, arguments, out, err);
    }
}

std::optional<int> TCommandLine::ParseCommand(const CLI::App& command,
                                              const std::vector<std::string>& arguments,
                                              std::ostream& out, std::ostream& err) {
    std::vector<std::string> all{command.get_name()};
    all.insert(all.end(), arguments.begin(), arguments.end());
    return Parse(all, out, err);
}

// What a required argument that is not there says: the first missing in
// the order defined.
std::string TCommandLine::MissingProblem(const CLI::App& command) const {
    for (const CLI::Option* option : command.get_options()) {
        if (!option->get_required() || option->count() != 0) {
            continue;
        }
        if (const auto missing = State->Missing.find(option); missing != State->Missing.end()) {
            return missing->second;
        }
        if (const auto needs = State->Needs.find(option); needs != State->Needs.end()) {
            return LongName(*option) + " needs " + needs->second;
        }
    }
    return "no FILE given";
}

int TCommandLine::UsageError(const std::string& problem, const std::vector<std::string>& arguments,
                             std::ostream& out, std::ostream& err) const {
    const CLI::App& program = State->Program;
    const std::vector<CLI::App*> chosen = program.get_subcommands();
    if (chosen.empty()) {
        if (!problem.empty()) {
            err << ProgramName << ": " << problem << '\n';
        }
        err << ProgramUsage(program, false);
        return ExitUsageError;
    }
    const CLI::App& command = *chosen.front();
    const std::string message = CommandPath(command) + ": " + problem;
    if (State->JsonUsageErrors.count(&command) != 0 && AsksForJson(arguments)) {
        ReportFailure(true, message, out, err);
    } else {
        err << message << "\nusage: " << CommandPath(command) << UsageArguments(command) << '\n';
    }
    return ExitUsageError;
}

void ReportFailure(bool json, const std::string& message, std::ostream& out, std::ostream& err) {
    if (json) {
        out << TJson::Object({{"error", message}}).Dump() << '\n';
    } else {
        err << message << '\n';
    }
}

} // namespace wayline
