#include "sim/core/RealTimePacer.h"

#include <thread>

namespace wayline::sim {

TRealTimePacer::TRealTimePacer(std::uint64_t startUs)
    : Origin(std::chrono::steady_clock::now()), StartUs(startUs) {}

std::uint64_t TRealTimePacer::NowUs() const {
    const auto elapsed = std::chrono::steady_clock::now() - Origin;
    return StartUs + static_cast<std::uint64_t>(
                         std::chrono::duration_cast<std::chrono::microseconds>(elapsed).count());
}

void TRealTimePacer::SleepUntilUs(std::uint64_t simUs) const {
    if (simUs <= StartUs) {
        return;
    }
    const auto until = Origin + std::chrono::microseconds(simUs - StartUs);
    while (std::chrono::steady_clock::now() < until) {
        std::this_thread::sleep_until(until);
    }
}

} // namespace wayline::sim
