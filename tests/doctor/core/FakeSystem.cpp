#include "FakeSystem.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>

namespace wayline::testing {

namespace fs = std::filesystem;

namespace {

const std::string UsbRoot = "/sys/devices/pci0000:00/0000:00:14.0/usb1";

std::string Hex4(std::uint16_t value) {
    char text[8];
    std::snprintf(text, sizeof text, "%04x", value);
    return text;
}

} // namespace

std::uint32_t PupilUid() {
    return ::getuid() == 4242 ? 4243 : 4242;
}

TFakeSystem::TFakeSystem() {
    std::string pattern = (fs::temp_directory_path() / "wayline-doctor-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) {
        ADD_FAILURE() << "cannot make a temporary folder";
    }
    RootPath = pattern;
    for (const char* dir :
         {"/proc", "/sys/class/tty", "/sys/bus/usb/devices", "/sys/bus/usb-serial/devices", "/dev",
          "/etc", "/run/udev/data", "/run/lock"}) {
        MakeDir(dir);
    }
}

TFakeSystem::~TFakeSystem() {
    std::error_code ec;
    fs::remove_all(RootPath, ec);
}

fs::path TFakeSystem::Map(std::string_view systemPath) const {
    return RootPath / fs::path(systemPath).relative_path();
}

void TFakeSystem::MakeDir(std::string_view systemPath) {
    fs::create_directories(Map(systemPath));
}

void TFakeSystem::Write(std::string_view systemPath, std::string_view text) {
    fs::create_directories(Map(systemPath).parent_path());
    std::ofstream(Map(systemPath), std::ios::binary) << text;
}

void TFakeSystem::Link(std::string_view systemPath, std::string_view target) {
    const fs::path link(systemPath);
    RawLink(systemPath, fs::path(target).lexically_relative(link.parent_path()).string());
}

void TFakeSystem::RawLink(std::string_view systemPath, std::string_view target) {
    fs::create_directories(Map(systemPath).parent_path());
    std::error_code ec;
    fs::remove(Map(systemPath), ec);
    fs::create_symlink(fs::path(target), Map(systemPath));
}

void TFakeSystem::Chmod(std::string_view systemPath, unsigned mode) {
    fs::permissions(Map(systemPath), static_cast<fs::perms>(mode), fs::perm_options::replace);
}

std::string TFakeSystem::AddUsbDevice(int port, std::uint16_t vendor, std::uint16_t product) {
    const std::string name = "1-" + std::to_string(port);
    const std::string path = UsbRoot + "/" + name;
    Write(path + "/idVendor", Hex4(vendor) + "\n");
    Write(path + "/idProduct", Hex4(product) + "\n");
    Write(path + "/busnum", "1\n");
    Write(path + "/devnum", std::to_string(port + 1) + "\n");
    Link("/sys/bus/usb/devices/" + name, path);
    return path;
}

std::string TFakeSystem::AddInterface(const std::string& usbDevice, std::string_view driver) {
    const std::string path = usbDevice + "/" + usbDevice.substr(usbDevice.rfind('/') + 1) + ":1.0";
    MakeDir(path);
    if (!driver.empty()) {
        Link(path + "/driver", "/sys/bus/usb/drivers/" + std::string(driver));
    }
    return path;
}

std::string TFakeSystem::AddUsbSerialPort(const std::string& name, std::uint16_t vendor,
                                          std::uint16_t product, std::string_view driver,
                                          int usbPort) {
    const std::string usbDevice = AddUsbDevice(usbPort, vendor, product);
    const bool acm = name.rfind("ttyACM", 0) == 0;
    const std::string interface = AddInterface(usbDevice, driver);
    std::string portDevice = interface;
    std::string classDevice;
    const int minor = name.back() - '0';
    if (acm) {
        classDevice = interface + "/tty/" + name;
        Write(classDevice + "/dev", "166:" + std::to_string(minor) + "\n");
    } else {
        portDevice = interface + "/" + name;
        Link(portDevice + "/driver", "/sys/bus/usb-serial/drivers/" + std::string(driver));
        Link("/sys/bus/usb-serial/devices/" + name, portDevice);
        classDevice = portDevice + "/tty/" + name;
        Write(classDevice + "/dev", "188:" + std::to_string(minor) + "\n");
    }
    Link(classDevice + "/device", portDevice);
    Link("/sys/class/tty/" + name, classDevice);
    Write("/dev/" + name, "");
    Chmod("/dev/" + name, 0660);
    return portDevice;
}

void TFakeSystem::AddBuiltinPort(const std::string& name, std::string_view type) {
    const std::string device = "/sys/devices/platform/serial8250/" + name;
    const std::string classDevice = device + "/tty/" + name;
    Link(device + "/driver", "/sys/bus/platform/drivers/serial8250");
    Write(classDevice + "/type", std::string(type) + "\n");
    Write(classDevice + "/dev", "4:64\n");
    Link(classDevice + "/device", device);
    Link("/sys/class/tty/" + name, classDevice);
    Write("/dev/" + name, "");
    Chmod("/dev/" + name, 0660);
}

void TFakeSystem::AddProcess(int pid, std::string_view name,
                             const std::vector<std::string>& openFiles) {
    const std::string dir = "/proc/" + std::to_string(pid);
    Write(dir + "/comm", std::string(name) + "\n");
    MakeDir(dir + "/fd");
    for (std::size_t i = 0; i < openFiles.size(); ++i) {
        RawLink(dir + "/fd/" + std::to_string(i + 3), openFiles[i]);
    }
}

void TFakeSystem::SetUser(std::uint32_t uid, std::uint32_t gid,
                          const std::vector<std::uint32_t>& groups, std::string_view name,
                          int pid) {
    std::string status = "Name:\twayline\nUmask:\t0022\nState:\tR (running)\n";
    const std::string u = std::to_string(uid);
    const std::string g = std::to_string(gid);
    status += "Uid:\t" + u + "\t" + u + "\t" + u + "\t" + u + "\n";
    status += "Gid:\t" + g + "\t" + g + "\t" + g + "\t" + g + "\n";
    status += "FDSize:\t64\nGroups:\t";
    for (std::uint32_t group : groups) {
        status += std::to_string(group) + " ";
    }
    status += "\nVmPeak:\t  1000 kB\n";
    AddProcess(pid, "wayline");
    Write("/proc/" + std::to_string(pid) + "/status", status);
    RawLink("/proc/self", std::to_string(pid));
    if (!name.empty()) {
        AddPasswd(name, uid, gid);
    }
}

void TFakeSystem::AddPasswd(std::string_view name, std::uint32_t uid, std::uint32_t gid) {
    PasswdText += std::string(name) + ":x:" + std::to_string(uid) + ":" + std::to_string(gid) +
                  "::/home/" + std::string(name) + ":/bin/bash\n";
    Write("/etc/passwd", PasswdText);
}

void TFakeSystem::AddGroup(std::string_view name, std::uint32_t gid, std::string_view members) {
    GroupText +=
        std::string(name) + ":x:" + std::to_string(gid) + ":" + std::string(members) + "\n";
    Write("/etc/group", GroupText);
}

std::uint32_t TFakeSystem::FileGid() const {
    struct stat st {};
    ::stat(RootPath.c_str(), &st);
    return st.st_gid;
}

std::uint32_t TFakeSystem::FileUid() const {
    struct stat st {};
    ::stat(RootPath.c_str(), &st);
    return st.st_uid;
}

} // namespace wayline::testing
