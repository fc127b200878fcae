#pragma once

#include "comm/core/SerialDevice.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

namespace wayline {

// Slot numbers: four slots -3 to 0; NoSlot means no slot and no port.
inline constexpr int NoSlot = -4;
inline constexpr int FirstSlot = -3;
inline constexpr int LastSlot = 0;
inline constexpr int SlotCount = 4;

// ReadByte's answer for a port that is not open (a time-out is -1).
inline constexpr int PortNotOpen = 1000;
// Block reads take at most this many bytes; other counts drain.
inline constexpr int RxBufferSize = 4096;

// One serial port of the host for the byte-level exchanges with the module:
// opened by name at fixed line settings, DTR, RTS and BREAK, DSR, reads and
// writes with a time-out given on each call. All operations act only while
// the port is open; one thread uses a slot at a time.
class TSerial {
public:
    TSerial();
    ~TSerial();
    TSerial(const TSerial&) = delete;
    TSerial& operator=(const TSerial&) = delete;

    // Makes the device a port name opens on; set by the slot table.
    void SetDeviceFactory(TSerialDeviceFactory factory);

    // Opens the port; `errorCode`, when given, receives LastError before the
    // slot's reservation ends (after that another thread may claim it).
    bool OpenPort(const std::string& comName, const std::string& baudText,
                  const std::string& parityText, const std::string& dataBitsText,
                  std::uint32_t* errorCode = nullptr, TOpenFailure* failure = nullptr);
    void ClosePort();
    void ApplySettings(const std::string& baudText, const std::string& parityText,
                       const std::string& dataBitsText);
    void SetTimeouts(std::uint32_t readInterval, std::uint32_t readTotalMultiplier,
                     std::uint32_t readTotalConstant, std::uint32_t writeTotalMultiplier,
                     std::uint32_t writeTotalConstant);

    int ReadByte(std::uint32_t timeoutMs);
    bool WriteByte(std::uint8_t value, std::uint32_t timeoutMs);
    bool WriteBlock(const std::uint8_t* data, int count, std::uint32_t timeoutMs);
    // 1..4096: waits for `count` bytes into RxBuffer; otherwise drains.
    int ReadBlock(int count, std::uint32_t timeoutMs);

    void SetDTR(int state);
    void SetRTS(int state);
    void SetBreak(int state);
    std::uint32_t ModemStatus();

    // The clock exchanges on this slot wait on: the device's while open,
    // the host's otherwise.
    TMsClock& Clock();
    // Waits on this slot's clock.
    void WaitMs(std::uint32_t milliseconds);

    // Fields, in the order of the record they stand for. Opened and
    // Reserved are read by other threads while they look for a free slot.
    std::atomic<bool> Opened{false};
    std::atomic<bool> Reserved{false};
    std::string ComName;
    std::unique_ptr<SerialDevice> Handle;     // null when closed
    std::unique_ptr<std::uint8_t[]> RxBuffer; // RxBufferSize + 1 bytes while open
    std::array<std::uint32_t, 5> Timeouts{};
    std::uint32_t LastError = 0;
    // The details of the last failed OpenPort (its code is LastError).
    TOpenFailure LastFailure;

private:
    bool OpenKeepingReservation(const std::string& comName, const std::string& baudText,
                                const std::string& parityText, const std::string& dataBitsText);

    TSerialDeviceFactory Factory;
};

// The port slot table: four TSerial objects numbered -3 to 0 and the lock
// that guards the search for a free one.
class TSerialSlots {
public:
    explicit TSerialSlots(TSerialDeviceFactory factory = {});

    void SetDeviceFactory(TSerialDeviceFactory factory);

    // Slot -3..0; the slot number is the handle every caller passes around.
    TSerial& Slot(int slot);
    bool IsFree(int slot) const;

    // Claims a free slot (0, -1, -2, -3 in that order) under SlotLock, opens
    // `comName` in it at 9600 8N1 and returns its number; NoSlot when no slot
    // is free (errorCode 0) or the port fails to open (errorCode = LastError,
    // and `failure`, when given, what more the device knows).
    int OpenFreeSlot(const std::string& comName, std::uint32_t& errorCode,
                     TOpenFailure* failure = nullptr);
    // Closes the port in the slot; harmless for a free slot or NoSlot.
    void ClosePort(int slot);

private:
    std::array<TSerial, SlotCount> Slots; // index = slot + 3
    std::mutex SlotLock;
};

// The program's one slot table.
TSerialSlots& SerialSlots();

// The wait on the host's tick counter.
void WaitMs(std::uint32_t milliseconds);
// The integer value of a decimal text; an empty text gives 0. Leading and
// trailing blanks and a sign are allowed; reading stops at the first other
// character; values beyond int are clamped.
int LooseStrToInt(const std::string& text);

// The error box: the exclamation sound, then a modal box with the text and
// one OK button. The program and the command line install how it is shown;
// without a handler the text goes to standard error. The handler may be
// called from any thread (a port opened by an identification thread can
// report its settings failure), so a window must hand it to its own thread.
using TErrorBoxHandler = std::function<void(const std::string& text)>;
// The one text the serial port reports through it; a window shows its own
// words for it.
inline constexpr std::string_view SerialConfigurationFailedText =
    "Unable to set configuration on serial port.";
void SetErrorBoxHandler(TErrorBoxHandler handler);
void ShowErrorBox(const std::string& text);

} // namespace wayline
