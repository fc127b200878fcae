#include "cli/GenerateCommand.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <optional>

#include "cli/TokenizeCommand.h"
#include "codegen/core/ActionListFile.h"
#include "codegen/core/BuildCode.h"
#include "editor/core/ActionDocument.h"
#include "tokenizer/Tokenizer.h"

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

// The loader says only that nothing was loaded; tell the user which of its
// two reasons it was.
void ReportNotLoaded(const std::string& fileName, std::ostream& err) {
    std::error_code ignored;
    std::ifstream file(fileName, std::ios::binary);
    if (!file || std::filesystem::is_directory(fileName, ignored)) {
        err << "wayline-cli generate: cannot read '" << fileName << "'\n";
        return;
    }
    std::vector<char> bytes(DocumentSize);
    file.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (file.bad()) {
        err << "wayline-cli generate: cannot read '" << fileName << "'\n";
        return;
    }
    err << "wayline-cli generate: '" << fileName << "' is not an action list: it has "
        << file.gcount() << " bytes, an action list has " << DocumentSize << "\n";
}

// Tokenizes the program as the compile step before a download does, and
// reports as `tokenize` does.
int CompileAndReport(const TOptions& options, const TCodeLines& lines, std::ostream& out,
                     std::ostream& err, TTokenizer& tokenizer) {
    const std::optional<std::string> text = TokenizerSourceText(lines);
    if (!text || !tokenizer.SetSource(*text)) {
        err << options.File << ": error: the generated program has " << JoinCodeLines(lines).size()
            << " characters; at most "
            << std::min<std::size_t>(MaxTokenizerSourceSize, MaxSourceSize)
            << " can be tokenized\n";
        return ExitTokenizeError;
    }
    const bool ok = tokenizer.Tokenize(false, true, false);
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
    if (!ParseOptions(arguments, options, err)) {
        PrintUsage(err);
        return ExitUsageError;
    }

    auto state = std::make_unique<TDocumentState>();
    InitialiseDocument(*state);
    // Without a choice the program stands in advanced mode, which opens
    // every file, and then takes the mode the file was saved in; a beginner
    // run refuses an advanced file exactly as the program does.
    state->AdvancedMode = options.Mode != TModeChoice::mcBeginner;
    const TLoadResult loaded = LoadActionListFile(options.File, *state);
    if (loaded.Status == TLoadStatus::lsRefused) {
        err << loaded.Message << '\n';
        return ExitNotGenerated;
    }
    if (loaded.Status != TLoadStatus::lsLoaded) {
        ReportNotLoaded(options.File, err);
        return ExitNotGenerated;
    }
    if (options.Mode == TModeChoice::mcFileMode) {
        state->AdvancedMode = state->Document.AdvancedMode != 0;
    }

    const TBuildCodeResult built = BuildCode(templateText, *state, options.SensorsEnabled);
    if (!built.Succeeded) {
        err << built.ErrorText << '\n';
        return ExitNotGenerated;
    }
    if (options.Compile) {
        return CompileAndReport(options, built.Lines, out, err, tokenizer);
    }
    out << JoinCodeLines(built.Lines);
    return ExitSucceeded;
}

} // namespace wayline
