#pragma once

#include <cstdint>

#include "isa/Modules.h"

namespace wayline::sim {

class TPinHardware;
class TRunTimeEvents;

// The module's 16 I/O pins as the running program sees them. Directions
// and output latches live in the variable space (DIRS and OUTS); this class
// reads the input levels from what is wired to the pins, and tells it, and
// the event record, when a pin's driven level changes. Pin 16, the
// programming port, is not one of them: SERIN and SEROUT reach it through
// the serial line.
class TPins {
public:
    static constexpr int PinCount = 16;
    static constexpr int ProgrammingPort = ProgrammingPortPin;

    TPins(TPinHardware& hardware, TRunTimeEvents& events) : Hardware(hardware), Events(events) {}

    // After a reset every pin is an input again and nothing is driven.
    void Reset() { DrivenMask = DrivenLevels = 0; }

    // The levels of the pins in `mask` (bit n = pin n) at `timeUs`: an
    // output reads back its latch, an input what is wired to it.
    std::uint16_t ReadLevels(std::uint16_t mask, std::uint16_t dirs, std::uint16_t outs,
                             std::uint64_t timeUs);

    // Passes the new directions and latches on: every pin whose driven
    // level changed (including a pin that became an output) is reported to
    // the hardware and recorded; a pin that stops being driven is recorded.
    void Apply(std::uint16_t dirs, std::uint16_t outs, std::uint64_t timeUs,
               std::uint16_t bitAddress);
    // Pins no longer driven after a reset (recorded only).
    void Release(std::uint64_t timeUs, std::uint16_t bitAddress);

    void Pulse(int pin, std::uint64_t startUs, std::uint32_t widthUs, std::uint16_t bitAddress);
    void Tone(int pin, std::uint64_t startUs, std::uint32_t durationUs, std::uint32_t frequency,
              std::uint32_t secondFrequency, std::uint16_t bitAddress);

private:
    TPinHardware& Hardware;
    TRunTimeEvents& Events;
    std::uint16_t DrivenMask = 0;   // pins driven as outputs, as last reported
    std::uint16_t DrivenLevels = 0; // their levels
};

} // namespace wayline::sim
