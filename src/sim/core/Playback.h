#pragma once

#include <algorithm>
#include <cstdint>
#include <iterator>

namespace wayline::sim {

class TRobotSimulation;

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
//
// Fast start: the robot program begins by waiting 3.5 s for the robot's
// power to settle, and nothing moves meanwhile. Unless the user asked for
// real timing, that wait plays StartUpFactor times as fast (about a
// quarter of a second); the robot's own clock counts it in full, so every
// time the window shows is the real robot's.
class TPlayback {
public:
    static constexpr std::uint64_t MaxFrameUs = 50000;
    static constexpr int Speeds[] = {1, 2, 4};
    static constexpr int StartUpFactor = 14;
    // The fast start runs in slices of this much host time, so that the
    // drive begins at the chosen speed within a slice.
    static constexpr std::uint64_t StartUpSliceUs = 1000;

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

    bool FastStart() const { return Fast; }
    void SetFastStart(bool fast) { Fast = fast; }

    // Runs `board` for a frame `hostElapsedUs` after the last one, the
    // start-up wait fast (FastStart) and the rest at the speed; the
    // simulated microseconds it ran.
    std::uint64_t RunFrame(TRobotSimulation& board, std::uint64_t hostElapsedUs) const;

    // The simulated microseconds to run for a frame `hostElapsedUs` after
    // the last one, at the speed.
    std::uint64_t FrameRunUs(std::uint64_t hostElapsedUs) const {
        if (!IsPlaying) {
            return 0;
        }
        return std::min(hostElapsedUs, MaxFrameUs) * static_cast<std::uint64_t>(Factor);
    }

private:
    bool IsPlaying = true;
    int Factor = 1;
    bool Fast = true;
};

} // namespace wayline::sim
