#pragma once

#include "comm/core/MsClock.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace wayline {

// Error codes of SerialDevice::Open, and so of TSerial::LastError and the
// ErrorCode of OpenFreeSlot. The numbers 2 and 5 are the ones the callers
// turn into "invalid port" and "can't open port; in use".
inline constexpr std::uint32_t OpenErrorNone = 0;
inline constexpr std::uint32_t OpenErrorNoSuchPort = 2;
inline constexpr std::uint32_t OpenErrorInUse =
    5; // also a tty lock or exclusive mode held elsewhere
inline constexpr std::uint32_t OpenErrorPermission = 13; // the user may not open the device
inline constexpr std::uint32_t OpenErrorNotASerialPort = 25; // a folder, a file, /dev/null
inline constexpr std::uint32_t OpenErrorOther = 31;
// A lock file names a process that has ended, and this user may not
// remove it (another user's file in the sticky lock folder).
inline constexpr std::uint32_t OpenErrorStaleLock = 37;

// What a device knows about its last failed Open beyond the error code,
// so that the port's row can name the cause: the path the name led to,
// the process that holds the port, the lock file in the way.
struct TOpenFailure {
    std::uint32_t Code = OpenErrorNone;
    std::string Path;          // the device path the name was looked up as
    std::string LockFiles;     // OpenErrorStaleLock: the files to remove, blank-separated
    std::uint32_t LockOwner = 0; // their owner's user id
    int LockPid = 0;           // the ended process the stale lock names
    int HolderPid = 0;         // OpenErrorInUse: the process holding the port, 0 when unknown
    std::string HolderName;
};

// Modem input status bit of DSR, as ModemStatus reports it.
inline constexpr std::uint32_t ModemStatusDsr = 0x20;

// The platform port behind TSerial: one serial device, opened by name.
// Implementations: the real port (Qt Serial Port), a simulated module in
// the same process, and test doubles. One thread uses a device at a time.
class SerialDevice {
public:
    virtual ~SerialDevice() = default;

    // Opens the named port for reading and writing with exclusive access.
    // Returns OpenErrorNone or one of the codes above.
    virtual std::uint32_t Open(const std::string& name) = 0;
    // Closes the port; harmless when it is not open.
    virtual void Close() = 0;
    // After an Open that failed: what more is known (the code included).
    virtual TOpenFailure LastOpenFailure() const { return {}; }

    // Reads the port's current settings: false when the platform cannot.
    virtual bool ReadSettings() = 0;
    // Applies the line settings: baud rate, parity (none, or even), data
    // bits, one stop bit, raw, no flow control of any kind. The result is
    // the platform's; callers ignore it.
    virtual bool ApplySettings(std::uint32_t baud, bool evenParity, int dataBits) = 0;

    // The output lines and the break condition. A device without modem
    // lines (a pseudo-terminal) does nothing here.
    virtual void SetDtr(bool on) = 0;
    virtual void SetRts(bool on) = 0;
    virtual void SetBreak(bool on) = 0;
    // Modem input status bits; ModemStatusDsr when DSR is on.
    virtual std::uint32_t ModemStatus() = 0;

    // Waits at most `timeoutMs` in total for `count` bytes; stores what
    // arrived at `data` and returns how many (0 to count).
    virtual int Read(std::uint8_t* data, int count, std::uint32_t timeoutMs) = 0;
    // Writes `count` bytes, giving up after `timeoutMs`. True when the
    // platform accepted the write, also if fewer bytes went out in time.
    virtual bool Write(const std::uint8_t* data, int count, std::uint32_t timeoutMs) = 0;
    // Bytes waiting in the receive queue, without waiting; `lineErrors`
    // receives the line-error flags the platform reports (0 when none).
    virtual int BytesWaiting(std::uint32_t& lineErrors) = 0;
    // Reads up to `count` of the bytes already waiting, without waiting.
    virtual int ReadWaiting(std::uint8_t* data, int count) = 0;

    // The clock the exchanges on this port wait on: the host's for a real
    // port, simulated time for a simulated module.
    virtual TMsClock& Clock() = 0;
};

// Makes the device for a port name (a real port, or the virtual robot).
using TSerialDeviceFactory = std::function<std::unique_ptr<SerialDevice>(const std::string& name)>;

} // namespace wayline
