#include "cli/GenerateCommand.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <memory>
#include <optional>
#include <sstream>

#include "cli/TokenizeCommand.h"
#include "codegen/core/ActionListFile.h"
#include "codegen/core/BuildCode.h"
#include "codegen/core/MemoryUse.h"
#include "editor/core/ActionDocument.h"
#include "tokenizer/Tokenizer.h"

#include <nlohmann/json.hpp>

namespace wayline {

namespace {

enum class TModeChoice { mcFileMode, mcBeginner, mcAdvanced };

struct TOptions {
    TModeChoice Mode = TModeChoice::mcFileMode;
    bool SensorsEnabled = false;
    bool Compile = false;
    bool Json = false;
    std::string File;
};

void PrintUsage(std::ostream& err) {
    err << "usage: wayline-cli generate [--beginner|--advanced] [--sensors] [--compile] [--json] "
           "FILE.wyl\n";
}

bool ParseOptions(const std::vector<std::string>& arguments, TOptions& options, std::ostream& err) {
    bool haveFile = false;
    for (const std::string& a : arguments) {
        if (a == "--beginner" || a == "--advanced") {
            const TModeChoice mode =
                a == "--beginner" ? TModeChoice::mcBeginner : TModeChoice::mcAdvanced;
            if (options.Mode != TModeChoice::mcFileMode && options.Mode != mode) {
                err << "wayline-cli generate: --beginner and --advanced exclude each other\n";
                return false;
            }
            options.Mode = mode;
        } else if (a == "--sensors") {
            options.SensorsEnabled = true;
        } else if (a == "--compile") {
            options.Compile = true;
        } else if (a == "--json") {
            // The JSON object is a report of the compile, so it asks for one.
            options.Json = true;
            options.Compile = true;
        } else if (a.size() > 1 && a[0] == '-') {
            err << "wayline-cli generate: unknown option '" << a << "'\n";
            return false;
        } else if (haveFile) {
            err << "wayline-cli generate: only one FILE can be given\n";
            return false;
        } else {
            options.File = a;
            haveFile = true;
        }
    }
    if (!haveFile) {
        err << "wayline-cli generate: no FILE given\n";
        return false;
    }
    return true;
}

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
int CompileAndReport(const TOptions& options, const TDocumentState& state,
                     std::string_view templateText, const TCodeLines& lines, std::ostream& out,
                     std::ostream& err, TTokenizer& tokenizer) {
    const std::optional<std::string> text = TokenizerSourceText(lines);
    if (!text) {
        ReportFailure(options.Json,
                      AboutFile(options.File, "the generated program has " +
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
            const std::string message = AboutFile(options.File, ListsTooLargeMessage(use));
            if (options.Json) {
                nlohmann::ordered_json report;
                report["error"] = message;
                report["excessBytes"] = use.ExcessBytes();
                report["stepsToRemove"] = use.StepsToRemove();
                out << report.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace)
                    << '\n';
            } else {
                err << message << '\n';
            }
            return ExitTokenizeError;
        }
    }
    const bool ok = tokenizer.SetSource(*text) && tokenizer.Tokenize();
    if (options.Json) {
        out << JsonReport(tokenizer) << '\n';
    } else if (ok) {
        out << Summary(options.File, tokenizer);
    } else {
        const char* message = tokenizer.Result.ErrorText != nullptr ? tokenizer.Result.ErrorText
                                                                    : "tokenization failed";
        err << FormatDiagnostic(options.File, *text, tokenizer.Result.ErrorStart,
                                tokenizer.Result.ErrorLength, message);
    }
    return ok ? ExitSucceeded : ExitTokenizeError;
}

} // namespace

int RunGenerateCommand(const std::vector<std::string>& arguments, std::ostream& out,
                       std::ostream& err, TTokenizer& tokenizer, std::string_view templateText) {
    TOptions options;
    std::ostringstream usage;
    if (!ParseOptions(arguments, options, usage)) {
        if (WantsJson(arguments)) {
            const std::string message = usage.str();
            out << JsonError(message.substr(0, message.find('\n'))) << '\n';
        } else {
            err << usage.str();
            PrintUsage(err);
        }
        return ExitUsageError;
    }

    auto state = std::make_unique<TDocumentState>();
    InitialiseDocument(*state);
    // Without a choice the program stands in advanced mode, which opens
    // every file, and then takes the mode the file was saved in; a beginner
    // run refuses an advanced file exactly as the program does.
    state->AdvancedMode = options.Mode != TModeChoice::mcBeginner;
    const TLoadResult loaded = LoadActionListFile(options.File, *state);
    if (loaded.Status != TLoadStatus::lsLoaded) {
        ReportFailure(options.Json, NotLoadedMessage(options.File, loaded), out, err);
        return ExitNotGenerated;
    }
    if (options.Mode == TModeChoice::mcFileMode) {
        state->AdvancedMode = state->Document.AdvancedMode != 0;
    }

    const TBuildCodeResult built = BuildCode(templateText, *state, options.SensorsEnabled);
    if (!built.Succeeded) {
        ReportFailure(options.Json, AboutFile(options.File, built.ErrorText), out, err);
        return ExitNotGenerated;
    }
    if (options.Compile) {
        return CompileAndReport(options, *state, templateText, built.Lines, out, err, tokenizer);
    }
    out << JoinCodeLines(built.Lines);
    return ExitSucceeded;
}

} // namespace wayline
