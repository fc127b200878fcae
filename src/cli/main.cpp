#include <iostream>
#include <string>
#include <vector>

#include "cli/GenerateCommand.h"
#include "cli/SerialCommands.h"
#include "cli/TokenizeCommand.h"
#include "tokenizer/Tokenizer.h"

namespace {

void PrintUsage(std::ostream& err) {
    err << "usage: wayline-cli tokenize [--json] [--directives-only] "
           "[--target KM2|KM2A|KM2B|KM2C|KM2D] [--any-version] FILE\n"
           "       wayline-cli generate [--beginner|--advanced] [--sensors] [--compile] "
           "[--json] FILE.wyl\n"
           "       wayline-cli ports\n"
           "       wayline-cli download [--port NAME|PATH|AUTO] [--sensors] FILE.wyl|FILE.hbs\n";
}

} // namespace

int main(int argc, char** argv) {
    std::vector<std::string> arguments(argv + 1, argv + argc);
    if (arguments.empty()) {
        PrintUsage(std::cerr);
        return wayline::ExitUsageError;
    }
    const std::string command = arguments.front();
    arguments.erase(arguments.begin());
    if (command == "tokenize") {
        return wayline::RunTokenizeCommand(arguments, std::cin, std::cout, std::cerr,
                                           wayline::TheTokenizer());
    }
    if (command == "generate") {
        return wayline::RunGenerateCommand(arguments, std::cout, std::cerr, wayline::TheTokenizer(),
                                           wayline::RobotProgramTemplateText());
    }
    if (wayline::IsSerialCommand(command)) {
        return wayline::RunSerialCommand(argc, argv, command, arguments);
    }
    if (command == "--help" || command == "-h" || command == "help") {
        PrintUsage(std::cout);
        return wayline::ExitSucceeded;
    }
    std::cerr << "wayline-cli: unknown command '" << command << "'\n";
    PrintUsage(std::cerr);
    return wayline::ExitUsageError;
}
