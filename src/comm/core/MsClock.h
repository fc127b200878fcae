#pragma once

#include <cstdint>

namespace wayline {

// A millisecond tick counter and a wait on it. Every wait of the serial
// exchanges goes through one of these, so that the simulated module can
// bring a clock that runs in simulated time and the protocol tests finish
// in milliseconds with the same result every run.
class TMsClock {
public:
    virtual ~TMsClock() = default;

    // Milliseconds since some fixed point; never goes backwards.
    virtual std::uint64_t NowMs() = 0;
    // Returns once NowMs() has advanced by at least `milliseconds`. Processes
    // no window messages.
    virtual void WaitMs(std::uint32_t milliseconds) = 0;
};

// The host's monotonic clock; safe to use from any thread.
TMsClock& SystemClock();

} // namespace wayline
