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

int RunPortsOnHost(int& argc, char** argv, const TPortsCommand& command) {
    // Qt Serial Port wants an application object in the process.
    QCoreApplication application(argc, argv);
    return command.Run(std::cout, HostPortDetails());
}

int RunDownloadOnHost(int& argc, char** argv, const TDownloadCommand& command) {
    QCoreApplication application(argc, argv);
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
    return command.Run(std::cout, std::cerr, TheTokenizer(), RobotProgramTemplateText(),
                       environment);
}

} // namespace wayline
