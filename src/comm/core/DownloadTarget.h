#pragma once

#include "comm/core/Identify.h"

#include <array>
#include <string>
#include <vector>

namespace wayline {

// FindDownloadTarget's answer when no port qualifies or the user gave up.
inline constexpr int NoTarget = -10;

enum class TTargetDecision {
    tdNone,   // no module of the target type: "No robot found."
    tdOne,    // exactly one: Target is its port
    tdChoose, // several: the user picks one of the Choosable rows
};

// How the scan's port rows decide the download's port.
struct TDownloadTargetRule {
    TTargetDecision Decision = TTargetDecision::tdNone;
    // The port index (grid row - 1) of the last row of the target type, or
    // NoTarget when there is none.
    int Target = NoTarget;
    // Rows per module type 0 to 5.
    std::array<int, ModuleTypeCount> Counts{};
    // Per port: the row is of the target type (the "+" of the hidden column 6).
    std::vector<bool> Choosable;
};

// The rule of FindDownloadTarget over the hidden type column of the port
// rows (one text per port, as the scan wrote it; an empty cell is type 0).
TDownloadTargetRule DecideDownloadTarget(const std::vector<std::string>& typeCells,
                                         int downloadTargetType);

// The same over the module types themselves.
TDownloadTargetRule DecideDownloadTarget(const std::vector<int>& types, int downloadTargetType);

} // namespace wayline
