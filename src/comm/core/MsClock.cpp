#include "comm/core/MsClock.h"

#include <chrono>
#include <thread>

namespace wayline {

namespace {

// The host's steady clock. Waiting sleeps instead of spinning: the caller
// is blocked either way, and a spinning wait would take a whole core from
// the identification threads that run beside it.
class TSystemClock final : public TMsClock {
public:
    std::uint64_t NowMs() override {
        const auto now = std::chrono::steady_clock::now().time_since_epoch();
        return static_cast<std::uint64_t>(
            std::chrono::duration_cast<std::chrono::milliseconds>(now).count());
    }

    void WaitMs(std::uint32_t milliseconds) override {
        const auto until =
            std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
        while (std::chrono::steady_clock::now() < until) {
            std::this_thread::sleep_until(until);
        }
    }
};

} // namespace

TMsClock& SystemClock() {
    static TSystemClock clock;
    return clock;
}

} // namespace wayline
