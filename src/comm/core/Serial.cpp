#include "comm/core/Serial.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <iostream>

namespace wayline {

namespace {

// Time-out sets, in the order of TSerial::Timeouts.
constexpr std::uint32_t NoTimeout = 0;
constexpr std::uint32_t DrainInterval = 0xFFFFFFFFu; // every read returns at once

// Windows names ports COM1 to COM256; a longer COM name cannot be one and is
// refused before the platform sees it. Other hosts name ports by device
// (ttyUSB0) or by path (/dev/pts/5): those have no such limit.
constexpr std::size_t MaxComNameLength = 6;

bool IsOverlongComName(const std::string& name) {
    if (name.size() <= MaxComNameLength || name.size() < 3) {
        return false;
    }
    return std::toupper(static_cast<unsigned char>(name[0])) == 'C' &&
           std::toupper(static_cast<unsigned char>(name[1])) == 'O' &&
           std::toupper(static_cast<unsigned char>(name[2])) == 'M';
}

std::mutex& ErrorBoxLock() {
    static std::mutex lock;
    return lock;
}

TErrorBoxHandler& ErrorBoxHandler() {
    static TErrorBoxHandler handler;
    return handler;
}

} // namespace

// ---- TSerial

TSerial::TSerial() = default;

TSerial::~TSerial() {
    ClosePort();
}

void TSerial::SetDeviceFactory(TSerialDeviceFactory factory) {
    Factory = std::move(factory);
}

bool TSerial::OpenPort(const std::string& comName, const std::string& baudText,
                       const std::string& parityText, const std::string& dataBitsText,
                       std::uint32_t* errorCode, TOpenFailure* failure) {
    const bool opened = OpenKeepingReservation(comName, baudText, parityText, dataBitsText);
    // The error code is taken while the slot is still reserved: once the
    // reservation ends another thread may claim the slot and reset it.
    if (errorCode) {
        *errorCode = LastError;
    }
    if (failure) {
        *failure = LastFailure;
    }
    // Whatever happened, the slot is no longer merely reserved afterwards.
    Reserved.store(false);
    return opened;
}

bool TSerial::OpenKeepingReservation(const std::string& comName, const std::string& baudText,
                                     const std::string& parityText,
                                     const std::string& dataBitsText) {
    LastError = OpenErrorNone;
    LastFailure = {};
    if (Opened.load() || IsOverlongComName(comName)) {
        return false;
    }
    std::unique_ptr<SerialDevice> device = Factory ? Factory(comName) : nullptr;
    if (!device) {
        LastError = OpenErrorNoSuchPort;
        LastFailure.Code = LastError;
        return false;
    }
    const std::uint32_t error = device->Open(comName);
    if (error != OpenErrorNone) {
        LastError = error;
        LastFailure = device->LastOpenFailure();
        LastFailure.Code = error;
        return false;
    }
    if (!device->ReadSettings()) {
        device->Close();
        // Reported as a failure of its own: an error code of 0 would read as
        // "no slot was free" to the caller of OpenFreeSlot.
        LastError = OpenErrorOther;
        LastFailure.Code = LastError;
        return false;
    }
    Handle = std::move(device);
    Opened.store(true);
    ApplySettings(baudText, parityText, dataBitsText);
    RxBuffer = std::make_unique<std::uint8_t[]>(RxBufferSize + 1);
    ComName = comName;
    SetTimeouts(NoTimeout, NoTimeout, NoTimeout, NoTimeout, NoTimeout);
    return true;
}

void TSerial::ClosePort() {
    if (!Opened.load()) {
        return;
    }
    Handle->Close();
    Handle.reset();
    ComName.clear();
    RxBuffer.reset();
    // Last, so that a thread looking for a free slot never sees a half-closed one.
    Opened.store(false);
}

void TSerial::ApplySettings(const std::string& baudText, const std::string& parityText,
                            const std::string& dataBitsText) {
    if (!Opened.load()) {
        return;
    }
    if (!Handle->ReadSettings()) {
        ShowErrorBox(std::string(SerialConfigurationFailedText));
        return;
    }
    const int baud = LooseStrToInt(baudText);
    const int dataBits = LooseStrToInt(dataBitsText);
    Handle->ApplySettings(static_cast<std::uint32_t>(std::max(baud, 0)), parityText != "None",
                          dataBits);
    SetDTR(0);
    SetRTS(0);
}

void TSerial::SetTimeouts(std::uint32_t readInterval, std::uint32_t readTotalMultiplier,
                          std::uint32_t readTotalConstant, std::uint32_t writeTotalMultiplier,
                          std::uint32_t writeTotalConstant) {
    // The device takes its time-out with each call; the set is kept because
    // it is part of the port's record.
    Timeouts = {readInterval, readTotalMultiplier, readTotalConstant, writeTotalMultiplier,
                writeTotalConstant};
}

int TSerial::ReadByte(std::uint32_t timeoutMs) {
    if (!Opened.load()) {
        return PortNotOpen;
    }
    SetTimeouts(NoTimeout, NoTimeout, timeoutMs, NoTimeout, NoTimeout);
    std::uint8_t value = 0;
    return Handle->Read(&value, 1, timeoutMs) == 1 ? value : -1;
}

bool TSerial::WriteByte(std::uint8_t value, std::uint32_t timeoutMs) {
    if (!Opened.load()) {
        return false;
    }
    SetTimeouts(NoTimeout, NoTimeout, NoTimeout, NoTimeout, timeoutMs);
    return Handle->Write(&value, 1, timeoutMs);
}

bool TSerial::WriteBlock(const std::uint8_t* data, int count, std::uint32_t timeoutMs) {
    if (!Opened.load() || count < 0 || (count > 0 && data == nullptr)) {
        return false;
    }
    SetTimeouts(NoTimeout, NoTimeout, NoTimeout, NoTimeout, timeoutMs);
    return Handle->Write(data, count, timeoutMs);
}

int TSerial::ReadBlock(int count, std::uint32_t timeoutMs) {
    if (!Opened.load()) {
        return -1;
    }
    if (count >= 1 && count <= RxBufferSize) {
        SetTimeouts(NoTimeout, NoTimeout, timeoutMs, NoTimeout, NoTimeout);
        return Handle->Read(RxBuffer.get(), count, timeoutMs);
    }
    // Drain: take what is waiting, in pieces of at most a buffer, until the
    // queue reports nothing at the start of a pass.
    SetTimeouts(DrainInterval, NoTimeout, NoTimeout, NoTimeout, NoTimeout);
    int total = 0;
    for (;;) {
        std::uint32_t lineErrors = 0;
        const int waiting = Handle->BytesWaiting(lineErrors);
        LastError = lineErrors;
        if (waiting <= 0) {
            break;
        }
        const int got = Handle->ReadWaiting(RxBuffer.get(), std::min(waiting, RxBufferSize));
        // A device that reports bytes but yields none (it has just gone
        // away) would otherwise keep this loop turning for ever.
        if (got <= 0) {
            break;
        }
        total += got;
    }
    return total;
}

void TSerial::SetDTR(int state) {
    if (Opened.load() && (state == 0 || state == 1)) {
        Handle->SetDtr(state == 1);
    }
}

void TSerial::SetRTS(int state) {
    if (Opened.load() && (state == 0 || state == 1)) {
        Handle->SetRts(state == 1);
    }
}

void TSerial::SetBreak(int state) {
    if (Opened.load() && (state == 0 || state == 1)) {
        Handle->SetBreak(state == 1);
    }
}

std::uint32_t TSerial::ModemStatus() {
    return Opened.load() ? Handle->ModemStatus() : 0;
}

TMsClock& TSerial::Clock() {
    return Opened.load() ? Handle->Clock() : SystemClock();
}

void TSerial::WaitMs(std::uint32_t milliseconds) {
    Clock().WaitMs(milliseconds);
}

// ---- TSerialSlots

TSerialSlots::TSerialSlots(TSerialDeviceFactory factory) {
    SetDeviceFactory(std::move(factory));
}

void TSerialSlots::SetDeviceFactory(TSerialDeviceFactory factory) {
    for (TSerial& slot : Slots) {
        slot.SetDeviceFactory(factory);
    }
}

TSerial& TSerialSlots::Slot(int slot) {
    return Slots[static_cast<std::size_t>(std::clamp(slot, FirstSlot, LastSlot) - FirstSlot)];
}

bool TSerialSlots::IsFree(int slot) const {
    if (slot < FirstSlot || slot > LastSlot) {
        return false;
    }
    const TSerial& serial = Slots[static_cast<std::size_t>(slot - FirstSlot)];
    return !serial.Opened.load() && !serial.Reserved.load();
}

int TSerialSlots::OpenFreeSlot(const std::string& comName, std::uint32_t& errorCode,
                               TOpenFailure* failure) {
    errorCode = 0;
    if (failure) {
        *failure = {};
    }
    int claimed = NoSlot;
    {
        std::lock_guard<std::mutex> lock(SlotLock);
        for (int slot = LastSlot; slot >= FirstSlot; --slot) {
            if (IsFree(slot)) {
                Slot(slot).Reserved.store(true);
                claimed = slot;
                break;
            }
        }
    }
    if (claimed == NoSlot) {
        return NoSlot;
    }
    TSerial& serial = Slot(claimed);
    std::uint32_t openError = 0;
    if (!serial.OpenPort(comName, "9600", "None", "8", &openError, failure)) {
        errorCode = openError;
        return NoSlot;
    }
    return claimed;
}

void TSerialSlots::ClosePort(int slot) {
    if (slot >= FirstSlot && slot <= LastSlot) {
        Slot(slot).ClosePort();
    }
}

TSerialSlots& SerialSlots() {
    static TSerialSlots slots;
    return slots;
}

// ---- utilities

void WaitMs(std::uint32_t milliseconds) {
    SystemClock().WaitMs(milliseconds);
}

int LooseStrToInt(const std::string& text) {
    std::size_t i = 0;
    while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) {
        negative = text[i] == '-';
        ++i;
    }
    long long value = 0;
    while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) {
        value = std::min<long long>(value * 10 + (text[i] - '0'), 1LL + INT_MAX);
        ++i;
    }
    if (negative) {
        value = -value;
    }
    return static_cast<int>(std::clamp<long long>(value, INT_MIN, INT_MAX));
}

void SetErrorBoxHandler(TErrorBoxHandler handler) {
    std::lock_guard<std::mutex> lock(ErrorBoxLock());
    ErrorBoxHandler() = std::move(handler);
}

void ShowErrorBox(const std::string& text) {
    TErrorBoxHandler handler;
    {
        std::lock_guard<std::mutex> lock(ErrorBoxLock());
        handler = ErrorBoxHandler();
    }
    if (handler) {
        handler(text);
    } else {
        std::cerr << text << '\n';
    }
}

} // namespace wayline
