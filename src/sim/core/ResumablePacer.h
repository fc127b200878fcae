#pragma once

#include "sim/core/RealTimePacer.h"

#include <cstdint>
#include <memory>
#include <mutex>

namespace wayline::sim {

// A pacer whose simulated time can be taken over and handed back. The
// virtual robot's window runs the module on a clock of its own (paused,
// or two or four times as fast); whenever a serial device may take the
// module over (a download, test mode), simulated time must go on at the
// host's pace from where the window left it, not from where the host's
// clock has got to in the meantime. ResumeFrom says where that is.
// Safe to share between threads.
class TResumablePacer final : public TRealTimePacer {
public:
    // `host`: the clock whose pace simulated time follows (the host's
    // steady clock by default; tests give one that moves when waited on).
    explicit TResumablePacer(std::shared_ptr<const TRealTimePacer> host = nullptr);

    std::uint64_t NowUs() const override;
    void SleepUntilUs(std::uint64_t simUs) const override;

    // From now on simulated time goes on from `simUs` at the host's pace.
    void ResumeFrom(std::uint64_t simUs);

private:
    std::shared_ptr<const TRealTimePacer> Host;
    mutable std::mutex Lock;
    std::uint64_t SimBase = 0;  // simulated time at HostBase
    std::uint64_t HostBase = 0; // the host's time when SimBase was set
};

} // namespace wayline::sim
