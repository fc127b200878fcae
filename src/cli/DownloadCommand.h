#pragma once

#include "cli/ExitStatus.h"
#include "comm/core/PortScan.h"

#include <cstdint>
#include <functional>
#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

namespace CLI {
class App;
}

namespace wayline {

class TCommandLine;
class TSerialSlots;
class TTokenizer;

// Exit status of download when anything kept the program from the robot.
inline constexpr int ExitDownloadFailed = 1;

// Where `download` finds its ports, as the command line sets it up (real
// ports through Qt Serial Port) or a test does (simulated modules).
struct TDownloadEnvironment {
    TSerialSlots* Slots = nullptr;
    // The host's port names, for --port AUTO.
    std::function<std::vector<std::string>()> PortNames;
    TThreadStarter StartThread;
    // Standard output is a terminal: draw the progress bar there.
    bool Terminal = false;
    // Where the user answers which port to use when several robots answer
    // (a terminal's input); none: the command stops and asks for --port.
    std::istream* Answers = nullptr;
    // What each scanning thread does with its port (identification and the
    // explanation of a port that does not open or answer); IdentifyPort on
    // the slots when there is none.
    std::function<TIdentifyWork(int downloadTargetType, const TIdentifyTexts& texts)>
        MakeIdentifyWork;
    // After a download that reached no robot: what the connection diagnosis
    // says about the ports of the scan (lines to print); none when empty.
    std::function<std::vector<std::string>(const std::vector<TScannedPort>& scan)> Advice;
    // The signal that asked the download to stop (SIGINT, SIGTERM, SIGHUP),
    // 0 while none came.
    std::function<int()> InterruptSignal;
};

// wayline-cli download [--port NAME|PATH|AUTO] [--sensors] FILE.wyl|FILE.hbs
// Compiles the file (an action list is first turned into the robot program
// from templateText, as Go does; any other file is HBASIC source), finds the
// robot on the ports (all of them with AUTO, the default; else only the one
// named, which may be any device path) and downloads the program. The
// ports' rows and the result go to out, the program's messages to err.
// Exit status 0 when every packet was accepted, 1 on any failure, 2 on a
// usage error, 128 + the signal's number when a signal stopped it (the
// transfer under way ended with its closing byte, the port closed).
class TDownloadCommand {
public:
    explicit TDownloadCommand(TCommandLine& line);
    TDownloadCommand(const TDownloadCommand&) = delete;
    TDownloadCommand& operator=(const TDownloadCommand&) = delete;

    const CLI::App& App() const { return *Command; }
    int Run(std::ostream& out, std::ostream& err, TTokenizer& tokenizer,
            std::string_view templateText, const TDownloadEnvironment& environment) const;

private:
    CLI::App* Command = nullptr;
    std::string Port;
    bool SensorsEnabled = false;
    std::string File;
};

// The command on its own arguments (those after "download").
int RunDownloadCommand(const std::vector<std::string>& arguments, std::ostream& out,
                       std::ostream& err, TTokenizer& tokenizer, std::string_view templateText,
                       const TDownloadEnvironment& environment);

} // namespace wayline
