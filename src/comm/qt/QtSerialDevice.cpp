#include "comm/qt/QtSerialDevice.h"

#include <QSerialPort>
#include <QString>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
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

} // namespace

std::string DevicePath(const std::string& name) {
    return DevicePathOf(name);
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

TSerialDeviceFactory QtSerialDeviceFactory() {
    return [](const std::string&) -> std::unique_ptr<SerialDevice> {
        return std::make_unique<QtSerialDevice>();
    };
}

QtSerialDevice::QtSerialDevice(TMsClock& clock) : HostClock(clock) {}

QtSerialDevice::~QtSerialDevice() {
    Close();
}

void QtSerialDevice::SetLockFolders(std::vector<std::string> folders) {
    Lock = std::make_unique<TPortLock>(std::move(folders));
}

int QtSerialDevice::Handle() const {
    return Port ? static_cast<int>(Port->handle()) : -1;
}

std::uint32_t QtSerialDevice::Fail(std::uint32_t code) {
    Failure.Code = code;
    return code;
}

std::uint32_t QtSerialDevice::Open(const std::string& name) {
    if (Port) {
        return OpenErrorInUse;
    }
    Failure = {};
    // Qt reports a missing device, a device of another user and a device
    // held by another program alike as errors it cannot tell apart well;
    // those are found out here, before it tries.
    const std::string path = DevicePath(name);
    Failure.Path = path;
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        return Fail(OpenErrorFromErrno(errno));
    }
    if (!S_ISCHR(info.st_mode)) {
        return Fail(OpenErrorNotASerialPort); // a file or a folder
    }
    // The device itself, whatever name led to it: the lock and Qt's own
    // lock file then go by the device, not by the link.
    const std::string device = CanonicalPath(path);
    if (device.empty()) {
        return Fail(OpenErrorFromErrno(errno));
    }
    if (::access(device.c_str(), R_OK | W_OK) != 0) {
        return Fail(OpenErrorFromErrno(errno));
    }
    // A character device that is no terminal (/dev/null, /dev/zero) takes
    // bytes without complaint and never answers: refuse it by name.
    const int probe = ::open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (probe < 0) {
        return Fail(OpenErrorFromErrno(errno));
    }
    const bool terminal = ::isatty(probe) == 1;
    ::close(probe);
    if (!terminal) {
        return Fail(OpenErrorNotASerialPort);
    }

    if (!Lock) {
        Lock = std::make_unique<TPortLock>();
    }
    const TOpenFailure locked = Lock->Acquire(device);
    if (locked.Code != OpenErrorNone) {
        Failure = locked;
        Failure.Path = path;
        return locked.Code;
    }
    auto port = std::make_unique<QSerialPort>();
    port->setPortName(QString::fromStdString(device));
    if (!port->open(QIODevice::ReadWrite)) {
        Lock->Release();
        return Fail(OpenErrorFromQt(port->error()));
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
        // After the port: no other program can slip in between.
        if (Lock) {
            Lock->Release();
        }
    }
    Gone = false;
}

bool QtSerialDevice::CheckVanished() {
    // A pulled USB adapter shows as a resource error, a hung-up terminal as
    // a read or write error; either way the port answers nothing any more.
    // Only a time-out is the normal end of a wait.
    const QSerialPort::SerialPortError error = Port->error();
    if (error != QSerialPort::NoError && error != QSerialPort::TimeoutError) {
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
        // No byte changed on the way out, none echoed or taken as a line
        // editing or signal character on the way in: 0x0D, 0x11 and 0x13
        // are packet bytes like any other.
        modes.c_oflag &= ~static_cast<tcflag_t>(OPOST);
        modes.c_lflag &= ~static_cast<tcflag_t>(ECHO | ECHOE | ECHOK | ECHONL | ICANON | ISIG |
                                                IEXTEN);
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
