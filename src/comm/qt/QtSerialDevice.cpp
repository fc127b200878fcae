#include "comm/qt/QtSerialDevice.h"

#include <QSerialPort>
#include <QString>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <grp.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>
#include <vector>
#ifdef __linux__
#include <linux/serial.h>
#endif

namespace wayline {

namespace {

std::uint32_t OpenErrorFromQt(QSerialPort::SerialPortError error) {
    switch (error) {
    case QSerialPort::DeviceNotFoundError:
        return OpenErrorNoSuchPort;
    case QSerialPort::PermissionError: // the lock file or TIOCEXCL of another program
    case QSerialPort::OpenError:       // already open
        return OpenErrorInUse;
    default:
        return OpenErrorOther;
    }
}

// The name of the group that owns the device, or nothing.
std::string DeviceGroup(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        return {};
    }
    std::vector<char> buffer(4096);
    group entry{};
    group* found = nullptr;
    if (::getgrgid_r(info.st_gid, &entry, buffer.data(), buffer.size(), &found) != 0 ||
        found == nullptr || found->gr_name == nullptr) {
        return {};
    }
    return found->gr_name;
}

} // namespace

std::string DevicePath(const std::string& name) {
    if (name.find('/') != std::string::npos) {
        return name;
    }
    return "/dev/" + name;
}

std::uint32_t OpenErrorFromErrno(int error) {
    switch (error) {
    case ENOENT:
    case ENOTDIR:
    case ENODEV:
    case ENXIO:
        return OpenErrorNoSuchPort;
    case EACCES:
    case EPERM:
        return OpenErrorPermission;
    case EBUSY:
        return OpenErrorInUse;
    default:
        return OpenErrorOther;
    }
}

std::string PermissionFixText(const std::string& name) {
    const std::string group = DeviceGroup(DevicePath(name));
    if (group.empty() || group == "root") {
        return "you may not open " + DevicePath(name) + "; ask the administrator for access to it";
    }
    return "you may not open " + DevicePath(name) + ": add your user to the group '" + group +
           "' (sudo usermod -aG " + group + " $USER), then log out and in again";
}

TSerialDeviceFactory QtSerialDeviceFactory() {
    return [](const std::string&) -> std::unique_ptr<SerialDevice> {
        return std::make_unique<QtSerialDevice>();
    };
}

QtSerialDevice::QtSerialDevice(TMsClock& clock) : HostClock(clock) {}

QtSerialDevice::~QtSerialDevice() {
    Close();
}

std::uint32_t QtSerialDevice::Open(const std::string& name) {
    if (Port) {
        return OpenErrorInUse;
    }
    // Qt reports a missing device, a device of another user and a device
    // held by another program alike as errors it cannot tell apart well;
    // the first two are found out here, before it tries.
    const std::string path = DevicePath(name);
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        return OpenErrorFromErrno(errno);
    }
    if (!S_ISCHR(info.st_mode)) {
        return OpenErrorNoSuchPort; // a file or a folder, not a serial device
    }
    if (::access(path.c_str(), R_OK | W_OK) != 0) {
        return OpenErrorFromErrno(errno);
    }
    auto port = std::make_unique<QSerialPort>();
    port->setPortName(QString::fromStdString(path));
    if (!port->open(QIODevice::ReadWrite)) {
        return OpenErrorFromQt(port->error());
    }
    port->clearError();
    Port = std::move(port);
    Gone = false;
    LowLatencySet = false;
#ifdef __linux__
    // USB serial adapters otherwise hold each reply back for up to 16 ms.
    serial_struct serial{};
    if (::ioctl(static_cast<int>(Port->handle()), TIOCGSERIAL, &serial) == 0) {
        serial.flags |= ASYNC_LOW_LATENCY;
        LowLatencySet = ::ioctl(static_cast<int>(Port->handle()), TIOCSSERIAL, &serial) == 0;
    }
#endif
    return OpenErrorNone;
}

void QtSerialDevice::Close() {
    if (Port) {
        Port->close();
        Port.reset();
    }
    Gone = false;
}

bool QtSerialDevice::CheckVanished() {
    if (Port->error() == QSerialPort::ResourceError) {
        Gone = true;
    }
    Port->clearError();
    return Gone;
}

bool QtSerialDevice::ReadSettings() {
    if (!Port || Gone) {
        return false;
    }
    termios modes{};
    return ::tcgetattr(static_cast<int>(Port->handle()), &modes) == 0;
}

bool QtSerialDevice::ApplySettings(std::uint32_t baud, bool evenParity, int dataBits) {
    if (!Port || Gone) {
        return false;
    }
    bool ok = Port->setBaudRate(static_cast<qint32>(std::min<std::uint32_t>(baud, INT_MAX)));
    ok = dataBits >= 5 && dataBits <= 8 &&
         Port->setDataBits(static_cast<QSerialPort::DataBits>(dataBits)) && ok;
    ok = Port->setParity(evenParity ? QSerialPort::EvenParity : QSerialPort::NoParity) && ok;
    ok = Port->setStopBits(QSerialPort::OneStop) && ok;
    ok = Port->setFlowControl(QSerialPort::NoFlowControl) && ok;
    // Raw beyond what Qt sets: no flow control in either direction, no byte
    // replaced, dropped or marked on a line error, modem lines not watched.
    termios modes{};
    const int fd = static_cast<int>(Port->handle());
    if (::tcgetattr(fd, &modes) == 0) {
        modes.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY | IGNBRK | BRKINT | PARMRK |
                                                ISTRIP | INLCR | IGNCR | ICRNL | IGNPAR);
        modes.c_cflag &= ~static_cast<tcflag_t>(CRTSCTS | HUPCL);
        modes.c_cflag |= CLOCAL | CREAD;
        ok = ::tcsetattr(fd, TCSANOW, &modes) == 0 && ok;
    }
    Port->clearError();
    return ok;
}

void QtSerialDevice::SetDtr(bool on) {
    if (Port && !Gone) {
        Port->setDataTerminalReady(on); // a device without modem lines refuses; nothing to do
        Port->clearError();
    }
}

void QtSerialDevice::SetRts(bool on) {
    if (Port && !Gone) {
        Port->setRequestToSend(on);
        Port->clearError();
    }
}

void QtSerialDevice::SetBreak(bool on) {
    if (Port && !Gone) {
        Port->setBreakEnabled(on);
        Port->clearError();
    }
}

std::uint32_t QtSerialDevice::ModemStatus() {
    if (!Port || Gone) {
        return 0;
    }
    const QSerialPort::PinoutSignals signals = Port->pinoutSignals();
    Port->clearError();
    return signals.testFlag(QSerialPort::DataSetReadySignal) ? ModemStatusDsr : 0;
}

int QtSerialDevice::Read(std::uint8_t* data, int count, std::uint32_t timeoutMs) {
    if (!Port || Gone || count <= 0) {
        return 0;
    }
    const std::uint64_t deadline = HostClock.NowMs() + timeoutMs;
    int got = 0;
    for (;;) {
        // waitForReadyRead waits for new bytes only: take what is there first.
        const qint64 available = Port->bytesAvailable();
        if (available > 0) {
            const qint64 n = Port->read(reinterpret_cast<char*>(data + got),
                                        std::min<qint64>(available, count - got));
            if (n > 0) {
                got += static_cast<int>(n);
            }
        }
        if (got == count) {
            return got;
        }
        const std::uint64_t now = HostClock.NowMs();
        if (now >= deadline) {
            return got;
        }
        if (!Port->waitForReadyRead(
                static_cast<int>(std::min<std::uint64_t>(deadline - now, INT_MAX))) &&
            CheckVanished()) {
            return got;
        }
    }
}

bool QtSerialDevice::Write(const std::uint8_t* data, int count, std::uint32_t timeoutMs) {
    if (!Port || Gone) {
        return false;
    }
    if (count == 0) {
        return true;
    }
    if (Port->write(reinterpret_cast<const char*>(data), count) < 0) {
        CheckVanished();
        return false;
    }
    Port->waitForBytesWritten(static_cast<int>(std::min<std::uint32_t>(timeoutMs, INT_MAX)));
    return !CheckVanished();
}

int QtSerialDevice::BytesWaiting(std::uint32_t& lineErrors) {
    lineErrors = 0; // Qt 6 reports no framing or parity errors
    if (!Port || Gone) {
        return 0;
    }
    // Bytes reach Qt's buffer only while it waits: let it look once.
    Port->waitForReadyRead(0);
    CheckVanished();
    return static_cast<int>(std::min<qint64>(Port->bytesAvailable(), INT_MAX));
}

int QtSerialDevice::ReadWaiting(std::uint8_t* data, int count) {
    if (!Port || count <= 0) {
        return 0;
    }
    const qint64 n = Port->read(reinterpret_cast<char*>(data), count);
    return n > 0 ? static_cast<int>(n) : 0;
}

} // namespace wayline
