#pragma once

namespace wayline {

class TDoctorCommand;
class TDownloadCommand;
class TPortsCommand;

// The commands that reach serial ports, run on the host's real ports (Qt
// Serial Port) with the virtual robot offered under its reserved name.
// `argc` and `argv` are main's, for Qt.
int RunPortsOnHost(int& argc, char** argv, const TPortsCommand& command);
int RunDownloadOnHost(int& argc, char** argv, const TDownloadCommand& command);
// doctor, with the quick scan of the host's ports where there are real ports.
int RunDoctorOnHost(int& argc, char** argv, const TDoctorCommand& command);

} // namespace wayline
