#include "comm/qt/HostPorts.h"

#include <QSerialPortInfo>

#include <filesystem>
#include <system_error>

namespace wayline {

std::string ByIdName(const std::string& systemLocation, const std::string& byIdFolder) {
    namespace fs = std::filesystem;
    std::error_code error;
    const fs::path device = fs::weakly_canonical(systemLocation, error);
    if (error) {
        return {};
    }
    std::string found;
    for (fs::directory_iterator entry(byIdFolder, error), end; !error && entry != end;
         entry.increment(error)) {
        std::error_code ignored;
        if (fs::weakly_canonical(entry->path(), ignored) == device && !ignored) {
            // Several names can lead to one device; take the first in order
            // so the answer is the same every time.
            const std::string name = entry->path().string();
            if (found.empty() || name < found) {
                found = name;
            }
        }
    }
    return found;
}

std::vector<TPortDetails> HostPortDetails(const std::string& byIdFolder) {
    std::vector<TPortDetails> ports;
    const auto available = QSerialPortInfo::availablePorts();
    for (const QSerialPortInfo& info : available) {
        TPortDetails port;
        port.Name = info.portName().toStdString();
        port.SystemLocation = info.systemLocation().toStdString();
        port.Description = info.description().toStdString();
        port.Manufacturer = info.manufacturer().toStdString();
        port.SerialNumber = info.serialNumber().toStdString();
        if (info.hasVendorIdentifier()) {
            port.VendorId = info.vendorIdentifier();
        }
        if (info.hasProductIdentifier()) {
            port.ProductId = info.productIdentifier();
        }
        port.ById = ByIdName(port.SystemLocation, byIdFolder);
        ports.push_back(std::move(port));
    }
    SortPortsNaturally(ports);
    return ports;
}

std::vector<std::string> HostPortNames() {
    std::vector<std::string> names;
    for (const TPortDetails& port : HostPortDetails()) {
        names.push_back(port.Name);
    }
    return names;
}

} // namespace wayline
