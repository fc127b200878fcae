#include "cli/SerialCommands.h"

#include "cli/DoctorCommand.h"

#include <cstdlib>

#include <iostream>

namespace wayline {

namespace {

// Built where Qt Serial Port is missing: the commands exist but say why
// they cannot run.
int Unavailable(const char* command) {
    std::cerr << "wayline-cli " << command
              << ": this wayline-cli was built without Qt Serial Port and cannot reach serial "
                 "ports\n";
    return 1;
}

} // namespace

int RunPortsOnHost(int&, char**, const TPortsCommand&) {
    return Unavailable("ports");
}

int RunDownloadOnHost(int&, char**, const TDownloadCommand&) {
    return Unavailable("download");
}

int RunDoctorOnHost(int&, char**, const TDoctorCommand& command) {
    // Without ports to scan, the diagnosis of the system alone.
    return command.Run(std::cout, std::cerr, std::getenv(DoctorRootVariable));
}

} // namespace wayline
