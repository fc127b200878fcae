#include "cli/SerialCommands.h"

#include "cli/DownloadCommand.h"
#include "cli/GenerateCommand.h"
#include "cli/PortsCommand.h"
#include "comm/core/Serial.h"
#include "comm/qt/HostPorts.h"
#include "comm/qt/QtSerialDevice.h"
#include "comm/qt/QtThreads.h"
#include "sim/core/VirtualRobotPort.h"
#include "tokenizer/Tokenizer.h"

#include <QCoreApplication>

#include <iostream>
#include <unistd.h>

namespace wayline {

bool IsSerialCommand(const std::string& command) {
    return command == "ports" || command == "download";
}

int RunSerialCommand(int& argc, char** argv, const std::string& command,
                     const std::vector<std::string>& arguments) {
    // Qt Serial Port wants an application object in the process.
    QCoreApplication application(argc, argv);
    if (command == "ports") {
        return RunPortsCommand(arguments, std::cout, std::cerr, HostPortDetails());
    }
    SetErrorBoxHandler([](const std::string& text) { std::cerr << text << '\n'; });
    TVirtualRobot robot;
    SerialSlots().SetDeviceFactory(WithVirtualRobot(robot, QtSerialDeviceFactory()));
    TDownloadEnvironment environment;
    environment.Slots = &SerialSlots();
    environment.PortNames = HostPortNames;
    environment.StartThread = QtThreadStarter();
    environment.Terminal = ::isatty(STDOUT_FILENO) == 1;
    environment.Answers = ::isatty(STDIN_FILENO) == 1 ? &std::cin : nullptr;
    environment.OpenErrorAdvice = [](const std::string& port, std::uint32_t error) {
        return error == OpenErrorPermission ? PermissionFixText(port) : std::string();
    };
    return RunDownloadCommand(arguments, std::cout, std::cerr, TheTokenizer(),
                              RobotProgramTemplateText(), environment);
}

} // namespace wayline
