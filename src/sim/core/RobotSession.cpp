#include "sim/core/RobotSession.h"

#include "comm/core/Download.h"
#include "sim/core/SimulatedSerialDevice.h"
#include "sim/core/VirtualRobotPort.h"

#include <mutex>
#include <utility>

namespace wayline::sim {

namespace {

// The download's front end with nobody to show anything to: the one port
// is the only choice, and an error box's text is kept for the caller.
class TQuietFrontEnd final : public TDownloadFrontEnd {
public:
    int ChooseTarget(const std::vector<TPortScanRow>&,
                     const std::vector<bool>& choosable) override {
        for (std::size_t i = 0; i < choosable.size(); ++i) {
            if (choosable[i]) {
                return static_cast<int>(i);
            }
        }
        return NoTarget;
    }
    void ToggleIndicator(bool) override {}
    void StepIt(int) override {}
    void ShowErrorBox(const std::string& text) override {
        if (Error.empty()) {
            Error = text;
        }
    }
    std::string Error;
};

} // namespace

TRobotSession::TRobotSession(TWorld world, TRobotParameters robot,
                             std::shared_ptr<TSimulatedModule> module)
    : ModulePtr(module ? std::move(module) : std::make_shared<TSimulatedModule>()),
      Simulation(std::make_unique<TRobotSimulation>(std::move(world), robot)),
      RunTime(std::make_unique<TInterpreter>(Simulation->Robot())) {
    Simulation->SetRunTime(*RunTime);
    Simulation->SetModule(ModulePtr.get());
    std::shared_ptr<TSimulatedModule> shared = ModulePtr;
    PortSlots = std::make_unique<TSerialSlots>(
        [shared](const std::string& name) -> std::unique_ptr<SerialDevice> {
            if (name != VirtualRobotPortName) {
                return nullptr;
            }
            return std::make_unique<SimulatedSerialDevice>(shared);
        });
    const std::lock_guard<std::mutex> lock(ModulePtr->Mutex());
    ModulePtr->SetRunTime(Simulation->WatchedRunTime(*RunTime));
}

bool TRobotSession::Download(const std::uint8_t* packets, int packetCount, std::string& error,
                             int* keptSlot) {
    const std::string portName(VirtualRobotPortName);
    TDownloadRequest request;
    request.Packets = packets;
    request.PacketCount = packetCount;
    request.DownloadTargetType = 2;
    request.KeepOpen = keptSlot != nullptr;
    // AUTO never looks at the virtual robot: name its port.
    request.SelectedPort = portName;
    TQuietFrontEnd frontEnd;
    std::uint64_t before = 0;
    {
        const std::lock_guard<std::mutex> lock(ModulePtr->Mutex());
        before = ModulePtr->NowUs();
    }
    const TDownloadOutcome outcome = RunDownload(*PortSlots, {portName}, request, TIdentifyTexts{},
                                                 TDownloadTexts{}, frontEnd, StdThreadStarter());
    if (keptSlot != nullptr) {
        *keptSlot = outcome.Slot;
    }
    {
        const std::lock_guard<std::mutex> lock(ModulePtr->Mutex());
        LastDownloadUs = ModulePtr->NowUs() - before;
    }
    if (outcome.Slot != NoSlot && outcome.Succeeded) {
        error.clear();
        return true;
    }
    error = !frontEnd.Error.empty() ? frontEnd.Error : "No robot found.";
    return false;
}

TRobotSession::~TRobotSession() {
    for (int slot = FirstSlot; slot <= LastSlot; ++slot) {
        PortSlots->ClosePort(slot);
    }
    const std::lock_guard<std::mutex> lock(ModulePtr->Mutex());
    ModulePtr->SetRunTime(nullptr);
}

} // namespace wayline::sim
