// The step of the lists the robot program plays, found again from the list
// entries it reads: real lists, generated and compiled, run on the virtual
// robot.

#include "RobotProgramTestSupport.h"

#include "sim/core/RunningSteps.h"

namespace wayline::sim::testing {
namespace {

constexpr std::uint64_t Ms = 1000;

TEntryRows RowsOf(const TDocumentState& state) {
    TEntryRows rows;
    for (std::size_t k = 0; k < rows.size(); ++k) {
        rows[k] = ListEntryRows(state, static_cast<int>(k) + MainList);
    }
    return rows;
}

// What a window showing the run sees, frame by frame: the main step and the
// playing set after each slice, with repeats left out.
struct TWatched {
    std::vector<std::pair<int, char>> Main; // row, letter
    std::vector<std::pair<int, int>> Sets;  // list, row
    std::vector<int> MainAtSets;            // the main row at each of those
};

TWatched Watch(TRobotProgramRun& run, TRunningSteps& steps, double seconds,
               std::uint64_t sliceUs = 50 * Ms) {
    TWatched seen;
    const std::uint64_t end = run.Board->StartUs() + static_cast<std::uint64_t>(seconds * 1e6);
    while (run.Board->NowUs() < end) {
        run.Board->RunFor(sliceUs);
        steps.Follow(*run.Board);
        const std::pair<int, char> main =
            steps.MainStep() ? std::pair{steps.MainStep()->Row, steps.MainStep()->Letter}
                             : std::pair{0, '\0'};
        if (seen.Main.empty() || seen.Main.back() != main) {
            seen.Main.push_back(main);
        }
        const std::pair<int, int> set = steps.SetStep()
                                            ? std::pair{steps.SetStep()->List, steps.SetStep()->Row}
                                            : std::pair{0, 0};
        if (seen.Sets.empty() || seen.Sets.back() != set) {
            seen.Sets.push_back(set);
            seen.MainAtSets.push_back(main.first);
        }
    }
    return seen;
}

TEST(RunningStepsTest, TheMainStepFollowsTheListRoundALoopBack) {
    TRobotProgramRun run;
    run.Main(akMoveForward, 5);
    run.Main(akTurnLeft, 5);
    run.Main(akLoopBack, 1);
    ASSERT_EQ(run.Compile(false, false), "");
    run.Start(TWorld{});
    TRunningSteps steps(RowsOf(*run.State));
    const TWatched seen = Watch(run, steps, 12);

    ASSERT_TRUE(steps.Matches());
    // Before the first read (the program's start-up wait) nothing is lit.
    ASSERT_FALSE(seen.Main.empty());
    EXPECT_EQ(seen.Main.front().first, 0);
    // Then 1, 2, now and then the Loop Back itself (it jumps at once, so a
    // slice seldom ends on it), and 1 again: at least three rounds.
    std::vector<int> rounds;
    for (std::size_t i = 1; i < seen.Main.size(); ++i) {
        const auto [row, letter] = seen.Main[i];
        const char expected = row == 1 ? 'F' : row == 2 ? 'L' : 'G';
        EXPECT_EQ(letter, expected) << "row " << row;
        if (row != 3) {
            rounds.push_back(row);
        }
    }
    ASSERT_GE(rounds.size(), 6u);
    for (std::size_t i = 0; i < rounds.size(); ++i) {
        EXPECT_EQ(rounds[i], i % 2 == 0 ? 1 : 2) << i;
    }
    EXPECT_FALSE(steps.Ended());
}

TEST(RunningStepsTest, SensorSetChangesBelongToTheStepAndTheEndLightsNothing) {
    TRobotProgramRun run;
    // Advanced mode: the second and third steps change the sensor columns,
    // which puts "C" entries in front of their commands.
    run.Main(akMoveForward, 4);
    run.Main(akStopAndWait, 3, 1, 2, 5);
    run.Main(akRotateLeft, 3, 0, 0, 0);
    ASSERT_EQ(run.Compile(true, false), "");
    run.Start(TWorld{});
    TRunningSteps steps(RowsOf(*run.State));
    const TWatched seen = Watch(run, steps, 10);

    ASSERT_TRUE(steps.Matches());
    std::vector<std::pair<int, char>> lit;
    for (const auto& m : seen.Main) {
        if (m.first != 0 && m.second != 'C') {
            lit.push_back(m);
        }
    }
    EXPECT_EQ(lit, (std::vector<std::pair<int, char>>{{1, 'F'}, {2, 'S'}, {3, 'E'}}));
    EXPECT_TRUE(steps.Ended());
    EXPECT_EQ(steps.EndText(), "");
    EXPECT_FALSE(steps.MainStep().has_value()) << "the end of the list lights no step";
    EXPECT_EQ(seen.Main.back().first, 0);
}

TEST(RunningStepsTest, ASensorSetLightsUpWhileItPlaysAndTheInterruptedStepStays) {
    TRobotProgramRun run;
    run.Main(akMoveForward, 60);
    run.Main(akStopAndWait, 10);
    run.Add(MainList + 1, akMoveBackward, 10); // set All
    run.Add(MainList + 1, akRotateRight, 10);
    ASSERT_EQ(run.Compile(true, false), "");
    // A wall across the way, half a metre ahead.
    TWorld world;
    world.AddWall(TShape::Rectangle({500, 0}, 20, 1000));
    run.Start(world);
    TRunningSteps steps(RowsOf(*run.State));
    const TWatched seen = Watch(run, steps, 12);

    // Set All is list 2: it plays row 1, then row 2, and ends; meanwhile
    // the interrupted Move Forward stays lit.
    const auto& sets = seen.Sets;
    const auto first = std::find(sets.begin(), sets.end(), std::pair{2, 1});
    ASSERT_NE(first, sets.end()) << "set All never played";
    ASSERT_GE(sets.end() - first, 3);
    EXPECT_EQ(*(first + 1), (std::pair{2, 2}));
    EXPECT_EQ(*(first + 2), (std::pair{0, 0})) << "lit only while it plays";
    const std::size_t at = static_cast<std::size_t>(first - sets.begin());
    for (std::size_t i = at; i <= at + 2; ++i) {
        EXPECT_EQ(seen.MainAtSets[i], 1) << i;
    }
}

// A veer of the beginner sensors goes back to the interrupted step without
// reading the list: the reaction is over when the wheels have held the
// veer's speeds for its cycles, and the step shows again from there.
TEST(RunningStepsTest, AVeerIsOverWhenItsCyclesAreDoneAndTheStepShowsAgain) {
    TRobotProgramRun run;
    run.Main(akMoveForward, 80);
    ASSERT_EQ(run.Compile(false, true), "");
    TWorld world;
    world.AddObstacle(TShape::Circle({500, -150}, 20)); // seen ahead-right
    run.Start(world);
    TRunningSteps steps(RowsOf(*run.State));
    std::vector<bool> reacting;
    while (run.Board->NowUs() < run.Board->StartUs() + 9 * TRobotProgramRun::Second) {
        run.Board->RunFor(20 * Ms);
        steps.Follow(*run.Board);
        if (reacting.empty() || reacting.back() != steps.Reaction().has_value()) {
            reacting.push_back(steps.Reaction().has_value());
        }
        if (steps.MainStep()) {
            EXPECT_EQ(steps.MainStep()->Row, 1);
        }
    }
    EXPECT_EQ(reacting, (std::vector<bool>{false, true, false}));
    const auto reactions = run.EventsOf(TRunEventKind::ekReaction);
    ASSERT_EQ(reactions.size(), 1u);
    ASSERT_TRUE(run.Board->LastVeerEndUs().has_value());
    const std::uint64_t veer = reactions[0].TimeUs;
    const std::uint64_t over = *run.Board->LastVeerEndUs();
    // 35 drive cycles at speed of 20 ms, after those that ramp to its speeds.
    EXPECT_GT(over - veer, 35 * 20 * Ms);
    EXPECT_LT(over - veer, 1500 * Ms);
    // The veer's heading change stops there: Move Forward goes on straight.
    EXPECT_NEAR(run.PoseAt(over + 400 * Ms).HeadingDeg, run.PoseAt(over + 2000 * Ms).HeadingDeg,
                0.5);
    EXPECT_GT(std::abs(run.PoseAt(over).HeadingDeg - run.PoseAt(veer).HeadingDeg), 10);
}

TEST(RunningStepsTest, ListsLaidOutOtherwiseLightNoRow) {
    TRobotProgramRun run;
    run.Main(akMoveForward, 100);
    run.Main(akTurnRight, 100);
    ASSERT_EQ(run.Compile(false, false), "");
    run.Start(TWorld{});
    // The editor's list got a third step after Go.
    TDocumentState edited = *run.State;
    edited.Step(MainList, 3) = TActionStep{akMoveBackward, 5, 0, 0, 0};
    edited.SetStepCount(MainList, 3);
    TRunningSteps steps(RowsOf(edited));
    // Past the start-up wait, into the first step.
    run.Board->RunFor(5000 * Ms);
    steps.Follow(*run.Board);
    EXPECT_FALSE(steps.Matches());
    ASSERT_TRUE(steps.MainStep().has_value());
    EXPECT_EQ(steps.MainStep()->Row, 0);
}

TEST(RunningStepsTest, ANewRunStartsOverAndDroppedEventsDoNotConfuseIt) {
    TRobotProgramRun run;
    run.Main(akMoveForward, 5);
    run.Main(akTurnLeft, 5);
    run.Main(akLoopBack, 1);
    ASSERT_EQ(run.Compile(false, false), "");
    run.Start(TWorld{});
    run.Board->SetMaxEvents(10);
    TRunningSteps steps(RowsOf(*run.State));
    // Long enough for the board to drop events nobody looked at.
    run.Board->RunFor(30000 * Ms);
    steps.Follow(*run.Board);
    ASSERT_GT(run.Board->EventsDropped(), 0u);
    ASSERT_TRUE(steps.MainStep().has_value());
    const TRunEvent& last = [&]() -> const TRunEvent& {
        for (auto it = run.Board->Events().rbegin(); it != run.Board->Events().rend(); ++it) {
            if (it->Kind == TRunEventKind::ekCommand) {
                return *it;
            }
        }
        return run.Board->Events().back();
    }();
    EXPECT_EQ(steps.MainStep()->Letter, last.Letter);

    // The program sent again: back to its start-up wait, nothing lit.
    std::string error;
    ASSERT_TRUE(run.Session->Download(run.Packets.data(), static_cast<int>(run.Packets.size() / 18),
                                      error));
    run.Board->RunFor(100 * Ms);
    steps.Follow(*run.Board);
    EXPECT_FALSE(steps.MainStep().has_value());
    EXPECT_TRUE(steps.Matches());
}

} // namespace
} // namespace wayline::sim::testing
