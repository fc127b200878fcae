#pragma once

#include "comm/core/SerialDevice.h"

#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <vector>

namespace wayline::testing {

// A clock that moves only when something waits on it.
class TManualClock final : public TMsClock {
public:
    std::uint64_t NowMs() override { return Now; }
    void WaitMs(std::uint32_t milliseconds) override { Now += milliseconds; }

    std::uint64_t Now = 0;
};

// A port with the test program on the other end, as far as one exchange
// needs it: the carrier board echoes every byte, and after four bytes the
// program answers with the sensor byte it was given (none while Answer is
// empty). A read that comes up short waits its whole time-out on the
// port's clock.
class TFakeTestModule final : public SerialDevice {
public:
    std::optional<std::uint8_t> Answer = 0;
    bool Echo = true;
    std::vector<std::uint8_t> Written; // every byte the host sent
    std::deque<std::uint8_t> Input;    // bytes waiting for the host
    TManualClock ManualClock;
    bool IsOpen = false;

    std::uint32_t Open(const std::string&) override {
        IsOpen = true;
        return OpenErrorNone;
    }
    void Close() override { IsOpen = false; }
    bool ReadSettings() override { return true; }
    bool ApplySettings(std::uint32_t, bool, int) override { return true; }
    void SetDtr(bool) override {}
    void SetRts(bool) override {}
    void SetBreak(bool) override {}
    std::uint32_t ModemStatus() override { return 0; }

    int Read(std::uint8_t* data, int count, std::uint32_t timeoutMs) override {
        int got = 0;
        while (got < count && !Input.empty()) {
            data[got++] = Input.front();
            Input.pop_front();
        }
        if (got < count) {
            ManualClock.WaitMs(timeoutMs);
        }
        return got;
    }
    bool Write(const std::uint8_t* data, int count, std::uint32_t) override {
        for (int i = 0; i < count; ++i) {
            Written.push_back(data[i]);
            if (Echo) {
                Input.push_back(data[i]);
            }
            if (++Received % 4 == 0 && Answer) {
                Input.push_back(*Answer);
            }
        }
        return true;
    }
    int BytesWaiting(std::uint32_t& lineErrors) override {
        lineErrors = 0;
        return static_cast<int>(Input.size());
    }
    int ReadWaiting(std::uint8_t* data, int count) override {
        int got = 0;
        while (got < count && !Input.empty()) {
            data[got++] = Input.front();
            Input.pop_front();
        }
        return got;
    }
    TMsClock& Clock() override { return ManualClock; }

private:
    int Received = 0;
};

} // namespace wayline::testing
