#pragma once

#include "cli/ExitStatus.h"

#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

namespace CLI {
class App;
}

namespace wayline {

class TCommandLine;
class TTokenizer;

// Exit status of simulate when the program could not be run (file, world
// file, compile or download failure) or the run-time stopped on a fault.
inline constexpr int ExitSimulationFailed = 1;

// The longest run simulate takes: an hour of the robot's time.
inline constexpr double MaxSimulatedSeconds = 3600;

// wayline-cli simulate [--seconds N] [--world FILE.json] [--sensors] [--trace]
//                      [--svg OUT.svg] [--json] FILE.wyl|FILE.hbs
// Compiles the file as download does (an action list through the robot
// program template, anything else as HBASIC source), downloads it into the
// virtual robot through the module's serial protocol, and runs it for N
// seconds of the robot's time (60 by default) or until it ends, in the
// world of the file (the default arena without one). Prints what happened
// with its times counted from the program's start, then how the run ended
// and where the robot stands: x ahead along its start heading and y to its
// left, in millimetres, and the heading turned from the start, counter-
// clockwise in degrees. --trace adds every instruction with its bit
// address; --json prints all of it as one JSON object instead; --svg draws
// the run into OUT.svg.
class TSimulateCommand {
public:
    explicit TSimulateCommand(TCommandLine& line);
    TSimulateCommand(const TSimulateCommand&) = delete;
    TSimulateCommand& operator=(const TSimulateCommand&) = delete;

    const CLI::App& App() const { return *Command; }
    int Run(std::ostream& out, std::ostream& err, TTokenizer& tokenizer,
            std::string_view templateText) const;

private:
    CLI::App* Command = nullptr;
    std::string SecondsText;
    std::string World;
    bool SensorsEnabled = false;
    bool Trace = false;
    bool Json = false;
    std::string Svg;
    std::string File;
};

// The command on its own arguments (those after "simulate").
int RunSimulateCommand(const std::vector<std::string>& arguments, std::ostream& out,
                       std::ostream& err, TTokenizer& tokenizer, std::string_view templateText);

} // namespace wayline
