#include "cli/DoctorCommand.h"

#include "cli/TokenizeCommand.h"
#include "doctor/core/Diagnosis.h"
#include "doctor/core/SystemRoot.h"

#include <nlohmann/json.hpp>

#include <filesystem>
#include <ostream>

namespace wayline {

namespace {

void PrintUsage(std::ostream& err) {
    err << "usage: wayline-cli doctor [--json] [--root DIR]\n";
}

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
    nlohmann::ordered_json list = nlohmann::ordered_json::array();
    for (const TFinding& finding : findings) {
        list.push_back({{"kind", FindingKindName(finding.Kind)},
                        {"severity", SeverityName(finding.Severity)},
                        {"port", finding.Port},
                        {"text", finding.Text},
                        {"command", finding.Command}});
    }
    nlohmann::ordered_json report = {{"blocksDownload", BlocksDownload(findings)},
                                     {"findings", std::move(list)}};
    // Texts come from the system (process and group names): never let a
    // stray byte stop the report.
    return report.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

int RunDoctorCommand(const std::vector<std::string>& arguments, std::ostream& out,
                     std::ostream& err, const char* rootFromEnvironment) {
    bool json = false;
    std::string root = rootFromEnvironment != nullptr ? rootFromEnvironment : "";
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& a = arguments[i];
        if (a == "--json") {
            json = true;
        } else if (a == "--root" && i + 1 < arguments.size()) {
            root = arguments[++i];
        } else if (a == "--root") {
            err << "wayline-cli doctor: --root needs a folder\n";
            PrintUsage(err);
            return ExitUsageError;
        } else {
            err << "wayline-cli doctor: unknown argument '" << a << "'\n";
            PrintUsage(err);
            return ExitUsageError;
        }
    }
    if (root.empty()) {
        root = "/";
    }
    std::error_code ec;
    if (!std::filesystem::is_directory(root, ec)) {
        err << "wayline-cli doctor: '" << root << "' is not a folder\n";
        return ExitUsageError;
    }

    const std::vector<TFinding> findings = DiagnoseSystem(TSystemRoot(root));
    out << (json ? DoctorJsonReport(findings) + "\n" : DoctorTextReport(findings));
    return BlocksDownload(findings) ? ExitDownloadBlocked : ExitSucceeded;
}

} // namespace wayline
