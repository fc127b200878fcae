#pragma once

#include <cstdint>

namespace wayline::sim {

// What is wired to the module's I/O pins 0..15, seen from the run-time: the
// robot (servos, whiskers, infra-red LEDs and detectors) or a test double.
// Every call carries the simulated time in microseconds at which it happens;
// times never go backwards from one call to the next.
class TPinHardware {
public:
    virtual ~TPinHardware() = default;

    // The level an input pin reads at `timeUs` (true = high, 1).
    virtual bool InputLevel(int pin, std::uint64_t timeUs) = 0;
    // An output pin changed to `level` at `timeUs` (HIGH, LOW, TOGGLE, ...).
    virtual void OutputChanged(int pin, bool level, std::uint64_t timeUs) = 0;
    // A pulse on an output pin (PULSOUT): the pin is driven to the opposite
    // of its resting level from `startUs` for `widthUs` microseconds.
    virtual void Pulse(int pin, std::uint64_t startUs, std::uint32_t widthUs) = 0;
    // A tone on an output pin (FREQOUT) from `startUs` for `durationUs`, at
    // `frequencyHz` (a second frequency of 0 when there is none).
    virtual void Tone(int pin, std::uint64_t startUs, std::uint32_t durationUs,
                      std::uint32_t frequencyHz, std::uint32_t secondFrequencyHz) = 0;
};

} // namespace wayline::sim
