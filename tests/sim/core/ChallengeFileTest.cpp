#include "sim/core/ChallengeFile.h"

#include "sim/core/WorldFile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace wayline::sim {
namespace {

std::string Refusal(const std::string& text) {
    const TChallengeFileResult r = ParseChallenge(text);
    EXPECT_FALSE(r.Loaded) << text;
    return r.Error;
}

// A floor and a goal: the rest of each file under test goes behind it.
const std::string Arena = R"("arena": {"width": 1000, "height": 1000},
    "start": {"x": 200, "y": 200})";
const std::string Goal = R"("goals": [{"shape": "circle", "x": 800, "y": 800, "radius": 50}])";

TEST(ChallengeFileTest, ReadsTheTaskBesideTheWorld) {
    const TChallengeFileResult r = ParseChallenge(R"({
        "title": "Park", "task": "Drive into the box.",
        "arena": {"width": 2000, "height": 1000},
        "start": {"x": 200, "y": 500, "heading": 0},
        "obstacles": [{"shape": "circle", "x": 1000, "y": 200, "radius": 40}],
        "goals": [
            {"name": "box", "shape": "rectangle", "x": 1500, "y": 500, "width": 300,
             "height": 200, "angle": 10, "stay": 2.5},
            {"shape": "circle", "x": 200, "y": 500, "radius": 80}
        ],
        "forbidden": [{"name": "pond", "shape": "circle", "x": 900, "y": 800, "radius": 100}],
        "rules": {"goalsInOrder": true, "touchNothing": true, "endInsideLastGoal": true,
                  "timeLimit": 40},
        "sensors": true})");
    ASSERT_TRUE(r.Loaded) << r.Error;
    const TChallenge& c = r.Challenge;
    EXPECT_EQ(c.Title, "Park");
    EXPECT_EQ(c.Task, "Drive into the box.");
    EXPECT_EQ(c.World.Obstacles().size(), 1u);
    ASSERT_EQ(c.Goals.size(), 2u);
    EXPECT_EQ(c.Goals[0].Name, "box");
    EXPECT_EQ(c.Goals[0].StayUs, 2500000u);
    EXPECT_EQ(c.Goals[0].Zone.AngleDeg(), 10);
    EXPECT_TRUE(c.Goals[0].Zone.Contains({1640, 500}));
    EXPECT_EQ(c.Goals[1].Zone.Kind(), TShapeKind::skCircle);
    EXPECT_EQ(c.Goals[1].StayUs, 0u);
    ASSERT_EQ(c.Forbidden.size(), 1u);
    EXPECT_EQ(c.Forbidden[0].Name, "pond");
    EXPECT_TRUE(c.Rules.GoalsInOrder);
    EXPECT_TRUE(c.Rules.TouchNothing);
    EXPECT_TRUE(c.Rules.EndInsideLastGoal);
    EXPECT_EQ(c.Rules.TimeLimitUs, 40000000u);
    EXPECT_TRUE(c.SensorsEnabled);
    EXPECT_TRUE(c.HasTask());

    // Written out and read back, it is the same challenge.
    const std::string written = ChallengeToJson(c);
    const TChallengeFileResult again = ParseChallenge(written);
    ASSERT_TRUE(again.Loaded) << again.Error;
    EXPECT_EQ(ChallengeToJson(again.Challenge), written);
}

TEST(ChallengeFileTest, AWorldFileIsAChallengeWithoutATask) {
    const std::string world = WorldToJson(TWorld::DefaultArena());
    const TChallengeFileResult r = ParseChallenge(world);
    ASSERT_TRUE(r.Loaded) << r.Error;
    EXPECT_FALSE(r.Challenge.HasTask());
    EXPECT_EQ(WorldToJson(r.Challenge.World), world);
    EXPECT_EQ(ChallengeToJson(r.Challenge), world) << "saved again, still a plain world file";
}

TEST(ChallengeFileTest, BadTasksAreRefusedSayingWhereAndWhy) {
    EXPECT_EQ(Refusal("{" + Arena + R"(, "goal": []})"), "goal: unknown key");
    EXPECT_EQ(Refusal("{" + Arena + R"(, "title": 5})"), "title: expected a text \"...\"");
    EXPECT_EQ(Refusal("{" + Arena + R"(, "goals": [{"shape": "circle", "x": 1, "y": 1,
        "radius": 9}, {"shape": "circle", "x": 800, "y": 800, "radius": -1}]})"),
              "goals[1].radius: expected a length greater than 0");
    EXPECT_EQ(Refusal("{" + Arena + R"(, "goals": [{"shape": "circle", "x": 800, "y": 800,
        "radius": 50, "stay": "long"}]})"),
              "goals[0].stay: expected a number of seconds from 0 and up to 3600");
    EXPECT_EQ(Refusal("{" + Arena + R"(, "goals": [{"shape": "circle", "x": 5000, "y": 800,
        "radius": 50}]})"),
              "goals[0]: lies wholly outside the arena: the robot cannot reach it");
    EXPECT_EQ(Refusal("{" + Arena + "," + Goal + R"(, "forbidden": [{"shape": "rectangle",
        "x": 200, "y": 200, "width": 50, "height": 50}]})"),
              "forbidden[0]: the robot starts inside it");
    EXPECT_EQ(Refusal("{" + Arena + "," + Goal + R"(, "rules": {"timeLimit": 0}})"),
              "rules.timeLimit: expected a number of seconds above 0 and up to 3600");
    EXPECT_EQ(Refusal("{" + Arena + "," + Goal + R"(, "rules": {"touchNothing": 1}})"),
              "rules.touchNothing: expected true or false");
    EXPECT_EQ(Refusal("{" + Arena + "," + Goal + R"(, "rules": {"inOrder": true}})"),
              "rules.inOrder: unknown key");
    EXPECT_EQ(Refusal("{" + Arena + R"(, "rules": {"endInsideLastGoal": true,
        "timeLimit": 10}})"),
              "rules.endInsideLastGoal: there is no goal to end in");
    EXPECT_EQ(Refusal("{" + Arena + R"(, "rules": {"touchNothing": true}})"),
              "goals: a task needs a goal to reach or a time limit (rules.timeLimit)");
    EXPECT_EQ(Refusal("{" + Arena + R"(, "sensors": "on"})"), "sensors: expected true or false");
    // The world's own errors read as in a world file.
    EXPECT_EQ(Refusal(R"({"obstacles": [{"shape": "circle"}]})"), "obstacles[0].x: missing");
    EXPECT_EQ(Refusal(std::string(MaxWorldFileBytes + 1, ' ')),
              "the file has 1048577 bytes; a challenge file has at most 1048576");
}

// A file that is too large is not read to its end; its error still gives
// its true size.
TEST(ChallengeFileTest, AFileTooLargeIsToldWithItsSize) {
    const std::filesystem::path file =
        std::filesystem::temp_directory_path() /
        ("wayline-big-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
         ".json");
    std::ofstream(file) << "{}";
    std::filesystem::resize_file(file, 5'000'000);
    EXPECT_EQ(ReadChallengeFile(file).Error,
              "the file has 5000000 bytes; a challenge file has at most 1048576");
    EXPECT_EQ(ReadWorldFile(file).Error,
              "the file has 5000000 bytes; a world file has at most 1048576");
    std::filesystem::remove(file);
    if (std::ifstream("/dev/zero")) {
        EXPECT_EQ(ReadWorldFile("/dev/zero").Error,
                  "the file has more than 1048576 bytes; a world file has at most 1048576");
    }
}

} // namespace
} // namespace wayline::sim
