#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace wayline {

// What wayline-cli, run as a program, did.
struct TRun {
    int Status = -1;
    std::string Out; // all of it, or with CountOut its last 4096 bytes
    std::string Err;
    std::uint64_t OutBytes = 0;
    long PeakKb = 0; // the most memory the program held at once (maximum resident set)
};

// How the standard output is taken: whole, or only counted (a report of
// hundreds of megabytes), keeping its end.
enum class TOutput { Collect, CountOut };

// Runs the wayline-cli that the build made (WAYLINE_CLI) with the
// arguments, standard input empty, and collects what it prints; a run that
// takes longer than a minute is killed and fails the test.
TRun RunCli(const std::vector<std::string>& arguments, TOutput output = TOutput::Collect);

// The program while it runs, for a test that acts on it meanwhile.
struct TRunning {
    int Pid = 0;
    // What it has printed on standard output so far.
    std::function<std::string()> OutSoFar;
};
// The same, with `meanwhile` run on a thread of its own while the program
// runs (to send it a signal, say); the run ends once both have ended.
TRun RunCli(const std::vector<std::string>& arguments,
            const std::function<void(const TRunning&)>& meanwhile);

} // namespace wayline
