#pragma once

#include <map>
#include <string>
#include <vector>

namespace wayline {

class TSystemRoot;
struct TUsbAdapterKind;

// A serial port of the computer as sysfs shows it.
struct TSerialPortInfo {
    std::string Name;      // "ttyUSB0", as the port box lists it
    std::string UsbDevice; // sysfs folder of its USB device; empty for a built-in port
    const TUsbAdapterKind* Adapter = nullptr; // when a known adapter
    std::string Driver;                       // "ftdi_sio", "cdc_acm", "serial8250"
    std::string DevNumber;                    // "188:0", the key of its udev database entry
};

// A known USB serial adapter on the bus.
struct TUsbAdapterInfo {
    std::string SysPath; // "/sys/devices/.../usb1/1-2"
    const TUsbAdapterKind* Kind = nullptr;
    std::vector<std::string> InterfaceDrivers; // one per interface, "" when unbound
    std::string DeviceNode;                    // "/dev/bus/usb/001/005", for finding who holds it
};

// A process that has a device of interest open.
struct THolder {
    int Pid = 0;
    std::string Name; // from /proc/<pid>/comm
    bool operator==(const THolder&) const = default;
};

// Everything the diagnosis reads from the system, read once.
struct TSystemSurvey {
    std::vector<TSerialPortInfo> Ports;
    std::vector<TUsbAdapterInfo> Adapters;
    std::vector<std::string> RunningPrograms; // process names, sorted, once each
};

// The serial ports: USB ports (ttyUSB, ttyACM) and built-in ports that
// exist (a ttyS with a known UART type; the rest are empty placeholders).
std::vector<TSerialPortInfo> SurveySerialPorts(const TSystemRoot& root);

// The known USB serial adapters on the bus, with or without a port.
std::vector<TUsbAdapterInfo> SurveyUsbAdapters(const TSystemRoot& root);

// The names of the running processes.
std::vector<std::string> RunningProgramNames(const TSystemRoot& root);

// Which processes have each of `devices` ("/dev/ttyUSB0") open, from their
// /proc/<pid>/fd links and from serial lock files in /run/lock and
// /var/lock. Processes whose fd folder the user may not read stay unknown.
// The process `selfPid` is left out.
std::map<std::string, std::vector<THolder>>
FindHolders(const TSystemRoot& root, const std::vector<std::string>& devices, int selfPid);

// The udev rule files of the braille display daemon that are in force (a
// file in /etc/udev/rules.d masks the one of the same name in /usr/lib),
// as their text; a masked or empty file is not in force.
std::vector<std::string> BrailleDaemonRules(const TSystemRoot& root);

// Whether the rules name the adapter (its vendor and product id on one line),
// or are of a form that names none, and so may claim any adapter.
bool RulesClaimAdapter(const std::vector<std::string>& rules, const TUsbAdapterKind& adapter);

} // namespace wayline
