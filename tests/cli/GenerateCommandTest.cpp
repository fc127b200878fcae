#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <sstream>

#include "cli/GenerateCommand.h"
#include "cli/TokenizeCommand.h"
#include "cli/TokenizerReport.h"
#include "codegen/core/ActionListFile.h"
#include "codegen/core/BuildCode.h"
#include "tokenizer/Tokenizer.h"

namespace wayline {
namespace {

namespace fs = std::filesystem;

// A template small enough to check the whole generated text, and one that
// the tokenizer compiles completely.
const std::string SmallTemplate = "'{$KEYSTONE KM2}\r\n'{$HBASIC 2.5}\r\n"
                                  "' ----- Main Action List -----\r\n"
                                  "ActionList  DATA  \"Q\"\r\n"
                                  "END\r\n";

const std::string Usage = "usage: wayline-cli generate [--beginner|--advanced] [--sensors] "
                          "[--compile] [--json] FILE.wyl\n";

class GenerateCommandTest : public ::testing::Test {
protected:
    fs::path Dir;
    std::unique_ptr<TTokenizer> Tok = std::make_unique<TTokenizer>();
    std::unique_ptr<TDocumentState> State = std::make_unique<TDocumentState>();
    std::string Out, Err;

    void SetUp() override {
        Dir = fs::temp_directory_path() /
              ("wayline-generate-" +
               std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(Dir);
        InitialiseDocument(*State);
    }
    void TearDown() override { fs::remove_all(Dir); }

    void AddStep(TActionKind kind, int value, int both = 0, int left = 0, int right = 0) {
        const int row = State->StepCount(MainList) + 1;
        State->Step(MainList, row) =
            TActionStep{kind, static_cast<std::int16_t>(value), static_cast<std::uint8_t>(both),
                        static_cast<std::uint8_t>(left), static_cast<std::uint8_t>(right)};
        State->SetStepCount(MainList, row);
    }

    // Saves the lists as the program does, in the given mode.
    std::string Save(const std::string& name, bool advanced) {
        State->AdvancedMode = advanced;
        const fs::path path = Dir / name;
        EXPECT_TRUE(SaveActionListFile(path, *State).Saved);
        return path.string();
    }

    // The example list: Move Forward 2.0 s, Turn Right 0.5 s, Move Forward
    // 1.5 s, Stop and Wait 1.0 s, Loop Back to step 1; calibration 100, 102.
    std::string SaveExample(bool advanced) {
        State->Document.LeftServoCenter = 100;
        State->Document.RightServoCenter = 102;
        AddStep(akMoveForward, 20);
        AddStep(akTurnRight, 5);
        AddStep(akMoveForward, 15);
        AddStep(akStopAndWait, 10);
        AddStep(akLoopBack, 1);
        return Save(advanced ? "advanced.wyl" : "beginner.wyl", advanced);
    }

    int Run(std::vector<std::string> arguments, std::string_view templateText = SmallTemplate) {
        std::ostringstream out, err;
        const int status = RunGenerateCommand(arguments, out, err, *Tok, templateText);
        Out = out.str();
        Err = err.str();
        return status;
    }
};

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteFile(const fs::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

std::string ConfigureLine(const std::string& text) {
    const std::size_t at = text.find("Configure\t");
    return at == std::string::npos ? "" : text.substr(at, text.find("\r\n", at) - at);
}

TEST_F(GenerateCommandTest, EmbeddedTemplateIsTheResourceFileByteForByte) {
    const char* source = std::getenv("WAYLINE_SOURCE_DIR");
    ASSERT_NE(source, nullptr);
    const std::string file = ReadFile(fs::path(source) / "resources/programs/robot.bas");
    ASSERT_FALSE(file.empty());
    EXPECT_EQ(RobotProgramTemplateText(), file);
}

TEST_F(GenerateCommandTest, BeginnerFileGivesTheWholeProgramJoinedByCrLf) {
    const std::string file = SaveExample(false);
    EXPECT_EQ(Run({"--sensors", file}), ExitSucceeded);
    EXPECT_EQ(Err, "");
    EXPECT_EQ(Out, "'{$KEYSTONE KM2}\r\n'{$HBASIC 2.5}\r\n"
                   "' ----- Main Action List -----\r\n"
                   "Configure\tDATA\t@0,1,0,100,102,WORD 25,WORD 26,WORD 27,WORD 28,WORD 29\r\n"
                   "\r\n"
                   "' ----- Main Action List -----\r\n"
                   "ActionList\tDATA\t\"F\",20   ,\"R\",5   ,\"F\",15   ,\"S\",10   \r\n"
                   "\t\tDATA \t\"G\",4   ,\"Q\"\r\n"
                   "\r\n' ----- Sensor Set All -----\r\n\t\tDATA \t\"Q\"\r\n"
                   "\r\n' ----- Sensor Set 1 -----\r\n\t\tDATA \t\"Q\"\r\n"
                   "\r\n' ----- Sensor Set 2 -----\r\n\t\tDATA \t\"Q\"\r\n"
                   "\r\n' ----- Sensor Set 3 -----\r\n\t\tDATA \t\"Q\"\r\n"
                   "\r\n' ----- Sensor Set 4 -----\r\n\t\tDATA \t\"Q\"\r\n"
                   "\r\n"
                   "END");
}

TEST_F(GenerateCommandTest, RobotTemplateOutputIsTheCompileStepSourceWithNoFinalLineEnd) {
    const std::string file = SaveExample(false);
    EXPECT_EQ(Run({file}, RobotProgramTemplateText()), ExitSucceeded);
    EXPECT_FALSE(Out.ends_with("\r\n"));
    TBuildCodeResult built = BuildCode(RobotProgramTemplateText(), *State, false);
    ASSERT_TRUE(built.Succeeded);
    EXPECT_EQ(Out, TokenizerSourceText(built.Lines).value());
}

TEST_F(GenerateCommandTest, ModeDefaultsToTheFilesOwnAndOptionsOverrideIt) {
    AddStep(akMoveForward, 20, 0, 2, 4);
    const std::string beginner = Save("beginner.wyl", false);
    const std::string advanced = Save("advanced.wyl", true);
    const std::string withConfig = "ActionList\tDATA\t\"C\",$22,\"C\",$14,\"F\",20   ,\"Q\"\r\n";
    const std::string withoutConfig = "ActionList\tDATA\t\"F\",20   ,\"Q\"\r\n";

    EXPECT_EQ(Run({beginner}), ExitSucceeded);
    EXPECT_NE(Out.find(withoutConfig), std::string::npos);
    EXPECT_EQ(ConfigureLine(Out).substr(0, 19), "Configure\tDATA\t@0,0");

    EXPECT_EQ(Run({advanced}), ExitSucceeded);
    EXPECT_NE(Out.find(withConfig), std::string::npos);
    EXPECT_EQ(ConfigureLine(Out),
              "Configure\tDATA\t@0,2,0,100,100,WORD 21,WORD 22,WORD 23,WORD 24,WORD 25");

    EXPECT_EQ(Run({"--advanced", beginner}), ExitSucceeded);
    EXPECT_NE(Out.find(withConfig), std::string::npos);
    EXPECT_EQ(ConfigureLine(Out).substr(0, 19), "Configure\tDATA\t@0,2");

    EXPECT_EQ(Run({"--beginner", beginner}), ExitSucceeded);
    EXPECT_NE(Out.find(withoutConfig), std::string::npos);

    EXPECT_EQ(Run({"--advanced", advanced}), ExitSucceeded);
    EXPECT_NE(Out.find(withConfig), std::string::npos);
}

TEST_F(GenerateCommandTest, SensorsTicksTheBoxOnlyInBeginnerMode) {
    AddStep(akStopAndWait, 10);
    const std::string beginner = Save("beginner.wyl", false);
    const std::string advanced = Save("advanced.wyl", true);
    const auto modeByte = [this] { return ConfigureLine(Out).substr(18, 1); };

    EXPECT_EQ(Run({beginner}), ExitSucceeded);
    EXPECT_EQ(modeByte(), "0");
    EXPECT_EQ(Run({beginner, "--sensors"}), ExitSucceeded);
    EXPECT_EQ(modeByte(), "1");
    // The box is hidden in advanced mode: the mode byte is 2 either way.
    EXPECT_EQ(Run({"--sensors", advanced}), ExitSucceeded);
    EXPECT_EQ(modeByte(), "2");
    EXPECT_EQ(Run({"--sensors", "--advanced", beginner}), ExitSucceeded);
    EXPECT_EQ(modeByte(), "2");
}

TEST_F(GenerateCommandTest, RefusedFilesGiveTheLoadersMessageAndNoProgram) {
    AddStep(akMoveForward, 20);
    const std::string advanced = Save("advanced.wyl", true);
    const std::string good = ReadFile(advanced);
    ASSERT_EQ(good.size(), DocumentSize);

    EXPECT_EQ(Run({"--beginner", advanced}), ExitNotGenerated);
    EXPECT_EQ(Err, "wayline-cli generate: '" + advanced +
                       "': This Wayline file was saved in Advanced Mode.  You must switch to "
                       "Advanced Mode before opening this file.\n");
    EXPECT_EQ(Out, "");

    std::string bytes = good;
    bytes[8] = 'a'; // "Wayline action List"
    WriteFile(Dir / "signature.wyl", bytes);
    EXPECT_EQ(Run({(Dir / "signature.wyl").string()}), ExitNotGenerated);
    EXPECT_EQ(Err, "wayline-cli generate: '" + (Dir / "signature.wyl").string() +
                       "': Not proper Wayline file format.\n");
    EXPECT_EQ(Out, "");

    bytes = good;
    bytes[20] = 0x12;
    WriteFile(Dir / "old.wyl", bytes);
    EXPECT_EQ(Run({(Dir / "old.wyl").string()}), ExitNotGenerated);
    EXPECT_EQ(Err, "wayline-cli generate: '" + (Dir / "old.wyl").string() +
                       "': Can not open Wayline file.  File format is version 1.2.  "
                       "Expected version 1.3.\n");
    EXPECT_EQ(Out, "");
}

TEST_F(GenerateCommandTest, UnreadableAndShortFilesAreNamedInTheMessage) {
    const std::string missing = (Dir / "missing.wyl").string();
    EXPECT_EQ(Run({missing}), ExitNotGenerated);
    EXPECT_EQ(Err, "wayline-cli generate: '" + missing + "': No such file or directory\n");

    EXPECT_EQ(Run({Dir.string()}), ExitNotGenerated);
    EXPECT_EQ(Err, "wayline-cli generate: '" + Dir.string() + "': Is a directory\n");

    const std::string shortFile = (Dir / "short.wyl").string();
    WriteFile(shortFile, ReadFile(Save("whole.wyl", false)).substr(0, 9239));
    EXPECT_EQ(Run({shortFile}), ExitNotGenerated);
    EXPECT_EQ(Err, "wayline-cli generate: '" + shortFile +
                       "': not an action list: it has 9239 bytes, an action list has 9240\n");
    EXPECT_EQ(Out, "");
}

TEST_F(GenerateCommandTest, UsageErrorsExitWithTwo) {
    const std::string file = Save("list.wyl", false);
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{}, "wayline-cli generate: no FILE given\n"},
        {{"--sensors"}, "wayline-cli generate: no FILE given\n"},
        {{file, file}, "wayline-cli generate: only one FILE can be given\n"},
        {{"--verbose", file}, "wayline-cli generate: unknown option '--verbose'\n"},
        {{"--beginner", "--advanced", file},
         "wayline-cli generate: --beginner and --advanced exclude each other\n"},
    };
    for (const auto& [arguments, message] : cases) {
        EXPECT_EQ(Run(arguments), ExitUsageError) << message;
        EXPECT_EQ(Err, message + Usage);
        EXPECT_EQ(Out, "");
    }
    EXPECT_EQ(Run({"--beginner", "--beginner", file}), ExitSucceeded);
}

TEST_F(GenerateCommandTest, TemplateWithoutItsActionListLineGivesTheErrorAndNoProgram) {
    const std::string file = Save("list.wyl", false);
    EXPECT_EQ(Run({file}, "'{$KEYSTONE KM2}\r\nActionList Q DATA \"Q\"\r\n"), ExitNotGenerated);
    EXPECT_EQ(Err, "wayline-cli generate: '" + file + "': Can't find start of EEPROM data!\n");
    EXPECT_EQ(Out, "");
    EXPECT_EQ(Run({"--compile", file}, ""), ExitNotGenerated);
    EXPECT_EQ(Err, "wayline-cli generate: '" + file + "': Can't find start of EEPROM data!\n");
}

// With --json every failure is one JSON object with "error", on out, and
// the exit status does not change.
TEST_F(GenerateCommandTest, WithJsonEveryFailureIsJsonWithTheSameStatus) {
    const std::string missing = (Dir / "missing.wyl").string();
    EXPECT_EQ(Run({"--json", missing}), ExitNotGenerated);
    EXPECT_EQ(Out, "{\"error\":\"wayline-cli generate: '" + missing +
                       "': No such file or directory\"}\n");
    EXPECT_EQ(Err, "");

    AddStep(akMoveForward, 20);
    const std::string advanced = Save("advanced.wyl", true);
    EXPECT_EQ(Run({"--beginner", "--json", advanced}), ExitNotGenerated);
    EXPECT_EQ(Out, "{\"error\":\"wayline-cli generate: '" + advanced +
                       "': This Wayline file was saved in Advanced Mode.  You must switch to "
                       "Advanced Mode before opening this file.\"}\n");
    EXPECT_EQ(Err, "");

    EXPECT_EQ(Run({"--json", advanced}, "STOP\r\n"), ExitNotGenerated);
    EXPECT_EQ(Out, "{\"error\":\"wayline-cli generate: '" + advanced +
                       "': Can't find start of EEPROM data!\"}\n");

    EXPECT_EQ(Run({"--json", "--verbose", advanced}), ExitUsageError);
    EXPECT_EQ(Out, "{\"error\":\"wayline-cli generate: unknown option '--verbose'\"}\n");
    EXPECT_EQ(Err, "");
}

// DATA keeps the low byte of a value: such a list is refused, not written.
TEST_F(GenerateCommandTest, LoopBackTooFarForTheRobotIsRefusedNamingTheStep) {
    for (int row = 1; row <= 100; ++row) {
        const int set = row % 2 + 1;
        AddStep(akMoveForward, 10, set, set, set);
    }
    AddStep(akLoopBack, 1, 1, 1, 1);
    const std::string file = Save("long loop.wyl", true);
    EXPECT_EQ(Run({file}), ExitNotGenerated);
    EXPECT_EQ(Out, "");
    EXPECT_TRUE(Err.starts_with("wayline-cli generate: '" + file +
                                "': Step 101 loops back too far for the robot: it would jump back "
                                "over 400 list entries"))
        << Err;
    // Beginner mode writes no configuration entries: the same list fits.
    EXPECT_EQ(Run({"--beginner", file}), ExitNotGenerated); // an advanced file
    EXPECT_EQ(Run({"--compile", Save("short loop.wyl", false)}), ExitSucceeded) << Err;
}

// Lists that leave the robot program no room are told as such: the bytes
// too many and about how many steps to remove; removing that many helps.
TEST_F(GenerateCommandTest, ListsTooLargeForTheRobotSayHowMuchToRemove) {
    // Six lists of 100 plain steps, the main list with `mainSteps`.
    const auto fill = [this](int mainSteps) {
        InitialiseDocument(*State);
        for (int list = 1; list <= ListCount; ++list) {
            const int steps = list == MainList ? mainSteps : 100;
            for (int row = 1; row <= steps; ++row) {
                State->Step(list, row) = TActionStep{akTurnLeft, 13, 0, 0, 0};
            }
            State->SetStepCount(list, steps);
        }
        return Save("lists" + std::to_string(mainSteps) + ".wyl", false);
    };
    const std::string file = fill(100);
    EXPECT_EQ(Run({"--compile", file}, RobotProgramTemplateText()), ExitTokenizeError);
    EXPECT_EQ(Out, "");
    const std::string start = "wayline-cli generate: '" + file +
                              "': Your action lists do not fit into the robot's "
                              "memory: ";
    ASSERT_TRUE(Err.starts_with(start)) << Err;
    std::istringstream figures(Err.substr(start.size()));
    int bytes = 0;
    int steps = 0;
    std::string word;
    figures >> bytes >> word >> word >> word >> word >> word >> steps;
    EXPECT_EQ(Err, start + std::to_string(bytes) + " bytes too many.  Remove about " +
                       std::to_string(steps) + " steps.\n");
    EXPECT_EQ(steps, (bytes + 1) / 2);
    // Plain steps: removing that many makes the lists fit, one fewer does
    // not.
    EXPECT_EQ(Run({"--compile", fill(100 - steps)}, RobotProgramTemplateText()), ExitSucceeded)
        << Err;
    EXPECT_EQ(Run({"--compile", fill(100 - steps + 1)}, RobotProgramTemplateText()),
              ExitTokenizeError);

    EXPECT_EQ(Run({"--json", file}, RobotProgramTemplateText()), ExitTokenizeError);
    EXPECT_EQ(Out, "{\"error\":\"" + start + std::to_string(bytes) +
                       " bytes too many.  Remove about " + std::to_string(steps) +
                       " steps.\",\"excessBytes\":" + std::to_string(bytes) +
                       ",\"stepsToRemove\":" + std::to_string(steps) + "}\n");
}

TEST_F(GenerateCommandTest, CompilePrintsTheTokenizeSummaryOrJson) {
    const std::string file = SaveExample(false);
    EXPECT_EQ(Run({"--compile", file}), ExitSucceeded);
    EXPECT_EQ(Err, "");
    EXPECT_EQ(Out, Summary(file, *Tok));
    EXPECT_TRUE(Out.starts_with(file + ": tokenized for KM2, HBASIC 2.5: ")) << Out;
    EXPECT_GT(Tok->Result.PacketCount, 0);

    EXPECT_EQ(Run({"--json", file}), ExitSucceeded);
    EXPECT_EQ(Out, JsonReport(*Tok) + "\n");
    EXPECT_TRUE(Out.starts_with("{\"succeeded\":true,")) << Out.substr(0, 40);
}

TEST_F(GenerateCommandTest, CompileReportsTheTokenizerErrorInTheGeneratedText) {
    const std::string file = SaveExample(false);
    const std::string broken = SmallTemplate + "B0 = 1 `\r\n";
    EXPECT_EQ(Run({"--compile", file}, broken), ExitTokenizeError);
    EXPECT_EQ(Out, "");
    EXPECT_EQ(Err, file + ":26:8: error: 103-Unrecognized character\nB0 = 1 `\n       ^\n");

    EXPECT_EQ(Run({"--json", file}, broken), ExitTokenizeError);
    EXPECT_TRUE(
        Out.starts_with("{\"succeeded\":false,\"errorText\":\"103-Unrecognized character\""))
        << Out.substr(0, 80);
}

// Whatever the tokenizer can compile today, --compile must report on the
// very text generate prints, read with its own target directive.
TEST_F(GenerateCommandTest, CompileOfTheRobotProgramAgreesWithTokenizingItsText) {
    const std::string file = SaveExample(true);
    ASSERT_EQ(Run({file}, RobotProgramTemplateText()), ExitSucceeded);
    const std::string text = Out;

    const auto owner = std::make_unique<TTokenizer>();
    TTokenizer& expected = *owner;
    ASSERT_TRUE(expected.SetSource(text));
    const bool ok = expected.Tokenize();
    EXPECT_EQ(expected.Result.TargetModule, tmKM2);

    const int status = Run({"--compile", file}, RobotProgramTemplateText());
    EXPECT_EQ(status, ok ? ExitSucceeded : ExitTokenizeError);
    if (ok) {
        EXPECT_EQ(Out, Summary(file, expected));
    } else {
        EXPECT_EQ(Out, "");
        EXPECT_EQ(Err, FormatDiagnostic(file, text, expected.Result.ErrorStart,
                                        expected.Result.ErrorLength, expected.Result.ErrorText));
    }
    EXPECT_EQ(Run({"--json", file}, RobotProgramTemplateText()), status);
    EXPECT_EQ(Out, JsonReport(expected) + "\n");
}

} // namespace
} // namespace wayline
