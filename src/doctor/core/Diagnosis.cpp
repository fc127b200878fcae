#include "doctor/core/Diagnosis.h"

#include "comm/core/SerialDevice.h"
#include "doctor/core/FileAccess.h"
#include "doctor/core/PortAdvice.h"
#include "doctor/core/SystemFiles.h"
#include "doctor/core/SystemRoot.h"
#include "doctor/core/SystemSurvey.h"
#include "doctor/core/UsbAdapters.h"
#include "doctor/core/UserIdentity.h"

#include <algorithm>
#include <set>

namespace wayline {

namespace {

const std::string BrailleDaemonName = "brltty";
const std::string ModemManagerName = "ModemManager";

// A port name from the scan is data from elsewhere: only plain device names
// are looked up under /dev.
bool IsPlainDeviceName(const std::string& name) {
    if (name.empty() || name.size() > 64 || name == "." || name == "..") {
        return false;
    }
    return std::all_of(name.begin(), name.end(), [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
               c == '_' || c == '-' || c == '.';
    });
}

class TDiagnosis {
public:
    TDiagnosis(const TSystemRoot& root, const std::optional<TUserIdentity>& user,
               const std::vector<TScannedPort>& lastScan, const TDoctorTexts& texts,
               const TIdentifyTexts& scanTexts)
        : Root(root), User(user), LastScan(lastScan), Texts(texts), ScanTexts(scanTexts) {}

    std::vector<TFinding> Run() {
        Ports = SurveySerialPorts(Root);
        Adapters = SurveyUsbAdapters(Root);
        Programs = RunningProgramNames(Root);
        Groups = ParseGroupFile(Root.ReadFile("/etc/group", 8 << 20).value_or(""));
        PortNames = AllPortNames();
        Holders = FindHolders(Root, DevicesOfInterest(), User ? User->Pid : 0);

        CheckAdaptersWithoutPort();
        for (const std::string& port : PortNames) {
            CheckAccess(port);
            CheckLocks(port);
            CheckHolders(port);
        }
        CheckModemManager();
        CheckLatency();
        CheckLastScan();

        std::stable_sort(
            Findings.begin(), Findings.end(),
            [](const TFinding& a, const TFinding& b) { return a.Severity > b.Severity; });
        return std::move(Findings);
    }

private:
    const TSystemRoot& Root;
    const std::optional<TUserIdentity>& User;
    const std::vector<TScannedPort>& LastScan;
    const TDoctorTexts& Texts;
    const TIdentifyTexts& ScanTexts;

    std::vector<TSerialPortInfo> Ports;
    std::vector<TUsbAdapterInfo> Adapters;
    std::vector<std::string> Programs;
    std::vector<TGroupEntry> Groups;
    std::vector<std::string> PortNames;
    std::map<std::string, std::vector<THolder>> Holders;
    std::vector<TFinding> Findings;

    using TValues = std::initializer_list<std::pair<std::string_view, std::string_view>>;

    void Add(TFindingKind kind, TFindingSeverity severity, const std::string& port, TValues values,
             std::string command = {}) {
        Findings.push_back(
            {kind, severity, port, FillText(Texts.Sentences[kind], values), std::move(command)});
    }

    bool Running(const std::string& program) const {
        return std::binary_search(Programs.begin(), Programs.end(), program);
    }

    // The ports the survey found, then the scanned ones it did not know
    // (a built-in port without a UART type, say) that exist under /dev.
    std::vector<std::string> AllPortNames() const {
        std::vector<std::string> names;
        for (const TSerialPortInfo& port : Ports) {
            names.push_back(port.Name);
        }
        for (const TScannedPort& scanned : LastScan) {
            if (IsPlainDeviceName(scanned.PortName) &&
                scanned.Result.OpenError != OpenErrorNotASerialPort &&
                std::find(names.begin(), names.end(), scanned.PortName) == names.end() &&
                Root.Exists("/dev/" + scanned.PortName)) {
                names.push_back(scanned.PortName);
            }
        }
        return names;
    }

    std::vector<std::string> DevicesOfInterest() const {
        std::vector<std::string> devices;
        for (const std::string& port : PortNames) {
            devices.push_back("/dev/" + port);
        }
        for (const TUsbAdapterInfo& adapter : Adapters) {
            if (!adapter.DeviceNode.empty()) {
                devices.push_back(adapter.DeviceNode);
            }
        }
        return devices;
    }

    std::string AccountName(std::uint32_t uid) const {
        const std::optional<TPasswdEntry> entry =
            FindPasswdEntry(Root.ReadFile("/etc/passwd", 8 << 20).value_or(""), uid);
        return entry ? entry->Name : std::to_string(uid);
    }

    // 1: a known adapter on the bus that got no port.
    void CheckAdaptersWithoutPort() {
        const std::vector<std::string> brailleRules = BrailleDaemonRules(Root);
        const bool brailleRunning = Running(BrailleDaemonName);
        for (const TUsbAdapterInfo& adapter : Adapters) {
            const bool hasPort = std::any_of(Ports.begin(), Ports.end(), [&](const auto& port) {
                return port.UsbDevice == adapter.SysPath;
            });
            if (hasPort) {
                continue;
            }
            // With another port there, the robot may still be on that one.
            const TFindingSeverity severity = PortNames.empty() ? fsBlocking : fsWarning;
            const std::string label = AdapterLabel(*adapter.Kind);
            if (brailleRunning ||
                (!brailleRules.empty() && RulesClaimAdapter(brailleRules, *adapter.Kind))) {
                Add(fkAdapterTakenByBraille, severity, "", {{"adapter", label}},
                    "sudo apt remove brltty");
                continue;
            }
            const bool claimed =
                std::find(adapter.InterfaceDrivers.begin(), adapter.InterfaceDrivers.end(),
                          "usbfs") != adapter.InterfaceDrivers.end();
            if (claimed) {
                const auto holders = Holders.find(adapter.DeviceNode);
                if (holders != Holders.end() && !holders->second.empty()) {
                    const THolder& holder = holders->second.front();
                    const std::string pid = std::to_string(holder.Pid);
                    Add(fkAdapterHeldBy, severity, "",
                        {{"adapter", label}, {"process", holder.Name}, {"pid", pid}});
                } else {
                    Add(fkAdapterHeld, severity, "", {{"adapter", label}});
                }
                continue;
            }
            Add(fkAdapterDriverMissing, severity, "",
                {{"adapter", label}, {"driver", adapter.Kind->Driver}},
                std::string("sudo modprobe ") + adapter.Kind->Driver);
        }
        if (PortNames.empty() && Adapters.empty()) {
            Add(fkNoSerialPort, fsBlocking, "", {});
        }
    }

    // 2: may the user open the port? One finding per port, from the
    // device's owner, group, mode and access list.
    void CheckAccess(const std::string& port) {
        if (!User) {
            return;
        }
        const std::string device = "/dev/" + port;
        const bool knownAdapter = std::any_of(Ports.begin(), Ports.end(), [&](const auto& info) {
            return info.Name == port && info.Adapter != nullptr;
        });
        const TAccessAdvice advice =
            AdviseDeviceAccess(Root, device, *User, Groups, knownAdapter);
        const std::string user = User->Name.empty() ? std::to_string(User->Uid) : User->Name;
        switch (advice.Kind) {
        case aaAllowed:
            return;
        case aaLogInAgain:
            Add(fkGroupNotInSession, fsBlocking, port,
                {{"user", user}, {"group", advice.Group}, {"port", port}});
            return;
        case aaJoinGroup:
            Add(fkNotInGroup, fsBlocking, port,
                {{"user", user}, {"group", advice.Group}, {"port", port}}, advice.Command);
            return;
        case aaOwnerOnly:
            Add(fkOwnerOnly, fsBlocking, port,
                {{"user", user}, {"port", port}, {"owner", advice.Owners}}, advice.Command);
            return;
        }
    }

    // 2b: lock files of programs that have ended. The download takes over
    // those the user may remove; the others keep everybody out.
    void CheckLocks(const std::string& port) {
        if (std::optional<TFinding> finding = StaleLockFinding(Root, port, User, Texts)) {
            Findings.push_back(std::move(*finding));
        }
    }

    // 3: another process has the port open.
    void CheckHolders(const std::string& port) {
        const auto holders = Holders.find("/dev/" + port);
        if (holders != Holders.end()) {
            for (const THolder& holder : holders->second) {
                const std::string pid = std::to_string(holder.Pid);
                Add(fkPortHeld, fsBlocking, port,
                    {{"port", port}, {"process", holder.Name}, {"pid", pid}},
                    holder.Name == ModemManagerName ? "sudo systemctl stop ModemManager" : "");
            }
            if (!holders->second.empty()) {
                return;
            }
        }
        for (const TScannedPort& scanned : LastScan) {
            if (scanned.PortName == port && scanned.Result.OpenError == OpenErrorInUse) {
                Add(fkPortInUse, fsBlocking, port, {{"port", port}});
                return;
            }
        }
    }

    // 4: ModemManager probes new ports unless udev marked them to be left alone.
    void CheckModemManager() {
        if (!Running(ModemManagerName)) {
            return;
        }
        for (const TSerialPortInfo& port : Ports) {
            if (port.UsbDevice.empty()) {
                continue; // it leaves built-in ports alone
            }
            const std::optional<std::string> database =
                port.DevNumber.empty() ? std::nullopt
                                       : Root.ReadFile("/run/udev/data/c" + port.DevNumber);
            if (database && UdevProperty(*database, "ID_MM_DEVICE_IGNORE") == "1") {
                continue;
            }
            Add(fkModemManager, fsWarning, port.Name, {{"port", port.Name}},
                "sudo systemctl disable --now ModemManager");
        }
    }

    // 5: FTDI adapters wait up to their latency timer before passing bytes on.
    void CheckLatency() {
        for (const std::string& port : Root.ListDir("/sys/bus/usb-serial/devices")) {
            const std::string attribute = "/sys/bus/usb-serial/devices/" + port + "/latency_timer";
            const auto latency = ParseSmallNumber(Root.ReadValue(attribute).value_or(""));
            if (latency && *latency > 1 && IsPlainDeviceName(port)) {
                Add(fkFtdiLatency, fsInformation, port,
                    {{"port", port}, {"ms", std::to_string(*latency)}},
                    "echo 1 | sudo tee " + attribute);
            }
        }
    }

    // 6: what the last scan saw on ports that opened. A port held by
    // another program was told above. A built-in port without an echo says
    // nothing by itself (the robot's cable is usually on an adapter); when
    // there is no adapter at all, the cable is not plugged in anywhere.
    void CheckLastScan() {
        const bool robotFound =
            std::any_of(LastScan.begin(), LastScan.end(), [](const TScannedPort& scanned) {
                return scanned.Result.DeviceType == RobotModuleType;
            });
        const TFindingSeverity severity = robotFound ? fsInformation : fsBlocking;
        std::vector<std::string> silentBuiltIn;
        bool anyAnswered = false;
        for (const TScannedPort& scanned : LastScan) {
            const TIdentifyResult& result = scanned.Result;
            if (result.OpenError != OpenErrorNone || result.DeviceType != 0) {
                continue;
            }
            const auto held = Holders.find("/dev/" + scanned.PortName);
            if (result.HolderPid != 0 || (held != Holders.end() && !held->second.empty())) {
                continue;
            }
            if (result.EchoText == ScanTexts.Yes) {
                anyAnswered = true;
                Add(fkNoModuleAnswers, severity, scanned.PortName, {{"port", scanned.PortName}});
            } else if (result.EchoText == ScanTexts.No) {
                if (IsBuiltInPort(scanned.PortName)) {
                    silentBuiltIn.push_back(scanned.PortName);
                } else {
                    Add(fkNoEcho, severity, scanned.PortName, {{"port", scanned.PortName}});
                }
            }
        }
        const bool adapters =
            !Adapters.empty() || std::any_of(Ports.begin(), Ports.end(), [](const auto& port) {
                return !port.UsbDevice.empty();
            });
        if (!robotFound && !anyAnswered && !adapters && !silentBuiltIn.empty()) {
            std::string ports;
            for (const std::string& port : silentBuiltIn) {
                ports += (ports.empty() ? "" : ", ") + port;
            }
            Add(fkNoUsbAdapter, fsBlocking, "", {{"ports", ports}});
        }
    }

    // A serial port of the computer itself: one the survey found without a
    // USB device, or a ttyS that it did not list.
    bool IsBuiltInPort(const std::string& name) const {
        for (const TSerialPortInfo& port : Ports) {
            if (port.Name == name) {
                return port.UsbDevice.empty();
            }
        }
        return name.rfind("ttyS", 0) == 0;
    }
};

} // namespace

std::vector<TFinding> Diagnose(const TSystemRoot& root, const std::optional<TUserIdentity>& user,
                               const std::vector<TScannedPort>& lastScan, const TDoctorTexts& texts,
                               const TIdentifyTexts& scanTexts) {
    return TDiagnosis(root, user, lastScan, texts, scanTexts).Run();
}

std::vector<TFinding> DiagnoseSystem(const TSystemRoot& root,
                                     const std::vector<TScannedPort>& lastScan,
                                     const TDoctorTexts& texts, const TIdentifyTexts& scanTexts) {
    return Diagnose(root, ReadUserIdentity(root), lastScan, texts, scanTexts);
}

bool BlocksDownload(const std::vector<TFinding>& findings) {
    return std::any_of(findings.begin(), findings.end(),
                       [](const TFinding& finding) { return finding.Severity == fsBlocking; });
}

} // namespace wayline
