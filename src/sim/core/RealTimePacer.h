#pragma once

#include <chrono>
#include <cstdint>

namespace wayline::sim {

// Lets simulated time follow the host's clock, for a module that stands in
// for a real one (the virtual robot, a module behind a pseudo-terminal): a
// download through it takes as long as on the real line. The one place in
// the simulator that reads the host's clock. Safe to share between threads.
class TRealTimePacer {
public:
    virtual ~TRealTimePacer() = default;

    // Simulated microseconds now: `startUs` when the pacer was made, then
    // moving with the host's steady clock.
    explicit TRealTimePacer(std::uint64_t startUs = 0);

    virtual std::uint64_t NowUs() const;
    // Returns once NowUs() has reached `simUs`.
    virtual void SleepUntilUs(std::uint64_t simUs) const;

private:
    std::chrono::steady_clock::time_point Origin;
    std::uint64_t StartUs;
};

} // namespace wayline::sim
