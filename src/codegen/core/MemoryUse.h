#pragma once

#include "editor/core/ActionDocument.h"

#include <optional>
#include <string>
#include <string_view>

namespace wayline {

class TTokenizer;
struct TTokenizerResult;

// How much of the robot's EEPROM the lists take. The robot program is
// compiled from the top of the EEPROM downward and the generated DATA fills
// it from address 0 upward; the lists fit while their last byte stays below
// the program's lowest byte. The program does not change with the lists
// (they sit behind a fixed 14-byte configuration block), so its start is
// found once and every edit only needs the lists counted.
struct TMemoryUse {
    int DataBytes = 0;    // configuration and lists: addresses 0 .. DataBytes - 1
    int ProgramStart = 0; // lowest EEPROM address of the robot program

    bool Fits() const { return DataBytes <= ProgramStart; }
    int ExcessBytes() const { return Fits() ? 0 : DataBytes - ProgramStart; }
    // Every step takes at least two bytes; steps that change a sensor
    // column take more, so this is an upper bound for plain steps.
    int StepsToRemove() const { return (ExcessBytes() + 1) / 2; }
    // The share of the room the program leaves that the lists fill, in
    // percent: at most 100 while they fit, over 100 once they do not.
    int Percent() const;
};

// The lowest EEPROM address a compiled program occupies (2048 when there is
// no program).
int LowestProgramAddress(const TTokenizerResult& result);

// Compiles the template with empty lists, as the compile step before a
// download does, and returns the robot program's lowest address; nothing
// when the template does not compile. Uses `tokenizer`'s record.
std::optional<int> RobotProgramStart(TTokenizer& tokenizer, std::string_view templateText);

// The lists of `state` against a program starting at `programStart`.
TMemoryUse MeasureMemoryUse(const TDocumentState& state, int programStart);

// "Your action lists do not fit into the robot's memory: 12 bytes too many.
// Remove about 6 steps." for lists that do not fit.
std::string ListsTooLargeMessage(const TMemoryUse& use);

} // namespace wayline
