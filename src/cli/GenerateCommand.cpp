#include "cli/GenerateCommand.h"

#include "cli/CommandLine.h"
#include "cli/JsonWriter.h"
#include "cli/TokenizerReport.h"
#include "codegen/core/ActionListFile.h"
#include "codegen/core/BuildCode.h"
#include "codegen/core/MemoryUse.h"
#include "editor/core/ActionDocument.h"
#include "tokenizer/Tokenizer.h"

#include <algorithm>
#include <filesystem>
#include <memory>
#include <optional>
#include <ostream>

namespace wayline {

namespace {

// Every failure about the file names the command and the file first.
std::string AboutFile(const std::string& fileName, const std::string& message) {
    return "wayline-cli generate: '" + fileName + "': " + message;
}

// Why a file did not load, in the command line's words: the loader's own
// message for a refused file, the system's reason for an unreadable one,
// and the byte count for a short one.
std::string NotLoadedMessage(const std::string& fileName, const TLoadResult& loaded) {
    switch (loaded.Status) {
    case TLoadStatus::lsTooShort: {
        std::error_code error;
        const std::uintmax_t size = std::filesystem::file_size(fileName, error);
        if (!error) {
            return AboutFile(fileName, "not an action list: it has " + std::to_string(size) +
                                           " bytes, an action list has " +
                                           std::to_string(DocumentSize));
        }
        return AboutFile(fileName, loaded.Message);
    }
    case TLoadStatus::lsUnreadable: {
        // The loader's message repeats the name; the reason is what counts.
        const std::size_t reason = loaded.Message.rfind(": ");
        return AboutFile(fileName, reason == std::string::npos ? loaded.Message
                                                               : loaded.Message.substr(reason + 2));
    }
    default:
        return AboutFile(fileName, loaded.Message);
    }
}

// Tokenizes the program as the compile step before a download does, and
// reports as `tokenize` does. Lists that leave the robot program no room
// are told as such, with the bytes and steps too many, rather than as the
// tokenizer's error at a line of the generated text.
int CompileAndReport(bool json, const std::string& file, const TDocumentState& state,
                     std::string_view templateText, const TCodeLines& lines, std::ostream& out,
                     std::ostream& err, TTokenizer& tokenizer) {
    const std::optional<std::string> text = TokenizerSourceText(lines);
    if (!text) {
        ReportFailure(json,
                      AboutFile(file, "the generated program has " +
                                          std::to_string(JoinCodeLines(lines).size()) +
                                          " characters; at most " +
                                          std::to_string(std::min<std::size_t>(
                                              MaxTokenizerSourceSize, MaxSourceSize)) +
                                          " can be tokenized"),
                      out, err);
        return ExitTokenizeError;
    }
    if (const std::optional<int> start = RobotProgramStart(tokenizer, templateText)) {
        const TMemoryUse use = MeasureMemoryUse(state, *start);
        if (!use.Fits()) {
            const std::string message = AboutFile(file, ListsTooLargeMessage(use));
            if (json) {
                out << TJson::Object({{"error", message},
                                      {"excessBytes", use.ExcessBytes()},
                                      {"stepsToRemove", use.StepsToRemove()}})
                           .Dump()
                    << '\n';
            } else {
                err << message << '\n';
            }
            return ExitTokenizeError;
        }
    }
    const bool ok = tokenizer.SetSource(*text) && tokenizer.Tokenize();
    ReportTokenizerRun(json, ok, file, *text, tokenizer, out, err);
    return ok ? ExitSucceeded : ExitTokenizeError;
}

} // namespace

TGenerateCommand::TGenerateCommand(TCommandLine& line) {
    CLI::App& command = line.AddCommand(
        "generate", "build the robot program from an action-list file",
        "Loads FILE.wyl as Wayline opens it and prints the robot program that Go would compile "
        "and download, its lines ended by CR LF and none after the last. The file opens in the "
        "mode it was saved in unless a mode is given. With --compile the program is compiled "
        "instead and the report is that of tokenize.");
    line.ReportUsageErrorsAsJson(command);
    CLI::Option& beginner = line.AddFlag(
        command, "--beginner", Beginner,
        "open the file in beginner mode, as Wayline does (a file saved in advanced mode is "
        "refused)");
    CLI::Option& advanced =
        line.AddFlag(command, "--advanced", Advanced, "open the file in advanced mode");
    line.Exclude(beginner, advanced);
    line.AddFlag(command, "--sensors", SensorsEnabled,
                 "build the program with the sensors on (beginner mode's Sensors box)");
    line.AddFlag(command, "--compile", Compile,
                 "compile the program and print tokenize's line about it");
    line.AddFlag(command, "--json", Json,
                 "compile the program and print tokenize's JSON report; failures as JSON too");
    line.AddFile(command, File, "FILE.wyl", "the action-list file");
    Command = &command;
}

int TGenerateCommand::Run(std::ostream& out, std::ostream& err, TTokenizer& tokenizer,
                          std::string_view templateText) const {
    auto state = std::make_unique<TDocumentState>();
    InitialiseDocument(*state);
    // Without a choice the program stands in advanced mode, which opens
    // every file, and then takes the mode the file was saved in; a beginner
    // run refuses an advanced file exactly as the program does.
    state->AdvancedMode = !Beginner;
    const TLoadResult loaded = LoadActionListFile(File, *state);
    if (loaded.Status != TLoadStatus::lsLoaded) {
        ReportFailure(Json, NotLoadedMessage(File, loaded), out, err);
        return ExitNotGenerated;
    }
    if (!Beginner && !Advanced) {
        state->AdvancedMode = state->Document.AdvancedMode != 0;
    }

    const TBuildCodeResult built = BuildCode(templateText, *state, SensorsEnabled);
    if (!built.Succeeded) {
        ReportFailure(Json, AboutFile(File, built.ErrorText), out, err);
        return ExitNotGenerated;
    }
    // The JSON object is a report of the compile, so --json asks for one.
    if (Compile || Json) {
        return CompileAndReport(Json, File, *state, templateText, built.Lines, out, err, tokenizer);
    }
    out << JoinCodeLines(built.Lines);
    return ExitSucceeded;
}

int RunGenerateCommand(const std::vector<std::string>& arguments, std::ostream& out,
                       std::ostream& err, TTokenizer& tokenizer, std::string_view templateText) {
    TCommandLine line;
    const TGenerateCommand command(line);
    if (const std::optional<int> status = line.ParseCommand(command.App(), arguments, out, err)) {
        return *status;
    }
    return command.Run(out, err, tokenizer, templateText);
}

} // namespace wayline
