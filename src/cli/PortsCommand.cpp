#include "cli/PortsCommand.h"

#include "cli/CommandLine.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <ostream>

namespace wayline {

namespace {

constexpr std::size_t ColumnCount = 5;
using TRow = std::array<std::string, ColumnCount>;

std::string OrDash(const std::string& text) {
    return text.empty() ? "-" : text;
}

std::string UsbIds(const TPortDetails& port) {
    if (!port.VendorId || !port.ProductId) {
        return "-";
    }
    char ids[16];
    std::snprintf(ids, sizeof ids, "%04x:%04x", static_cast<unsigned>(*port.VendorId),
                  static_cast<unsigned>(*port.ProductId));
    return ids;
}

} // namespace

TPortsCommand::TPortsCommand(TCommandLine& line)
    : Command(&line.AddCommand(
          "ports", "list the serial ports of this computer",
          "Lists the serial ports of this computer, one to a line: the name, the description, "
          "the USB vendor and product numbers, the serial number and the stable name under "
          "/dev/serial/by-id where there is one. A robot's port is one of these, to give to "
          "download --port.")) {}

int TPortsCommand::Run(std::ostream& out, const std::vector<TPortDetails>& ports) const {
    if (ports.empty()) {
        out << "No serial ports found.\n";
        return ExitSucceeded;
    }
    std::vector<TRow> rows{{"NAME", "DESCRIPTION", "USB", "SERIAL", "STABLE NAME"}};
    for (const TPortDetails& port : ports) {
        rows.push_back({port.Name, OrDash(port.Description), UsbIds(port),
                        OrDash(port.SerialNumber), OrDash(port.ById)});
    }
    std::array<std::size_t, ColumnCount> widths{};
    for (const TRow& row : rows) {
        for (std::size_t c = 0; c < ColumnCount; ++c) {
            widths[c] = std::max(widths[c], row[c].size());
        }
    }
    for (const TRow& row : rows) {
        std::string line;
        for (std::size_t c = 0; c < ColumnCount; ++c) {
            line += row[c];
            if (c + 1 < ColumnCount) {
                line.append(widths[c] - row[c].size() + 2, ' ');
            }
        }
        out << line << '\n';
    }
    return ExitSucceeded;
}

int RunPortsCommand(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err,
                    const std::vector<TPortDetails>& ports) {
    TCommandLine line;
    const TPortsCommand command(line);
    if (const std::optional<int> status = line.ParseCommand(command.App(), arguments, out, err)) {
        return *status;
    }
    return command.Run(out, ports);
}

} // namespace wayline
