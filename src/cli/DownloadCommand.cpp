#include "cli/DownloadCommand.h"

#include "cli/CommandLine.h"
#include "cli/ProgramFile.h"
#include "codegen/core/BuildCode.h"
#include "codegen/core/CompileStep.h"
#include "comm/core/Download.h"
#include "tokenizer/Tokenizer.h"

#include <algorithm>
#include <cctype>
#include <istream>
#include <optional>
#include <ostream>

namespace wayline {

namespace {

constexpr int ProgressBarWidth = 30;
constexpr const char* AllPorts = "AUTO";
constexpr int ExitAfterSignal = 128;

// The download as the command line shows it.
class TTerminalFrontEnd final : public TDownloadFrontEnd {
public:
    TTerminalFrontEnd(const std::vector<std::string>& portNames, const TDownloadEnvironment& env,
                      std::ostream& out, std::ostream& err)
        : PortNames(portNames), Env(env), Out(out), Err(err) {}

    void ScanFinished(const std::vector<TPortScanRow>& rows) override {
        std::size_t nameWidth = 0;
        for (const std::string& name : PortNames) {
            nameWidth = std::max(nameWidth, name.size());
        }
        for (std::size_t i = 0; i < rows.size(); ++i) {
            const TIdentifyResult& r = rows[i].Result;
            std::string line = PortNames[i] + ":";
            line.append(nameWidth - PortNames[i].size() + 2, ' ');
            line += r.DeviceText.empty() ? "-" : r.DeviceText;
            if (!rows[i].Ignored && r.OpenError == 0) {
                line += "  version " + (r.VersionText.empty() ? "-" : r.VersionText) +
                        "  loopback " + r.LoopbackText + "  echo " + r.EchoText;
            }
            Out << line << '\n';
            if (!rows[i].Ignored) {
                Scan.push_back({PortNames[i], r});
            }
        }
        if (rows.empty()) {
            Out << "No serial ports to look at.\n";
        }
    }

    int ChooseTarget(const std::vector<TPortScanRow>& rows,
                     const std::vector<bool>& choosable) override {
        (void)rows;
        std::vector<int> choices;
        for (std::size_t i = 0; i < choosable.size(); ++i) {
            if (choosable[i]) {
                choices.push_back(static_cast<int>(i));
            }
        }
        if (!Env.Answers) {
            Cancelled = true;
            Err << "There is more than one robot connected to your computer:";
            for (std::size_t c = 0; c < choices.size(); ++c) {
                Err << (c == 0 ? " " : ", ") << PortNames[static_cast<std::size_t>(choices[c])];
            }
            Err << ". Choose one with --port.\n";
            return NoTarget;
        }
        Out << "There is more than one robot connected to your computer.\n";
        for (std::size_t c = 0; c < choices.size(); ++c) {
            Out << "  " << c + 1 << ") " << PortNames[static_cast<std::size_t>(choices[c])] << '\n';
        }
        Out << "Download to which one (1-" << choices.size() << ")? " << std::flush;
        std::string answer;
        if (!std::getline(*Env.Answers, answer)) {
            answer.clear();
        }
        if (Signal() != 0) {
            return NoTarget; // a signal broke off the question
        }
        const int picked = LooseStrToInt(answer);
        if (picked < 1 || picked > static_cast<int>(choices.size())) {
            Cancelled = true;
            Err << "Nothing was downloaded.\n";
            return NoTarget;
        }
        return choices[static_cast<std::size_t>(picked - 1)];
    }

    void TransferStarting(int portIndex, int packetCount) override {
        Port = PortNames[static_cast<std::size_t>(portIndex)];
        Total = packetCount;
        Done = 0;
        Transferring = true;
    }

    void ToggleIndicator(bool) override {
        if (Env.Terminal && Transferring && Done == 0) {
            DrawBar();
        }
    }

    void StepIt(int) override {
        ++Done;
        if (Env.Terminal) {
            DrawBar();
        }
    }

    void ShowErrorBox(const std::string& text) override {
        EndBar();
        Err << text << '\n';
        if (text == TDownloadTexts{}.NoRobotFound) {
            Err << "Run 'wayline-cli doctor' to find out why.\n";
            NoRobot = true;
        }
        Reported = true;
    }

    bool Interrupted() override { return Signal() != 0; }

    int Signal() const { return Env.InterruptSignal ? Env.InterruptSignal() : 0; }

    void EndBar() {
        if (BarShown) {
            Out << '\n';
            BarShown = false;
        }
    }

    // What the diagnosis says about the ports, once no robot was reached.
    void PrintAdvice() {
        if (!Env.Advice || Scan.empty()) {
            return;
        }
        for (const std::string& line : Env.Advice(Scan)) {
            Err << line << '\n';
        }
    }

    bool Reported = false;
    bool NoRobot = false;
    bool Cancelled = false;
    int Done = 0;

private:
    void DrawBar() {
        const int filled = Total > 0 ? Done * ProgressBarWidth / Total : ProgressBarWidth;
        Out << "\rDownloading to " << Port << " ["
            << std::string(static_cast<std::size_t>(filled), '#')
            << std::string(static_cast<std::size_t>(ProgressBarWidth - filled), ' ') << "] " << Done
            << '/' << Total << std::flush;
        BarShown = true;
    }

    const std::vector<std::string>& PortNames;
    const TDownloadEnvironment& Env;
    std::ostream& Out;
    std::ostream& Err;
    std::vector<TScannedPort> Scan;
    std::string Port;
    int Total = 0;
    bool Transferring = false;
    bool BarShown = false;
};

} // namespace

TDownloadCommand::TDownloadCommand(TCommandLine& line) {
    CLI::App& command = line.AddCommand(
        "download", "compile a program and download it to the robot",
        "Compiles FILE as Go does (an action list through the robot program, any other file as "
        "HBASIC source), finds the robot on the serial ports and downloads the program into it. "
        "The ports are listed as they are tried, then the result. Exit status 1 when anything "
        "kept the program from the robot.");
    line.AddValue(command, "--port", Port, "NAME|PATH|AUTO", "a port name, a device path or AUTO",
                  "the robot's port: a name that ports lists, any device path, or AUTO (the "
                  "default, in any case) for every port of this computer; several robots found "
                  "are offered to choose from on a terminal");
    line.AddFlag(command, "--sensors", SensorsEnabled,
                 "build an action list's program with the sensors on");
    line.AddFile(command, File, "FILE.wyl|FILE.hbs", "the action list or the HBASIC program");
    Command = &command;
}

int TDownloadCommand::Run(std::ostream& out, std::ostream& err, TTokenizer& tokenizer,
                          std::string_view templateText,
                          const TDownloadEnvironment& environment) const {
    std::string port = Port.empty() ? AllPorts : Port;
    std::string upper = port;
    std::transform(upper.begin(), upper.end(), upper.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    if (upper == AllPorts) {
        port = AllPorts;
    }
    const std::optional<TCodeLines> lines =
        ProgramLinesOfFile("download", File, SensorsEnabled, templateText, err);
    if (!lines) {
        return ExitDownloadFailed;
    }
    TDownloadImages images;
    if (!CompileForRobot(tokenizer, File, *lines, images,
                         "('{$KEYSTONE KM2}): it cannot be downloaded to the robot", err)) {
        return ExitDownloadFailed;
    }

    std::vector<std::string> portNames;
    if (port == AllPorts) {
        if (environment.PortNames) {
            portNames = environment.PortNames();
        }
    } else {
        portNames.push_back(port);
    }
    TDownloadRequest request;
    request.Packets = &tokenizer.Result.PacketBuffer[0][0];
    request.PacketCount = images.ImagePacketCounts[0];
    request.DownloadTargetType = images.DownloadTargetType;
    request.SelectedPort = port;

    TTerminalFrontEnd frontEnd(portNames, environment, out, err);
    const TIdentifyTexts identifyTexts;
    const TIdentifyWork identify =
        environment.MakeIdentifyWork
            ? environment.MakeIdentifyWork(request.DownloadTargetType, identifyTexts)
            : TIdentifyWork{};
    const TDownloadOutcome outcome = RunDownload(
        *environment.Slots, portNames, request, identifyTexts, TDownloadTexts{}, frontEnd,
        environment.StartThread ? environment.StartThread : StdThreadStarter(), identify);
    frontEnd.EndBar();

    if (const int signal = frontEnd.Signal(); signal != 0) {
        // The transfer under way ended with its closing byte and the port
        // (and its lock) is closed: say so, and end as the signal would.
        err << "Download interrupted.\n";
        return ExitAfterSignal + signal;
    }

    if (outcome.Slot != NoSlot && outcome.Succeeded) {
        out << "Downloaded " << request.PacketCount << " packets to "
            << portNames[static_cast<std::size_t>(outcome.PortIndex)] << ".\n";
        return ExitSucceeded;
    }
    if (outcome.Slot == NoSlot && outcome.PortIndex >= 0 && !frontEnd.Reported) {
        // The chosen port did not open again; the window shows nothing then,
        // a command must say why it did nothing.
        const std::string& port = portNames[static_cast<std::size_t>(outcome.PortIndex)];
        err << "wayline-cli download: " << port << ": "
            << OpenErrorText(outcome.Failure, identifyTexts) << '\n';
    }
    if (frontEnd.NoRobot || (outcome.Slot == NoSlot && outcome.PortIndex >= 0)) {
        frontEnd.PrintAdvice();
    }
    return ExitDownloadFailed;
}

int RunDownloadCommand(const std::vector<std::string>& arguments, std::ostream& out,
                       std::ostream& err, TTokenizer& tokenizer, std::string_view templateText,
                       const TDownloadEnvironment& environment) {
    TCommandLine line;
    const TDownloadCommand command(line);
    if (const std::optional<int> status = line.ParseCommand(command.App(), arguments, out, err)) {
        return *status;
    }
    return command.Run(out, err, tokenizer, templateText, environment);
}

} // namespace wayline
