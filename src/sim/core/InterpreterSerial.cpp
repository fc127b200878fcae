#include "sim/core/Interpreter.h"

#include "sim/core/ProgrammingPort.h"
#include "sim/core/RunTimeFault.h"
#include "sim/core/Timing.h"

namespace wayline::sim {

namespace {

// Baud mode: bits 0-12 the bit time, bit 13 seven data bits with even
// parity, bit 14 inverted levels.
constexpr std::uint16_t ModeBitTime = 0x1FFF;
constexpr std::uint16_t ModeParity = 0x2000;
constexpr std::uint16_t ModeInverted = 0x4000;

// A label travels on the stack as a constant (LabelConstantMark): the
// value is LabelConstantBit + the 14-bit field as written, its low 3 bits
// first, then the upper 11.
bool LabelFromValue(std::uint16_t value, std::uint16_t& address) {
    constexpr unsigned highBits = AddressBits - AddressLowBits;
    constexpr unsigned fieldMask = LabelConstantBit - 1;
    if ((value & ~fieldMask) != LabelConstantBit) {
        return false;
    }
    const unsigned field = value & fieldMask;
    address = static_cast<std::uint16_t>(((field >> highBits) & ((1u << AddressLowBits) - 1)) |
                                         ((field & ((1u << highBits) - 1)) << AddressLowBits));
    return true;
}

bool EvenParity(std::uint8_t byte) {
    int ones = 0;
    for (int i = 0; i < 8; ++i) {
        ones += (byte >> i) & 1;
    }
    return ones % 2 == 0;
}

constexpr int PinOf(std::uint16_t value) {
    return value == TPins::ProgrammingPort ? TPins::ProgrammingPort : value & 15;
}

} // namespace

// SEROUT: [pace,] baud mode, pin on the stack; then the output items, each
// an expression followed by a 1 bit when another item follows.
void TInterpreter::Serout() {
    const int count = Stack.Count();
    std::uint16_t v[3];
    Operands(inSerout, count == 3 ? 3 : 2, v);
    const std::uint16_t pace = count == 3 ? v[0] : 0;
    const std::uint16_t mode = v[count - 2];
    const int pin = PinOf(v[count - 1]);
    if (pin != TPins::ProgrammingPort) {
        // The line rests at its idle level between bytes.
        WriteCell(csBit, 16 + pin, (mode & ModeInverted) != 0 ? 0 : 1);
        MakeOutput(pin);
    }
    std::string bytes;
    bool first = true;
    bool more = true;
    while (more) {
        std::uint16_t values[TExpressionEvaluator::StackSize];
        const int n = ItemValues(values);
        bytes.clear();
        if (!FormatOutputItem(values, n, *this, bytes)) {
            throw ERunTimeFault{"SEROUT item of " + std::to_string(n) + " values is unknown"};
        }
        for (const char c : bytes) {
            if (!first) {
                Clock.Advance(pace * timing::SerialPaceUnitUs);
            }
            first = false;
            SendByte(pin, mode, static_cast<std::uint8_t>(c));
        }
        more = Reader.ReadBit();
    }
}

void TInterpreter::SendByte(int pin, std::uint16_t mode, std::uint8_t byte) {
    if ((mode & ModeParity) != 0) {
        byte = static_cast<std::uint8_t>(byte & 0x7F);
        if (!EvenParity(byte)) {
            byte = static_cast<std::uint8_t>(byte | 0x80);
        }
    }
    SyncTime();
    if (pin == TPins::ProgrammingPort) {
        Record(ekDebugByte, byte);
        Clock.AdvanceTo(Port->Send(byte, Clock.NowUs()));
        return;
    }
    Record(ekSerialOut, pin, byte);
    std::uint64_t bitUs = (mode & ModeBitTime) + timing::SerialBitOffsetUs;
    if (FastSerialClock(ModuleKind)) {
        bitUs = bitUs * 2 / 5;
    }
    Clock.Advance(timing::SerialBitsPerByte * bitUs);
}

// SERIN: below the baud mode and the pin, by their number: a 1 (no
// branches); or a time-out label and the time-out; or a parity label, then
// 0 and 1 (no time-out) or a time-out label and the time-out. Then the
// input items: a 0 bit and a write reference for a plain byte, or a 1 bit
// and an expression of the item's values; each item followed by a 1 bit
// when another follows.
void TInterpreter::Serin() {
    const int count = Stack.Count();
    if (count < 3 || count > 5) {
        throw ERunTimeFault{"SERIN found " + std::to_string(count) +
                                " values on the stack instead of 3 to 5",
                            TokenAddress};
    }
    std::uint16_t v[5];
    for (int i = 0; i < count; ++i) {
        v[i] = Stack.Value(i);
    }
    Stack.Clear();
    SerialIn = TSerialIn();
    const std::uint16_t mode = v[count - 2];
    SerialIn.Pin = PinOf(v[count - 1]);
    SerialIn.Parity = (mode & ModeParity) != 0;
    bool valid = true;
    std::uint16_t timeout = 0;
    if (count == 4) {
        SerialIn.HasTimeout = LabelFromValue(v[0], SerialIn.TimeoutLabel);
        valid = SerialIn.HasTimeout;
        timeout = v[1];
    } else if (count == 5) {
        SerialIn.HasParityLabel = LabelFromValue(v[0], SerialIn.ParityLabel);
        valid = SerialIn.HasParityLabel;
        if (v[1] != 0) {
            SerialIn.HasTimeout = LabelFromValue(v[1], SerialIn.TimeoutLabel);
            valid = valid && SerialIn.HasTimeout;
            timeout = v[2];
        }
    }
    if (!valid) {
        throw ERunTimeFault{"SERIN without a valid branch label", TokenAddress};
    }
    if (SerialIn.Pin != TPins::ProgrammingPort) {
        MakeInput(SerialIn.Pin);
    }
    SerialIn.TimeoutUs = timeout * timing::SerialTimeoutUnitUs;
    SerialIn.SilentSinceUs = Clock.NowUs();
    Wait = TWait();
    Wait.Kind = wkSerialIn;
    BeginInputItem();
}

void TInterpreter::BeginInputItem() {
    const bool plain = !Reader.ReadBit();
    if (plain) {
        SerialIn.Item.StartByte();
    } else {
        std::uint16_t values[TExpressionEvaluator::StackSize];
        const int n = ItemValues(values);
        if (!SerialIn.Item.Start(values, n, *this)) {
            throw ERunTimeFault{"SERIN item of " + std::to_string(n) + " values is unknown"};
        }
    }
}

// Receives the items' bytes up to the limit; true when SERIN has ended
// (its items received, or a branch taken), false when it goes on waiting.
bool TInterpreter::ContinueSerin(std::uint64_t limitUs) {
    for (;;) {
        if (SerialIn.Item.Complete()) {
            FinishInputItem();
            if (Wait.Kind == wkNone) {
                return true;
            }
            continue;
        }
        std::uint8_t byte = 0;
        if (!NextSerialByte(limitUs, byte)) {
            return Wait.Kind == wkNone;
        }
        SerialIn.Item.Feed(byte, *this);
    }
}

void TInterpreter::FinishInputItem() {
    const TInputItemKind kind = SerialIn.Item.Kind();
    if (kind == ikByte || kind == ikNumber) {
        StoreThroughReference(SerialIn.Item.Value());
    }
    const bool more = Reader.ReadBit();
    if (more) {
        BeginInputItem();
    } else {
        Wait = TWait();
    }
}

// The next byte on SERIN's pin. False when there is none yet: either the
// wait goes on at the limit, or the time-out (the line silent for that
// long) has sent the program to its label.
bool TInterpreter::NextSerialByte(std::uint64_t limitUs, std::uint8_t& byte) {
    SyncTime();
    const bool port = SerialIn.Pin == TPins::ProgrammingPort;
    for (;;) {
        const std::uint64_t now = Clock.NowUs();
        if (port) {
            if (const std::optional<std::uint8_t> received = Port->Receive(now)) {
                SerialIn.SilentSinceUs = now;
                byte = *received;
                Record(ekSerialIn, SerialIn.Pin, byte);
                if (SerialIn.Parity) {
                    if (!EvenParity(byte) && SerialIn.HasParityLabel) {
                        Wait = TWait();
                        Reader.Seek(SerialIn.ParityLabel);
                        return false;
                    }
                    byte = static_cast<std::uint8_t>(byte & 0x7F);
                }
                return true;
            }
        }
        // Nothing arrives on pins 0-15: nothing is wired to send.
        std::optional<std::uint64_t> arrival = port ? Port->NextArrival() : std::nullopt;
        if (arrival && *arrival <= now) {
            arrival = now + 1;
        }
        const std::uint64_t deadline =
            SerialIn.HasTimeout ? SerialIn.SilentSinceUs + SerialIn.TimeoutUs : UINT64_MAX;
        if (arrival && *arrival <= deadline) {
            if (*arrival < limitUs) {
                Clock.AdvanceTo(*arrival);
                continue;
            }
        } else if (deadline < limitUs) {
            Clock.AdvanceTo(deadline);
            Wait = TWait();
            Reader.Seek(SerialIn.TimeoutLabel);
            return false;
        }
        Clock.AdvanceTo(limitUs);
        return false;
    }
}

} // namespace wayline::sim
