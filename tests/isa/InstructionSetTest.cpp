#include <gtest/gtest.h>

#include "isa/Instructions.h"
#include "isa/Modules.h"

namespace wayline {
namespace {

constexpr int Family[] = {tmKM2, tmKM2A, tmKM2B, tmKM2C, tmKM2D};

TEST(InstructionSet, EveryModuleReadsItsTokensBackAsTheInstructionsWritten) {
    for (const int module : Family) {
        SCOPED_TRACE(module);
        for (int code = 0; code < InstructionCodeCount; ++code) {
            EXPECT_EQ(LogicalInstruction(ModuleToken(code, module), module), code);
        }
    }
}

// The reordered rows are where the members differ: the assignment's token
// on KM2C is AUXIO's on KM2.
TEST(InstructionSet, TheSameTokenIsAnotherInstructionOnAnotherModule) {
    EXPECT_EQ(ModuleToken(inAssign, tmKM2C), 31);
    EXPECT_EQ(LogicalInstruction(31, tmKM2), inAuxio);
    EXPECT_EQ(LogicalInstruction(31, tmKM2C), inAssign);
    EXPECT_EQ(LogicalInstruction(26, tmKM2A), inGet);
}

TEST(InstructionSet, ModulesOutsideTheFamilyReadAsKM2) {
    for (const int module : {static_cast<int>(tmNone), static_cast<int>(tmKM1), 7, 255}) {
        SCOPED_TRACE(module);
        EXPECT_EQ(ModuleToken(inAssign, module), inAssign);
        EXPECT_EQ(LogicalInstruction(inAuxio, module), inAuxio);
    }
}

// A token is 6 bits: higher bits of what is passed in do not count, and
// the four tokens above STORE name no instruction but come back as read.
TEST(InstructionSet, TokensAreSixBitsAndTheUnusedOnesComeBackUnchanged) {
    EXPECT_EQ(LogicalInstruction(InstructionCodeCount + 31, tmKM2C), inAssign);
    for (int token = inStore + 1; token < InstructionCodeCount; ++token) {
        EXPECT_EQ(LogicalInstruction(token, tmKM2D), token);
    }
}

} // namespace
} // namespace wayline
