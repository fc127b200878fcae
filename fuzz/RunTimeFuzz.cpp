// The run-time on an arbitrary EEPROM image. The first byte picks the
// module (bits 0-2, modulo 5) and the pattern of the input pins (bits 3-7);
// the rest fills the EEPROM from its last byte down, in the order the
// program stream is read. The run is stepped for 300 ms of simulated time.
#include <cstdint>
#include <cstdlib>
#include <optional>

#include "sim/core/Eeprom.h"
#include "sim/core/Interpreter.h"
#include "sim/core/PinHardware.h"
#include "sim/core/ProgrammingPort.h"

namespace {

using namespace wayline::sim;

// Inputs that change with time; every call must come at a time no earlier
// than the one before.
class TFuzzPins : public TPinHardware {
public:
    explicit TFuzzPins(unsigned pattern) : Pattern(pattern) {}
    bool InputLevel(int pin, std::uint64_t timeUs) override {
        Seen(timeUs);
        return ((timeUs / (100 + Pattern * 37) + static_cast<unsigned>(pin)) & 1) != 0;
    }
    void OutputChanged(int, bool, std::uint64_t timeUs) override { Seen(timeUs); }
    void Pulse(int, std::uint64_t startUs, std::uint32_t) override { Seen(startUs); }
    void Tone(int, std::uint64_t startUs, std::uint32_t, std::uint32_t, std::uint32_t) override {
        Seen(startUs);
    }

private:
    void Seen(std::uint64_t timeUs) {
        if (timeUs < Last) {
            std::abort();
        }
        Last = timeUs;
    }
    unsigned Pattern;
    std::uint64_t Last = 0;
};

// The host sends a few bytes now and then; sent bytes take 1 ms each.
class TFuzzPort : public TProgrammingPort {
public:
    std::optional<std::uint8_t> Receive(std::uint64_t timeUs) override {
        if (Next > timeUs) {
            return std::nullopt;
        }
        Next += 7000;
        return static_cast<std::uint8_t>('0' + (Next / 7000) % 10);
    }
    std::optional<std::uint64_t> NextArrival() const override { return Next; }
    std::uint64_t Send(std::uint8_t, std::uint64_t timeUs) override { return timeUs + 1000; }

private:
    std::uint64_t Next = 5000;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    const std::uint8_t options = data[0];
    TEeprom eeprom;
    for (std::size_t i = 1; i < size && i <= TEeprom::Size; ++i) {
        eeprom.Write(TEeprom::Size - static_cast<int>(i), data[i]);
    }
    TFuzzPins pins(options >> 3);
    TFuzzPort port;
    TInterpreter runTime(
        pins, static_cast<wayline::TTargetModule>(wayline::tmKM2 + (options & 7) % 5), 256);
    runTime.SetTracing((options & 0x80) != 0);
    runTime.Start(eeprom, port, 0);
    for (std::uint64_t limit = 5000; limit <= 300000; limit += 5000) {
        runTime.RunUntil(limit);
        if (runTime.Running() && runTime.NowUs() < limit) {
            std::abort(); // a running program reaches every limit
        }
        if (!runTime.Running() &&
            (runTime.StopReason() == srNone || runTime.StopMessage().empty())) {
            std::abort(); // an ended run says why
        }
    }
    runTime.Stop(400000);
    return 0;
}
