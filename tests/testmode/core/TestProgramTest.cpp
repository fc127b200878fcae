#include "SourceFiles.h"
#include "codegen/core/BuildCode.h"
#include "codegen/core/CompileStep.h"
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

std::string ReadTestProgram() {
    return testfiles::ReadSourceFile("resources/programs/test.bas");
}

// Run Test compiles the test program exactly as Go compiles the robot
// program; a test program that does not compile leaves test mode useless.
TEST(TestProgram, CompilesIntoPacketsAsRunTestCompilesIt) {
    const std::string text = ReadTestProgram();
    ASSERT_FALSE(text.empty());
    auto tokenizer = std::make_unique<TTokenizer>();
    TDownloadImages images;
    ASSERT_TRUE(CompileForDownload(*tokenizer, LoadTemplateLines(text), images))
        << (tokenizer->Result.ErrorText ? tokenizer->Result.ErrorText : "");
    EXPECT_GT(images.ImagePacketCounts[0], 0);
    // Its own directive names the module; without a version directive the
    // module's plain language applies.
    EXPECT_EQ(tokenizer->Result.TargetModule, tmKM2);
    EXPECT_EQ(tokenizer->Result.LanguageVersion, 200);
}

} // namespace
} // namespace wayline
