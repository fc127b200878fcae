#include "sim/core/Interpreter.h"

#include "sim/core/RunTimeFault.h"
#include "sim/core/Timing.h"

namespace wayline::sim {

namespace {

constexpr std::uint16_t PinBit(int pin) {
    return static_cast<std::uint16_t>(1u << (pin & 15));
}

// Pin numbers are taken modulo 16, as the module's four pin-select bits do.
constexpr int PinOf(std::uint16_t value) {
    return value & 15;
}

} // namespace

void TInterpreter::MakeOutput(int pin) {
    WriteCell(csBit, 32 + pin, 1); // DIRn
}

void TInterpreter::MakeInput(int pin) {
    WriteCell(csBit, 32 + pin, 0);
}

bool TInterpreter::PinLevel(int pin) {
    return ReadCell(csBit, pin) != 0;
}

// HIGH, LOW, TOGGLE, OUTPUT, INPUT, REVERSE pin
void TInterpreter::SetPinMode(int instruction) {
    std::uint16_t v[1];
    Operands(instruction, 1, v);
    const int pin = PinOf(v[0]);
    std::uint16_t outs = Vars.Word(TVariableSpace::OutsWord);
    std::uint16_t dirs = Vars.Word(TVariableSpace::DirsWord);
    switch (instruction) {
    case inHigh:
        outs |= PinBit(pin);
        dirs |= PinBit(pin);
        break;
    case inLow:
        outs = static_cast<std::uint16_t>(outs & ~PinBit(pin));
        dirs |= PinBit(pin);
        break;
    case inToggle:
        outs ^= PinBit(pin);
        dirs |= PinBit(pin);
        break;
    case inOutput:
        dirs |= PinBit(pin);
        break;
    case inInput:
        dirs = static_cast<std::uint16_t>(dirs & ~PinBit(pin));
        break;
    default: // inReverse
        dirs ^= PinBit(pin);
        break;
    }
    WriteCell(csWord, TVariableSpace::OutsWord, outs);
    WriteCell(csWord, TVariableSpace::DirsWord, dirs);
}

// PULSOUT: duration in 2 us units, pin. The pin becomes an output and is
// driven to the opposite of its latch for the duration; 0 sends no pulse.
void TInterpreter::Pulsout() {
    std::uint16_t v[2];
    Operands(inPulsout, 2, v);
    const int pin = PinOf(v[1]);
    MakeOutput(pin);
    if (v[0] == 0) {
        return;
    }
    const auto widthUs = static_cast<std::uint32_t>(v[0] * timing::PulseUnitUs);
    Pins.Pulse(pin, Clock.NowUs(), widthUs, StatementAddress);
    Clock.Advance(widthUs);
}

// FREQOUT: pin, duration in ms, one or two frequencies in Hz. The pin is
// an output, low once the tone has ended.
void TInterpreter::Freqout(bool twoTones) {
    std::uint16_t v[4];
    Operands(twoTones ? inFreqoutTwoTones : inFreqout, twoTones ? 4 : 3, v);
    const int pin = PinOf(v[0]);
    WriteCell(csBit, 16 + pin, 0); // OUTn
    MakeOutput(pin);
    const auto durationUs = static_cast<std::uint32_t>(v[1] * timing::FreqoutUnitUs);
    Pins.Tone(pin, Clock.NowUs(), durationUs, v[2], twoTones ? v[3] : 0, StatementAddress);
    Clock.Advance(durationUs);
}

// BUTTON: downstate, delay, rate, targetstate, workspace, pin on the stack;
// then the workspace's write reference and the label. The pin is read once:
//   released: workspace 0, not active;
//   pressed, delay 0: active every time (no debounce, no repeat);
//   pressed, workspace 0: the press itself: active, the workspace counts
//     the delay down (delay 255: it stays there, no auto-repeat);
//   pressed, counting: not active until the count runs out, then active
//     and counting the rate down to the next repeat.
// The program jumps when the state (active or not) is the target state.
void TInterpreter::Button() {
    std::uint16_t v[6];
    Operands(inButton, 6, v);
    const bool downState = (v[0] & 1) != 0;
    const std::uint16_t delay = v[1] & 0xFF;
    const std::uint16_t rate = v[2] & 0xFF;
    const bool target = (v[3] & 1) != 0;
    std::uint16_t workspace = v[4] & 0xFF;
    const int pin = PinOf(v[5]);
    MakeInput(pin);
    const bool pressed = PinLevel(pin) == downState;
    bool active = false;
    if (!pressed) {
        workspace = 0;
    } else if (delay == 0) {
        active = true;
    } else if (workspace == 0) {
        active = true;
        workspace = delay;
    } else if (delay != 255) {
        --workspace;
        if (workspace == 0) {
            active = true;
            workspace = rate;
        }
    }
    StoreThroughReference(workspace);
    const std::uint16_t label = Reader.ReadAddress();
    if (active == target) {
        Reader.Seek(label);
    }
}

// PULSIN state, pin; RCTIME pin, state; COUNT pin, duration: the pin
// becomes an input and is watched over simulated time (Timing.h), across
// RunUntil calls if need be; the result goes through the write reference.
void TInterpreter::BeginMeasure(int instruction) {
    std::uint16_t v[2];
    Operands(instruction, 2, v);
    Wait = TWait();
    Wait.Pin = PinOf(v[1]);
    MakeInput(Wait.Pin);
    const std::uint64_t now = Clock.NowUs();
    Wait.PhaseStartUs = now;
    Wait.NextSampleUs = now;
    switch (instruction) {
    case inPulsin:
        Wait.Kind = wkPulseIn;
        Wait.State = (v[0] & 1) != 0;
        // A pulse already under way is not measured: wait for its end.
        Wait.Phase = PinLevel(Wait.Pin) == Wait.State ? 0 : 1;
        break;
    case inRctime:
        Wait.Kind = wkRcTime;
        Wait.State = (v[0] & 1) != 0;
        if (PinLevel(Wait.Pin) != Wait.State) {
            // Already past the state: the shortest time the module tells.
            Wait = TWait();
            FinishMeasure(1);
            return;
        }
        break;
    default: // COUNT
        Wait.Kind = wkCount;
        Wait.EndUs = now + v[0] * timing::CountUnitUs;
        Wait.LastLevel = PinLevel(Wait.Pin);
        break;
    }
}

// Samples the pin up to the limit; true when the measurement has ended
// (its result stored), false when it goes on at the next call.
bool TInterpreter::ContinueMeasure(std::uint64_t limitUs) {
    const std::uint64_t timeoutUs = timing::PulseTimeoutUnits * timing::PulseUnitUs;
    for (;;) {
        const std::uint64_t at = Wait.NextSampleUs;
        if (Wait.Kind == wkCount && at >= Wait.EndUs) {
            Clock.AdvanceTo(Wait.EndUs);
            const auto count =
                static_cast<std::uint16_t>(Wait.Count > 0xFFFF ? 0xFFFF : Wait.Count);
            Wait = TWait();
            FinishMeasure(count);
            return true;
        }
        if (at >= limitUs) {
            Clock.AdvanceTo(limitUs);
            return false;
        }
        Clock.AdvanceTo(at);
        const bool level = PinLevel(Wait.Pin);
        const std::uint64_t elapsed = at - Wait.PhaseStartUs;
        if (Wait.Kind == wkCount) {
            if (level && !Wait.LastLevel) {
                ++Wait.Count;
            }
            Wait.LastLevel = level;
            Wait.NextSampleUs = at + timing::CountSampleUs;
            continue;
        }
        const bool inState = level == Wait.State;
        std::int64_t result = -1;
        if (Wait.Kind == wkRcTime) {
            if (!inState) {
                result = static_cast<std::int64_t>(elapsed / timing::PulseUnitUs);
            } else if (elapsed >= timeoutUs) {
                result = 0;
            }
        } else if (Wait.Phase == 0 || Wait.Phase == 1) {
            // 0: waiting for the pulse under way to end; 1: for the pulse.
            const bool edge = Wait.Phase == 0 ? !inState : inState;
            if (edge) {
                ++Wait.Phase;
                Wait.PhaseStartUs = at;
            } else if (elapsed >= timeoutUs) {
                result = 0;
            }
        } else if (!inState) {
            result = static_cast<std::int64_t>(elapsed / timing::PulseUnitUs);
        } else if (elapsed >= timeoutUs) {
            result = 0;
        }
        if (result >= 0) {
            Wait = TWait();
            FinishMeasure(static_cast<std::uint16_t>(result > 0xFFFF ? 0xFFFF : result));
            return true;
        }
        Wait.NextSampleUs = at + timing::PulseUnitUs;
    }
}

void TInterpreter::FinishMeasure(std::uint16_t result) {
    StoreThroughReference(result);
}

} // namespace wayline::sim
