// What a teacher waits for: wayline-cli grade on a class of 30 programs
// (every one built, compiled, downloaded through the simulated protocol and
// run until its verdict) on a challenge with a 60 s time limit, the wall
// time of the whole table (the target is at most 2 s on a 2-core machine).
// Two classes: a mixed one (some pass, some touch, some wander until the
// time is up) and one whose every program runs the whole 60 s.
//
// And the peak memory of `wayline-cli simulate --json --trace --seconds
// 3600` on the robot program, measured from outside as /usr/bin/time -v
// does (the target is at most 64 MB).
#include <benchmark/benchmark.h>

#include "ActionListText.h"
#include "cli/GenerateCommand.h"
#include "cli/GradeCommand.h"
#include "codegen/core/ActionListFile.h"

#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

extern char** environ;

namespace {

using namespace wayline;
namespace fs = std::filesystem;

fs::path Scratch(const std::string& name) {
    const fs::path dir = fs::temp_directory_path() / ("wayline-bench-" + name + "-" +
                                                      std::to_string(::getpid()));
    fs::create_directories(dir);
    return dir;
}

void Save(const fs::path& path, const std::string& spec) {
    if (!SaveActionListFile(path, *testing::ActionListOf(spec)).Saved) {
        std::abort();
    }
}

// The field lesson's floor with a 60 s limit.
std::string Challenge(const fs::path& dir) {
    std::ifstream in(fs::path(WAYLINE_SOURCE_DIR) / "resources/lessons/field.json");
    std::stringstream text;
    text << in.rdbuf();
    const fs::path path = dir / "challenge.json";
    std::ofstream(path) << text.str();
    return path.string();
}

std::vector<std::string> Class(const fs::path& dir, bool allToTheLimit) {
    std::vector<std::string> files;
    for (int i = 0; i < 30; ++i) {
        std::string spec;
        if (allToTheLimit) {
            // Forward and back for ever, never far enough.
            spec = "beginner F" + std::to_string(5 + i % 10) + " S2 B" + std::to_string(5 + i % 10) +
                   " G1";
        } else if (i % 3 == 0) {
            spec = "beginner F" + std::to_string(3 + i % 7) + " G1"; // steers through
        } else if (i % 3 == 1) {
            spec = "beginner F255"; // blind after its first turn
        } else {
            spec = "beginner E" + std::to_string(i % 9) + " F5 S3 B4 G2"; // wanders
        }
        const fs::path file = dir / ("pupil" + std::to_string(i) + ".wyl");
        Save(file, spec);
        files.push_back(file.string());
    }
    return files;
}

void BM_GradeThirtyPrograms(benchmark::State& state) {
    const fs::path dir = Scratch("grade");
    std::vector<std::string> arguments = {"--challenge", Challenge(dir), "--json"};
    const std::vector<std::string> files = Class(dir, state.range(0) != 0);
    arguments.insert(arguments.end(), files.begin(), files.end());
    for (auto _ : state) {
        std::ostringstream out, err;
        if (RunGradeCommand(arguments, out, err, RobotProgramTemplateText()) != ExitSucceeded) {
            state.SkipWithError(err.str().c_str());
            break;
        }
        benchmark::DoNotOptimize(out.str().size());
    }
    fs::remove_all(dir);
}
// Wall time, as the teacher waits: the programs run on all cores.
BENCHMARK(BM_GradeThirtyPrograms)
    ->ArgName("allToTheLimit")
    ->Arg(0)
    ->Arg(1)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

void BM_SimulateTracedHourPeakMemory(benchmark::State& state) {
    const fs::path dir = Scratch("memory");
    const fs::path list = dir / "robot.wyl";
    // The robot program in advanced mode, driving into things and playing
    // its sensor set, in the default arena.
    Save(list, "advanced F30 E5 G1 all: B5 I10");
    long peakKb = 0;
    for (auto _ : state) {
        posix_spawn_file_actions_t actions;
        ::posix_spawn_file_actions_init(&actions);
        ::posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
        std::vector<std::string> all = {WAYLINE_CLI, "simulate", "--json",       "--trace",
                                        "--seconds", "3600",     list.string()};
        std::vector<char*> argv;
        for (std::string& a : all) {
            argv.push_back(a.data());
        }
        argv.push_back(nullptr);
        pid_t pid = 0;
        if (::posix_spawn(&pid, WAYLINE_CLI, &actions, nullptr, argv.data(), environ) != 0) {
            state.SkipWithError("cannot start wayline-cli");
            break;
        }
        ::posix_spawn_file_actions_destroy(&actions);
        int status = 0;
        rusage usage{};
        ::wait4(pid, &status, 0, &usage);
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
            state.SkipWithError("wayline-cli simulate failed");
            break;
        }
        peakKb = std::max(peakKb, usage.ru_maxrss);
    }
    state.counters["peak_MB"] = static_cast<double>(peakKb) / 1024;
    fs::remove_all(dir);
}
BENCHMARK(BM_SimulateTracedHourPeakMemory)->Iterations(1)->UseRealTime()->Unit(benchmark::kSecond);

} // namespace
