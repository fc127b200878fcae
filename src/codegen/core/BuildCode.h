#pragma once

#include "editor/core/ActionDocument.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace wayline {

// The lines of the code window's text (BASICMemo): the template is loaded
// into them, generation edits them, the compile step joins them.
using TCodeLines = std::vector<std::string>;

inline constexpr int RobotProgramResource = 362; // resource DATA 362
inline constexpr int TestProgramResource = 364;  // resource DATA 364

// The robot finds its main list right behind the 14 configuration bytes.
inline constexpr int ActionListAddress = 14;

// Offsets into the element list are 16 bits wide, so the tokenizer cannot
// take a text of more characters than this.
inline constexpr std::size_t MaxTokenizerSourceSize = 65535;

inline constexpr std::string_view EepromStartNotFoundText = "Can't find start of EEPROM data!";
inline constexpr std::string_view TokenizationFailedText = "Error! Tokenization Failed!";

// Template loader: the text split into lines at CR LF (a lone CR or LF
// counts as a line end too). A line end after the last line adds no empty
// line; an empty text gives no lines.
TCodeLines LoadTemplateLines(std::string_view text);

// The text the compile step hands to the tokenizer: the lines joined by
// CR LF.
std::string JoinCodeLines(const TCodeLines& lines);

// The sensor mode byte at EEPROM address 0: 2 in advanced mode (the
// "Sensors Enabled" box is hidden there), else 1 or 0 by that box.
int SensorModeByte(bool advancedMode, bool sensorsEnabled);

struct TBuildCodeResult {
    bool Succeeded = false;
    TCodeLines Lines;      // the generated program; empty on failure
    std::string ErrorText; // EepromStartNotFoundText on failure
};

// Generates the robot program: the template with its ActionList line
// replaced by a Configure line and one set of DATA lines per list. Reads the
// six lists (N from StepCounts), the servo centres and AdvancedMode of the
// state; `sensorsEnabled` is the "Sensors Enabled" box (beginner mode only).
TBuildCodeResult BuildCode(std::string_view templateText, const TDocumentState& state,
                           bool sensorsEnabled);

// The compile step's source: the joined text, or nothing when it is too long
// for the tokenizer (the caller then reports TokenizationFailedText, as for
// any failed tokenization).
std::optional<std::string> TokenizerSourceText(const TCodeLines& lines);

} // namespace wayline
