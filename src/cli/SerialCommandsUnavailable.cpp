#include "cli/SerialCommands.h"

#include "cli/TokenizeCommand.h"

#include <iostream>

namespace wayline {

// Built where Qt Serial Port is missing: the commands exist but say why
// they cannot run.
bool IsSerialCommand(const std::string& command) {
    return command == "ports" || command == "download";
}

int RunSerialCommand(int&, char**, const std::string& command, const std::vector<std::string>&) {
    std::cerr << "wayline-cli " << command
              << ": this wayline-cli was built without Qt Serial Port and cannot reach serial "
                 "ports\n";
    return 1;
}

} // namespace wayline
