#include "sim/core/Pins.h"

#include "sim/core/PinHardware.h"
#include "sim/core/RunTimeEvents.h"

namespace wayline::sim {

std::uint16_t TPins::ReadLevels(std::uint16_t mask, std::uint16_t dirs, std::uint16_t outs,
                                std::uint64_t timeUs) {
    std::uint16_t levels = static_cast<std::uint16_t>(outs & dirs & mask);
    const auto inputs = static_cast<std::uint16_t>(mask & ~dirs);
    for (int pin = 0; pin < PinCount; ++pin) {
        if ((inputs >> pin) & 1) {
            if (Hardware.InputLevel(pin, timeUs)) {
                levels = static_cast<std::uint16_t>(levels | (1u << pin));
            }
        }
    }
    return levels;
}

void TPins::Apply(std::uint16_t dirs, std::uint16_t outs, std::uint64_t timeUs,
                  std::uint16_t bitAddress) {
    const auto levels = static_cast<std::uint16_t>(outs & dirs);
    const auto changed =
        static_cast<std::uint16_t>((dirs ^ DrivenMask) | ((levels ^ DrivenLevels) & dirs));
    if (changed == 0) {
        return;
    }
    for (int pin = 0; pin < PinCount; ++pin) {
        if (((changed >> pin) & 1) == 0) {
            continue;
        }
        TRunTimeEvent event;
        event.TimeUs = timeUs;
        event.BitAddress = bitAddress;
        event.Kind = ekPinOutput;
        event.A = pin;
        if ((dirs >> pin) & 1) {
            const bool level = ((levels >> pin) & 1) != 0;
            event.B = level ? 1 : 0;
            Hardware.OutputChanged(pin, level, timeUs);
        } else {
            event.B = -1;
        }
        Events.Record(event);
    }
    DrivenMask = dirs;
    DrivenLevels = levels;
}

void TPins::Release(std::uint64_t timeUs, std::uint16_t bitAddress) {
    Apply(0, 0, timeUs, bitAddress);
}

void TPins::Pulse(int pin, std::uint64_t startUs, std::uint32_t widthUs, std::uint16_t bitAddress) {
    Hardware.Pulse(pin, startUs, widthUs);
    TRunTimeEvent event;
    event.TimeUs = startUs;
    event.BitAddress = bitAddress;
    event.Kind = ekPulse;
    event.A = pin;
    event.B = static_cast<std::int32_t>(widthUs);
    Events.Record(event);
}

void TPins::Tone(int pin, std::uint64_t startUs, std::uint32_t durationUs, std::uint32_t frequency,
                 std::uint32_t secondFrequency, std::uint16_t bitAddress) {
    Hardware.Tone(pin, startUs, durationUs, frequency, secondFrequency);
    TRunTimeEvent event;
    event.TimeUs = startUs;
    event.BitAddress = bitAddress;
    event.Kind = ekTone;
    event.A = pin;
    event.B = static_cast<std::int32_t>(durationUs);
    event.C = static_cast<std::int32_t>(frequency);
    event.D = static_cast<std::int32_t>(secondFrequency);
    Events.Record(event);
}

} // namespace wayline::sim
