#include "cli/TokenizeCommand.h"

#include "cli/CommandLine.h"
#include "cli/ProgramFile.h"
#include "cli/TokenizerReport.h"
#include "tokenizer/Tokenizer.h"

#include <ostream>
#include <system_error>

namespace wayline {

namespace {

// The module --target names: KM2 to KM2D, the ones the tokenizer compiles
// for; none for any other name.
int TargetOf(const std::string& name) {
    for (int module = tmKM2; module <= tmKM2D; ++module) {
        if (name == ModuleName(module)) {
            return module;
        }
    }
    return tmNone;
}

} // namespace

TTokenizeCommand::TTokenizeCommand(TCommandLine& line) {
    CLI::App& command = line.AddCommand(
        "tokenize", "compile an HBASIC program and tell what it became",
        "Compiles FILE with the tokenizer and prints one line about the result: the module and "
        "HBASIC version it is for, its packets, program bits and DATA bytes. A program that "
        "does not compile gets a diagnostic with the line and column of the error, and exit "
        "status 1.");
    line.ReportUsageErrorsAsJson(command);
    line.AddFlag(command, "--json", Json,
                 "print the tokenizer's whole result as one JSON object; failures too");
    line.AddFlag(command, "--directives-only", DirectivesOnly,
                 "read only the program's directives");
    CLI::Option& target = line.AddValue(
        command, "--target", Target, "KM2|KM2A|KM2B|KM2C|KM2D", "a module name",
        "compile for this module instead of the one the program's $KEYSTONE directive names",
        TCommandLine::TEmptyValue::evTaken);
    line.Check(target, [](const std::string& name) {
        return TargetOf(name) != tmNone
                   ? std::string()
                   : "unknown target module '" + name + "' (KM2, KM2A, KM2B, KM2C or KM2D)";
    });
    line.AddFlag(command, "--any-version", AnyVersion, "take a program for any HBASIC version");
    line.AddFile(command, File, "FILE", "the program; - reads standard input");
    Command = &command;
}

int TTokenizeCommand::Run(std::istream& in, std::ostream& out, std::ostream& err,
                          TTokenizer& tokenizer) const {
    const std::string displayName = File == "-" ? "<stdin>" : File;
    std::string text;
    const TSourceRead read = File == "-" ? ReadSourceText(in, text) : ReadSourceFile(File, text);
    if (!read.Succeeded) {
        ReportFailure(Json,
                      "wayline-cli tokenize: cannot read '" + displayName +
                          "': " + std::system_category().message(read.Error),
                      out, err);
        return ExitInputError;
    }
    if (!tokenizer.SetSource(text)) {
        ReportFailure(Json,
                      "wayline-cli tokenize: '" + displayName + "' has more than " +
                          std::to_string(MaxSourceSize) + " characters; at most " +
                          std::to_string(MaxSourceSize) + " can be tokenized",
                      out, err);
        return ExitInputError;
    }
    const int target = Target.empty() ? tmNone : TargetOf(Target);
    if (target != tmNone) {
        tokenizer.Result.TargetModule = static_cast<std::uint8_t>(target);
    }
    const bool ok = tokenizer.Tokenize({DirectivesOnly, target == tmNone, AnyVersion});
    ReportTokenizerRun(Json, ok, displayName, text, tokenizer, out, err);
    return ok ? ExitSucceeded : ExitTokenizeError;
}

int RunTokenizeCommand(const std::vector<std::string>& arguments, std::istream& in,
                       std::ostream& out, std::ostream& err, TTokenizer& tokenizer) {
    TCommandLine line;
    const TTokenizeCommand command(line);
    if (const std::optional<int> status = line.ParseCommand(command.App(), arguments, out, err)) {
        return *status;
    }
    return command.Run(in, out, err, tokenizer);
}

} // namespace wayline
