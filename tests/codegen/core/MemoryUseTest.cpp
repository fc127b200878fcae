#include "codegen/core/MemoryUse.h"
#include "SourceFiles.h"
#include "codegen/core/BuildCode.h"
#include "tokenizer/Tokenizer.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>

namespace wayline {
namespace {

std::string ReadRobotTemplate() {
    return testfiles::ReadSourceFile("resources/programs/robot.bas");
}

class MemoryUse : public ::testing::Test {
protected:
    void SetUp() override {
        Template = ReadRobotTemplate();
        ASSERT_FALSE(Template.empty());
        InitialiseDocument(*State);
        const std::optional<int> start = RobotProgramStart(*Tokenizer, Template);
        ASSERT_TRUE(start.has_value()) << "the robot program does not compile";
        ProgramStart = *start;
    }

    // Six lists of `count` steps; in advanced mode the main list changes
    // all three columns at every step.
    void FillAll(int count, bool advanced) {
        InitialiseDocument(*State);
        State->AdvancedMode = advanced;
        for (int list = 1; list <= ListCount; ++list) {
            for (int row = 1; row <= count; ++row) {
                const auto set = static_cast<std::uint8_t>(list == MainList ? row % 2 : 0);
                State->Step(list, row) = TActionStep{akTurnRight, 13, set, set, set};
            }
            State->SetStepCount(list, count);
        }
    }

    bool Compiles() {
        const TBuildCodeResult built = BuildCode(Template, *State, false);
        EXPECT_TRUE(built.Succeeded);
        const std::optional<std::string> text = TokenizerSourceText(built.Lines);
        return text && Tokenizer->SetSource(*text) && Tokenizer->Tokenize() &&
               Tokenizer->Result.PacketCount != 0;
    }

    std::string Template;
    std::unique_ptr<TDocumentState> State = std::make_unique<TDocumentState>();
    std::unique_ptr<TTokenizer> Tokenizer = std::make_unique<TTokenizer>();
    int ProgramStart = 0;
};

// The measure is only worth showing if it says "fits" exactly when Go's
// compile succeeds: step by step across the limit, in both modes.
TEST_F(MemoryUse, FitsExactlyWhenTheProgramCompiles) {
    EXPECT_GT(ProgramStart, 14 + 6);
    EXPECT_LT(ProgramStart, EEPROMSize);
    for (const bool advanced : {false, true}) {
        int lastFitting = -1;
        for (int count = 40; count <= 100; ++count) {
            FillAll(count, advanced);
            const TMemoryUse use = MeasureMemoryUse(*State, ProgramStart);
            const bool compiles = Compiles();
            ASSERT_EQ(use.Fits(), compiles)
                << (advanced ? "advanced " : "beginner ") << count << " steps: " << use.DataBytes
                << " bytes, program at " << ProgramStart << ", "
                << (Tokenizer->Result.ErrorText ? Tokenizer->Result.ErrorText : "");
            if (use.Fits()) {
                lastFitting = count;
            }
        }
        // The limit lies inside the range: six lists of 12 bytes a step
        // (beginner), or of 18 with three column changes a step.
        const int perStep = advanced ? 18 : 12;
        EXPECT_EQ(lastFitting, (ProgramStart - 20) / perStep);
    }
}

TEST_F(MemoryUse, TheProgramStartIsTheLowestProgramByte) {
    ASSERT_TRUE(Compiles());
    EXPECT_EQ(LowestProgramAddress(Tokenizer->Result), ProgramStart);
    EXPECT_EQ(Tokenizer->Result.EEPROMFlags[ProgramStart] & 3, efProgram);
    EXPECT_NE(Tokenizer->Result.EEPROMFlags[ProgramStart - 1] & 3, efProgram);
    // A template that does not compile, or has no place for the lists,
    // gives no start.
    EXPECT_FALSE(RobotProgramStart(*Tokenizer, "'{$KEYSTONE KM2}\r\nActionList DATA \"Q\"\r\n"
                                               "B0 = 1 `\r\n"));
    EXPECT_FALSE(RobotProgramStart(*Tokenizer, "'{$KEYSTONE KM2}\r\nSTOP\r\n"));
}

TEST(MemoryUseFigures, ShareExcessAndStepsToRemove) {
    const TMemoryUse empty{20, 1000};
    EXPECT_TRUE(empty.Fits());
    EXPECT_EQ(empty.Percent(), 2);
    EXPECT_EQ(empty.ExcessBytes(), 0);
    EXPECT_EQ(empty.StepsToRemove(), 0);

    EXPECT_EQ((TMemoryUse{999, 1000}).Percent(), 99);
    EXPECT_EQ((TMemoryUse{1000, 1000}).Percent(), 100);
    const TMemoryUse justOver{1002, 1000};
    EXPECT_FALSE(justOver.Fits());
    EXPECT_EQ(justOver.Percent(), 101);
    EXPECT_EQ(justOver.ExcessBytes(), 2);
    EXPECT_EQ(justOver.StepsToRemove(), 1);
    EXPECT_EQ(ListsTooLargeMessage(justOver),
              "Your action lists do not fit into the robot's memory: 2 bytes too many.  Remove "
              "about 1 step.");
    const TMemoryUse farOver{1525, 1000};
    EXPECT_EQ(farOver.Percent(), 153);
    EXPECT_EQ(farOver.StepsToRemove(), 263);
    EXPECT_EQ(ListsTooLargeMessage(farOver),
              "Your action lists do not fit into the robot's memory: 525 bytes too many.  Remove "
              "about 263 steps.");
    EXPECT_TRUE(ListsTooLargeMessage(TMemoryUse{1001, 1000})
                    .ends_with(": 1 byte too many.  Remove "
                               "about 1 step."));
}

} // namespace
} // namespace wayline
