#include "comm/core/Download.h"

namespace wayline {

TDownloadOutcome RunDownload(TSerialSlots& slots, const std::vector<std::string>& portNames,
                             const TDownloadRequest& request, const TIdentifyTexts& identifyTexts,
                             const TDownloadTexts& texts, TDownloadFrontEnd& frontEnd,
                             const TThreadStarter& startThread, const TIdentifyWork& identify) {
    TDownloadOutcome outcome;
    frontEnd.ScanStarting(portNames);
    const TScanResultHandler show = [&frontEnd](int portIndex, const TPortScanRow& row) {
        frontEnd.ShowResult(portIndex, row);
    };
    outcome.Rows = identify ? ScanPortsInParallel(portNames, request.SelectedPort,
                                                  identifyTexts, startThread, identify, show)
                            : ScanPortsInParallel(slots, portNames, request.SelectedPort,
                                                  request.DownloadTargetType, identifyTexts,
                                                  startThread, show);
    frontEnd.ScanFinished(outcome.Rows);
    if (frontEnd.Interrupted()) {
        outcome.Interrupted = true;
        return outcome;
    }

    std::vector<int> types;
    types.reserve(outcome.Rows.size());
    for (const TPortScanRow& row : outcome.Rows) {
        types.push_back(row.Result.DeviceType);
    }
    const TDownloadTargetRule rule = DecideDownloadTarget(types, request.DownloadTargetType);
    int target = rule.Target;
    switch (rule.Decision) {
    case TTargetDecision::tdNone:
        frontEnd.ShowErrorBox(texts.NoRobotFound);
        return outcome;
    case TTargetDecision::tdOne:
        break;
    case TTargetDecision::tdChoose:
        target = frontEnd.ChooseTarget(outcome.Rows, rule.Choosable);
        if (frontEnd.Interrupted()) {
            outcome.Interrupted = true;
            return outcome;
        }
        if (target < 0 || target >= static_cast<int>(rule.Choosable.size()) ||
            !rule.Choosable[static_cast<std::size_t>(target)]) {
            return outcome;
        }
        break;
    }
    outcome.PortIndex = target;
    frontEnd.TransferStarting(target, request.PacketCount);

    const TIdentifyResult& found = outcome.Rows[static_cast<std::size_t>(target)].Result;
    const int type = request.DownloadTargetType;
    const std::string required =
        type >= 0 && type < ModuleTypeCount ? RequiredVersions[static_cast<std::size_t>(type)] : "";
    if (found.VersionText != required) {
        frontEnd.ShowErrorBox(texts.WrongVersion);
        return outcome;
    }

    std::uint32_t errorCode = 0;
    const int slot = slots.OpenFreeSlot(portNames[static_cast<std::size_t>(target)], errorCode,
                                        &outcome.Failure);
    if (slot == NoSlot) {
        outcome.OpenError = errorCode;
        outcome.Failure.Code = errorCode;
        return outcome;
    }
    outcome.Slot = slot;
    outcome.Succeeded = SendProgramImage(slots.Slot(slot), type, 0, request.Packets,
                                         request.PacketCount, identifyTexts, texts, frontEnd);
    outcome.Interrupted = frontEnd.Interrupted();
    if (!request.KeepOpen) {
        slots.ClosePort(slot);
    }
    return outcome;
}

} // namespace wayline
