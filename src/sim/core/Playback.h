#pragma once

#include <algorithm>
#include <cstdint>
#include <iterator>

namespace wayline::sim {

// The virtual robot window's clock: how much simulated time a frame of the
// animation runs. Simulated time moves by the frame's host time times the
// speed; paused, it stands.
//
// The window steps the simulation on the user-interface thread, in one
// slice per frame. A frame that came late (a busy host, a window being
// dragged, a blocking dialog) counts as MaxFrameUs at most, so no frame
// ever runs more than MaxFrameUs x 4 = 200 ms of the robot's time; the
// run-time does that in well under a millisecond (the simulation benchmark
// runs the robot program hundreds of times faster than real time). The
// robot then falls a little behind the wall clock instead of the window
// freezing to catch up.
class TPlayback {
public:
    static constexpr std::uint64_t MaxFrameUs = 50000;
    static constexpr int Speeds[] = {1, 2, 4};

    bool Playing() const { return IsPlaying; }
    void SetPlaying(bool playing) { IsPlaying = playing; }
    int Speed() const { return Factor; }
    // One of Speeds; false (and no change) for anything else.
    bool SetSpeed(int factor) {
        if (std::find(std::begin(Speeds), std::end(Speeds), factor) == std::end(Speeds)) {
            return false;
        }
        Factor = factor;
        return true;
    }

    // The simulated microseconds to run for a frame `hostElapsedUs` after
    // the last one.
    std::uint64_t FrameRunUs(std::uint64_t hostElapsedUs) const {
        if (!IsPlaying) {
            return 0;
        }
        return std::min(hostElapsedUs, MaxFrameUs) * static_cast<std::uint64_t>(Factor);
    }

private:
    bool IsPlaying = true;
    int Factor = 1;
};

} // namespace wayline::sim
