#pragma once

#include "comm/core/PortLock.h"
#include "comm/core/SerialDevice.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class QSerialPort;

namespace wayline {

// A real serial port of the host through Qt Serial Port, used blocking:
// every read and write waits in the calling thread with its own time-out.
// The QSerialPort is made in Open and destroyed in Close, so it belongs to
// the thread that opened the port, which must be one Qt knows (the main
// thread or a QThread).
//
// Names: a path from the root is the device's path (/dev/pts/5,
// /dev/serial/by-id/usb-...); any other name is looked up under /dev only
// (ttyUSB0, pts/5), never in the current folder. Links are followed to the
// device itself, which is locked by its identity (TPortLock) as well as by
// its name (Qt's lock file) and opened exclusively (TIOCEXCL): two names of
// one device are one lock. A lock left by an ended process is taken over.
// Anything but a terminal device (a folder, a file, /dev/null) is refused
// as no serial port.
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
    TOpenFailure LastOpenFailure() const override { return Failure; }
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

    // The port vanished while open (a USB adapter was pulled, the other end
    // of a pseudo-terminal closed): every later operation returns at once.
    bool Vanished() const { return Gone; }
    // Whether the driver took the request for low latency (USB serial
    // adapters otherwise hold replies back for up to 16 ms).
    bool LowLatency() const { return LowLatencySet; }

    // Where the lock files are looked for and made (tests use their own).
    void SetLockFolders(std::vector<std::string> folders);

    // The raw file descriptor of the open port, for tests that look at the
    // line settings the operating system holds; -1 when closed.
    int Handle() const;

private:
    bool CheckVanished();
    std::uint32_t Fail(std::uint32_t code);

    TMsClock& HostClock;
    std::unique_ptr<TPortLock> Lock;
    TOpenFailure Failure;
    std::unique_ptr<QSerialPort> Port;
    bool Gone = false;
    bool LowLatencySet = false;
};

// The device path a port name opens: the name itself when it is a path
// from the root, else /dev/NAME.
std::string DevicePath(const std::string& name);

// The open error code for an errno of open(2) or of the lock.
std::uint32_t OpenErrorFromErrno(int error);

// Makes QtSerialDevice objects: the factory of real ports.
TSerialDeviceFactory QtSerialDeviceFactory();

} // namespace wayline
