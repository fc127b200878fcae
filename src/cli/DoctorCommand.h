#pragma once

#include "cli/ExitStatus.h"

#include <functional>
#include <iosfwd>
#include <string>
#include <vector>

namespace CLI {
class App;
class Option;
} // namespace CLI

namespace wayline {

class TCommandLine;
struct TFinding;
struct TScannedPort;
class TSystemRoot;

// The quick scan of the ports that a download makes, for the findings about
// what answers on them. Given the root the diagnosis looks at: only the
// running system's own ports can be scanned, not those of a tree laid out
// elsewhere (then it returns nothing).
using TDoctorScan = std::function<std::vector<TScannedPort>(const TSystemRoot& root)>;

// Exit status of doctor when a finding keeps downloads from working.
inline constexpr int ExitDownloadBlocked = 1;

// The environment variable that points doctor at another root (a test's
// tree); unset, doctor looks at this computer.
inline constexpr const char* DoctorRootVariable = "WAYLINE_DOCTOR_ROOT";

// wayline-cli doctor [--json] [--no-scan] [--root DIR]
// Diagnoses why a robot may not be found on this computer and prints the
// findings, most serious first, with the command that mends each where there
// is one. On this computer's own root it first looks for the robot on every
// port as a download does (the same findings as the program's connection
// help), unless --no-scan. `rootFromEnvironment` is the value of
// WAYLINE_DOCTOR_ROOT or null; --root wins over it. Exits 0 when nothing
// blocks a download, 1 otherwise.
class TDoctorCommand {
public:
    explicit TDoctorCommand(TCommandLine& line);
    TDoctorCommand(const TDoctorCommand&) = delete;
    TDoctorCommand& operator=(const TDoctorCommand&) = delete;

    const CLI::App& App() const { return *Command; }
    int Run(std::ostream& out, std::ostream& err, const char* rootFromEnvironment,
            const TDoctorScan& scan = {}) const;

private:
    CLI::App* Command = nullptr;
    bool Json = false;
    bool NoScan = false;
    std::string Root;
    const CLI::Option* RootOption = nullptr;
};

// The command on its own arguments (those after "doctor").
int RunDoctorCommand(const std::vector<std::string>& arguments, std::ostream& out,
                     std::ostream& err, const char* rootFromEnvironment,
                     const TDoctorScan& scan = {});

// The reports doctor prints: readable text, and one JSON object
// {"blocksDownload":..., "findings":[{"kind","severity","port","text","command"}...]}.
std::string DoctorTextReport(const std::vector<TFinding>& findings);
std::string DoctorJsonReport(const std::vector<TFinding>& findings);

} // namespace wayline
