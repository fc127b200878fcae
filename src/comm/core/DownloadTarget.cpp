#include "comm/core/DownloadTarget.h"

#include "comm/core/Serial.h"

namespace wayline {

TDownloadTargetRule DecideDownloadTarget(const std::vector<int>& types, int downloadTargetType) {
    TDownloadTargetRule rule;
    rule.Choosable.assign(types.size(), false);
    for (std::size_t row = 0; row < types.size(); ++row) {
        const int type = types[row];
        if (type == downloadTargetType) {
            rule.Choosable[row] = true;
            rule.Target = static_cast<int>(row);
        }
        // A cell that holds no module type counts nowhere.
        if (type >= 0 && type < ModuleTypeCount) {
            ++rule.Counts[static_cast<std::size_t>(type)];
        }
    }
    int found = 0;
    for (const bool choosable : rule.Choosable) {
        found += choosable ? 1 : 0;
    }
    if (found == 0) {
        rule.Decision = TTargetDecision::tdNone;
        rule.Target = NoTarget;
    } else if (found == 1) {
        rule.Decision = TTargetDecision::tdOne;
    } else {
        rule.Decision = TTargetDecision::tdChoose;
    }
    return rule;
}

TDownloadTargetRule DecideDownloadTarget(const std::vector<std::string>& typeCells,
                                         int downloadTargetType) {
    std::vector<int> types;
    types.reserve(typeCells.size());
    for (const std::string& cell : typeCells) {
        types.push_back(LooseStrToInt(cell));
    }
    return DecideDownloadTarget(types, downloadTargetType);
}

} // namespace wayline
