#include "cli/ProgramFile.h"

#include "codegen/core/ActionListFile.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>

namespace wayline {

namespace {

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

std::optional<TCodeLines> ProgramLinesOfFile(std::string_view command, const std::string& file,
                                             bool sensorsEnabled, std::string_view templateText,
                                             std::ostream& err) {
    if (!IsActionListName(file)) {
        std::ifstream in(file, std::ios::binary);
        std::error_code ignored;
        // A folder opens on Linux and only fails to be read.
        if (!in || std::filesystem::is_directory(file, ignored)) {
            err << "wayline-cli " << command << ": cannot read '" << file << "'\n";
            return std::nullopt;
        }
        const std::string text{std::istreambuf_iterator<char>(in),
                               std::istreambuf_iterator<char>()};
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

} // namespace wayline
