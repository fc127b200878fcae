#include "sim/core/RunningSteps.h"

namespace wayline::sim {

namespace {

// Entries of each list as the EEPROM holds them ("Q" not counted), when it
// holds the robot program's lists.
std::optional<std::array<int, TListLayout::SetCount + 1>>
StoredEntries(const std::optional<TListLayout>& layout) {
    if (!layout) {
        return std::nullopt;
    }
    std::array<int, TListLayout::SetCount + 1> entries{};
    int start = TListLayout::MainList;
    for (int k = 0; k <= TListLayout::SetCount; ++k) {
        const int end =
            k < TListLayout::SetCount ? layout->SetStart[static_cast<std::size_t>(k)] : layout->End;
        // Two bytes an entry, and the one "Q" byte.
        entries[static_cast<std::size_t>(k)] = (end - start - 1) / 2;
        start = end;
    }
    return entries;
}

} // namespace

void TRunningSteps::StartOver() {
    NextEvent = 0;
    HasEnded = false;
    EndMessage.clear();
    Cause = TFaultCause();
    Main.reset();
    Set.reset();
    Reacting.reset();
}

int TRunningSteps::RowOf(int list, int entry) const {
    if (!LayoutMatches) {
        return 0;
    }
    const std::vector<int>& rows = Rows[static_cast<std::size_t>(list)];
    if (entry < 1 || entry > static_cast<int>(rows.size())) {
        return 0;
    }
    return rows[static_cast<std::size_t>(entry - 1)];
}

void TRunningSteps::Follow(const TRobotSimulation& board) {
    if (board.Runs() != Run) {
        Run = board.Runs();
        StartOver();
        LayoutMatches = false;
        if (const auto entries = StoredEntries(board.Layout())) {
            LayoutMatches = true;
            for (std::size_t k = 0; k < Rows.size(); ++k) {
                LayoutMatches = LayoutMatches && (*entries)[k] == static_cast<int>(Rows[k].size());
            }
        }
    }
    const std::vector<TRunEvent>& events = board.Events();
    const std::uint64_t dropped = board.EventsDropped();
    // Events dropped before they were seen are lost; the newer ones tell
    // enough (every command read names its step).
    std::uint64_t i = std::max(NextEvent, dropped);
    for (; i < dropped + events.size(); ++i) {
        Take(events[static_cast<std::size_t>(i - dropped)]);
    }
    NextEvent = i;
    const std::optional<std::uint64_t> veerEnd = board.LastVeerEndUs();
    if (Reacting && veerEnd && *veerEnd > ReactionUs && *veerEnd <= board.EventsCompleteUs() &&
        (*Reacting == TReaction::rnVeerLeft || *Reacting == TReaction::rnVeerRight)) {
        Reacting.reset();
    }
}

void TRunningSteps::Take(const TRunEvent& event) {
    switch (event.Kind) {
    case TRunEventKind::ekCommand: {
        const bool endOfList = event.Letter == 'Q';
        if (event.List == 0) {
            // A read of the main list: no set plays (any that did has ended)
            // and a beginner reaction is over.
            Set.reset();
            Reacting.reset();
            if (endOfList) {
                Main.reset();
            } else {
                Main = TPlayingStep{1, RowOf(0, event.Entry), event.Letter, event.Value};
            }
        } else if (endOfList) {
            Set.reset();
        } else {
            Set = TPlayingStep{event.List + 1, RowOf(event.List, event.Entry), event.Letter,
                               event.Value};
        }
        break;
    }
    case TRunEventKind::ekReaction:
        if (event.Reaction == TReaction::rnSensorSet) {
            Set = TPlayingStep{event.Set + 2, 0, 0, 0};
        } else {
            Reacting = event.Reaction;
            ReactionUs = event.TimeUs;
        }
        break;
    case TRunEventKind::ekEnd:
        HasEnded = true;
        // END and STOP are how a list finishes; only a fault has a reason
        // worth showing.
        EndMessage = event.Fault ? event.Text : std::string();
        Cause = event.Cause;
        Main.reset();
        Set.reset();
        Reacting.reset();
        break;
    default:
        break;
    }
}

} // namespace wayline::sim
