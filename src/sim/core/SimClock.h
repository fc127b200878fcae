#pragma once

#include <cstdint>

namespace wayline::sim {

// Simulated time in microseconds. Nothing in the simulator reads the wall
// clock: every part is stepped to a time on this clock, so the same inputs
// give the same run, bit for bit, however fast the host is.
class TSimClock {
public:
    std::uint64_t NowUs() const { return Now; }
    // Moves time forward; a time in the past leaves it where it is.
    void AdvanceTo(std::uint64_t us) {
        if (us > Now) {
            Now = us;
        }
    }
    void Advance(std::uint64_t us) { Now += us; }

private:
    std::uint64_t Now = 0;
};

} // namespace wayline::sim
