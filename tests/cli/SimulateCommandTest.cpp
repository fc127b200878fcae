#include "cli/SimulateCommand.h"

#include "cli/GenerateCommand.h"
#include "cli/TokenizeCommand.h"
#include "codegen/core/ActionListFile.h"
#include "sim/core/RobotSimulation.h"
#include "sim/core/World.h"
#include "sim/core/WorldFile.h"
#include "tokenizer/Tokenizer.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <sstream>

namespace wayline {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;

const std::string Usage = "usage: wayline-cli simulate [--seconds N] [--world FILE.json] "
                          "[--sensors] [--trace] [--svg OUT.svg] [--json] FILE.wyl|FILE.hbs\n";

class SimulateCommandTest : public ::testing::Test {
protected:
    fs::path Dir;
    std::unique_ptr<TTokenizer> Tok = std::make_unique<TTokenizer>();
    std::unique_ptr<TDocumentState> State = std::make_unique<TDocumentState>();
    std::string Out, Err;

    void SetUp() override {
        Dir = fs::temp_directory_path() /
              ("wayline-simulate-" +
               std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(Dir);
        InitialiseDocument(*State);
    }
    void TearDown() override { fs::remove_all(Dir); }

    void AddStep(TActionKind kind, int value) {
        const int row = State->StepCount(MainList) + 1;
        State->Step(MainList, row) =
            TActionStep{static_cast<std::uint8_t>(kind), static_cast<std::int16_t>(value), 0, 0, 0};
        State->SetStepCount(MainList, row);
    }
    std::string SaveList(const std::string& name) {
        const fs::path path = Dir / name;
        EXPECT_TRUE(SaveActionListFile(path, *State).Saved);
        return path.string();
    }
    std::string Write(const std::string& name, const std::string& text) {
        const fs::path path = Dir / name;
        std::ofstream(path, std::ios::binary) << text;
        return path.string();
    }
    int Run(const std::vector<std::string>& arguments) {
        std::ostringstream out, err;
        const int status =
            RunSimulateCommand(arguments, out, err, *Tok, RobotProgramTemplateText());
        Out = out.str();
        Err = err.str();
        return status;
    }
    json RunJson(std::vector<std::string> arguments) {
        arguments.insert(arguments.begin(), "--json");
        EXPECT_EQ(Run(arguments), ExitSucceeded) << Err;
        return json::parse(Out);
    }
};

TEST_F(SimulateCommandTest, AnActionListRunsToItsEndAndReportsAsJson) {
    AddStep(akMoveForward, 10);
    const json j = RunJson({SaveList("forward.wyl")});
    EXPECT_EQ(Err, "");
    EXPECT_GT(j["packets"].get<int>(), 10);
    EXPECT_GT(j["downloadSeconds"].get<double>(), 0.5) << "the handshake and packets take time";
    ASSERT_TRUE(j["endTime"].is_number());
    EXPECT_GT(j["endTime"].get<double>(), 4.0);
    EXPECT_LT(j["endTime"].get<double>(), 6.0);
    EXPECT_GT(j["pose"]["x"].get<double>(), 150);
    EXPECT_NEAR(j["pose"]["y"].get<double>(), 0, 2);
    EXPECT_NEAR(j["pose"]["heading"].get<double>(), 0, 1);

    const json& events = j["events"];
    ASSERT_EQ(events.size(), 3u);
    EXPECT_EQ(events[0]["kind"], "command");
    EXPECT_EQ(events[0]["letter"], "F");
    EXPECT_EQ(events[0]["value"], 10);
    EXPECT_EQ(events[0]["list"], "main");
    EXPECT_GE(events[0]["t"].get<double>(), 3.5);
    EXPECT_EQ(events[1]["letter"], "Q");
    EXPECT_FALSE(events[1].contains("value"));
    EXPECT_EQ(events[2]["kind"], "end");
    EXPECT_EQ(events[2]["t"], j["endTime"]);
    EXPECT_TRUE(events[2]["message"].get<std::string>().starts_with("STOP"));
}

TEST_F(SimulateCommandTest, TheTextReportTellsEventsEndAndPose) {
    AddStep(akRotateLeft, 10);
    EXPECT_EQ(Run({SaveList("rotate.wyl")}), ExitSucceeded) << Err;
    EXPECT_TRUE(Out.starts_with("Downloaded ")) << Out;
    EXPECT_NE(Out.find("command   main list, entry 1: \"E\",10 (Rotate Left 1.0 s)\n"),
              std::string::npos)
        << Out;
    EXPECT_NE(Out.find("command   main list, entry 2: \"Q\" (end of the list)\n"),
              std::string::npos);
    EXPECT_NE(Out.find("\nThe program ended at "), std::string::npos);
    EXPECT_NE(Out.find("\nThe robot stands at x "), std::string::npos);
}

TEST_F(SimulateCommandTest, SourceFilesRunAsTheyAreAndAnEndlessProgramStopsAtTheLimit) {
    const std::string source = Write("blink.hbs", "'{$KEYSTONE KM2}\r\n'{$HBASIC 2.5}\r\n"
                                                  "Main:\r\n  TOGGLE 3\r\n  PAUSE 100\r\n"
                                                  "  GOTO Main\r\n");
    const json j = RunJson({"--seconds", "2.5", source});
    EXPECT_TRUE(j["endTime"].is_null());
    EXPECT_EQ(j["seconds"], 2.5);
    EXPECT_TRUE(j["events"].empty()) << "no lists, no sensors, no end";
    EXPECT_EQ(j["pose"]["x"], 0.0);
}

TEST_F(SimulateCommandTest, SameFileSameWorldSameReport) {
    AddStep(akMoveForward, 30);
    AddStep(akRotateRight, 8);
    AddStep(akLoopBack, 1);
    const std::string file = SaveList("loop.wyl");
    EXPECT_EQ(Run({"--json", "--sensors", "--seconds", "20", file}), ExitSucceeded);
    const std::string first = Out;
    EXPECT_EQ(Run({"--json", "--sensors", "--seconds", "20", file}), ExitSucceeded);
    EXPECT_EQ(Out, first);
    const json j = json::parse(first);
    bool sensed = false;
    for (const json& e : j["events"]) {
        sensed = sensed || e["kind"] == "reaction";
    }
    EXPECT_TRUE(sensed) << "the default arena has things to meet";
}

TEST_F(SimulateCommandTest, AWorldFileSetsTheScene) {
    AddStep(akMoveForward, 100);
    const std::string world = Write("wall.json", R"({"arena": {"width": 1000, "height": 1000},
                               "start": {"x": 200, "y": 500, "heading": 0}})");
    const json j = RunJson({"--world", world, SaveList("far.wyl")});
    // Sensors off: it drives up to the right wall and stops against it.
    EXPECT_NEAR(j["arenaPose"]["x"].get<double>(), 1000 - 70, 0.5);
    EXPECT_NEAR(j["pose"]["x"].get<double>(), 1000 - 70 - 200, 0.5);
    int contacts = 0;
    for (const json& e : j["events"]) {
        contacts += e["kind"] == "contact";
    }
    EXPECT_EQ(contacts, 1);
}

TEST_F(SimulateCommandTest, TheTraceListsEveryInstructionWithItsBitAddress) {
    const std::string source =
        Write("short.hbs", "'{$KEYSTONE KM2}\r\n'{$HBASIC 2.5}\r\nPAUSE 10\r\nHIGH 1\r\nEND\r\n");
    EXPECT_EQ(Run({"--trace", source}), ExitSucceeded) << Err;
    const std::size_t pause = Out.find("trace     bit ");
    ASSERT_NE(pause, std::string::npos) << Out;
    EXPECT_NE(Out.find("PAUSE\n", pause), std::string::npos);
    const std::size_t high = Out.find("HIGH\n");
    const std::size_t end = Out.find("END\n");
    EXPECT_LT(Out.find("PAUSE\n"), high);
    EXPECT_LT(high, end);

    const json j = RunJson({"--trace", source});
    ASSERT_EQ(j["trace"].size(), 3u);
    EXPECT_EQ(j["trace"][0]["instruction"], "PAUSE");
    EXPECT_LT(j["trace"][0]["t"].get<double>(), 0.001);
    EXPECT_EQ(j["trace"][1]["instruction"], "HIGH");
    EXPECT_GE(j["trace"][1]["t"].get<double>(), 0.01);
    EXPECT_GT(j["trace"][1]["bit"].get<int>(), j["trace"][0]["bit"].get<int>());
}

TEST_F(SimulateCommandTest, TheSvgDrawsTheArenaAndThePath) {
    AddStep(akMoveForward, 20);
    AddStep(akTurnLeft, 10);
    const std::string svg = (Dir / "run & path.svg").string();
    EXPECT_EQ(Run({"--svg", svg, SaveList("a&b.wyl")}), ExitSucceeded) << Err;
    std::ifstream in(svg);
    const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    EXPECT_TRUE(text.starts_with("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<svg "));
    EXPECT_TRUE(text.ends_with("</svg>\n"));
    EXPECT_NE(text.find("<polyline points=\""), std::string::npos) << "the path";
    EXPECT_NE(text.find("a&amp;b.wyl, ended at"), std::string::npos) << "the title, escaped";
    EXPECT_EQ(text.find("a&b"), std::string::npos);
    // Four walls, three obstacles and a wall in the default arena.
    std::size_t shapes = 0;
    for (std::size_t at = text.find("<polygon"); at != std::string::npos;
         at = text.find("<polygon", at + 1)) {
        ++shapes;
    }
    EXPECT_EQ(shapes, 6u);
    EXPECT_NE(text.find(">F</text>"), std::string::npos);
    EXPECT_NE(text.find(">L</text>"), std::string::npos);
}

TEST_F(SimulateCommandTest, WhatKeepsAProgramFromRunningIsSaid) {
    AddStep(akMoveForward, 10);
    const std::string list = SaveList("ok.wyl");

    EXPECT_EQ(Run({"--world", (Dir / "none.json").string(), list}), ExitSimulationFailed);
    EXPECT_EQ(Err,
              "wayline-cli simulate: " + (Dir / "none.json").string() + ": cannot read the file\n");

    const std::string bad = Write("bad.json", R"({"obstacles": [{"shape": "circle"}]})");
    EXPECT_EQ(Run({"--world", bad, list}), ExitSimulationFailed);
    EXPECT_EQ(Err, "wayline-cli simulate: " + bad + ": obstacles[0].x: missing\n");

    EXPECT_EQ(Run({(Dir / "missing.hbs").string()}), ExitSimulationFailed);
    EXPECT_EQ(Err, "wayline-cli simulate: cannot read '" + (Dir / "missing.hbs").string() + "'\n");

    const std::string other = Write("other.hbs", "'{$KEYSTONE KM2A}\r\nEND\r\n");
    EXPECT_EQ(Run({other}), ExitSimulationFailed);
    EXPECT_EQ(Err, other + ": the program is not for the Keystone 2 module ('{$KEYSTONE KM2}'): "
                           "the virtual robot cannot run it\n");

    const std::string wrong = Write("wrong.hbs", "'{$KEYSTONE KM2}\r\nGOTO Nowhere\r\n");
    EXPECT_EQ(Run({wrong}), ExitSimulationFailed);
    EXPECT_TRUE(Err.starts_with("Error! Tokenization Failed!\n" + wrong + ":2:6: error: ")) << Err;
    EXPECT_EQ(Out, "");
}

TEST_F(SimulateCommandTest, AFaultStopsTheRunWithItsMessage) {
    const std::string source =
        Write("pwm.hbs", "'{$KEYSTONE KM2}\r\n'{$HBASIC 2.5}\r\nPWM 3, 100, 10\r\nEND\r\n");
    const int status = Run({"--json", source});
    EXPECT_EQ(status, ExitSimulationFailed);
    const json j = json::parse(Out);
    ASSERT_TRUE(j["endTime"].is_number());
    const std::string message = j["events"].back()["message"];
    EXPECT_TRUE(message.starts_with("PWM is not modelled by the simulator")) << message;
    EXPECT_EQ(Err, "wayline-cli simulate: " + message + "\n");
}

// File names are bytes: one that is not UTF-8 is still reported, its bad
// bytes replaced.
TEST_F(SimulateCommandTest, AFileNameThatIsNotUtf8StillGetsItsJsonReport) {
    const std::string source =
        Write("caf\xE9.hbs", "'{$KEYSTONE KM2}\r\n'{$HBASIC 2.5}\r\nEND\r\n");
    const json j = RunJson({source});
    EXPECT_TRUE(j["file"].get<std::string>().ends_with("caf\xEF\xBF\xBD.hbs")) << j["file"];
}

// A source file is read only as far as the tokenizer could take it: a
// device without end is refused, not read for ever, and a file too long
// says how long it is.
TEST_F(SimulateCommandTest, SourcesTooLongForTheTokenizerAreRefusedWithTheirSize) {
    if (std::ifstream("/dev/zero")) {
        EXPECT_EQ(Run({"/dev/zero"}), ExitSimulationFailed);
        EXPECT_EQ(Err, "wayline-cli simulate: '/dev/zero' has more than 65535 bytes; at most "
                       "65535 can be tokenized\n");
    }
    const std::string big = Write("big.hbs", std::string(65686, 'A'));
    EXPECT_EQ(Run({big}), ExitSimulationFailed);
    EXPECT_EQ(Err, "wayline-cli simulate: '" + big +
                       "' has 65686 bytes; at most 65535 can be tokenized\n");
    // Short enough as a file, too long once its lines end in CR LF.
    const std::string lines = Write("lines.hbs", std::string(40000, '\n'));
    EXPECT_EQ(Run({lines}), ExitSimulationFailed);
    EXPECT_EQ(Err, "Error! Tokenization Failed!\n" + lines +
                       ": the program text has 79998 characters with its lines joined by CR "
                       "LF; at most 65535 can be tokenized\n");
}

// A long run has more events than the board holds at once: the report
// still has every one, from the first.
TEST_F(SimulateCommandTest, ALongRunsJsonKeepsEveryEvent) {
    AddStep(akLoopBack, 1); // reads its own entry for ever, about 136 times a second
    const json j = RunJson({"--seconds", "900", SaveList("loop.wyl")});
    const json& events = j["events"];
    EXPECT_GT(events.size(), sim::TRobotSimulation::DefaultMaxEvents);
    EXPECT_EQ(events.front()["t"], 3.5043) << "the first read of the list";
    EXPECT_GT(events.back()["t"].get<double>(), 899.9);
    EXPECT_FALSE(j.contains("eventsLeftOut"));
}

// The world of a challenge file serves as a world.
TEST_F(SimulateCommandTest, AChallengeFileServesAsTheWorld) {
    AddStep(akMoveForward, 100);
    const std::string challenge = Write("task.json", R"({"title": "a task",
        "arena": {"width": 1000, "height": 1000}, "start": {"x": 200, "y": 500},
        "goals": [{"shape": "circle", "x": 800, "y": 500, "radius": 50}]})");
    const json j = RunJson({"--world", challenge, SaveList("far.wyl")});
    EXPECT_NEAR(j["arenaPose"]["x"].get<double>(), 1000 - 70, 0.5);
}

TEST_F(SimulateCommandTest, UsageErrorsShowTheUsage) {
    for (const auto& [arguments, message] :
         std::vector<std::pair<std::vector<std::string>, std::string>>{
             {{}, "no FILE given"},
             {{"a.wyl", "b.wyl"}, "only one FILE can be given"},
             {{"--fast", "a.wyl"}, "unknown option '--fast'"},
             {{"a.wyl", "--world"}, "--world needs a file name"},
             {{"--seconds", "ten", "a.wyl"},
              "--seconds takes a number above 0 and up to 3600, not 'ten'"},
             {{"--seconds", "0", "a.wyl"},
              "--seconds takes a number above 0 and up to 3600, not '0'"},
             {{"--seconds", "4000", "a.wyl"},
              "--seconds takes a number above 0 and up to 3600, not '4000'"},
         }) {
        EXPECT_EQ(Run(arguments), ExitUsageError);
        EXPECT_EQ(Err, "wayline-cli simulate: " + message + "\n" + Usage);
        EXPECT_EQ(Out, "");
    }
}

} // namespace
} // namespace wayline
