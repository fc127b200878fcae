#include "SourceFiles.h"
#include "codegen/core/BuildCode.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace wayline {
namespace {

std::string ReadRobotTemplate() {
    return testfiles::ReadSourceFile("resources/programs/robot.bas");
}

std::string UpperTrimmed(const std::string& line) {
    const std::size_t first = line.find_first_not_of(" \t");
    std::string result = first == std::string::npos ? "" : line.substr(first);
    for (char& c : result) {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return result;
}

class RobotTemplate : public ::testing::Test {
protected:
    void SetUp() override {
        Text = ReadRobotTemplate();
        ASSERT_FALSE(Text.empty()) << "robot.bas not found under " << testfiles::SourceDir();
        Lines = LoadTemplateLines(Text);
    }

    std::string Text;
    TCodeLines Lines;
};

TEST_F(RobotTemplate, IsAnAsciiCrLfText) {
    for (std::size_t i = 0; i < Text.size(); ++i) {
        const auto c = static_cast<unsigned char>(Text[i]);
        ASSERT_LT(c, 128) << "at " << i;
        if (c == '\n') {
            ASSERT_TRUE(i > 0 && Text[i - 1] == '\r') << "bare LF at " << i;
        }
        if (c == '\r') {
            ASSERT_TRUE(i + 1 < Text.size() && Text[i + 1] == '\n') << "bare CR at " << i;
        }
    }
    EXPECT_TRUE(Text.ends_with("\r\n"));
}

TEST_F(RobotTemplate, NamesTargetAndLanguageFirst) {
    ASSERT_GE(Lines.size(), 2U);
    EXPECT_EQ(Lines[0], "'{$KEYSTONE KM2}");
    EXPECT_EQ(Lines[1], "'{$HBASIC 2.5}");
}

TEST_F(RobotTemplate, HoldsExactlyOneDataLineUnderItsComment) {
    int found = 0;
    for (std::size_t i = 0; i < Lines.size(); ++i) {
        if (UpperTrimmed(Lines[i]).starts_with("ACTIONLIST")) {
            ++found;
            EXPECT_EQ(Lines[i], "ActionList  DATA  \"Q\"");
            ASSERT_GT(i, 0U);
            EXPECT_EQ(Lines[i - 1], "' ----- Main Action List -----");
        }
    }
    EXPECT_EQ(found, 1);
}

TEST_F(RobotTemplate, KeepsTheTraceOutOfTheProgram) {
    bool definitionCommentedOut = false;
    int open = 0;
    int blocks = 0;
    for (const std::string& line : Lines) {
        const std::string text = UpperTrimmed(line);
        if (text.find("#DEFINE") != std::string::npos) {
            EXPECT_TRUE(text.starts_with("'")) << line;
            definitionCommentedOut =
                definitionCommentedOut || text.find("VERBOSE") != std::string::npos;
        }
        if (text == "#IF VERBOSE #THEN") {
            ++open;
            ++blocks;
        } else if (text == "#ENDIF") {
            --open;
        } else if (text.starts_with("DEBUG")) {
            EXPECT_EQ(open, 1) << "trace outside #IF Verbose: " << line;
        }
    }
    EXPECT_TRUE(definitionCommentedOut);
    EXPECT_EQ(open, 0);
    EXPECT_GE(blocks, 8);
}

// Every label announces itself on the debug terminal when the trace is
// switched on: the three lines right under it are the trace block, and its
// DEBUG text begins with the label's own name.
TEST_F(RobotTemplate, EveryLabelHasItsTraceLine) {
    int labels = 0;
    for (std::size_t i = 0; i < Lines.size(); ++i) {
        const std::string& line = Lines[i];
        const std::size_t colon = line.find(':');
        if (line.empty() || !std::isalpha(static_cast<unsigned char>(line[0])) ||
            colon == std::string::npos ||
            line.find_first_not_of(" \t", colon + 1) != std::string::npos) {
            continue;
        }
        const std::string label = line.substr(0, colon);
        if (label.find_first_of(" \t'") != std::string::npos) {
            continue;
        }
        ++labels;
        ASSERT_LT(i + 3, Lines.size()) << label;
        EXPECT_EQ(UpperTrimmed(Lines[i + 1]), "#IF VERBOSE #THEN") << label;
        EXPECT_TRUE(Lines[i + 2].starts_with("  DEBUG \"" + label))
            << label << ": " << Lines[i + 2];
        EXPECT_EQ(UpperTrimmed(Lines[i + 3]), "#ENDIF") << label;
    }
    EXPECT_GE(labels, 30);
}

// The beginner example again, this time on the real template: the generated
// block sits under the template's comment and the emptied line stays behind.
TEST_F(RobotTemplate, GeneratesTheExampleInPlace) {
    TDocumentState state{};
    InitialiseDocument(state);
    const auto add = [&](TActionKind kind, int value) {
        const int row = state.StepCount(MainList) + 1;
        state.Step(MainList, row) =
            TActionStep{static_cast<std::uint8_t>(kind), static_cast<std::int16_t>(value), 0, 0, 0};
        state.SetStepCount(MainList, row);
    };
    add(akMoveForward, 20);
    add(akTurnRight, 5);
    add(akMoveForward, 15);
    add(akStopAndWait, 10);
    add(akLoopBack, 1);
    state.Document.RightServoCenter = 102;

    const TBuildCodeResult result = BuildCode(Text, state, true);
    ASSERT_TRUE(result.Succeeded);
    ASSERT_EQ(result.Lines.size(), Lines.size() + 20);

    std::size_t at = 0;
    while (at < Lines.size() && !UpperTrimmed(Lines[at]).starts_with("ACTIONLIST")) {
        ++at;
    }
    for (std::size_t i = 0; i < at; ++i) {
        ASSERT_EQ(result.Lines[i], Lines[i]);
    }
    EXPECT_EQ(result.Lines[at - 1], "' ----- Main Action List -----");
    EXPECT_EQ(result.Lines[at],
              "Configure\tDATA\t@0,1,0,100,102,WORD 25,WORD 26,WORD 27,WORD 28,WORD 29");
    EXPECT_EQ(result.Lines[at + 3],
              "ActionList\tDATA\t\"F\",20   ,\"R\",5   ,\"F\",15   ,\"S\",10   ");
    EXPECT_EQ(result.Lines[at + 4], "\t\tDATA \t\"G\",4   ,\"Q\"");
    EXPECT_EQ(result.Lines[at + 19], "\t\tDATA \t\"Q\"");
    EXPECT_EQ(result.Lines[at + 20], "");
    for (std::size_t i = at + 1; i < Lines.size(); ++i) {
        ASSERT_EQ(result.Lines[i + 20], Lines[i]);
    }
}

} // namespace
} // namespace wayline
