#pragma once

#include "comm/core/SerialDevice.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <vector>

namespace wayline {

// A clock that moves only when something waits on it.
class TManualClock final : public TMsClock {
public:
    std::uint64_t NowMs() override { return Now; }
    void WaitMs(std::uint32_t milliseconds) override { Now += milliseconds; }
    std::uint64_t Now = 0;
};

// What a fake port was told and what it will answer; shared between the
// test and the device the slot table makes from it.
struct TFakePort {
    std::uint32_t OpenResult = OpenErrorNone;
    int SettingsReadsBeforeFailure = -1; // -1: reading the settings always works
    std::uint32_t ModemBits = 0;         // what ModemStatus reports
    bool LoopRtsToDsr = false;
    std::uint32_t LineErrors = 0;
    bool ClaimsBytesItDoesNotHave = false; // a device that has just gone away
    std::deque<std::uint8_t> Input;

    std::atomic<int> OpenCalls{0};
    int CloseCalls = 0;
    int SettingsReads = 0;
    std::vector<std::string> LineCalls; // "DTR1", "RTS0", "BRK1", ...
    std::uint32_t Baud = 0;
    bool EvenParity = false;
    int DataBits = 0;
    std::vector<std::uint8_t> Written;
    std::vector<int> WaitingReads; // sizes asked of ReadWaiting
    bool Rts = false;
    TManualClock Clock;
};

class TFakeSerialDevice final : public SerialDevice {
public:
    explicit TFakeSerialDevice(std::shared_ptr<TFakePort> port) : Port(std::move(port)) {}

    std::uint32_t Open(const std::string&) override {
        ++Port->OpenCalls;
        return Port->OpenResult;
    }
    void Close() override { ++Port->CloseCalls; }
    bool ReadSettings() override {
        const int read = Port->SettingsReads++;
        return Port->SettingsReadsBeforeFailure < 0 || read < Port->SettingsReadsBeforeFailure;
    }
    bool ApplySettings(std::uint32_t baud, bool evenParity, int dataBits) override {
        Port->Baud = baud;
        Port->EvenParity = evenParity;
        Port->DataBits = dataBits;
        return true;
    }
    void SetDtr(bool on) override { Port->LineCalls.push_back(on ? "DTR1" : "DTR0"); }
    void SetRts(bool on) override {
        Port->Rts = on;
        Port->LineCalls.push_back(on ? "RTS1" : "RTS0");
    }
    void SetBreak(bool on) override { Port->LineCalls.push_back(on ? "BRK1" : "BRK0"); }
    std::uint32_t ModemStatus() override {
        return Port->ModemBits | (Port->LoopRtsToDsr && Port->Rts ? ModemStatusDsr : 0);
    }
    int Read(std::uint8_t* data, int count, std::uint32_t timeoutMs) override {
        int got = 0;
        while (got < count && !Port->Input.empty()) {
            data[got++] = Port->Input.front();
            Port->Input.pop_front();
        }
        if (got < count) {
            Port->Clock.WaitMs(timeoutMs);
        }
        return got;
    }
    bool Write(const std::uint8_t* data, int count, std::uint32_t) override {
        Port->Written.insert(Port->Written.end(), data, data + count);
        return true;
    }
    int BytesWaiting(std::uint32_t& lineErrors) override {
        lineErrors = Port->LineErrors;
        if (Port->ClaimsBytesItDoesNotHave) {
            return 100;
        }
        return static_cast<int>(Port->Input.size());
    }
    int ReadWaiting(std::uint8_t* data, int count) override {
        Port->WaitingReads.push_back(count);
        if (Port->ClaimsBytesItDoesNotHave) {
            return 0;
        }
        const int got = std::min(count, static_cast<int>(Port->Input.size()));
        for (int i = 0; i < got; ++i) {
            data[i] = Port->Input.front();
            Port->Input.pop_front();
        }
        return got;
    }
    TMsClock& Clock() override { return Port->Clock; }

private:
    std::shared_ptr<TFakePort> Port;
};

// A factory that counts its calls and opens every name on the one fake port.
struct TFakeFactory {
    std::shared_ptr<TFakePort> Port = std::make_shared<TFakePort>();
    std::shared_ptr<std::atomic<int>> Calls = std::make_shared<std::atomic<int>>(0);

    TSerialDeviceFactory Make() {
        return [port = Port, calls = Calls](const std::string&) -> std::unique_ptr<SerialDevice> {
            ++*calls;
            return std::make_unique<TFakeSerialDevice>(port);
        };
    }
};

} // namespace wayline
