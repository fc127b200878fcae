#pragma once

// A computer laid out as files in a temporary folder: the parts of /sys,
// /proc, /dev, /etc and /run the connection diagnosis reads, with links
// made relative so they resolve inside the folder as they do on a real
// system.

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace wayline::testing {

class TFakeSystem {
public:
    TFakeSystem();
    ~TFakeSystem();
    TFakeSystem(const TFakeSystem&) = delete;
    TFakeSystem& operator=(const TFakeSystem&) = delete;

    const std::filesystem::path& Root() const { return RootPath; }
    std::filesystem::path Map(std::string_view systemPath) const;

    void Write(std::string_view systemPath, std::string_view text);
    // A link at `systemPath` to the system path `target`, written relative.
    void Link(std::string_view systemPath, std::string_view target);
    // A link whose target is written as given (fd links, /dev/null masks).
    void RawLink(std::string_view systemPath, std::string_view target);
    void MakeDir(std::string_view systemPath);
    void Chmod(std::string_view systemPath, unsigned mode);

    // A USB device "1-<port>" on bus 1 with its ids; returns its sysfs path.
    std::string AddUsbDevice(int port, std::uint16_t vendor, std::uint16_t product);
    // Its first interface, bound to `driver` (none when empty).
    std::string AddInterface(const std::string& usbDevice, std::string_view driver);
    // A USB serial adapter with its port: ttyUSB<n> through a usb-serial
    // driver, or ttyACM<n> through cdc_acm. The device node is mode 0660.
    // Returns the port's device folder (where latency_timer lives).
    std::string AddUsbSerialPort(const std::string& name, std::uint16_t vendor,
                                 std::uint16_t product, std::string_view driver, int usbPort);
    // A built-in port with its UART type ("0": nothing there).
    void AddBuiltinPort(const std::string& name, std::string_view type);

    // A running process with the given files open.
    void AddProcess(int pid, std::string_view name, const std::vector<std::string>& openFiles = {});

    // The user the diagnosis runs for: /proc/self and the passwd line.
    void SetUser(std::uint32_t uid, std::uint32_t gid, const std::vector<std::uint32_t>& groups,
                 std::string_view name, int pid = 4000);
    void AddGroup(std::string_view name, std::uint32_t gid, std::string_view members);
    void AddPasswd(std::string_view name, std::uint32_t uid, std::uint32_t gid);

    // The group id that files made by this test belong to: the device
    // nodes' owning group.
    std::uint32_t FileGid() const;
    std::uint32_t FileUid() const;

private:
    std::filesystem::path RootPath;
    std::string GroupText;
    std::string PasswdText;
};

// A user id that is not the test's own, so the device nodes it made are
// not the user's.
std::uint32_t PupilUid();

} // namespace wayline::testing
