// wayline-cli as a terminal runs it: the program's own options, the list of
// commands and the usage errors before any command runs.
#include "cli/CliProcess.h"

#include <gtest/gtest.h>

namespace wayline {
namespace {

const std::vector<std::string> CommandNames = {"tokenize", "generate", "ports", "download",
                                               "doctor",   "simulate", "grade"};

TEST(Program, VersionIsTheProjectsVersion) {
    const TRun run = RunCli({"--version"});
    EXPECT_EQ(run.Status, 0);
    EXPECT_EQ(run.Out, "wayline-cli " WAYLINE_VERSION "\n");
}

TEST(Program, HelpListsEveryCommandAndHelpAllTheirOptions) {
    const TRun help = RunCli({"--help"});
    EXPECT_EQ(help.Status, 0);
    EXPECT_TRUE(help.Out.starts_with("Usage: wayline-cli tokenize ")) << help.Out;
    // The usage lines, then the list of commands.
    const std::string usage = help.Out.substr(0, help.Out.find("\n\n") + 1);
    for (const std::string& name : CommandNames) {
        EXPECT_TRUE(usage.find("wayline-cli " + name + " ") != std::string::npos ||
                    usage.find("wayline-cli " + name + "\n") != std::string::npos)
            << name;
        EXPECT_NE(help.Out.find("\n  " + name + " "), std::string::npos) << name;
    }
    EXPECT_EQ(RunCli({"help"}).Out, help.Out);

    const TRun all = RunCli({"--help-all"});
    EXPECT_EQ(all.Status, 0);
    EXPECT_TRUE(all.Out.starts_with(help.Out)) << all.Out;
    EXPECT_NE(all.Out.find("\nwayline-cli simulate:\n"), std::string::npos);
    EXPECT_NE(all.Out.find("\n  --seconds N "), std::string::npos);
}

TEST(Program, NoCommandOrAnUnknownOneShowsTheUsage) {
    const TRun none = RunCli({});
    EXPECT_EQ(none.Status, 2);
    EXPECT_EQ(none.Out, "");
    EXPECT_TRUE(none.Err.starts_with("usage: wayline-cli tokenize ")) << none.Err;
    const TRun unknown = RunCli({"fly", "--json"});
    EXPECT_EQ(unknown.Status, 2);
    EXPECT_EQ(unknown.Err, "wayline-cli: unknown command 'fly'\n" + none.Err);
}

// Only the first word names the command: after it, a command's name is a
// file like any other.
TEST(Program, AFileNamedLikeACommandIsAFile) {
    const TRun run = RunCli({"tokenize", "doctor"});
    EXPECT_EQ(run.Status, 1);
    EXPECT_EQ(run.Err, "wayline-cli tokenize: cannot read 'doctor': No such file or directory\n");
}

} // namespace
} // namespace wayline
