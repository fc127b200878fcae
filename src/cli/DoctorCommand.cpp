#include "cli/DoctorCommand.h"

#include "cli/CommandLine.h"
#include "cli/JsonWriter.h"
#include "doctor/core/Diagnosis.h"
#include "doctor/core/SystemRoot.h"

#include <filesystem>
#include <ostream>

namespace wayline {

namespace {

std::string_view SeverityLabel(TFindingSeverity severity) {
    switch (severity) {
    case fsBlocking:
        return "blocks downloads";
    case fsWarning:
        return "warning";
    case fsInformation:
        return "note";
    }
    return "";
}

} // namespace

std::string DoctorTextReport(const std::vector<TFinding>& findings) {
    if (findings.empty()) {
        return "Nothing on this computer keeps the robot from being found.\n";
    }
    std::string text;
    for (const TFinding& finding : findings) {
        text += "[";
        text += SeverityLabel(finding.Severity);
        text += "] ";
        text += finding.Text;
        text += "\n";
        if (!finding.Command.empty()) {
            text += "    " + finding.Command + "\n";
        }
    }
    text += BlocksDownload(findings)
                ? "A download cannot work until the problems above are mended.\n"
                : "Nothing here blocks a download.\n";
    return text;
}

std::string DoctorJsonReport(const std::vector<TFinding>& findings) {
    TJson list = TJson::Array();
    for (const TFinding& finding : findings) {
        list.Append(TJson::Object({{"kind", FindingKindName(finding.Kind)},
                                   {"severity", SeverityName(finding.Severity)},
                                   {"port", finding.Port},
                                   {"text", finding.Text},
                                   {"command", finding.Command}}));
    }
    // Texts come from the system (process and group names): the writer
    // replaces a stray byte rather than stopping the report.
    return TJson::Object({{"blocksDownload", BlocksDownload(findings)}, {"findings", list}}).Dump();
}

TDoctorCommand::TDoctorCommand(TCommandLine& line) {
    CLI::App& command = line.AddCommand(
        "doctor", "tell why the robot may not be found on this computer",
        "Looks at this computer for what keeps a robot from being found on its serial ports: "
        "the user not in the port's group, the braille display service taking the adapter, "
        "ModemManager, another program holding the port, a slow FTDI adapter. Prints the "
        "findings, most serious first, each with the command that mends it where there is "
        "one. It first looks for the robot on every port, as a download does, so that it tells "
        "an empty port from a robot that does not answer. Exit status 1 when a finding keeps "
        "downloads from working.");
    line.AddFlag(command, "--json", Json, "print the findings as one JSON object");
    line.AddFlag(command, "--no-scan", NoScan,
                 "do not look for the robot on the ports (nothing is opened)");
    RootOption =
        &line.AddValue(command, "--root", Root, "DIR", "a folder",
                       std::string("look at the system laid out under DIR instead of / (by "
                                   "default the folder that ") +
                           DoctorRootVariable + " names, if it is set)",
                       TCommandLine::TEmptyValue::evTaken);
    Command = &command;
}

int TDoctorCommand::Run(std::ostream& out, std::ostream& err, const char* rootFromEnvironment,
                        const TDoctorScan& scan) const {
    std::string root = rootFromEnvironment != nullptr ? rootFromEnvironment : "";
    if (TCommandLine::Given(*RootOption)) {
        root = Root;
    }
    if (root.empty()) {
        root = "/";
    }
    std::error_code ec;
    if (!std::filesystem::is_directory(root, ec)) {
        err << "wayline-cli doctor: '" << root << "' is not a folder\n";
        return ExitUsageError;
    }

    const TSystemRoot system(root);
    std::vector<TScannedPort> lastScan;
    if (scan && !NoScan) {
        lastScan = scan(system);
    }
    const std::vector<TFinding> findings = DiagnoseSystem(system, lastScan);
    out << (Json ? DoctorJsonReport(findings) + "\n" : DoctorTextReport(findings));
    return BlocksDownload(findings) ? ExitDownloadBlocked : ExitSucceeded;
}

int RunDoctorCommand(const std::vector<std::string>& arguments, std::ostream& out,
                     std::ostream& err, const char* rootFromEnvironment, const TDoctorScan& scan) {
    TCommandLine line;
    const TDoctorCommand command(line);
    if (const std::optional<int> status = line.ParseCommand(command.App(), arguments, out, err)) {
        return *status;
    }
    return command.Run(out, err, rootFromEnvironment, scan);
}

} // namespace wayline
