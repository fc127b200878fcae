#pragma once

#include "cli/ExitStatus.h"
#include "comm/core/PortDetails.h"

#include <iosfwd>
#include <string>
#include <vector>

namespace CLI {
class App;
}

namespace wayline {

class TCommandLine;

// wayline-cli ports
// Lists the host's serial ports: name, description, USB vendor:product,
// serial number and the stable /dev/serial/by-id name where there is one.
class TPortsCommand {
public:
    explicit TPortsCommand(TCommandLine& line);
    TPortsCommand(const TPortsCommand&) = delete;
    TPortsCommand& operator=(const TPortsCommand&) = delete;

    const CLI::App& App() const { return *Command; }
    int Run(std::ostream& out, const std::vector<TPortDetails>& ports) const;

private:
    CLI::App* Command = nullptr;
};

// The command on its own arguments (those after "ports").
int RunPortsCommand(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err,
                    const std::vector<TPortDetails>& ports);

} // namespace wayline
