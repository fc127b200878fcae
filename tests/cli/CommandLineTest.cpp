// The command line the commands share: help made from the same definitions
// that parse, and the rules every command follows (the file after "--",
// the last of an option given twice, values that are missing or empty).
#include "cli/DoctorCommand.h"
#include "cli/DownloadCommand.h"
#include "cli/GenerateCommand.h"
#include "cli/PortsCommand.h"
#include "cli/SimulateCommand.h"
#include "cli/TokenizeCommand.h"
#include "tokenizer/Tokenizer.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <sstream>

namespace wayline {
namespace {

struct TOutcome {
    int Status = -1;
    std::string Out;
    std::string Err;
};

using TRunner = std::function<int(const std::vector<std::string>&, std::ostream&, std::ostream&)>;

struct TCommand {
    std::string Name;
    TRunner Run;
};

TOutcome RunCommand(const TCommand& command, const std::vector<std::string>& arguments) {
    std::ostringstream out, err;
    TOutcome outcome;
    outcome.Status = command.Run(arguments, out, err);
    outcome.Out = out.str();
    outcome.Err = err.str();
    return outcome;
}

class CommandLineTest : public ::testing::Test {
protected:
    std::unique_ptr<TTokenizer> Tok = std::make_unique<TTokenizer>();
    std::istringstream In;
    TDownloadEnvironment Environment;

    std::vector<TCommand> Commands() {
        return {
            {"tokenize", [this](const auto& a, auto& out,
                                auto& err) { return RunTokenizeCommand(a, In, out, err, *Tok); }},
            {"generate",
             [this](const auto& a, auto& out, auto& err) {
                 return RunGenerateCommand(a, out, err, *Tok, RobotProgramTemplateText());
             }},
            {"ports",
             [](const auto& a, auto& out, auto& err) { return RunPortsCommand(a, out, err, {}); }},
            {"download",
             [this](const auto& a, auto& out, auto& err) {
                 return RunDownloadCommand(a, out, err, *Tok, RobotProgramTemplateText(),
                                           Environment);
             }},
            {"doctor", [](const auto& a, auto& out,
                          auto& err) { return RunDoctorCommand(a, out, err, nullptr); }},
            {"simulate",
             [this](const auto& a, auto& out, auto& err) {
                 return RunSimulateCommand(a, out, err, *Tok, RobotProgramTemplateText());
             }},
        };
    }
    TCommand Command(const std::string& name) {
        for (TCommand& command : Commands()) {
            if (command.Name == name) {
                return command;
            }
        }
        ADD_FAILURE() << "no command " << name;
        return {};
    }
};

TEST_F(CommandLineTest, EveryCommandsHelpOpensWithTheUsageLineItsErrorsShow) {
    for (const TCommand& command : Commands()) {
        SCOPED_TRACE(command.Name);
        const TOutcome help = RunCommand(command, {"--help"});
        EXPECT_EQ(help.Status, ExitSucceeded);
        EXPECT_EQ(help.Err, "");
        const std::string usage = help.Out.substr(0, help.Out.find('\n'));
        ASSERT_TRUE(usage.starts_with("Usage: wayline-cli " + command.Name)) << help.Out;
        EXPECT_NE(help.Out.find("  -h, --help "), std::string::npos) << help.Out;
        EXPECT_EQ(RunCommand(command, {"-h"}).Out, help.Out);

        const TOutcome wrong = RunCommand(command, {"--no-such-option"});
        EXPECT_EQ(wrong.Status, ExitUsageError);
        EXPECT_EQ(wrong.Out, "");
        EXPECT_TRUE(wrong.Err.ends_with("\nu" + usage.substr(1) + "\n")) << wrong.Err;
    }
}

TEST_F(CommandLineTest, AnArgumentAfterTwoDashesIsTheFileEvenWithALeadingDash) {
    const TCommand tokenize = Command("tokenize");
    EXPECT_EQ(RunCommand(tokenize, {"--", "-missing.bas"}).Err,
              "wayline-cli tokenize: cannot read '-missing.bas': No such file or directory\n");
    EXPECT_TRUE(RunCommand(tokenize, {"-missing.bas"})
                    .Err.starts_with("wayline-cli tokenize: unknown option '-missing.bas'\n"));
    EXPECT_TRUE(RunCommand(tokenize, {"a.bas", "--", "-b.bas"})
                    .Err.starts_with("wayline-cli tokenize: only one FILE can be given\n"));
}

TEST_F(CommandLineTest, TheLastOfAnOptionGivenTwiceCountsAndAValueMayFollowAnEqualsSign) {
    const TCommand tokenize = Command("tokenize");
    In.str("'{$KEYSTONE KM3}\n");
    EXPECT_EQ(RunCommand(tokenize, {"--target", "KM2A", "--target=KM2C", "--directives-only", "-"})
                  .Status,
              ExitSucceeded);
    EXPECT_EQ(Tok->Result.TargetModule, tmKM2C);
}

TEST_F(CommandLineTest, AnEmptyValueIsRefusedLikeAMissingOne) {
    EXPECT_TRUE(RunCommand(Command("download"), {"--port", "", "a.hbs"})
                    .Err.starts_with("wayline-cli download: --port needs a port name, a device "
                                     "path or AUTO\n"));
    EXPECT_TRUE(RunCommand(Command("simulate"), {"--svg", "", "a.hbs"})
                    .Err.starts_with("wayline-cli simulate: --svg needs a file name\n"));
}

TEST_F(CommandLineTest, ACommandWithoutAFileCallsAnyArgumentUnknown) {
    const TOutcome ports = RunCommand(Command("ports"), {"COM1"});
    EXPECT_EQ(ports.Status, ExitUsageError);
    EXPECT_EQ(ports.Err, "wayline-cli ports: unknown argument 'COM1'\nusage: wayline-cli ports\n");
}

} // namespace
} // namespace wayline
