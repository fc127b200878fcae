#include "cli/SerialCommands.h"

#include "cli/DoctorCommand.h"
#include "cli/DownloadCommand.h"
#include "cli/GenerateCommand.h"
#include "cli/PortsCommand.h"
#include "comm/core/PortLock.h"
#include "comm/core/Serial.h"
#include "comm/qt/HostPorts.h"
#include "comm/qt/QtSerialDevice.h"
#include "comm/qt/QtThreads.h"
#include "doctor/core/Diagnosis.h"
#include "doctor/core/PortAdvice.h"
#include "doctor/core/SystemRoot.h"
#include "sim/core/VirtualRobotPort.h"
#include "tokenizer/Tokenizer.h"

#include <QCoreApplication>

#include <algorithm>
#include <atomic>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <unistd.h>

namespace wayline {

namespace {

// The signal that asked the download to stop; set by the handler, which
// may do nothing else.
std::atomic<int> CaughtSignal{0};
constexpr int ExitAfterSignal = 128;
static_assert(std::atomic<int>::is_always_lock_free);

extern "C" void CatchSignal(int signal) {
    CaughtSignal.store(signal);
}

// Ctrl+C, a kill and a closed terminal stop the download cleanly. The
// handler is taken away once it ran, so a second one ends the program at
// once for a user who will not wait.
void CatchStopSignals() {
    struct sigaction action {};
    action.sa_handler = CatchSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESETHAND;
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
        ::sigaction(signal, &action, nullptr);
    }
}

// A port as the diagnosis knows it: a plain name under /dev. Other paths
// (a pseudo-terminal, a link elsewhere) it does not look at.
std::string DiagnosedName(const std::string& port) {
    const std::string path = DevicePathOf(port);
    if (path.rfind("/dev/", 0) != 0) {
        return {};
    }
    const std::string name = path.substr(5);
    if (name.empty() || name.find('/') != std::string::npos) {
        return {};
    }
    return name;
}

// The scan of every port of this computer, explained as the program
// explains it.
std::vector<TScannedPort> ScanHostPorts(const TSystemRoot& root) {
    const TIdentifyTexts texts;
    const std::vector<std::string> names = HostPortNames();
    const TIdentifyWork work = ExplainingIdentifyWork(SerialSlots(), RobotModuleType, texts, root);
    const std::vector<TPortScanRow> rows =
        ScanPortsInParallel(names, "AUTO", texts, QtThreadStarter(), work);
    std::vector<TScannedPort> scan;
    for (std::size_t i = 0; i < rows.size() && i < names.size(); ++i) {
        if (!rows[i].Ignored) {
            scan.push_back({names[i], rows[i].Result});
        }
    }
    return scan;
}

} // namespace

int RunPortsOnHost(int& argc, char** argv, const TPortsCommand& command) {
    // Qt Serial Port wants an application object in the process.
    QCoreApplication application(argc, argv);
    return command.Run(std::cout, HostPortDetails());
}

int RunDownloadOnHost(int& argc, char** argv, const TDownloadCommand& command) {
    // Each line reaches a pipe as it is printed, not when the program ends.
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    CatchStopSignals();
    QCoreApplication application(argc, argv);
    SetErrorBoxHandler([](const std::string& text) { std::cerr << text << '\n'; });
    TVirtualRobot robot;
    SerialSlots().SetDeviceFactory(WithVirtualRobot(robot, QtSerialDeviceFactory()));
    static const TSystemRoot root("/");
    TDownloadEnvironment environment;
    environment.Slots = &SerialSlots();
    environment.PortNames = HostPortNames;
    environment.StartThread = QtThreadStarter();
    environment.Terminal = ::isatty(STDOUT_FILENO) == 1;
    environment.Answers = ::isatty(STDIN_FILENO) == 1 ? &std::cin : nullptr;
    environment.MakeIdentifyWork = [](int targetType, const TIdentifyTexts& texts) {
        return ExplainingIdentifyWork(SerialSlots(), targetType, texts, root);
    };
    // The diagnosis's own sentences for the ports that did not open or were
    // held: the same words as the doctor and the connection help.
    environment.Advice = [](const std::vector<TScannedPort>& scan) {
        std::vector<TScannedPort> ports;
        for (const TScannedPort& port : scan) {
            const std::string name = DiagnosedName(port.PortName);
            // A path that is no serial port is told so in its row already.
            if (!name.empty() && port.Result.OpenError != OpenErrorNotASerialPort &&
                port.Result.OpenError != OpenErrorNoSuchPort) {
                ports.push_back({name, port.Result});
            }
        }
        std::vector<std::string> lines;
        // A path the diagnosis does not look at (a pseudo-terminal, a link)
        // kept shut by a stale lock or held by another program: the same
        // sentences as for a named port.
        const std::optional<TUserIdentity> user = ReadUserIdentity(root);
        const TDoctorTexts texts;
        for (const TScannedPort& port : scan) {
            if (!DiagnosedName(port.PortName).empty()) {
                continue;
            }
            if (port.Result.OpenError == OpenErrorStaleLock) {
                if (const auto finding = StaleLockFinding(root, port.PortName, user, texts)) {
                    lines.push_back(finding->Text);
                    lines.push_back("    " + finding->Command);
                }
            } else if (port.Result.HolderPid != 0) {
                lines.push_back(FillText(texts.Sentences[fkPortHeld],
                                         {{"port", port.PortName},
                                          {"process", port.Result.HolderName},
                                          {"pid", std::to_string(port.Result.HolderPid)}}));
            }
        }
        for (const TFinding& finding : DiagnoseSystem(root, ports)) {
            const bool scanned = std::any_of(ports.begin(), ports.end(), [&](const auto& port) {
                return port.PortName == finding.Port &&
                       (port.Result.OpenError != OpenErrorNone || port.Result.HolderPid != 0);
            });
            if (finding.Severity == fsBlocking && scanned) {
                lines.push_back(finding.Text);
                if (!finding.Command.empty()) {
                    lines.push_back("    " + finding.Command);
                }
            }
        }
        return lines;
    };
    environment.InterruptSignal = [] { return CaughtSignal.load(); };
    return command.Run(std::cout, std::cerr, TheTokenizer(), RobotProgramTemplateText(),
                       environment);
}

int RunDoctorOnHost(int& argc, char** argv, const TDoctorCommand& command) {
    // The scan opens ports under their locks: a Ctrl+C lets it finish (a
    // second one does not wait), so that no lock is left behind.
    CatchStopSignals();
    QCoreApplication application(argc, argv);
    SetErrorBoxHandler([](const std::string& text) { std::cerr << text << '\n'; });
    SerialSlots().SetDeviceFactory(QtSerialDeviceFactory());
    const int status = command.Run(std::cout, std::cerr, std::getenv(DoctorRootVariable),
                                   [](const TSystemRoot& root) {
                                       // A tree laid out elsewhere has no ports to open.
                                       return root.IsHostRoot() ? ScanHostPorts(root)
                                                                : std::vector<TScannedPort>{};
                                   });
    const int signal = CaughtSignal.load();
    return signal != 0 ? ExitAfterSignal + signal : status;
}

} // namespace wayline
