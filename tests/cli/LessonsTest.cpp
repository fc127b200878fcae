// The lessons that ship with the program: each reference solution is the
// list its description below says, does the task when graded as a pupil's
// file is, and a plausible wrong answer does not.
#include "cli/GradeCommand.h"

#include "ActionListText.h"
#include "SourceFiles.h"
#include "cli/GenerateCommand.h"
#include "codegen/core/ActionListFile.h"
#include "sim/core/ChallengeFile.h"
#include "tokenizer/Tokenizer.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <set>

namespace wayline {
namespace {

namespace fs = std::filesystem;
using sim::TVerdictReason;

struct TLesson {
    const char* Name;
    const char* Solution; // as ActionListText.h writes a list
    const char* Wrong;
    std::set<TVerdictReason> WrongBecause;
};

const std::vector<TLesson> Lessons = {
    {"line", "beginner F70", "beginner F30", {TVerdictReason::vrEndedEarly}},
    // Turning right instead of left runs into the arena's wall.
    {"square",
     "beginner F40 S5 E18 S5 F40 S5 E18 S5 F40 S5 E18 S5 F40 S5",
     "beginner F40 S5 I13 S5 F40 S5 I13 S5 F40 S5 I13 S5 F40 S5",
     {TVerdictReason::vrTouchedWall}},
    {"corridor", "beginner F65 S5 E18 S5 F58", "beginner F150", {TVerdictReason::vrTouchedWall}},
    // Without the wait the robot does not stay in the box.
    {"park", "beginner F56 S20 B55", "beginner F56 B56", {TVerdictReason::vrEndedEarly}},
    // One long step: after its first turn the robot no longer looks.
    {"field",
     "beginner F5 G1",
     "beginner F255",
     {TVerdictReason::vrTouchedWall, TVerdictReason::vrTouchedObstacle}},
    // Beginner sensors only turn the robot round at the first wall.
    {"maze",
     "advanced F5@123 G1@123 set1: B3 I14 set2: I2 set3: E2",
     "beginner F5 G1",
     {TVerdictReason::vrTimeUp}},
};

fs::path LessonDir() {
    return testfiles::SourceDir() / "resources/lessons";
}

std::string Bytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class LessonsTest : public ::testing::TestWithParam<TLesson> {
protected:
    std::unique_ptr<TTokenizer> Tokenizer = std::make_unique<TTokenizer>();
};

TEST_P(LessonsTest, TheSolutionPassesAndAWrongAnswerFails) {
    const TLesson& lesson = GetParam();
    const sim::TChallengeFileResult read =
        sim::ReadChallengeFile(LessonDir() / (std::string(lesson.Name) + ".json"));
    ASSERT_TRUE(read.Loaded) << read.Error;
    const sim::TChallenge& challenge = read.Challenge;
    EXPECT_FALSE(challenge.Title.empty());
    EXPECT_FALSE(challenge.Task.empty());

    // The file beside the lesson is the list described here, as the editor
    // saves it.
    const fs::path solution = LessonDir() / (std::string(lesson.Name) + ".solution.wyl");
    const fs::path expected =
        fs::temp_directory_path() /
        ("wayline-lesson-" + std::string(lesson.Name) + "-" +
         std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + ".wyl");
    ASSERT_TRUE(SaveActionListFile(expected, *testing::ActionListOf(lesson.Solution)).Saved);
    EXPECT_EQ(Bytes(solution), Bytes(expected))
        << "make it again: make_action_list " << solution << " \"" << lesson.Solution << "\"";

    const TGradeRow passed =
        GradeProgram(challenge, solution.string(), RobotProgramTemplateText(), *Tokenizer);
    EXPECT_EQ(passed.Error, "");
    EXPECT_EQ(passed.Verdict.State, sim::TVerdictState::vsPassed) << passed.Result;
    EXPECT_EQ(passed.GoalsReached, passed.GoalCount);

    ASSERT_TRUE(SaveActionListFile(expected, *testing::ActionListOf(lesson.Wrong)).Saved);
    const TGradeRow failed =
        GradeProgram(challenge, expected.string(), RobotProgramTemplateText(), *Tokenizer);
    fs::remove(expected);
    EXPECT_EQ(failed.Verdict.State, sim::TVerdictState::vsFailed) << failed.Result;
    EXPECT_EQ(lesson.WrongBecause.count(failed.Verdict.Reason), 1u) << failed.Result;
}

INSTANTIATE_TEST_SUITE_P(Lessons, LessonsTest, ::testing::ValuesIn(Lessons),
                         [](const ::testing::TestParamInfo<TLesson>& info) {
                             return std::string(info.param.Name);
                         });

// Every lesson in the folder is one of those above, with its solution
// beside it: a lesson added without them would never be checked.
TEST(LessonFolderTest, EveryLessonHasItsSolutionAndIsChecked) {
    std::set<std::string> found;
    for (const fs::directory_entry& entry : fs::directory_iterator(LessonDir())) {
        const std::string name = entry.path().filename().string();
        if (name.ends_with(".solution.wyl")) {
            EXPECT_TRUE(fs::exists(LessonDir() / (name.substr(0, name.size() - 13) + ".json")))
                << name;
        } else if (name.ends_with(".json")) {
            found.insert(name.substr(0, name.size() - 5));
            EXPECT_TRUE(
                fs::exists(LessonDir() / (name.substr(0, name.size() - 5) + ".solution.wyl")))
                << name;
        } else {
            ADD_FAILURE() << "not a lesson: " << name;
        }
    }
    std::set<std::string> checked;
    for (const TLesson& lesson : Lessons) {
        checked.insert(lesson.Name);
    }
    EXPECT_EQ(found, checked);
}

} // namespace
} // namespace wayline
