#pragma once

#include "editor/core/ActionDocument.h"

#include <array>
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>

namespace wayline {

// The action-list file: one 9240-byte record, the byte image of the
// document. The window shows the dialogs and the messages; everything else
// about reading and writing the record is here.

inline constexpr std::string_view ActionListHeaderText = "Wayline Action List";
inline constexpr std::uint8_t ActionListFormatVersion = 0x13; // 1.3

// File dialogs: titles, default extension, and the filter (in its
// "description|pattern|..." form and in the form Qt's dialogs take).
inline constexpr std::string_view SaveDialogTitle = "Save your To Do List";
inline constexpr std::string_view OpenDialogTitle = "Open an Action list";
inline constexpr std::string_view ActionListExtension = "wyl";
inline constexpr std::string_view ActionListFilter =
    "Wayline Files (*.wyl)|*.wyl|All Files (*.*)|*.*";
inline constexpr std::string_view ActionListFilterQt = "Wayline Files (*.wyl);;All Files (*.*)";

// The refusal messages, shown in an error box.
inline constexpr std::string_view NotProperFormatMessage = "Not proper Wayline file format.";
inline constexpr std::string_view AdvancedModeFileMessage =
    "This Wayline file was saved in Advanced Mode.  You must switch to Advanced Mode before "
    "opening this file.";

// "Can not open Wayline file.  File format is version 1.2.  Expected version 1.3."
std::string WrongVersionMessage(std::uint8_t version);

// Whatever the status, the document is touched only when it is lsLoaded;
// every other status comes with a Message to show.
enum class TLoadStatus {
    lsLoaded,     // the document now holds the file's lists
    lsTooShort,   // fewer bytes than one record: "Not proper Wayline file format."
    lsRefused,    // a check failed: header, version, mode or a step
    lsUnreadable, // the file could not be opened or read: "Can not open FILE: reason"
};

// Which check refused a file, so that a window can say it in its own words
// (Message says it in English).
enum class TLoadRefusal {
    lrNone,           // loaded
    lrNotProper,      // too short, another header, or a step the editor could not write
    lrWrongVersion,   // FoundVersion is the file's
    lrAdvancedFile,   // saved in Advanced Mode, opened in Beginner Mode
    lrUnreadable,     // SystemError says why
};

struct TLoadResult {
    TLoadStatus Status;
    std::string Message; // empty only when loaded
    // Refused only because it was saved in Advanced Mode and the program is
    // in Beginner Mode: the window may offer to switch and load it again.
    bool AdvancedFile = false;
    TLoadRefusal Refusal = TLoadRefusal::lrNone;
    std::uint8_t FoundVersion = 0;
    int SystemError = 0;
};

// Checks one record and, only if every check passes, takes it over: the whole
// record including the servo centres, the step counts found in it, and
// ListModified cleared. Fewer than 9240 bytes are refused as not an action
// list; bytes behind the first record are ignored. The window then
// redisplays the lists and recomputes the buttons.
TLoadResult LoadActionList(std::span<const std::uint8_t> bytes, TDocumentState& state);

// Reads the file (at most one record of it) and loads it as LoadActionList
// does.
TLoadResult LoadActionListFile(const std::filesystem::path& path, TDocumentState& state);

// Prepares the record for writing (signature, version and the current mode;
// copies of entry 0 behind the last step of every list) and returns its byte
// image.
std::array<std::uint8_t, DocumentSize> ActionListImage(TDocumentState& state);

struct TSaveResult {
    bool Saved;
    std::string Error;   // the text to show when not saved
    int SystemError = 0; // why not, as the system says it
};

// Writes the record to the file path names (through links) without losing
// the old one on a failure and without changing its permissions, owner or
// group (WriteWholeFile). Clears ListModified only on success.
TSaveResult SaveActionListFile(const std::filesystem::path& path, TDocumentState& state);

} // namespace wayline
