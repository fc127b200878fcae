#pragma once

#include "comm/core/PortDetails.h"

#include <string>
#include <vector>

namespace wayline {

// The host's serial ports with what it knows about them, in natural order
// of their names. `byIdFolder` is where the stable names live.
std::vector<TPortDetails> HostPortDetails(const std::string& byIdFolder = "/dev/serial/by-id");

// Only the names, in the same order: the port list of a scan.
std::vector<std::string> HostPortNames();

// The entry of `byIdFolder` that leads to the device at `systemLocation`,
// as a full path; empty when there is none.
std::string ByIdName(const std::string& systemLocation, const std::string& byIdFolder);

} // namespace wayline
