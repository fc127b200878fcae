#pragma once

#include "cli/ExitStatus.h"
#include "sim/core/ChallengeJudge.h"

#include <cstdint>
#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace CLI {
class App;
}

namespace wayline {

class TCommandLine;
class TTokenizer;

// Exit status of grade when the challenge file cannot be used. Programs
// that do not pass, or cannot run, are graded (a row each), not failures.
inline constexpr int ExitChallengeRefused = 1;

// How long grade runs a program when the challenge sets no time limit.
inline constexpr std::uint64_t DefaultGradeUs = 600'000'000;

// One program's row of the table.
struct TGradeRow {
    std::string File;
    bool Ran = false;  // it was built, compiled, downloaded and run
    std::string Error; // why not, word for word as simulate tells it
    sim::TVerdict Verdict;
    std::string Result; // the verdict as a sentence
    int GoalsReached = 0;
    int GoalCount = 0;
    std::optional<std::uint64_t> LastGoalUs; // when the last goal came in
    double DistanceMm = 0;
    std::string SvgError; // the picture of the path could not be written
};

// Runs one program file on the challenge exactly as the virtual robot's
// window would run it (built, compiled, downloaded through the module's
// serial protocol, run with the judge watching) until the task is decided.
// With `svgPath`, draws the path over the arena there.
TGradeRow GradeProgram(const sim::TChallenge& challenge, const std::string& file,
                       std::string_view templateText, TTokenizer& tokenizer,
                       const std::string& svgPath = {});

// The program files the arguments name: a file as it is, a folder's .wyl
// and .hbs files (any case) in the order of their names.
std::vector<std::string> ProgramFiles(const std::vector<std::string>& arguments);

// The rule the verdict says was broken ("touched the wall at 8.2 s"),
// empty when none was.
std::string BrokenRuleText(const sim::TVerdict& verdict);

// wayline-cli grade --challenge FILE.json [--json|--csv] [--svg-dir DIR] PROGRAM...
// Grades every program (a .wyl or .hbs file, or a folder of them) on the
// challenge, in parallel on all cores, and prints one row per file in the
// order given: whether it passed, when the last goal came in, how many
// goals it reached, the rule it broke with its time, how far it drove, and
// why it could not run. The same files give the same table.
class TGradeCommand {
public:
    explicit TGradeCommand(TCommandLine& line);
    TGradeCommand(const TGradeCommand&) = delete;
    TGradeCommand& operator=(const TGradeCommand&) = delete;

    const CLI::App& App() const { return *Command; }
    int Run(std::ostream& out, std::ostream& err, std::string_view templateText) const;

private:
    CLI::App* Command = nullptr;
    std::string Challenge;
    bool Json = false;
    bool Csv = false;
    std::string SvgDir;
    std::vector<std::string> Programs;
};

// The command on its own arguments (those after "grade").
int RunGradeCommand(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err,
                    std::string_view templateText);

} // namespace wayline
