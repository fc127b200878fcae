#pragma once

#include "comm/core/PortDetails.h"

#include <iosfwd>
#include <string>
#include <vector>

namespace wayline {

// wayline-cli ports
// Lists the host's serial ports: name, description, USB vendor:product,
// serial number and the stable /dev/serial/by-id name where there is one.
int RunPortsCommand(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err,
                    const std::vector<TPortDetails>& ports);

} // namespace wayline
