#include "codegen/core/ActionListFile.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <memory>
#include <system_error>
#include <vector>

namespace wayline {

namespace {

constexpr int MaxSetIndex = SensorSetCount - 1;

bool HeaderMatches(const TActionDocument& record) {
    if (record.Signature[0] != ActionListHeaderText.size()) {
        return false;
    }
    return std::equal(ActionListHeaderText.begin(), ActionListHeaderText.end(),
                      record.Signature.begin() + 1, [](char expected, std::uint8_t actual) {
                          return static_cast<std::uint8_t>(expected) == actual;
                      });
}

// N is where the first negative value stands; a list without one is full.
int FindStepCount(const TStepList& list) {
    for (int row = 1; row < ListEntries; ++row) {
        if (list.Steps[static_cast<std::size_t>(row)].Value < 0) {
            return row - 1;
        }
    }
    return MaxSteps;
}

// A step the editor could have written. Kinds and set indices outside the
// tables would index past them when shown or generated. A Loop Back target
// above its own row is allowed: it is clamped when shown.
bool StepIsSound(const TActionStep& step) {
    if (step.Kind >= ActionKindCount || step.BothSet > MaxSetIndex || step.LeftSet > MaxSetIndex ||
        step.RightSet > MaxSetIndex || step.Value < 1) {
        return false;
    }
    return step.Kind == akLoopBack || step.Value <= MaxDuration;
}

std::string SystemReason(int error) {
    return std::system_category().message(error);
}

struct TFileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using TFileHandle = std::unique_ptr<std::FILE, TFileCloser>;

// A name beside the target that no other file has; "x" fails if it exists.
TFileHandle CreateTemporaryBeside(const std::filesystem::path& target,
                                  std::filesystem::path& created, int& error) {
    const auto stamp = static_cast<unsigned long long>(
        std::chrono::steady_clock::now().time_since_epoch().count());
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::filesystem::path candidate = target;
        candidate += ".~" + std::to_string((stamp + static_cast<unsigned>(attempt)) % 1000000u);
        errno = 0;
        TFileHandle file(std::fopen(candidate.string().c_str(), "wbx"));
        if (file) {
            created = candidate;
            return file;
        }
        error = errno;
        if (error != EEXIST) {
            return nullptr;
        }
    }
    return nullptr;
}

} // namespace

std::string WrongVersionMessage(std::uint8_t version) {
    return "Can not open Wayline file.  File format is version " + std::to_string(version >> 4) +
           "." + std::to_string(version & 15) + ".  Expected version " +
           std::to_string(ActionListFormatVersion >> 4) + "." +
           std::to_string(ActionListFormatVersion & 15) + ".";
}

TLoadResult LoadActionList(std::span<const std::uint8_t> bytes, TDocumentState& state) {
    if (bytes.size() < DocumentSize) {
        return {TLoadStatus::lsNotLoaded, {}};
    }
    // Read into a record of its own: the document is touched only once every
    // check has passed.
    auto record = std::make_unique<TActionDocument>();
    DocumentFromBytes(bytes.first<DocumentSize>(), *record);

    if (!HeaderMatches(*record)) {
        return {TLoadStatus::lsRefused, std::string(NotProperFormatMessage)};
    }
    if (record->FormatVersion != ActionListFormatVersion) {
        return {TLoadStatus::lsRefused, WrongVersionMessage(record->FormatVersion)};
    }
    if (record->AdvancedMode != 0 && !state.AdvancedMode) {
        return {TLoadStatus::lsRefused, std::string(AdvancedModeFileMessage)};
    }
    std::array<int, ListCount> counts{};
    for (int list = 1; list <= ListCount; ++list) {
        const TStepList& steps = record->List(list);
        const int count = FindStepCount(steps);
        for (int row = 1; row <= count; ++row) {
            if (!StepIsSound(steps.Steps[static_cast<std::size_t>(row)])) {
                return {TLoadStatus::lsRefused, std::string(NotProperFormatMessage)};
            }
        }
        counts[static_cast<std::size_t>(list - 1)] = count;
    }

    // Entry 0 is never shown, but saving copies it behind the last step; a
    // stray value there would turn into steps at the next load.
    for (TStepList& steps : record->Lists) {
        steps.Steps[0] = TActionStep{0, HeaderValue, 0, 0, 0};
    }
    state.Document = *record;
    state.StepCounts = counts;
    state.ListModified = false;
    return {TLoadStatus::lsLoaded, {}};
}

TLoadResult LoadActionListFile(const std::filesystem::path& path, TDocumentState& state) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return {TLoadStatus::lsNotLoaded, {}};
    }
    std::vector<std::uint8_t> bytes(DocumentSize);
    in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    bytes.resize(static_cast<std::size_t>(std::max<std::streamsize>(in.gcount(), 0)));
    return LoadActionList(bytes, state);
}

std::array<std::uint8_t, DocumentSize> ActionListImage(TDocumentState& state) {
    TActionDocument& document = state.Document;
    document.Signature[0] = static_cast<std::uint8_t>(ActionListHeaderText.size());
    std::copy(ActionListHeaderText.begin(), ActionListHeaderText.end(),
              document.Signature.begin() + 1);
    document.FormatVersion = ActionListFormatVersion;
    document.AdvancedMode = state.AdvancedMode ? 1 : 0;
    for (int list = 1; list <= ListCount; ++list) {
        TStepList& steps = document.List(list);
        const int count = std::clamp(state.StepCount(list), 0, MaxSteps);
        std::fill(steps.Steps.begin() + count + 1, steps.Steps.end(), steps.Steps[0]);
    }
    std::array<std::uint8_t, DocumentSize> image{};
    DocumentToBytes(document, image);
    return image;
}

TSaveResult SaveActionListFile(const std::filesystem::path& path, TDocumentState& state) {
    const std::array<std::uint8_t, DocumentSize> image = ActionListImage(state);
    const std::string shownName = path.string();

    std::filesystem::path temporary;
    int error = 0;
    TFileHandle file = CreateTemporaryBeside(path, temporary, error);
    if (!file) {
        return {false, "Can not save " + shownName + ": " + SystemReason(error)};
    }
    errno = 0;
    const bool written = std::fwrite(image.data(), 1, image.size(), file.get()) == image.size() &&
                         std::fflush(file.get()) == 0;
    error = errno;
    const bool closed = std::fclose(file.release()) == 0;
    if (!closed && error == 0) {
        error = errno;
    }
    std::error_code ignored;
    if (!written || !closed) {
        std::filesystem::remove(temporary, ignored);
        return {false, "Can not save " + shownName + ": " + SystemReason(error != 0 ? error : EIO)};
    }
    std::error_code renamed;
    std::filesystem::rename(temporary, path, renamed);
    if (renamed) {
        std::filesystem::remove(temporary, ignored);
        return {false, "Can not save " + shownName + ": " + renamed.message()};
    }
    state.ListModified = false;
    return {true, {}};
}

} // namespace wayline
