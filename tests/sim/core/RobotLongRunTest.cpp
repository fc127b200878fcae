#include "RobotProgramTestSupport.h"

#include <cmath>
#include <ostream>
#include <string>

// Long runs of the robot program in the default arena with the beginner
// sensors: whatever the robot meets, it never stands at one spot for long.
// (With moves that came closer refused whole, a robot that grazed a wall's
// end or met a post between its whiskers stood there for good.)

namespace wayline::sim::testing {
namespace {

constexpr double RunSeconds = 600;
constexpr std::uint64_t LongestStallUs = 15000000;
// Standing at one spot: within this distance of where the stall began.
constexpr double SpotMm = 10;

// The longest time the robot's middle stayed within SpotMm of one place.
std::uint64_t LongestStall(const std::vector<TPathPoint>& path, std::uint64_t endUs) {
    std::uint64_t longest = 0;
    std::size_t from = 0;
    for (std::size_t i = 1; i <= path.size(); ++i) {
        const bool left = i == path.size() ||
                          std::hypot(path[i].Pose.Position.X - path[from].Pose.Position.X,
                                     path[i].Pose.Position.Y - path[from].Pose.Position.Y) > SpotMm;
        if (left) {
            const std::uint64_t until = i == path.size() ? endUs : path[i].TimeUs;
            longest = std::max(longest, until - path[from].TimeUs);
            from = i;
        }
    }
    return longest;
}

struct TLoop {
    const char* Name;
    std::vector<std::pair<TActionKind, int>> Steps;
};

void PrintTo(const TLoop& loop, std::ostream* out) {
    *out << loop.Name;
}

class RobotLongRunTest : public ::testing::TestWithParam<TLoop> {};

TEST_P(RobotLongRunTest, NoStallLongerThanFifteenSecondsInTenMinutes) {
    TRobotProgramRun run;
    for (const auto& [kind, value] : GetParam().Steps) {
        run.Main(kind, value);
    }
    ASSERT_EQ(run.Compile(false, true), "");
    run.Start(TWorld::DefaultArena());
    run.RunUntil(RunSeconds, 1000 * TRobotProgramRun::Ms);
    const std::vector<TPathPoint>& path = run.Board->Path();
    ASSERT_FALSE(path.empty());
    const std::uint64_t stall = LongestStall(path, run.Board->NowUs());
    EXPECT_LE(stall, LongestStallUs) << stall / 1e6 << " s at one spot";
    EXPECT_FALSE(run.Board->EndUs().has_value()) << "the loop runs to the end";
    EXPECT_GE(run.EventsOf(TRunEventKind::ekReaction).size(), 10u);
}

INSTANTIATE_TEST_SUITE_P(
    Loops, RobotLongRunTest,
    ::testing::Values(TLoop{"Forward", {{akMoveForward, 50}, {akLoopBack, 1}}},
                      TLoop{"TurnLeft", {{akTurnLeft, 50}, {akLoopBack, 1}}},
                      TLoop{"TurnRight", {{akTurnRight, 50}, {akLoopBack, 1}}},
                      TLoop{"ForwardThenRotate",
                            {{akMoveForward, 30}, {akRotateLeft, 4}, {akLoopBack, 1}}}),
    [](const ::testing::TestParamInfo<TLoop>& info) { return std::string(info.param.Name); });

} // namespace
} // namespace wayline::sim::testing
