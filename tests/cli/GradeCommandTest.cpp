#include "cli/GradeCommand.h"

#include "ActionListText.h"
#include "cli/GenerateCommand.h"
#include "codegen/core/ActionListFile.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace wayline {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;

const std::string Usage = "usage: wayline-cli grade --challenge FILE.json [--json|--csv] "
                          "[--svg-dir DIR] PROGRAM...\n";

// Drive to a line 700 mm ahead, touching nothing, within 20 s.
const std::string LineChallenge = R"({
  "title": "To the line",
  "arena": {"width": 1600, "height": 1000},
  "start": {"x": 200, "y": 500, "heading": 0},
  "walls": [{"from": [1300, 0], "to": [1300, 1000]}],
  "goals": [{"shape": "rectangle", "x": 900, "y": 500, "width": 40, "height": 1000}],
  "rules": {"touchNothing": true, "timeLimit": 20}
})";

class GradeCommandTest : public ::testing::Test {
protected:
    fs::path Dir;
    std::string Out, Err;

    void SetUp() override {
        Dir =
            fs::temp_directory_path() /
            ("wayline-grade-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
             "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(Dir / "class");
    }
    void TearDown() override { fs::remove_all(Dir); }

    std::string Write(const fs::path& name, const std::string& text) {
        std::ofstream(Dir / name, std::ios::binary) << text;
        return (Dir / name).string();
    }
    std::string List(const fs::path& name, const std::string& spec) {
        EXPECT_TRUE(SaveActionListFile(Dir / name, *testing::ActionListOf(spec)).Saved);
        return (Dir / name).string();
    }
    int Run(const std::vector<std::string>& arguments) {
        std::ostringstream out, err;
        const int status = RunGradeCommand(arguments, out, err, RobotProgramTemplateText());
        Out = out.str();
        Err = err.str();
        return status;
    }
};

// A class's folder: one list that does the task, one that stops short, a
// program that does not compile, a list cut short and a file far too long
// for the tokenizer. Each is a row, and all of them were graded.
TEST_F(GradeCommandTest, AFolderGivesARowPerFileAndEveryFileIsGraded) {
    const std::string challenge = Write("line.json", LineChallenge);
    const std::string good = List("class/ada.wyl", "beginner F50");
    List("class/ben.wyl", "beginner F20");
    Write("class/cleo.hbs", "'{$KEYSTONE KM2}\r\nGOTO Nowhere\r\n");
    {
        std::ifstream in(good, std::ios::binary);
        std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
        Write("class/dan.wyl", bytes.substr(0, 5000));
    }
    std::ofstream(Dir / "class/eve.hbs") << "END";
    fs::resize_file(Dir / "class/eve.hbs", 100'000'000);
    Write("class/notes.txt", "not a program");

    ASSERT_EQ(Run({"--challenge", challenge, "--json", (Dir / "class").string()}), ExitSucceeded)
        << Err;
    const json j = json::parse(Out);
    EXPECT_EQ(j["title"], "To the line");
    const json& rows = j["programs"];
    ASSERT_EQ(rows.size(), 5u) << "the .txt is no program";

    EXPECT_TRUE(rows[0]["file"].get<std::string>().ends_with("ada.wyl"));
    EXPECT_EQ(rows[0]["passed"], true);
    EXPECT_EQ(rows[0]["goalsReached"], 1);
    EXPECT_GT(rows[0]["time"].get<double>(), 3.5);
    EXPECT_TRUE(rows[0]["rule"].is_null());
    EXPECT_NEAR(rows[0]["distance"].get<double>(), 0.68, 0.05);
    EXPECT_EQ(rows[0]["result"].get<std::string>().substr(0, 16), "Goal reached in ");
    EXPECT_TRUE(rows[0]["error"].is_null());

    EXPECT_EQ(rows[1]["passed"], false);
    EXPECT_EQ(rows[1]["goalsReached"], 0);
    EXPECT_TRUE(rows[1]["time"].is_null());
    EXPECT_TRUE(rows[1]["result"].get<std::string>().starts_with("The program ended at "));

    const std::string cleo = (Dir / "class/cleo.hbs").string();
    EXPECT_EQ(rows[2]["passed"], false);
    EXPECT_TRUE(rows[2]["goalsReached"].is_null());
    EXPECT_TRUE(rows[2]["error"].get<std::string>().starts_with("Error! Tokenization Failed!\n" +
                                                                cleo + ":2:6: error: "))
        << rows[2]["error"];

    EXPECT_EQ(rows[3]["error"], "cannot read '" + (Dir / "class/dan.wyl").string() +
                                    "' as an action list (it is missing, unreadable or too short)");
    EXPECT_EQ(rows[4]["error"], "'" + (Dir / "class/eve.hbs").string() +
                                    "' has 100000000 bytes; at most 65535 can be tokenized");

    // The same files, the same table, however the threads share them.
    const std::string first = Out;
    Run({"--challenge", challenge, "--json", (Dir / "class").string()});
    EXPECT_EQ(Out, first);
}

TEST_F(GradeCommandTest, TheTableTheCsvAndThePictures) {
    const std::string challenge = Write("line.json", LineChallenge);
    const std::string ada = List("ada.wyl", "beginner F50");
    const std::string ben = List("ben, the second.wyl", "beginner E9 F120");
    ASSERT_EQ(Run({"--challenge", challenge, "--svg-dir", (Dir / "paths").string(), ada, ben}),
              ExitSucceeded)
        << Err;
    std::istringstream table(Out);
    std::string line;
    std::getline(table, line);
    EXPECT_EQ(line, "Challenge: To the line (" + challenge + ")");
    std::getline(table, line);
    std::getline(table, line);
    EXPECT_TRUE(line.starts_with("file ")) << line;
    EXPECT_NE(line.find("passed"), std::string::npos);
    EXPECT_NE(line.find("rule broken"), std::string::npos);
    std::getline(table, line);
    EXPECT_TRUE(line.starts_with(ada + "  ")) << line;
    EXPECT_NE(line.find(" yes "), std::string::npos);
    std::getline(table, line);
    EXPECT_NE(line.find("  no "), std::string::npos) << line;
    EXPECT_NE(line.find("0/1    touched the wall at "), std::string::npos) << line;
    EXPECT_TRUE(Out.ends_with("\n1 of 2 programs passed.\n")) << Out;

    for (const std::string name : {"ada.wyl.svg", "ben, the second.wyl.svg"}) {
        std::ifstream in(Dir / "paths" / name);
        const std::string svg{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
        EXPECT_TRUE(svg.ends_with("</svg>\n")) << name;
        EXPECT_NE(svg.find("fill=\"#3cb44b\""), std::string::npos) << "the goal";
    }

    ASSERT_EQ(Run({"--csv", "--challenge", challenge, ada, ben}), ExitSucceeded);
    std::istringstream csv(Out);
    std::getline(csv, line);
    EXPECT_EQ(line,
              "file,passed,time_s,goals_reached,goals,rule,rule_time_s,distance_m,result,error\r");
    std::getline(csv, line);
    EXPECT_TRUE(line.starts_with(ada + ",yes,")) << line;
    std::getline(csv, line);
    EXPECT_TRUE(line.starts_with("\"" + ben + "\",no,")) << "a comma in the name is quoted";
    EXPECT_NE(line.find(",0,1,touchNothing,"), std::string::npos) << line;
}

TEST_F(GradeCommandTest, AChallengeThatCannotBeUsedIsRefused) {
    const std::string ada = List("ada.wyl", "beginner F50");
    const std::string bad = Write("bad.json", R"({"goals": [{"shape": "circle"}]})");
    EXPECT_EQ(Run({"--challenge", bad, ada}), ExitChallengeRefused);
    EXPECT_EQ(Err, "wayline-cli grade: " + bad + ": goals[0].x: missing\n");
    EXPECT_EQ(Out, "");
    const std::string world = Write("world.json", R"({"arena": {"width": 900, "height": 900}})");
    EXPECT_EQ(Run({"--json", "--challenge", world, ada}), ExitChallengeRefused);
    EXPECT_EQ(json::parse(Out)["error"],
              "wayline-cli grade: " + world +
                  ": the file sets no task: no goals, forbidden zones, rules or time limit");
}

TEST_F(GradeCommandTest, UsageErrorsShowTheUsage) {
    for (const auto& [arguments, message] :
         std::vector<std::pair<std::vector<std::string>, std::string>>{
             {{"a.wyl"}, "--challenge needs a file name"},
             {{"--challenge", "c.json"}, "no PROGRAM given"},
             {{"--challenge", "c.json", "--fast", "a.wyl"}, "unknown option '--fast'"},
         }) {
        EXPECT_EQ(Run(arguments), ExitUsageError);
        EXPECT_EQ(Err, "wayline-cli grade: " + message + "\n" + Usage);
        EXPECT_EQ(Out, "");
    }
    // Asked for JSON, the error is JSON too.
    EXPECT_EQ(Run({"--challenge", "c.json", "--json", "--csv", "a.wyl"}), ExitUsageError);
    EXPECT_EQ(json::parse(Out)["error"], "wayline-cli grade: --json and --csv exclude each other");
}

} // namespace
} // namespace wayline
