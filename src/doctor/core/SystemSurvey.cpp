#include "doctor/core/SystemSurvey.h"

#include "doctor/core/SystemFiles.h"
#include "doctor/core/SystemRoot.h"
#include "doctor/core/UsbAdapters.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <set>

namespace wayline {

namespace {

bool StartsWith(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

std::optional<std::uint16_t> ParseHexId(const std::optional<std::string>& text) {
    if (!text || text->empty() || text->size() > 4) {
        return std::nullopt;
    }
    unsigned value = 0;
    for (char c : *text) {
        const int digit = std::isdigit(static_cast<unsigned char>(c)) ? c - '0'
                          : (c >= 'a' && c <= 'f')                    ? c - 'a' + 10
                          : (c >= 'A' && c <= 'F')                    ? c - 'A' + 10
                                                                      : -1;
        if (digit < 0) {
            return std::nullopt;
        }
        value = value * 16 + static_cast<unsigned>(digit);
    }
    return static_cast<std::uint16_t>(value);
}

// The USB device a sysfs folder lies in: the nearest folder upwards with a
// vendor and product id.
std::string UsbDeviceOf(const TSystemRoot& root, std::string path) {
    while (path.size() > 1 && StartsWith(path, "/sys/")) {
        if (root.Exists(path + "/idVendor") && root.Exists(path + "/idProduct")) {
            return path;
        }
        path = ParentPath(path);
    }
    return {};
}

const TUsbAdapterKind* AdapterAt(const TSystemRoot& root, const std::string& usbDevice) {
    const auto vendor = ParseHexId(root.ReadValue(usbDevice + "/idVendor"));
    const auto product = ParseHexId(root.ReadValue(usbDevice + "/idProduct"));
    return vendor && product ? FindUsbAdapter(*vendor, *product) : nullptr;
}

std::string DriverOf(const TSystemRoot& root, const std::string& sysPath) {
    const std::optional<std::string> link = root.ReadLink(sysPath + "/driver");
    return link ? BaseName(*link) : std::string();
}

std::string Lower(std::string text) {
    for (char& c : text) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return text;
}

} // namespace

std::vector<TSerialPortInfo> SurveySerialPorts(const TSystemRoot& root) {
    std::vector<TSerialPortInfo> ports;
    for (const std::string& name : root.ListDir("/sys/class/tty")) {
        const std::string classPath = "/sys/class/tty/" + name;
        const std::optional<std::string> device = root.Resolve(classPath + "/device");
        if (!device) {
            continue; // consoles and pseudo-terminals have no device
        }
        TSerialPortInfo port;
        port.Name = name;
        port.UsbDevice = UsbDeviceOf(root, *device);
        port.Driver = DriverOf(root, *device);
        port.DevNumber = root.ReadValue(classPath + "/dev").value_or("");
        if (!port.UsbDevice.empty()) {
            port.Adapter = AdapterAt(root, port.UsbDevice);
        } else {
            // A built-in UART reports its type; 0 means no chip is there.
            const std::optional<std::string> type = root.ReadValue(classPath + "/type");
            if (!type || type == "0") {
                continue;
            }
        }
        if (!root.Exists("/dev/" + name)) {
            continue;
        }
        ports.push_back(std::move(port));
    }
    return ports;
}

std::vector<TUsbAdapterInfo> SurveyUsbAdapters(const TSystemRoot& root) {
    std::vector<TUsbAdapterInfo> adapters;
    std::set<std::string> seen;
    for (const std::string& name : root.ListDir("/sys/bus/usb/devices")) {
        const std::optional<std::string> path = root.Resolve("/sys/bus/usb/devices/" + name);
        if (!path || !seen.insert(*path).second) {
            continue;
        }
        const TUsbAdapterKind* kind = AdapterAt(root, *path);
        if (kind == nullptr) {
            continue; // interfaces have no ids; other devices are no adapters
        }
        TUsbAdapterInfo adapter;
        adapter.SysPath = *path;
        adapter.Kind = kind;
        const std::string deviceName = BaseName(*path);
        for (const std::string& child : root.ListDir(*path)) {
            // Interfaces are named "<device>:<configuration>.<number>".
            if (StartsWith(child, deviceName + ":")) {
                adapter.InterfaceDrivers.push_back(DriverOf(root, *path + "/" + child));
            }
        }
        const auto bus = ParseSmallNumber(root.ReadValue(*path + "/busnum").value_or(""));
        const auto dev = ParseSmallNumber(root.ReadValue(*path + "/devnum").value_or(""));
        if (bus && dev && *bus < 1000 && *dev < 1000) {
            char node[32];
            std::snprintf(node, sizeof node, "/dev/bus/usb/%03u/%03u", *bus, *dev);
            adapter.DeviceNode = node;
        }
        adapters.push_back(std::move(adapter));
    }
    return adapters;
}

std::vector<std::string> RunningProgramNames(const TSystemRoot& root) {
    std::set<std::string> names;
    for (const std::string& pid : root.ListDir("/proc")) {
        if (ParseSmallNumber(pid)) {
            if (const auto comm = root.ReadValue("/proc/" + pid + "/comm")) {
                names.insert(*comm);
            }
        }
    }
    return {names.begin(), names.end()};
}

std::map<std::string, std::vector<THolder>>
FindHolders(const TSystemRoot& root, const std::vector<std::string>& devices, int selfPid) {
    std::map<std::string, std::vector<THolder>> holders;
    if (devices.empty()) {
        return holders;
    }
    const std::set<std::string> wanted(devices.begin(), devices.end());
    const auto add = [&](const std::string& device, int pid) {
        if (pid == selfPid || pid <= 0) {
            return;
        }
        THolder holder{pid, root.ReadValue("/proc/" + std::to_string(pid) + "/comm").value_or("")};
        std::vector<THolder>& list = holders[device];
        if (std::find(list.begin(), list.end(), holder) == list.end()) {
            list.push_back(std::move(holder));
        }
    };
    // On the running system a device is also known by its number, whatever
    // name a process opened it under (a link, a second device node).
    std::map<std::pair<std::uint32_t, std::uint32_t>, std::string> byNumber;
    if (root.IsHostRoot()) {
        for (const std::string& device : wanted) {
            const std::optional<TFileStatus> status = root.Status(device);
            if (status && status->CharDevice) {
                byNumber.emplace(std::make_pair(status->Major, status->Minor), device);
            }
        }
    }
    for (const std::string& pidText : root.ListDir("/proc")) {
        const auto pid = ParseSmallNumber(pidText);
        if (!pid) {
            continue;
        }
        const std::string fdDir = "/proc/" + pidText + "/fd";
        for (const std::string& fd : root.ListDir(fdDir)) {
            const std::optional<std::string> target = root.ReadLink(fdDir + "/" + fd);
            if (!target) {
                continue;
            }
            if (wanted.count(*target) != 0) {
                add(*target, static_cast<int>(*pid));
                continue;
            }
            if (!byNumber.empty() && target->rfind("/dev/", 0) == 0) {
                const std::optional<TFileStatus> status = root.Status(fdDir + "/" + fd);
                if (status && status->CharDevice) {
                    const auto found = byNumber.find({status->Major, status->Minor});
                    if (found != byNumber.end()) {
                        add(found->second, static_cast<int>(*pid));
                    }
                }
            }
        }
    }
    // Serial programs that lock the port (Wayline among them) name themselves
    // in a lock file that anybody may read, also when their fd folder is not:
    // by the device's name, and Wayline's also by the device's number.
    for (const char* lockDir : {"/run/lock", "/var/lock"}) {
        for (const std::string& device : wanted) {
            std::vector<std::string> lockFiles = {std::string(lockDir) + "/" +
                                                  NameLockFileName(device)};
            if (const std::optional<TFileStatus> status = root.Status(device);
                status && status->CharDevice) {
                lockFiles.push_back(std::string(lockDir) + "/" +
                                    IdentityLockFileName(status->Major, status->Minor));
            }
            for (const std::string& lockFile : lockFiles) {
                const std::optional<std::string> text = root.ReadFile(lockFile, 256);
                const int pid = text ? LockFilePid(*text) : 0;
                if (pid > 0 && root.Exists("/proc/" + std::to_string(pid))) {
                    add(device, pid);
                }
            }
        }
    }
    return holders;
}

std::vector<std::string> BrailleDaemonRules(const TSystemRoot& root) {
    // Highest precedence first: a file of the same name further down is
    // overridden by the first one found.
    static constexpr const char* RuleDirs[] = {
        "/etc/udev/rules.d",     "/run/udev/rules.d", "/usr/local/lib/udev/rules.d",
        "/usr/lib/udev/rules.d", "/lib/udev/rules.d",
    };
    std::set<std::string> decided;
    std::vector<std::string> rules;
    for (const char* dir : RuleDirs) {
        for (const std::string& name : root.ListDir(dir)) {
            if (name.size() < 6 || name.substr(name.size() - 6) != ".rules" ||
                Lower(name).find("brltty") == std::string::npos || !decided.insert(name).second) {
                continue;
            }
            const std::string path = std::string(dir) + "/" + name;
            const std::optional<std::string> link = root.ReadLink(path);
            if (link && *link == "/dev/null") {
                continue; // masked
            }
            const std::optional<std::string> text = root.ReadFile(path);
            if (text && !text->empty()) {
                rules.push_back(*text);
            }
        }
    }
    return rules;
}

bool RulesClaimAdapter(const std::vector<std::string>& rules, const TUsbAdapterKind& adapter) {
    char vendor[8];
    char product[8];
    std::snprintf(vendor, sizeof vendor, "%04x", adapter.Vendor);
    std::snprintf(product, sizeof product, "%04x", adapter.Product);
    for (const std::string& text : rules) {
        const std::string lower = Lower(text);
        bool namesAny = false;
        std::size_t start = 0;
        while (start < lower.size()) {
            std::size_t end = lower.find('\n', start);
            if (end == std::string::npos) {
                end = lower.size();
            }
            const std::string_view line(lower.data() + start, end - start);
            if (!line.empty() && line.front() != '#') {
                namesAny = namesAny || line.find("idvendor") != std::string_view::npos ||
                           line.find("product") != std::string_view::npos;
                if (line.find(vendor) != std::string_view::npos &&
                    line.find(product) != std::string_view::npos) {
                    return true;
                }
            }
            start = end + 1;
        }
        if (!namesAny) {
            return true;
        }
    }
    return false;
}

} // namespace wayline
