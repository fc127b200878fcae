// wayline-cli simulate as a program, on what a whole class may hand in:
// its memory is measured from outside (the most it held at once), its
// output only counted.
#include "cli/CliProcess.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace wayline {
namespace {

// A program that does nothing but jump, traced for ten minutes of the
// robot's time: a few hundred megabytes of JSON, streamed as they come
// rather than held, and no running out of memory.
TEST(SimulateProcess, ATracedTightLoopStreamsItsReportInBoundedMemory) {
    const std::filesystem::path file =
        std::filesystem::temp_directory_path() /
        ("wayline-tight-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
         ".hbs");
    std::ofstream(file) << "'{$KEYSTONE KM2}\r\n'{$HBASIC 2.5}\r\nMain:\r\n  GOTO Main\r\n";
    const TRun run = RunCli({"simulate", "--json", "--trace", "--seconds", "600", file.string()},
                            TOutput::CountOut);
    std::filesystem::remove(file);
    EXPECT_EQ(run.Status, 0) << run.Err;
    EXPECT_EQ(run.Err, "");
    EXPECT_GT(run.OutBytes, 100'000'000u) << "every instruction of ten minutes";
    EXPECT_TRUE(run.Out.ends_with("\"heading\":0.0}\n}\n")) << run.Out.substr(run.Out.size() - 200);
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "AddressSanitizer keeps freed memory aside: no measure of the program's own";
#endif
    EXPECT_LT(run.PeakKb, 64 * 1024) << "kilobytes at the most";
}

} // namespace
} // namespace wayline
