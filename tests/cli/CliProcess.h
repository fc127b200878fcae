#pragma once

#include <string>
#include <vector>

namespace wayline {

// What wayline-cli, run as a program, did.
struct TRun {
    int Status = -1;
    std::string Out;
    std::string Err;
};

// Runs the wayline-cli that the build made (WAYLINE_CLI) with the
// arguments, standard input empty, and collects what it prints; a run that
// takes longer than a minute is killed and fails the test.
TRun RunCli(const std::vector<std::string>& arguments);

} // namespace wayline
