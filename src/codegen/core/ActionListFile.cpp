#include "codegen/core/ActionListFile.h"

#include "codegen/core/FileWrite.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
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

} // namespace

std::string WrongVersionMessage(std::uint8_t version) {
    return "Can not open Wayline file.  File format is version " + std::to_string(version >> 4) +
           "." + std::to_string(version & 15) + ".  Expected version " +
           std::to_string(ActionListFormatVersion >> 4) + "." +
           std::to_string(ActionListFormatVersion & 15) + ".";
}

TLoadResult LoadActionList(std::span<const std::uint8_t> bytes, TDocumentState& state) {
    if (bytes.size() < DocumentSize) {
        // A cut-off file is no action list either; it must not look loaded.
        return {TLoadStatus::lsTooShort, std::string(NotProperFormatMessage), false,
                TLoadRefusal::lrNotProper};
    }
    // Read into a record of its own: the document is touched only once every
    // check has passed.
    auto record = std::make_unique<TActionDocument>();
    DocumentFromBytes(bytes.first<DocumentSize>(), *record);

    if (!HeaderMatches(*record)) {
        return {TLoadStatus::lsRefused, std::string(NotProperFormatMessage), false,
                TLoadRefusal::lrNotProper};
    }
    if (record->FormatVersion != ActionListFormatVersion) {
        return {TLoadStatus::lsRefused, WrongVersionMessage(record->FormatVersion), false,
                TLoadRefusal::lrWrongVersion, record->FormatVersion};
    }
    if (record->AdvancedMode != 0 && !state.AdvancedMode) {
        return {TLoadStatus::lsRefused, std::string(AdvancedModeFileMessage), true,
                TLoadRefusal::lrAdvancedFile};
    }
    std::array<int, ListCount> counts{};
    for (int list = 1; list <= ListCount; ++list) {
        const TStepList& steps = record->List(list);
        const int count = FindStepCount(steps);
        for (int row = 1; row <= count; ++row) {
            if (!StepIsSound(steps.Steps[static_cast<std::size_t>(row)])) {
                return {TLoadStatus::lsRefused, std::string(NotProperFormatMessage), false,
                        TLoadRefusal::lrNotProper};
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
    const auto unreadable = [&](int error) {
        return TLoadResult{TLoadStatus::lsUnreadable,
                           "Can not open " + path.string() + ": " + SystemReason(error),
                           false, TLoadRefusal::lrUnreadable, 0, error};
    };
    errno = 0;
    std::unique_ptr<std::FILE, TFileCloser> file(std::fopen(path.c_str(), "rb"));
    if (!file) {
        return unreadable(errno != 0 ? errno : EIO);
    }
    // One byte more than a record is enough to read: the rest is ignored.
    std::vector<std::uint8_t> bytes(DocumentSize);
    errno = 0;
    const std::size_t got = std::fread(bytes.data(), 1, bytes.size(), file.get());
    if (got < bytes.size() && std::ferror(file.get())) {
        return unreadable(errno != 0 ? errno : EIO);
    }
    bytes.resize(got);
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
    const TFileWriteResult written = WriteWholeFile(path, image);
    if (!written.Written) {
        const int error = written.Error != 0 ? written.Error : EIO;
        return {false, "Can not save " + path.string() + ": " + SystemReason(error), error};
    }
    state.ListModified = false;
    return {true, {}};
}

} // namespace wayline
