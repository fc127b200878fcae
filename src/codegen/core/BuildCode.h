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

// A "G" value is one DATA byte: the robot cannot jump back over more
// entries than this.
inline constexpr int MaxLoopBackEntries = 255;

enum TBuildCodeError {
    bcNone,
    bcNoDataLine,     // the template has no ActionList line to replace
    bcLoopBackTooFar, // a Loop Back jumps over more entries than a byte holds
};

struct TBuildCodeResult {
    bool Succeeded = false;
    TCodeLines Lines;      // the generated program; empty on failure
    std::string ErrorText; // the message to show on failure
    TBuildCodeError Error = bcNone;
    int ErrorList = 0; // bcLoopBackTooFar: the list and row of the step,
    int ErrorStep = 0;
    int ErrorEntries = 0; // and the entries it would jump back over
    int DataBytes = 0; // EEPROM bytes of the Configure line and the lists
};

// Generates the robot program: the template with its ActionList line
// replaced by a Configure line and one set of DATA lines per list. Reads the
// six lists (N from StepCounts), the servo centres and AdvancedMode of the
// state; `sensorsEnabled` is the "Sensors Enabled" box (beginner mode only).
// Fails with EepromStartNotFoundText when the template has no place for the
// lists, and with LoopBackTooFarMessage for the first Loop Back whose jump
// does not fit its value byte: the robot would jump to the wrong entry.
TBuildCodeResult BuildCode(std::string_view templateText, const TDocumentState& state,
                           bool sensorsEnabled);

// "Step 254 loops back too far ..." (for a sensor list "Step 3 of Sensor Set
// 2 ..."): the step, its list and the entries its jump would span.
std::string LoopBackTooFarMessage(int list, int step, int entries);

// The EEPROM bytes the generated DATA takes from address 0: the 14
// configuration bytes and the six lists with their end marks, laid out
// exactly as BuildCode writes them. Cheap: no text is built.
int ListDataBytes(const TDocumentState& state);

// Which step each stored entry of a list belongs to, as BuildCode lays the
// list out: element e is the row (1..N) of the step that stored entry e + 1
// belongs to ("C" entries belong to the step they stand in front of); the
// closing "Q" has no element. Lets the rows of the editor be found again
// from the entries the robot reads.
std::vector<int> ListEntryRows(const TDocumentState& state, int list);

// The compile step's source: the joined text, or nothing when it is too long
// for the tokenizer (the caller then reports TokenizationFailedText, as for
// any failed tokenization).
std::optional<std::string> TokenizerSourceText(const TCodeLines& lines);

} // namespace wayline
