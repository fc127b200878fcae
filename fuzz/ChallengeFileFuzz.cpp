// Feeds arbitrary bytes to the challenge-file reader. A refused file must
// say why; an accepted challenge must write out and read back to the same
// text, and a judge must follow a robot driving, turning and touching in
// it without failing, its verdict once given never changing.
#include "sim/core/ChallengeFile.h"
#include "sim/core/ChallengeJudge.h"
#include "sim/core/Robot.h"

#include <cstdlib>
#include <string_view>

namespace {

using namespace wayline::sim;

void Check(bool condition) {
    if (!condition) {
        std::abort();
    }
}

void Judge(const TChallenge& challenge) {
    TRobot robot(challenge.World);
    TChallengeJudge judge(challenge, challenge.World);
    judge.RunStarted(robot.Pose());
    std::optional<TVerdict> decided;
    for (std::uint64_t t = 0; t < 400000; t += 20000) {
        const bool turn = t >= 200000;
        robot.Pulse(RobotPins::LeftServo, t, turn ? 1540 : 1700);
        robot.Pulse(RobotPins::RightServo, t, turn ? 1540 : 1300);
        robot.AdvanceTo(t + 20000);
        judge.RobotAt(t + 20000, robot.Pose());
        for (const TRobotEvent& e : robot.Events()) {
            if (e.Kind == TRobotEventKind::rkContact) {
                judge.Touched(e.TimeUs, e.Pose);
            }
        }
        robot.ClearEvents();
        if (decided) {
            Check(judge.Verdict().TimeUs == decided->TimeUs &&
                  judge.Verdict().Reason == decided->Reason);
        } else if (judge.Decided()) {
            decided = judge.Verdict();
        }
    }
    judge.RunEnded(400000, robot.Pose(), false);
    Check(!challenge.HasTask() || judge.Decided());
    Check(judge.GoalsReached() <= judge.GoalCount());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const TChallengeFileResult read = ParseChallenge(text);
    if (!read.Loaded) {
        Check(!read.Error.empty());
        return 0;
    }
    const std::string written = ChallengeToJson(read.Challenge);
    const TChallengeFileResult again = ParseChallenge(written);
    // Rounding to a thousandth may move a solid onto the start, or the
    // start into a forbidden zone, by a hair; anything else must read back.
    if (again.Loaded) {
        Check(ChallengeToJson(again.Challenge) == written);
    } else {
        Check(again.Error.starts_with("start: ") || again.Error.starts_with("forbidden["));
    }
    if (read.Challenge.World.Obstacles().size() + read.Challenge.Goals.size() +
            read.Challenge.Forbidden.size() <=
        60) {
        Judge(read.Challenge);
    }
    return 0;
}
