#pragma once

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "sim/core/Eeprom.h"
#include "sim/core/Interpreter.h"
#include "sim/core/PinHardware.h"
#include "sim/core/ProgrammingPort.h"
#include "tokenizer/Tokenizer.h"

namespace wayline::sim {

// Stop reasons print as numbers in failure messages (the enum is a byte).
inline void PrintTo(TStopReason reason, std::ostream* os) {
    *os << static_cast<int>(reason);
}

} // namespace wayline::sim

namespace wayline::sim::testing {

// What is wired to the pins in a test: levels set by the test (or by a
// function of time), and a record of everything driven.
class TTestPins : public TPinHardware {
public:
    struct TPulse {
        int Pin;
        std::uint64_t StartUs;
        std::uint32_t WidthUs;
    };
    struct TTone {
        int Pin;
        std::uint64_t StartUs;
        std::uint32_t DurationUs;
        std::uint32_t Frequency;
        std::uint32_t SecondFrequency;
    };
    struct TOutput {
        int Pin;
        bool Level;
        std::uint64_t TimeUs;
    };

    std::array<bool, 16> Levels{};
    std::function<bool(int, std::uint64_t)> LevelAt;
    std::vector<TPulse> Pulses;
    std::vector<TTone> Tones;
    std::vector<TOutput> Outputs;
    std::uint64_t LastTimeUs = 0;
    bool TimeWentBack = false;

    TTestPins() { Levels.fill(true); }

    bool InputLevel(int pin, std::uint64_t timeUs) override {
        Seen(timeUs);
        return LevelAt ? LevelAt(pin, timeUs) : Levels[static_cast<std::size_t>(pin)];
    }
    void OutputChanged(int pin, bool level, std::uint64_t timeUs) override {
        Seen(timeUs);
        Outputs.push_back({pin, level, timeUs});
    }
    void Pulse(int pin, std::uint64_t startUs, std::uint32_t widthUs) override {
        Seen(startUs);
        Pulses.push_back({pin, startUs, widthUs});
    }
    void Tone(int pin, std::uint64_t startUs, std::uint32_t durationUs, std::uint32_t frequency,
              std::uint32_t second) override {
        Seen(startUs);
        Tones.push_back({pin, startUs, durationUs, frequency, second});
    }

private:
    void Seen(std::uint64_t timeUs) {
        TimeWentBack = TimeWentBack || timeUs < LastTimeUs;
        LastTimeUs = timeUs;
    }
};

// The programming port of a test: bytes from the host arrive at given
// times; bytes sent take 10 bits at 9600 baud each.
class TTestPort : public TProgrammingPort {
public:
    static constexpr std::uint64_t ByteUs = 1042;

    struct TSent {
        std::uint8_t Byte;
        std::uint64_t StartUs;
    };
    std::deque<std::pair<std::uint64_t, std::uint8_t>> Incoming;
    std::vector<TSent> Sent;
    std::uint64_t LineFreeUs = 0;

    // Queues bytes from the host, the first arriving at `timeUs`.
    void HostSends(std::string_view bytes, std::uint64_t timeUs) {
        for (const char c : bytes) {
            timeUs += ByteUs;
            Incoming.emplace_back(timeUs, static_cast<std::uint8_t>(c));
        }
    }
    std::optional<std::uint8_t> Receive(std::uint64_t timeUs) override {
        if (Incoming.empty() || Incoming.front().first > timeUs) {
            return std::nullopt;
        }
        const std::uint8_t byte = Incoming.front().second;
        Incoming.pop_front();
        return byte;
    }
    std::optional<std::uint64_t> NextArrival() const override {
        if (Incoming.empty()) {
            return std::nullopt;
        }
        return Incoming.front().first;
    }
    std::uint64_t Send(std::uint8_t byte, std::uint64_t timeUs) override {
        const std::uint64_t start = timeUs > LineFreeUs ? timeUs : LineFreeUs;
        Sent.push_back({byte, start});
        LineFreeUs = start + ByteUs;
        return LineFreeUs;
    }
    std::string SentText() const {
        std::string text;
        for (const TSent& s : Sent) {
            text += static_cast<char>(s.Byte);
        }
        return text;
    }
};

// Compiles HBASIC text with a tokenizer of the test's own into `eeprom`;
// the error text when it does not compile.
inline std::string CompileInto(std::string_view source, TEeprom& eeprom) {
    auto tokenizer = std::make_unique<TTokenizer>();
    if (!tokenizer->SetSource(source)) {
        return "source too long";
    }
    if (!tokenizer->Tokenize()) {
        return tokenizer->Result.ErrorText != nullptr ? tokenizer->Result.ErrorText : "failed";
    }
    eeprom.Erase();
    for (int i = 0; i < TEeprom::Size; ++i) {
        eeprom.Write(i, tokenizer->Result.EEPROM[i]);
    }
    return {};
}

// A run-time with test pins and port, for programs given as text. Programs
// get the target and language directives unless they bring their own.
class RunTimeTest : public ::testing::Test {
protected:
    TEeprom Eeprom;
    TTestPins PinsHw;
    TTestPort Port;
    std::unique_ptr<TInterpreter> RunTime;

    void Load(std::string_view program, TTargetModule module = tmKM2) {
        std::string source(program);
        if (source.find("{$KEYSTONE") == std::string::npos) {
            static constexpr std::string_view names[] = {"KM2", "KM2A", "KM2B", "KM2C", "KM2D"};
            source = "'{$KEYSTONE " + std::string(names[module - tmKM2]) + "}\n'{$HBASIC 2.5}\n" +
                     source;
        }
        const std::string error = CompileInto(source, Eeprom);
        ASSERT_EQ(error, "") << source;
        RunTime = std::make_unique<TInterpreter>(PinsHw, module);
        RunTime->Start(Eeprom, Port, 0);
    }
    // Compiles and runs up to `seconds` of simulated time.
    void Run(std::string_view program, double seconds = 10.0, TTargetModule module = tmKM2) {
        Load(program, module);
        if (RunTime) {
            RunTime->RunUntil(static_cast<std::uint64_t>(seconds * 1e6));
        }
    }
    std::uint16_t Word(int n) const { return RunTime->Variables().Word(3 + n); }    // W0 = word 3
    std::uint16_t Byte(int n) const { return RunTime->Variables().Read(2, 6 + n); } // B0 = byte 6
    std::vector<TRunTimeEvent> EventsOf(TRunTimeEventKind kind) const {
        std::vector<TRunTimeEvent> found;
        const TRunTimeEvents& events = RunTime->Events();
        for (std::size_t i = 0; i < events.Size(); ++i) {
            if (events[i].Kind == kind) {
                found.push_back(events[i]);
            }
        }
        return found;
    }
    std::string DebugText() const {
        std::string text;
        for (const TRunTimeEvent& e : EventsOf(ekDebugByte)) {
            text += static_cast<char>(e.A);
        }
        return text;
    }
};

} // namespace wayline::sim::testing
