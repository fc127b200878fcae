#include "cli/ProgramFile.h"

#include "cli/TokenizerReport.h"
#include "codegen/core/ActionListFile.h"
#include "codegen/core/CompileStep.h"
#include "tokenizer/Tokenizer.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <istream>
#include <memory>
#include <ostream>
#include <system_error>

namespace wayline {

namespace {

constexpr std::size_t SourceReadLimit = static_cast<std::size_t>(MaxSourceSize) + 1;

bool IsActionListName(const std::string& file) {
    if (file.size() < 4) {
        return false;
    }
    std::string extension = file.substr(file.size() - 4);
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return extension == ".wyl";
}

} // namespace

TSourceRead ReadSourceText(std::istream& in, std::string& text) {
    text.assign(SourceReadLimit, '\0');
    in.read(text.data(), static_cast<std::streamsize>(text.size()));
    const auto got = static_cast<std::size_t>(std::max<std::streamsize>(in.gcount(), 0));
    if (in.bad()) {
        text.clear();
        return {false, EIO};
    }
    text.resize(got);
    return {true, 0};
}

TSourceRead ReadSourceFile(const std::string& fileName, std::string& text) {
    return ReadSourceFile(fileName, text, SourceReadLimit);
}

TSourceRead ReadSourceFile(const std::string& fileName, std::string& text, std::size_t limit) {
    text.clear();
    std::error_code ignored;
    // A folder opens on Linux and only fails to be read.
    if (std::filesystem::is_directory(fileName, ignored)) {
        return {false, EISDIR};
    }
    errno = 0;
    const std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(fileName.c_str(), "rb"),
                                                               &std::fclose);
    if (!file) {
        return {false, errno != 0 ? errno : EIO};
    }
    text.assign(limit, '\0');
    errno = 0;
    const std::size_t got = std::fread(text.data(), 1, text.size(), file.get());
    if (got < text.size() && std::ferror(file.get())) {
        text.clear();
        return {false, errno != 0 ? errno : EIO};
    }
    text.resize(got);
    return {true, 0};
}

std::optional<TCodeLines> ProgramLinesOfFile(std::string_view command, const std::string& file,
                                             bool sensorsEnabled, std::string_view templateText,
                                             std::ostream& err) {
    if (!IsActionListName(file)) {
        // Joined again by CR LF, the lines are at most two characters
        // shorter than the file (a last line end is dropped): two more than
        // the tokenizer's limit are enough to see that it is too long.
        std::string text;
        if (!ReadSourceFile(file, text, SourceReadLimit + 2).Succeeded) {
            err << "wayline-cli " << command << ": cannot read '" << file << "'\n";
            return std::nullopt;
        }
        if (text.size() > SourceReadLimit + 1) {
            // Too long whatever its line ends: said with the file's size,
            // which a file knows (a device or a pipe may have no end).
            std::error_code failed;
            const std::uintmax_t size = std::filesystem::is_regular_file(file, failed)
                                            ? std::filesystem::file_size(file, failed)
                                            : 0;
            err << "wayline-cli " << command << ": '" << file << "' has "
                << (failed || size == 0 ? "more than " + std::to_string(MaxSourceSize)
                                        : std::to_string(size))
                << " bytes; at most " << MaxSourceSize << " can be tokenized\n";
            return std::nullopt;
        }
        return LoadTemplateLines(text);
    }
    auto state = std::make_unique<TDocumentState>();
    InitialiseDocument(*state);
    state->AdvancedMode = true; // opens every file; the file's own mode follows
    const TLoadResult loaded = LoadActionListFile(file, *state);
    if (loaded.Status == TLoadStatus::lsRefused) {
        err << loaded.Message << '\n';
        return std::nullopt;
    }
    if (loaded.Status != TLoadStatus::lsLoaded) {
        err << "wayline-cli " << command << ": cannot read '" << file
            << "' as an action list (it is missing, unreadable or too short)\n";
        return std::nullopt;
    }
    state->AdvancedMode = state->Document.AdvancedMode != 0;
    const TBuildCodeResult built = BuildCode(templateText, *state, sensorsEnabled);
    if (!built.Succeeded) {
        err << built.ErrorText << '\n';
        return std::nullopt;
    }
    return built.Lines;
}

bool CompileForRobot(TTokenizer& tokenizer, const std::string& file, const TCodeLines& lines,
                     TDownloadImages& images, std::string_view otherModule, std::ostream& err) {
    if (const std::size_t length = JoinCodeLines(lines).size();
        length > static_cast<std::size_t>(MaxSourceSize)) {
        err << TokenizationFailedText << '\n'
            << file << ": the program text has " << length
            << " characters with its lines joined by CR LF; at most " << MaxSourceSize
            << " can be tokenized\n";
        return false;
    }
    if (!CompileForDownload(tokenizer, lines, images)) {
        err << TokenizationFailedText << '\n';
        const TTokenizerResult& r = tokenizer.Result;
        if (!r.Succeeded && r.ErrorText != nullptr) {
            err << FormatDiagnostic(file, JoinCodeLines(lines), r.ErrorStart, r.ErrorLength,
                                    r.ErrorText);
        } else if (r.Succeeded && r.PacketCount == 0) {
            err << file << ": the program has nothing to download\n";
        }
        return false;
    }
    if (tokenizer.Result.TargetModule != tmKM2) {
        err << file << ": the program is not for the Keystone 2 module " << otherModule << '\n';
        return false;
    }
    return true;
}

} // namespace wayline
