#include "editor/core/SettingsRules.h"

#include <algorithm>
#include <filesystem>

namespace wayline {

namespace {

char Capital(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

std::string Capitals(std::string_view text) {
    std::string result(text);
    std::transform(result.begin(), result.end(), result.begin(), Capital);
    return result;
}

} // namespace

std::uint8_t ServoCenterFromSetting(long long stored) {
    return static_cast<std::uint8_t>(static_cast<unsigned long long>(stored) & 0xFFu);
}

std::string PortNameFromSetting(std::string_view stored) {
    const std::string capitals = Capitals(stored);
    if (capitals.starts_with("COM") || capitals == AutoPort) {
        return capitals;
    }
    return std::string(stored);
}

std::string PortNameToStore(std::string_view selectedPort) {
    if (selectedPort.empty() || Capitals(selectedPort) == AutoPort) {
        return std::string(AutoPort);
    }
    return std::string(selectedPort);
}

std::string PortSettingToWrite(std::string_view storedAtStart, std::string_view selectedPort,
                               bool chosenThisRun) {
    if (!chosenThisRun && !storedAtStart.empty()) {
        return PortNameToStore(storedAtStart);
    }
    return PortNameToStore(selectedPort);
}

std::string FileDialogFolder(std::string_view lastDirectory, std::string_view documents,
                             std::string_view home,
                             const std::function<bool(std::string_view)>& isFolder) {
    for (const std::string_view folder : {lastDirectory, documents}) {
        if (!folder.empty() && isFolder(folder)) {
            return std::string(folder);
        }
    }
    return std::string(home);
}

std::string FolderOfFile(std::string_view file) {
    return std::filesystem::path(file).parent_path().string();
}

} // namespace wayline
