#include "sim/core/Playback.h"

#include "sim/core/RobotSimulation.h"

namespace wayline::sim {

std::uint64_t TPlayback::RunFrame(TRobotSimulation& board, std::uint64_t hostElapsedUs) const {
    if (!IsPlaying) {
        return 0;
    }
    std::uint64_t host = std::min(hostElapsedUs, MaxFrameUs);
    std::uint64_t ran = 0;
    while (Fast && host > 0 && board.StartingUp()) {
        const std::uint64_t slice = std::min(host, StartUpSliceUs);
        board.RunFor(slice * StartUpFactor);
        ran += slice * StartUpFactor;
        host -= slice;
    }
    if (const std::uint64_t run = host * static_cast<std::uint64_t>(Factor); run > 0) {
        board.RunFor(run);
        ran += run;
    }
    return ran;
}

} // namespace wayline::sim
