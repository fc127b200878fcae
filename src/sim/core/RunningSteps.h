#pragma once

#include "sim/core/RobotSimulation.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace wayline::sim {

// The rows of the editor's six lists by stored entry: Rows[k][e] is the row
// (from 1) of the step that entry e + 1 of list k belongs to, k = 0 for the
// main list and 1..5 for the sensor sets All, Set1..Set4. Several entries
// may belong to one step (a step's sensor set changes are entries of their
// own in front of its command).
using TEntryRows = std::array<std::vector<int>, TListLayout::SetCount + 1>;

// A step the robot program is playing, for the editor to show.
struct TPlayingStep {
    int List = 0;    // as the editor numbers them: 1 main list, 2..6 All, Set1..Set4
    int Row = 0;     // 0 while a sensor set is about to begin
    char Letter = 0; // the command letter of the entry last read, and its value
    int Value = 0;

    friend bool operator==(const TPlayingStep&, const TPlayingStep&) = default;
};

// Follows a run on the board and tells which step of the main list is being
// executed and which sensor set is playing, by mapping the list entries the
// program reads back to the rows they were generated from. Knows no rows
// (every Row is 0) when the program in the module was not generated from
// those rows: the layout in the EEPROM has other list lengths, or is no
// robot program.
class TRunningSteps {
public:
    TRunningSteps() = default;
    explicit TRunningSteps(TEntryRows rows) : Rows(std::move(rows)) {}

    // Takes the events that joined the board's list since the last call. A
    // new run (the board's Runs() moved on) starts over.
    void Follow(const TRobotSimulation& board);

    // The main-list step being executed: the one whose entry was read last;
    // none before the first read and after the end.
    const std::optional<TPlayingStep>& MainStep() const { return Main; }
    // While a sensor set plays: its list, and the step it is on.
    const std::optional<TPlayingStep>& SetStep() const { return Set; }
    // A beginner reaction to the sensors under way: until the program reads
    // the main list again, or, for a veer, until the veer has run its course
    // and the interrupted step goes on.
    const std::optional<TReaction>& Reaction() const { return Reacting; }
    // The program has ended, and what the run-time said about it (empty
    // after END or STOP).
    bool Ended() const { return HasEnded; }
    const std::string& EndText() const { return EndMessage; }
    // After a fault (EndText not empty): its kind and place.
    const TFaultCause& EndCause() const { return Cause; }
    // Whether the program in the module is the one the rows describe.
    bool Matches() const { return LayoutMatches; }

private:
    void StartOver();
    void Take(const TRunEvent& event);
    int RowOf(int list, int entry) const;

    TEntryRows Rows;
    unsigned Run = 0;
    std::uint64_t NextEvent = 0; // counted from the run's first event
    bool LayoutMatches = false;
    bool HasEnded = false;
    TFaultCause Cause;
    std::optional<TPlayingStep> Main;
    std::optional<TPlayingStep> Set;
    std::optional<TReaction> Reacting;
    std::uint64_t ReactionUs = 0;
    std::string EndMessage;
};

} // namespace wayline::sim
