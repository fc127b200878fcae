#include "sim/core/Interpreter.h"

#include "sim/core/Eeprom.h"
#include "sim/core/Operators.h"
#include "sim/core/PinHardware.h"
#include "sim/core/ProgrammingPort.h"
#include "sim/core/RunTimeFault.h"
#include "sim/core/Timing.h"

namespace wayline::sim {

namespace {

std::string AtAddress(int bitAddress) {
    return " (bit address " + std::to_string(bitAddress) + ")";
}

} // namespace

TInterpreter::TInterpreter(TPinHardware& hardware, TTargetModule module, std::size_t eventCapacity)
    : Hardware(hardware), ModuleKind(module), EventLog(eventCapacity), Pins(hardware, EventLog),
      Stack(Reader, *this) {}

void TInterpreter::Start(TEeprom& eeprom, TProgrammingPort& port, std::uint64_t timeUs) {
    if (Eeprom != nullptr) {
        Pins.Release(Clock.NowUs() > timeUs ? Clock.NowUs() : timeUs, StatementAddress);
    }
    Eeprom = &eeprom;
    Port = &port;
    Clock = TSimClock();
    Clock.AdvanceTo(timeUs);
    Reader = TBitReader();
    Reader.Attach(&eeprom);
    Vars.Clear();
    Pins.Reset();
    Stack.Clear();
    GosubCount = 0;
    Wait = TWait();
    Reason = srNone;
    Message.clear();
    Cause = TFaultCause();
    Instructions = 0;
    AccountedBits = 0;
    PendingNs = 0;
    // The first 14 bits hold the address of the first statement.
    StatementAddress = 0;
    Reader.Seek(Reader.ReadAddress());
    IsRunning = true;
}

void TInterpreter::Stop(std::uint64_t timeUs) {
    if (Eeprom == nullptr) {
        return;
    }
    Clock.AdvanceTo(timeUs);
    if (IsRunning) {
        Halt(srHalted, "Stopped by a reset or a new download");
    }
    // After a reset every pin is an input again.
    Pins.Release(Clock.NowUs(), StatementAddress);
    Vars.SetWord(TVariableSpace::DirsWord, 0);
}

void TInterpreter::RunUntil(std::uint64_t timeUs) {
    try {
        while (IsRunning) {
            SyncTime();
            if (Clock.NowUs() >= timeUs) {
                break;
            }
            if (Wait.Kind == wkSerialIn) {
                if (!ContinueSerin(timeUs)) {
                    break;
                }
                continue;
            }
            if (Wait.Kind != wkNone) {
                if (!ContinueMeasure(timeUs)) {
                    break;
                }
                continue;
            }
            ExecuteStatement();
        }
    } catch (const ERunTimeFault& fault) {
        SyncTime();
        const int address = fault.BitAddress >= 0 ? fault.BitAddress : StatementAddress;
        Cause = TFaultCause{fault.Kind, fault.Instruction, address};
        Halt(srFault, fault.Text + AtAddress(address));
    }
}

// Every bit fetched so far costs its time; the clock is brought up to date
// before anything that happens at a moment (a pin read, an output, a wait).
void TInterpreter::SyncTime() {
    const std::uint64_t bits = Reader.BitsFetched();
    PendingNs += (bits - AccountedBits) * timing::BitFetchNs;
    AccountedBits = bits;
    Clock.Advance(PendingNs / 1000);
    PendingNs %= 1000;
}

void TInterpreter::Halt(TStopReason reason, const std::string& message) {
    IsRunning = false;
    Reason = reason;
    Message = message;
    Wait = TWait();
    Record(ekEnd, reason);
}

void TInterpreter::Record(TRunTimeEventKind kind, std::int32_t a, std::int32_t b, std::int32_t c,
                          std::int32_t d) {
    TRunTimeEvent event;
    event.TimeUs = Clock.NowUs();
    event.BitAddress = StatementAddress;
    event.Kind = kind;
    event.A = a;
    event.B = b;
    event.C = c;
    event.D = d;
    EventLog.Record(event);
}

// A statement: its operands (expression codes, each announced by a 1 bit),
// then a 0 bit and the 6-bit instruction token, then the instruction's own
// fields.
void TInterpreter::ExecuteStatement() {
    StatementAddress = static_cast<std::uint16_t>(Reader.Position());
    Stack.Clear();
    Stack.RunAnnouncedCodes();
    TokenAddress = static_cast<std::uint16_t>(Reader.Position() - 1);
    const int token = Reader.Read(InstructionTokenBits);
    const int instruction = LogicalInstruction(token, ModuleKind);
    ++Instructions;
    Clock.Advance(timing::InstructionUs);
    SyncTime();
    if (Trace) {
        Record(ekInstruction, instruction, TokenAddress);
    }
    Execute(instruction);
}

void TInterpreter::Execute(int instruction) {
    std::uint16_t v[2];
    switch (instruction) {
    case inEnd:
        Stack.Clear();
        Halt(srEnd, "END" + AtAddress(TokenAddress));
        break;
    case inStop:
        Halt(srStop, "STOP" + AtAddress(TokenAddress));
        break;
    case inSleep:
        Operands(instruction, 1, v);
        Clock.Advance(v[0] * timing::SleepUnitUs);
        break;
    case inNap:
        Operands(instruction, 1, v);
        Clock.Advance(timing::NapBaseUs << (v[0] & 7));
        break;
    case inPause:
        Operands(instruction, 1, v);
        Clock.Advance(v[0] * timing::PauseUnitUs);
        break;
    case inOutput:
    case inHigh:
    case inToggle:
    case inLow:
    case inReverse:
    case inInput:
        SetPinMode(instruction);
        break;
    case inGoto:
        Operands(instruction, 0, v);
        Reader.Seek(Reader.ReadAddress());
        break;
    case inGosub:
        Gosub();
        break;
    case inReturn:
        Return();
        break;
    case inConditionalJump: {
        Operands(instruction, 1, v);
        const std::uint16_t target = Reader.ReadAddress();
        if (v[0] != 0) {
            Reader.Seek(target);
        }
        break;
    }
    case inForStep:
        ForStep();
        break;
    case inBranch:
        Branch();
        break;
    case inLookup:
        Lookup();
        break;
    case inLookdown:
        Lookdown();
        break;
    case inRandom:
        Operands(instruction, 1, v);
        StoreThroughReference(NextRandom(v[0]));
        break;
    case inRead:
        ReadEeprom();
        break;
    case inWrite:
        WriteEeprom();
        break;
    case inAssign:
        // The write reference in front of the token has stored the value.
        Operands(instruction, 1, v);
        break;
    case inFreqout:
        Freqout(false);
        break;
    case inFreqoutTwoTones:
        Freqout(true);
        break;
    case inPulsout:
        Pulsout();
        break;
    case inPulsin:
    case inRctime:
    case inCount:
        BeginMeasure(instruction);
        break;
    case inButton:
        Button();
        break;
    case inSerout:
        Serout();
        break;
    case inSerin:
        Serin();
        break;
    default:
        NotModelled(instruction);
    }
}

void TInterpreter::NotModelled(int instruction) {
    const std::string_view name = InstructionName(instruction);
    if (name.empty()) {
        throw ERunTimeFault{"Unknown instruction token " + std::to_string(instruction),
                            TokenAddress};
    }
    std::string what(name);
    if (instruction == inSeroutWithFlowPin || instruction == inSerinWithFlowPin) {
        what += " with a flow pin";
    }
    throw ERunTimeFault{what + " is not modelled by the simulator", TokenAddress,
                        TFaultKind::fkNotModelled, what};
}

void TInterpreter::Operands(int instruction, int count, std::uint16_t* out) {
    if (Stack.Count() != count) {
        throw ERunTimeFault{std::string(InstructionName(instruction)) + " found " +
                                std::to_string(Stack.Count()) + " values on the stack instead of " +
                                std::to_string(count),
                            TokenAddress};
    }
    for (int i = 0; i < count; ++i) {
        out[i] = Stack.Value(i);
    }
    Stack.Clear();
}

int TInterpreter::ItemValues(std::uint16_t* out) {
    Stack.Clear();
    Stack.Evaluate();
    const int n = Stack.Count();
    for (int i = 0; i < n; ++i) {
        out[i] = Stack.Value(i);
    }
    Stack.Clear();
    return n;
}

void TInterpreter::StoreThroughReference(std::uint16_t value) {
    Stack.Clear();
    Stack.Push(value);
    Stack.Evaluate();
    Stack.Clear();
}

// GOSUB: the GOSUB's number (8 bits) and the target. RETURN goes on at the
// address in that number's return slot, bits 14 * number to 14 * number + 13.
void TInterpreter::Gosub() {
    std::uint16_t none[1];
    Operands(inGosub, 0, none);
    const auto number = static_cast<std::uint8_t>(Reader.Read(GosubNumberBits));
    const std::uint16_t target = Reader.ReadAddress();
    if (GosubCount == MaxGosubNesting) {
        throw ERunTimeFault{"GOSUB nested deeper than " + std::to_string(MaxGosubNesting),
                            TokenAddress};
    }
    GosubNumbers[static_cast<std::size_t>(GosubCount++)] = number;
    Reader.Seek(target);
}

void TInterpreter::Return() {
    std::uint16_t none[1];
    Operands(inReturn, 0, none);
    if (GosubCount == 0) {
        throw ERunTimeFault{"RETURN without GOSUB", TokenAddress};
    }
    const int number = GosubNumbers[static_cast<std::size_t>(--GosubCount)];
    Reader.Seek(ReturnSlotAddress(number));
    Reader.Seek(Reader.ReadAddress());
}

// NEXT: end and start on the stack; then the variable's value and the step
// (an expression of two values), the write reference, the loop's address.
// The loop counts up when start <= end, else down by the step; it goes
// round again while the new value has not passed the end (in 17 bits, so
// that a value wrapping past 65535 or below 0 ends the loop). The variable
// gets the new value either way.
void TInterpreter::ForStep() {
    std::uint16_t limits[2];
    Operands(inForStep, 2, limits);
    const std::uint16_t end = limits[0];
    const std::uint16_t start = limits[1];
    Stack.Evaluate();
    std::uint16_t current[2];
    Operands(inForStep, 2, current);
    const std::int32_t value = current[0];
    const std::int32_t step = current[1];
    const bool down = start > end;
    const std::int32_t next = down ? value - step : value + step;
    const bool again = down ? next >= end : next <= end;
    StoreThroughReference(static_cast<std::uint16_t>(next & 0xFFFF));
    const std::uint16_t loop = Reader.ReadAddress();
    if (again) {
        Reader.Seek(loop);
    }
}

// BRANCH: the index, then the addresses, each followed by a 1 bit when
// another one follows. An index past the list goes on behind it.
void TInterpreter::Branch() {
    std::uint16_t index[1];
    Operands(inBranch, 1, index);
    int target = -1;
    int i = 0;
    bool more = true;
    while (more) {
        const std::uint16_t address = Reader.ReadAddress();
        more = Reader.ReadBit();
        if (i++ == index[0]) {
            target = address;
        }
    }
    if (target >= 0) {
        Reader.Seek(target);
    }
}

// LOOKUP: the index, then the values (each an expression, then a 1 bit
// when another follows), then the write reference. An index past the list
// leaves the variable as it was.
void TInterpreter::Lookup() {
    std::uint16_t index[1];
    Operands(inLookup, 1, index);
    bool found = false;
    std::uint16_t result = 0;
    int i = 0;
    bool more = true;
    while (more) {
        if (i++ == index[0]) {
            Stack.Evaluate();
            Operands(inLookup, 1, &result);
            found = true;
        } else {
            Stack.Skip();
        }
        more = Reader.ReadBit();
    }
    if (found) {
        StoreThroughReference(result);
    } else {
        Stack.Skip();
    }
}

// LOOKDOWN: the value, the comparison in 3 bits (its code - 24), the values
// as LOOKUP's, the write reference: the variable gets the position of the
// first value for which "value comparison list-value" holds, and stays as
// it was when none does.
void TInterpreter::Lookdown() {
    std::uint16_t value[1];
    Operands(inLookdown, 1, value);
    const int comparison = Reader.Read(LookdownComparisonBits) + LookdownComparisonBias;
    if (comparison < FirstComparison) {
        throw ERunTimeFault{"LOOKDOWN with an unknown comparison", TokenAddress};
    }
    int found = -1;
    int i = 0;
    bool more = true;
    while (more) {
        if (found < 0) {
            std::uint16_t item;
            Stack.Evaluate();
            Operands(inLookdown, 1, &item);
            if (ApplyBinary(comparison, value[0], item) != 0) {
                found = i;
            }
        } else {
            Stack.Skip();
        }
        ++i;
        more = Reader.ReadBit();
    }
    if (found >= 0) {
        StoreThroughReference(static_cast<std::uint16_t>(found));
    } else {
        Stack.Skip();
    }
}

// READ: the address; then the 14-bit address where the program goes on
// (right behind it), then the write reference of the variable.
void TInterpreter::ReadEeprom() {
    std::uint16_t address[1];
    Operands(inRead, 1, address);
    const int at = address[0] & (TEeprom::Size - 1);
    const std::uint16_t next = Reader.ReadAddress();
    Clock.Advance(timing::EepromReadUs);
    const std::uint8_t byte = Eeprom->Read(at);
    Record(ekEepromRead, at, byte);
    Reader.Seek(next);
    StoreThroughReference(byte);
}

// WRITE: value and address on the stack, then the address where the
// program goes on.
void TInterpreter::WriteEeprom() {
    std::uint16_t operands[2];
    Operands(inWrite, 2, operands);
    const int at = operands[1] & (TEeprom::Size - 1);
    const auto byte = static_cast<std::uint8_t>(operands[0] & 0xFF);
    const std::uint16_t next = Reader.ReadAddress();
    Eeprom->Write(at, byte);
    Record(ekEepromWrite, at, byte);
    Clock.Advance(timing::EepromWriteUs);
    Reader.Seek(next);
}

std::uint16_t TInterpreter::ReadCell(int size, int cell) {
    if (TVariableSpace::WordOf(size, cell) == TVariableSpace::InsWord) {
        // The input word is what the pins read now.
        SyncTime();
        const std::uint16_t mask = TVariableSpace::MaskOf(size, cell);
        const std::uint16_t levels =
            Pins.ReadLevels(mask, Vars.Word(TVariableSpace::DirsWord),
                            Vars.Word(TVariableSpace::OutsWord), Clock.NowUs());
        Vars.SetWord(
            TVariableSpace::InsWord,
            static_cast<std::uint16_t>((Vars.Word(TVariableSpace::InsWord) & ~mask) | levels));
    }
    return Vars.Read(size, cell);
}

void TInterpreter::WriteCell(int size, int cell, std::uint16_t value) {
    const int word = TVariableSpace::WordOf(size, cell);
    if (word == TVariableSpace::InsWord) {
        return; // the inputs cannot be written
    }
    Vars.Write(size, cell, value);
    if (word == TVariableSpace::OutsWord || word == TVariableSpace::DirsWord) {
        SyncTime();
        Pins.Apply(Vars.Word(TVariableSpace::DirsWord), Vars.Word(TVariableSpace::OutsWord),
                   Clock.NowUs(), StatementAddress);
    }
}

} // namespace wayline::sim
