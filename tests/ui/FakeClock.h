#pragma once

#include "comm/core/MsClock.h"

#include <cstdint>
#include <vector>

// A millisecond clock that only moves when something waits on it, and
// remembers every wait.
class TFakeClock : public wayline::TMsClock {
public:
    std::uint64_t Now = 1000;
    std::vector<std::uint32_t> Waits;

    std::uint64_t NowMs() override { return Now; }
    void WaitMs(std::uint32_t milliseconds) override {
        Waits.push_back(milliseconds);
        Now += milliseconds;
    }
};
