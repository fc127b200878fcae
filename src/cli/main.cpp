#include "cli/CommandLine.h"
#include "cli/DoctorCommand.h"
#include "cli/DownloadCommand.h"
#include "cli/GenerateCommand.h"
#include "cli/GradeCommand.h"
#include "cli/PortsCommand.h"
#include "cli/SerialCommands.h"
#include "cli/SimulateCommand.h"
#include "cli/TokenizeCommand.h"
#include "tokenizer/Tokenizer.h"

#include <iostream>
#include <optional>
#include <string>
#include <vector>

namespace {

constexpr const char* Description =
    "wayline-cli does from a terminal what Wayline does in its windows, and more: it compiles "
    "HBASIC programs and action lists, lists the serial ports, downloads a program to the "
    "robot, tells why a robot is not found, runs a program on the virtual robot and grades a "
    "class's programs on a challenge. Exit "
    "status 0 on success, 1 when the input or the run failed, 2 for a command line that "
    "cannot be understood.";

} // namespace

int main(int argc, char** argv) {
    std::vector<std::string> arguments(argv + 1, argv + argc);
    // "wayline-cli help" has always been a way to ask.
    if (!arguments.empty() && arguments.front() == "help") {
        arguments.front() = "--help";
    }
    wayline::TCommandLine line(Description, "wayline-cli " WAYLINE_VERSION);
    const wayline::TTokenizeCommand tokenize(line);
    const wayline::TGenerateCommand generate(line);
    const wayline::TPortsCommand ports(line);
    const wayline::TDownloadCommand download(line);
    const wayline::TDoctorCommand doctor(line);
    const wayline::TSimulateCommand simulate(line);
    const wayline::TGradeCommand grade(line);
    if (const std::optional<int> status = line.Parse(arguments, std::cout, std::cerr)) {
        return *status;
    }

    using wayline::TCommandLine;
    if (TCommandLine::Chosen(tokenize.App())) {
        return tokenize.Run(std::cin, std::cout, std::cerr, wayline::TheTokenizer());
    }
    if (TCommandLine::Chosen(generate.App())) {
        return generate.Run(std::cout, std::cerr, wayline::TheTokenizer(),
                            wayline::RobotProgramTemplateText());
    }
    if (TCommandLine::Chosen(ports.App())) {
        return wayline::RunPortsOnHost(argc, argv, ports);
    }
    if (TCommandLine::Chosen(download.App())) {
        return wayline::RunDownloadOnHost(argc, argv, download);
    }
    if (TCommandLine::Chosen(doctor.App())) {
        return wayline::RunDoctorOnHost(argc, argv, doctor);
    }
    if (TCommandLine::Chosen(grade.App())) {
        return grade.Run(std::cout, std::cerr, wayline::RobotProgramTemplateText());
    }
    return simulate.Run(std::cout, std::cerr, wayline::TheTokenizer(),
                        wayline::RobotProgramTemplateText());
}
