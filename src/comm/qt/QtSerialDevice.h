#pragma once

#include "comm/core/SerialDevice.h"

#include <cstdint>
#include <memory>
#include <string>

class QSerialPort;

namespace wayline {

// A real serial port of the host through Qt Serial Port, used blocking:
// every read and write waits in the calling thread with its own time-out.
// The QSerialPort is made in Open and destroyed in Close, so it belongs to
// the thread that opened the port, which must be one Qt knows (the main
// thread or a QThread).
//
// Names: a name without a slash is a device under /dev (ttyUSB0, ttyS0);
// anything else is taken as the device's path (/dev/pts/5,
// /dev/serial/by-id/usb-...). The device is opened exclusively: Qt's lock
// file and TIOCEXCL.
//
// A device without modem lines (a pseudo-terminal) opens too; DTR, RTS and
// BREAK then do nothing and DSR reads off.
class QtSerialDevice final : public SerialDevice {
public:
    explicit QtSerialDevice(TMsClock& clock = SystemClock());
    ~QtSerialDevice() override;
    QtSerialDevice(const QtSerialDevice&) = delete;
    QtSerialDevice& operator=(const QtSerialDevice&) = delete;

    std::uint32_t Open(const std::string& name) override;
    void Close() override;
    bool ReadSettings() override;
    bool ApplySettings(std::uint32_t baud, bool evenParity, int dataBits) override;
    void SetDtr(bool on) override;
    void SetRts(bool on) override;
    void SetBreak(bool on) override;
    std::uint32_t ModemStatus() override;
    int Read(std::uint8_t* data, int count, std::uint32_t timeoutMs) override;
    bool Write(const std::uint8_t* data, int count, std::uint32_t timeoutMs) override;
    int BytesWaiting(std::uint32_t& lineErrors) override;
    int ReadWaiting(std::uint8_t* data, int count) override;
    TMsClock& Clock() override { return HostClock; }

    // The port vanished while open (a USB adapter was pulled): every later
    // operation returns at once.
    bool Vanished() const { return Gone; }
    // Whether the driver took the request for low latency (USB serial
    // adapters otherwise hold replies back for up to 16 ms).
    bool LowLatency() const { return LowLatencySet; }

private:
    bool CheckVanished();

    TMsClock& HostClock;
    std::unique_ptr<QSerialPort> Port;
    bool Gone = false;
    bool LowLatencySet = false;
};

// The device path a port name opens: /dev/NAME, or the name itself when it
// is a path.
std::string DevicePath(const std::string& name);

// The open error code for an errno of open(2) or of the lock.
std::uint32_t OpenErrorFromErrno(int error);

// For a port the user may not open: what to do about it, naming the group
// that owns the device ("add your user to the group 'dialout' ...").
std::string PermissionFixText(const std::string& name);

// Makes QtSerialDevice objects: the factory of real ports.
TSerialDeviceFactory QtSerialDeviceFactory();

} // namespace wayline
