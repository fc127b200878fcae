#pragma once

#include <string>
#include <vector>

namespace wayline {

// The commands that reach serial ports: "ports" and "download".
bool IsSerialCommand(const std::string& command);

// Runs one of them on the host's real ports (Qt Serial Port), with the
// virtual robot offered under its reserved name. `argc` and `argv` are
// main's, for Qt.
int RunSerialCommand(int& argc, char** argv, const std::string& command,
                     const std::vector<std::string>& arguments);

} // namespace wayline
