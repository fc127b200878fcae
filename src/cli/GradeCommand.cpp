#include "cli/GradeCommand.h"

#include "cli/CommandLine.h"
#include "cli/JsonWriter.h"
#include "cli/SimulationSvg.h"
#include "cli/VirtualRobotRun.h"
#include "sim/core/ChallengeFile.h"
#include "sim/core/RobotSession.h"
#include "tokenizer/Tokenizer.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <ostream>
#include <sstream>
#include <thread>

namespace wayline {

namespace {

namespace fs = std::filesystem;

// The board is run this far at a time between looks at the judge; the
// verdict is known at the step it happens, whatever the chunk.
constexpr std::uint64_t ChunkUs = 20000;

std::string Fixed(double value, int decimals) {
    char text[48];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}

std::string SecondsText(std::uint64_t us) {
    return Fixed(static_cast<double>(us) / 1e6, 1);
}

double Rounded(double value, int decimals) {
    const double scale = std::pow(10.0, decimals);
    return std::round(value * scale) / scale;
}

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

bool IsProgramName(const fs::path& path) {
    const std::string extension = Lower(path.extension().string());
    return extension == ".wyl" || extension == ".hbs";
}

// The message a command prints, without its "wayline-cli grade: " and its
// last line end: the row's reason.
std::string Reason(const std::string& printed) {
    std::string reason = printed;
    constexpr std::string_view Prefix = "wayline-cli grade: ";
    if (reason.starts_with(Prefix)) {
        reason.erase(0, Prefix.size());
    }
    while (!reason.empty() && reason.back() == '\n') {
        reason.pop_back();
    }
    return reason;
}

// The rule the verdict is about, as the challenge file names it.
const char* RuleName(const sim::TVerdict& v) {
    switch (v.Reason) {
    case sim::TVerdictReason::vrTouchedWall:
    case sim::TVerdictReason::vrTouchedObstacle:
        return "touchNothing";
    case sim::TVerdictReason::vrForbiddenZone:
        return "forbidden";
    case sim::TVerdictReason::vrTimeUp:
        return "timeLimit";
    case sim::TVerdictReason::vrEndedOutside:
        return "endInsideLastGoal";
    default:
        return nullptr;
    }
}

// Where each program's picture goes: DIR/FILE-NAME.svg, a number added
// when two programs of the same name come from different folders.
std::vector<std::string> SvgPaths(const std::vector<std::string>& files, const std::string& dir) {
    std::vector<std::string> paths;
    if (dir.empty()) {
        paths.assign(files.size(), std::string());
        return paths;
    }
    std::map<std::string, int> used;
    for (const std::string& file : files) {
        const std::string name = fs::path(file).filename().string();
        const int n = ++used[name];
        paths.push_back(
            (fs::path(dir) / (n == 1 ? name + ".svg" : name + "-" + std::to_string(n) + ".svg"))
                .string());
    }
    return paths;
}

// ---------------------------------------------------------------------------
// The three forms of the table
// ---------------------------------------------------------------------------

std::string Passed(const TGradeRow& row) {
    return row.Verdict.State == sim::TVerdictState::vsPassed ? "yes" : "no";
}

std::string Goals(const TGradeRow& row) {
    return row.Ran ? std::to_string(row.GoalsReached) + "/" + std::to_string(row.GoalCount) : "-";
}

void PrintTable(const std::string& challengeFile, const sim::TChallenge& challenge,
                const std::vector<TGradeRow>& rows, std::ostream& out) {
    out << "Challenge: "
        << (challenge.Title.empty() ? challengeFile : challenge.Title + " (" + challengeFile + ")")
        << "\n\n";
    const std::vector<std::string> head = {"file",  "passed",      "time",
                                           "goals", "rule broken", "distance"};
    std::vector<std::vector<std::string>> cells;
    for (const TGradeRow& row : rows) {
        const std::string rule = BrokenRuleText(row.Verdict);
        cells.push_back({row.File, Passed(row),
                         row.LastGoalUs ? SecondsText(*row.LastGoalUs) + " s" : "-", Goals(row),
                         rule.empty() ? "-" : rule,
                         row.Ran ? Fixed(row.DistanceMm / 1000, 2) + " m" : "-"});
    }
    std::vector<std::size_t> widths;
    for (std::size_t c = 0; c < head.size(); ++c) {
        std::size_t width = head[c].size();
        for (const auto& line : cells) {
            width = std::max(width, line[c].size());
        }
        widths.push_back(width);
    }
    const auto printLine = [&](const std::vector<std::string>& line) {
        std::string text;
        for (std::size_t c = 0; c < line.size(); ++c) {
            const bool last = c + 1 == line.size();
            // Numbers to the right, words to the left.
            const bool right = c == 2 || c == 5;
            const std::string pad(widths[c] - line[c].size(), ' ');
            text += right ? pad + line[c] : line[c] + (last ? "" : pad);
            text += last ? "" : "  ";
        }
        while (!text.empty() && text.back() == ' ') {
            text.pop_back();
        }
        out << text << '\n';
    };
    printLine(head);
    int passed = 0;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        printLine(cells[i]);
        if (!rows[i].Ran) {
            std::istringstream lines("could not run: " + rows[i].Error);
            for (std::string line; std::getline(lines, line);) {
                out << "    " << line << '\n';
            }
        }
        if (!rows[i].SvgError.empty()) {
            out << "    " << rows[i].SvgError << '\n';
        }
        passed += rows[i].Verdict.State == sim::TVerdictState::vsPassed;
    }
    out << '\n'
        << passed << " of " << rows.size() << (rows.size() == 1 ? " program" : " programs")
        << " passed.\n";
}

TJson RowJson(const TGradeRow& row) {
    TJson j = TJson::Object(
        {{"file", row.File}, {"passed", row.Verdict.State == sim::TVerdictState::vsPassed}});
    j.Set("time", row.LastGoalUs ? TJson(Rounded(static_cast<double>(*row.LastGoalUs) / 1e6, 3))
                                 : TJson(nullptr));
    j.Set("goalsReached", row.Ran ? TJson(row.GoalsReached) : TJson(nullptr));
    j.Set("goals", row.GoalCount);
    if (const char* rule = RuleName(row.Verdict)) {
        j.Set("rule",
              TJson::Object({{"name", rule},
                             {"time", Rounded(static_cast<double>(row.Verdict.TimeUs) / 1e6, 3)},
                             {"text", BrokenRuleText(row.Verdict)}}));
    } else {
        j.Set("rule", nullptr);
    }
    j.Set("distance", row.Ran ? TJson(Rounded(row.DistanceMm / 1000, 3)) : TJson(nullptr));
    j.Set("result", row.Ran ? TJson(row.Result) : TJson(nullptr));
    j.Set("error", row.Ran ? TJson(nullptr) : TJson(row.Error));
    if (!row.SvgError.empty()) {
        j.Set("svgError", row.SvgError);
    }
    return j;
}

// A field as RFC 4180 wants it: in double quotes when it holds a comma, a
// quote or a line end, its quotes doubled.
std::string CsvField(const std::string& text) {
    if (text.find_first_of(",\"\r\n") == std::string::npos) {
        return text;
    }
    std::string quoted = "\"";
    for (const char c : text) {
        quoted += c == '"' ? "\"\"" : std::string(1, c);
    }
    return quoted + "\"";
}

void PrintCsv(const std::vector<TGradeRow>& rows, std::ostream& out) {
    out << "file,passed,time_s,goals_reached,goals,rule,rule_time_s,distance_m,result,error\r\n";
    for (const TGradeRow& row : rows) {
        const char* rule = RuleName(row.Verdict);
        out << CsvField(row.File) << ',' << Passed(row) << ','
            << (row.LastGoalUs ? SecondsText(*row.LastGoalUs) : "") << ','
            << (row.Ran ? std::to_string(row.GoalsReached) : "") << ',' << row.GoalCount << ','
            << (rule != nullptr ? rule : "") << ','
            << (rule != nullptr ? SecondsText(row.Verdict.TimeUs) : "") << ','
            << (row.Ran ? Fixed(row.DistanceMm / 1000, 3) : "") << ',' << CsvField(row.Result)
            << ',' << CsvField(row.Error) << "\r\n";
    }
}

} // namespace

std::string BrokenRuleText(const sim::TVerdict& v) {
    const std::string at = " at " + SecondsText(v.TimeUs) + " s";
    switch (v.Reason) {
    case sim::TVerdictReason::vrTouchedWall:
        return "touched the wall" + at;
    case sim::TVerdictReason::vrTouchedObstacle:
        return "touched an obstacle" + at;
    case sim::TVerdictReason::vrForbiddenZone:
        return "entered forbidden zone " + std::to_string(v.Zone + 1) + at;
    case sim::TVerdictReason::vrTimeUp:
        return "time is up" + at;
    case sim::TVerdictReason::vrEndedOutside:
        return "ended outside the last goal" + at;
    case sim::TVerdictReason::vrEndedEarly:
        return "ended before the goals" + at;
    default:
        return {};
    }
}

TGradeRow GradeProgram(const sim::TChallenge& challenge, const std::string& file,
                       std::string_view templateText, TTokenizer& tokenizer,
                       const std::string& svgPath) {
    TGradeRow row;
    row.File = file;
    row.GoalCount = static_cast<int>(challenge.Goals.size());
    std::ostringstream why;
    TCompiledProgram program;
    if (!CompileProgramFile("grade", file, challenge.SensorsEnabled, templateText, tokenizer,
                            program, why)) {
        row.Error = Reason(why.str());
        return row;
    }

    sim::TRobotSession session(challenge.World);
    sim::TRobotSimulation& board = session.Board();
    sim::TChallengeJudge judge(challenge, board.World());
    board.SetObserver(&judge);
    std::string error;
    if (!StartOnVirtualRobot(session, program, error)) {
        row.Error = error;
        return row;
    }
    row.Ran = true;
    // Past the time limit by one step, so that the judge sees it run out.
    const std::uint64_t bound = challenge.Rules.TimeLimitUs
                                    ? *challenge.Rules.TimeLimitUs + sim::TRobotParameters{}.StepUs
                                    : DefaultGradeUs;
    const std::uint64_t start = board.StartUs();
    while (!judge.Decided() && board.NowUs() < start + bound) {
        board.RunUntil(std::min(start + bound, board.NowUs() + ChunkUs));
    }
    judge.Finish(board.NowUs() - start);
    board.FlushEvents();
    board.SetObserver(nullptr);

    row.Verdict = judge.Verdict();
    row.GoalsReached = judge.GoalsReached();
    row.LastGoalUs = judge.AllGoalsUs();
    row.DistanceMm = judge.DistanceMm();
    row.Result = sim::VerdictText(row.Verdict, row.GoalsReached, row.GoalCount);
    if (row.Verdict.Fault) {
        row.Result += " (" + session.Interpreter().StopMessage() + ")";
    }
    if (!svgPath.empty()) {
        std::ofstream svg(svgPath, std::ios::binary | std::ios::trunc);
        svg << SimulationSvg(board, file + ": " + row.Result, &challenge, &row.Verdict);
        svg.close();
        if (!svg) {
            row.SvgError = "cannot write '" + svgPath + "'";
        }
    }
    return row;
}

std::vector<std::string> ProgramFiles(const std::vector<std::string>& arguments) {
    std::vector<std::string> files;
    for (const std::string& argument : arguments) {
        std::error_code failed;
        if (!fs::is_directory(argument, failed)) {
            files.push_back(argument);
            continue;
        }
        std::vector<std::string> inside;
        for (fs::directory_iterator it(argument, failed), end; !failed && it != end;
             it.increment(failed)) {
            std::error_code ignored;
            if (IsProgramName(it->path()) && !it->is_directory(ignored)) {
                inside.push_back(it->path().string());
            }
        }
        std::sort(inside.begin(), inside.end());
        files.insert(files.end(), inside.begin(), inside.end());
    }
    return files;
}

TGradeCommand::TGradeCommand(TCommandLine& line) {
    CLI::App& command = line.AddCommand(
        "grade", "check a class's programs on a challenge",
        "Runs every PROGRAM (an action list or an HBASIC program, or a folder of .wyl and .hbs "
        "files) on the virtual robot in the challenge's arena, exactly as the robot window "
        "would, and prints one row per file: whether it did the task, when it reached the last "
        "goal, how many goals it reached, the rule it broke and when, how far it drove, and "
        "why it could not run. Programs run in parallel on all cores; the same files always "
        "give the same table. Exit status 0 when every file was graded (passed or not), 1 when "
        "the challenge file cannot be used.");
    CLI::Option& challenge =
        line.AddValue(command, "--challenge", Challenge, "FILE.json", "a file name",
                      "the challenge: a world file with a task (goals, rules, a time limit)");
    line.Require(challenge);
    CLI::Option& json = line.AddFlag(command, "--json", Json, "print the table as JSON");
    CLI::Option& csv = line.AddFlag(command, "--csv", Csv, "print the table as CSV");
    line.Exclude(json, csv);
    line.AddValue(command, "--svg-dir", SvgDir, "DIR", "a folder name",
                  "draw each program's path over the arena into DIR, named after its file");
    line.AddFiles(command, Programs, "PROGRAM", "the programs and folders of programs to grade");
    line.ReportUsageErrorsAsJson(command);
    Command = &command;
}

int TGradeCommand::Run(std::ostream& out, std::ostream& err, std::string_view templateText) const {
    sim::TChallengeFileResult read = sim::ReadChallengeFile(Challenge);
    if (read.Loaded && !read.Challenge.HasTask()) {
        read.Loaded = false;
        read.Error = "the file sets no task: no goals, forbidden zones, rules or time limit";
    }
    if (!read.Loaded) {
        ReportFailure(Json, "wayline-cli grade: " + Challenge + ": " + read.Error, out, err);
        return ExitChallengeRefused;
    }
    const sim::TChallenge& challenge = read.Challenge;
    const std::vector<std::string> files = ProgramFiles(Programs);
    if (!SvgDir.empty()) {
        std::error_code failed;
        fs::create_directories(SvgDir, failed);
        if (failed && !fs::is_directory(SvgDir)) {
            ReportFailure(Json, "wayline-cli grade: cannot make the folder '" + SvgDir + "'", out,
                          err);
            return ExitInputError;
        }
    }
    const std::vector<std::string> svgPaths = SvgPaths(files, SvgDir);

    // Each program on its own virtual robot with its own tokenizer; the
    // rows come out in the order of the files whichever finishes first.
    std::vector<TGradeRow> rows(files.size());
    std::atomic<std::size_t> next{0};
    const auto work = [&] {
        const auto tokenizer = std::make_unique<TTokenizer>();
        for (std::size_t i = next++; i < files.size(); i = next++) {
            rows[i] = GradeProgram(challenge, files[i], templateText, *tokenizer, svgPaths[i]);
        }
    };
    const std::size_t workers =
        std::min<std::size_t>(files.size(), std::max(1u, std::thread::hardware_concurrency()));
    std::vector<std::thread> threads;
    for (std::size_t w = 1; w < workers; ++w) {
        threads.emplace_back(work);
    }
    work();
    for (std::thread& t : threads) {
        t.join();
    }

    if (Json) {
        TJson programs = TJson::Array();
        for (const TGradeRow& row : rows) {
            programs.Append(RowJson(row));
        }
        out << TJson::Object({{"challenge", Challenge},
                              {"title", challenge.Title},
                              {"goals", static_cast<int>(challenge.Goals.size())},
                              {"programs", programs}})
                   .DumpIndented()
            << '\n';
    } else if (Csv) {
        PrintCsv(rows, out);
    } else {
        PrintTable(Challenge, challenge, rows, out);
    }
    if (files.empty()) {
        err << "wayline-cli grade: no .wyl or .hbs file found\n";
    }
    const bool pictures = std::all_of(rows.begin(), rows.end(),
                                      [](const TGradeRow& row) { return row.SvgError.empty(); });
    return pictures ? ExitSucceeded : ExitInputError;
}

int RunGradeCommand(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err,
                    std::string_view templateText) {
    TCommandLine line;
    const TGradeCommand command(line);
    if (const std::optional<int> status = line.ParseCommand(command.App(), arguments, out, err)) {
        return *status;
    }
    return command.Run(out, err, templateText);
}

} // namespace wayline
