#pragma once

namespace wayline {

class TDownloadCommand;
class TPortsCommand;

// The commands that reach serial ports, run on the host's real ports (Qt
// Serial Port) with the virtual robot offered under its reserved name.
// `argc` and `argv` are main's, for Qt.
int RunPortsOnHost(int& argc, char** argv, const TPortsCommand& command);
int RunDownloadOnHost(int& argc, char** argv, const TDownloadCommand& command);

} // namespace wayline
