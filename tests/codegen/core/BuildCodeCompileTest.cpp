#include "SourceFiles.h"
#include "codegen/core/BuildCode.h"
#include "tokenizer/Tokenizer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

namespace wayline {
namespace {

std::string ReadRobotTemplate() {
    return testfiles::ReadSourceFile("resources/programs/robot.bas");
}

// Generated programs go through the real tokenizer, as Go sends them: the
// template has to compile with every list the editor can hold, and the
// EEPROM has to carry the lists where the robot program looks for them.
class RobotProgramCompile : public ::testing::Test {
protected:
    void SetUp() override {
        Template = ReadRobotTemplate();
        ASSERT_FALSE(Template.empty());
        InitialiseDocument(State);
    }

    void Fill(int list, int count, bool changeSets) {
        for (int row = 1; row <= count; ++row) {
            TActionStep step{static_cast<std::uint8_t>(row % 7), static_cast<std::int16_t>(row), 0,
                             0, 0};
            if (changeSets) {
                step.BothSet = static_cast<std::uint8_t>(row % 5);
                step.LeftSet = static_cast<std::uint8_t>(row / 2 % 5);
                step.RightSet = static_cast<std::uint8_t>(row / 3 % 5);
            }
            if (list == MainList && row % 5 == 0) {
                step.Kind = akLoopBack;
                step.Value = static_cast<std::int16_t>(row - 3);
            }
            State.Step(list, row) = step;
        }
        State.SetStepCount(list, count);
    }

    // Compiles `text` as the compile step does; true when it gives packets.
    bool Compile(const std::string& text) {
        if (!Tokenizer->SetSource(text)) {
            return false;
        }
        return Tokenizer->Tokenize() && Tokenizer->Result.PacketCount != 0;
    }

    bool CompileGenerated() {
        const TBuildCodeResult built = BuildCode(Template, State, true);
        EXPECT_TRUE(built.Succeeded);
        const std::optional<std::string> text = TokenizerSourceText(built.Lines);
        return text && Compile(*text);
    }

    std::string Error() const {
        const TTokenizerResult& r = Tokenizer->Result;
        return std::string(r.ErrorText ? r.ErrorText : "") + " at " + std::to_string(r.ErrorStart);
    }

    int Byte(int address) const { return Tokenizer->Result.EEPROM[address]; }
    int Word(int address) const { return Byte(address) | Byte(address + 1) << 8; }

    std::string Template;
    TDocumentState State{};
    std::unique_ptr<TTokenizer> Tokenizer = std::make_unique<TTokenizer>();
};

TEST_F(RobotProgramCompile, BareTemplateCompiles) {
    ASSERT_TRUE(Compile(Template)) << Error();
    // The placeholder list alone: the robot reads "Q" and stops.
    EXPECT_EQ(Byte(0), 'Q');
}

// The trace is a development aid: switched on it must compile into the
// program, and switched off it must leave no bit behind.
TEST_F(RobotProgramCompile, TraceCompilesWhenSwitchedOnAndToNothingWhenOff) {
    ASSERT_TRUE(Compile(Template)) << Error();
    const std::vector<std::uint8_t> off(Tokenizer->Result.EEPROM,
                                        Tokenizer->Result.EEPROM + EEPROMSize);
    const int offBits = Tokenizer->CodeBitAddress;
    EXPECT_FALSE(Tokenizer->Result.DebugFlag);

    // The same text with every trace block taken out.
    std::string stripped;
    std::size_t at = 0;
    int blocks = 0;
    while (at < Template.size()) {
        const std::size_t end = Template.find("\r\n", at);
        const std::string line = Template.substr(at, end - at);
        const std::size_t next = end == std::string::npos ? Template.size() : end + 2;
        if (line == "#IF Verbose #THEN") {
            ++blocks;
            at = Template.find("#ENDIF\r\n", next) + 8;
            continue;
        }
        stripped += Template.substr(at, next - at);
        at = next;
    }
    EXPECT_GE(blocks, 30);
    ASSERT_TRUE(Compile(stripped)) << Error();
    EXPECT_TRUE(std::equal(off.begin(), off.end(), Tokenizer->Result.EEPROM));

    std::string on = Template;
    const std::size_t define = on.find("' #DEFINE Verbose");
    ASSERT_NE(define, std::string::npos);
    on.erase(define, 2);
    ASSERT_TRUE(Compile(on)) << Error();
    EXPECT_TRUE(Tokenizer->Result.DebugFlag);
    EXPECT_GT(Tokenizer->CodeBitAddress, offBits);
}

TEST_F(RobotProgramCompile, GeneratedListsLandWhereTheRobotReadsThem) {
    State.AdvancedMode = true;
    State.Document.LeftServoCenter = 97;
    State.Document.RightServoCenter = 104;
    State.Step(MainList, 1) = {akMoveForward, 20, 0, 2, 5};
    State.Step(MainList, 2) = {akLoopBack, 1, 0, 2, 5};
    State.SetStepCount(MainList, 2);
    State.Step(3, 1) = {akRotateLeft, 7, 0, 0, 0};
    State.SetStepCount(3, 1);
    ASSERT_TRUE(CompileGenerated()) << Error();

    EXPECT_EQ(Byte(0), 2);
    EXPECT_EQ(Byte(1), 0);
    EXPECT_EQ(Byte(2), 97);
    EXPECT_EQ(Byte(3), 104);
    // Main list: C $30, C $22, C $15, F 20, G 4, Q = 11 bytes from 14.
    const int expectedMain[] = {'C', 0x30, 'C', 0x22, 'C', 0x15, 'F', 20, 'G', 4, 'Q'};
    for (int i = 0; i < 11; ++i) {
        EXPECT_EQ(Byte(ActionListAddress + i), expectedMain[i]) << "byte " << i;
    }
    EXPECT_EQ(Word(4), 25);
    EXPECT_EQ(Word(6), 26);
    EXPECT_EQ(Byte(26), 'E');
    EXPECT_EQ(Byte(27), 7);
    EXPECT_EQ(Byte(28), 'Q');
    EXPECT_EQ(Word(8), 29);
    EXPECT_EQ(Word(12), 31);
    EXPECT_EQ(Byte(31), 'Q');
}

TEST_F(RobotProgramCompile, ListsOfEveryLengthCompileInBothModes) {
    for (const bool advanced : {false, true}) {
        for (const int count : {0, 1, 4, 5, 255}) {
            InitialiseDocument(State);
            State.AdvancedMode = advanced;
            Fill(MainList, count, false);
            Fill(2, count < 255 ? count : 20, false);
            EXPECT_TRUE(CompileGenerated())
                << (advanced ? "advanced " : "beginner ") << count << ": " << Error();
        }
    }
    // Sets that change with every step take three more entries a step.
    InitialiseDocument(State);
    State.AdvancedMode = true;
    for (int list = 1; list <= ListCount; ++list) {
        Fill(list, 12, list == MainList);
    }
    EXPECT_TRUE(CompileGenerated()) << Error();
}

TEST_F(RobotProgramCompile, ListsBeyondTheEepromFailToCompile) {
    for (int list = 1; list <= ListCount; ++list) {
        Fill(list, 255, false);
    }
    EXPECT_FALSE(CompileGenerated());
    EXPECT_FALSE(Tokenizer->Result.Succeeded);
}

} // namespace
} // namespace wayline
