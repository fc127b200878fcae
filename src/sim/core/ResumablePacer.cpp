#include "sim/core/ResumablePacer.h"

namespace wayline::sim {

TResumablePacer::TResumablePacer(std::shared_ptr<const TRealTimePacer> host)
    : Host(host ? std::move(host) : std::make_shared<TRealTimePacer>()) {
    HostBase = Host->NowUs();
}

std::uint64_t TResumablePacer::NowUs() const {
    const std::uint64_t host = Host->NowUs();
    const std::lock_guard<std::mutex> lock(Lock);
    return SimBase + (host > HostBase ? host - HostBase : 0);
}

void TResumablePacer::SleepUntilUs(std::uint64_t simUs) const {
    std::uint64_t hostUs = 0;
    {
        const std::lock_guard<std::mutex> lock(Lock);
        if (simUs <= SimBase) {
            return;
        }
        hostUs = HostBase + (simUs - SimBase);
    }
    Host->SleepUntilUs(hostUs);
}

void TResumablePacer::ResumeFrom(std::uint64_t simUs) {
    const std::uint64_t host = Host->NowUs();
    const std::lock_guard<std::mutex> lock(Lock);
    SimBase = simUs;
    HostBase = host;
}

} // namespace wayline::sim
