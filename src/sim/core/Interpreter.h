#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "sim/core/BitReader.h"
#include "sim/core/ExpressionEvaluator.h"
#include "sim/core/InstructionSet.h"
#include "sim/core/ModuleRunTime.h"
#include "sim/core/Pins.h"
#include "sim/core/RunTimeEvents.h"
#include "sim/core/RunTimeFault.h"
#include "sim/core/SerialItems.h"
#include "sim/core/SimClock.h"
#include "sim/core/VariableSpace.h"

namespace wayline::sim {

class TEeprom;
class TPinHardware;
class TProgrammingPort;

// Why a run ended.
enum TStopReason : std::uint8_t {
    srNone = 0, // still running, or never started
    srEnd,      // END (or the END behind the last statement)
    srStop,     // STOP
    srFault,    // the program could not go on; StopMessage says why
    srHalted,   // the board stopped it (reset, new download)
};

// The module's run-time: interprets the compiled program bit stream in the
// EEPROM, as the module does after a download.
//
// Entry points:
//   TInterpreter runTime(pins);            // what is wired to pins 0-15
//   runTime.Start(eeprom, port, timeUs);   // from the start address in bits 0-13
//   runTime.RunUntil(timeUs);              // again and again, with rising times
//   runTime.Events()                       // what happened, read after each step
// The board drives it through TModuleRunTime; tests and tools may do the
// same directly.
//
// Time: the run-time keeps its own clock (NowUs). Each statement starts at
// the time the one before ended and takes the time of the timing model
// (Timing.h): the program bits it fetches, then what the instruction does
// (PAUSE 1000 takes 1 s, a PULSOUT of 750 units 1.5 ms). RunUntil starts
// every statement whose start lies before its limit, so a statement may end
// after it (NowUs then runs ahead until the next call). Inputs are read
// when the expression reads them, partway through the statement: after a
// FREQOUT, "IF IN0 = 0" reads pin 0 about 0.1 ms after the tone ended. A
// wait for input (SERIN, PULSIN, RCTIME, COUNT) never looks beyond the
// limit: it pauses there and goes on at the next call. Every statement
// costs time, so a runaway program is bounded by the limit.
//
// Faults never crash the simulator: an instruction the simulator does not
// model, a stream that runs off the EEPROM, an expression that overflows
// the stack, a RETURN without GOSUB or a GOSUB nested deeper than 4 stop
// the run with srFault and a message that names the instruction and its bit
// address. Division by 0 gives a defined value (Operators.cpp).
class TInterpreter final : public TModuleRunTime, private TVariableAccess {
public:
    // GOSUBs may nest 4 deep: the return stack holds the numbers of 4
    // GOSUBs; the robot program needs 1.
    static constexpr int MaxGosubNesting = 4;

    explicit TInterpreter(TPinHardware& hardware, TTargetModule module = tmKM2,
                          std::size_t eventCapacity = TRunTimeEvents::DefaultCapacity);

    // TModuleRunTime
    void Start(TEeprom& eeprom, TProgrammingPort& port, std::uint64_t timeUs) override;
    void RunUntil(std::uint64_t timeUs) override;
    void Stop(std::uint64_t timeUs) override;
    bool Running() const override { return IsRunning; }

    // Observers.
    TRunTimeEvents& Events() { return EventLog; }
    const TRunTimeEvents& Events() const { return EventLog; }
    // Records an ekInstruction event for every instruction while on.
    void SetTracing(bool on) { Trace = on; }
    TStopReason StopReason() const { return Reason; }
    // "END (bit address 123)", "STOP (...)", or what went wrong, with the
    // bit address of the instruction or statement.
    const std::string& StopMessage() const { return Message; }
    // srFault: its kind and place, for a window that words it itself.
    const TFaultCause& FaultCause() const { return Cause; }
    std::uint64_t NowUs() const { return Clock.NowUs(); }
    std::uint64_t InstructionCount() const { return Instructions; }
    std::uint64_t BitsFetched() const { return Reader.BitsFetched(); }
    const TVariableSpace& Variables() const { return Vars; }
    int GosubDepth() const { return GosubCount; }
    TTargetModule Module() const { return ModuleKind; }
    // True while a SERIN, PULSIN, RCTIME or COUNT waits for its input.
    bool Waiting() const { return Wait.Kind != wkNone; }

private:
    // A wait for input that may outlast one RunUntil call.
    enum TWaitKind : std::uint8_t { wkNone, wkSerialIn, wkPulseIn, wkRcTime, wkCount };
    struct TWait {
        TWaitKind Kind = wkNone;
        int Pin = 0;
        bool State = false; // PULSIN, RCTIME: the level measured
        int Phase = 0;
        bool LastLevel = false;
        std::uint64_t PhaseStartUs = 0;
        std::uint64_t EndUs = 0;
        std::uint32_t Count = 0;
        std::uint64_t NextSampleUs = 0;
    };
    // SERIN: the port or pin, its branches and the item being received.
    struct TSerialIn {
        int Pin = 0;
        bool Parity = false;
        bool HasTimeout = false;
        std::uint64_t TimeoutUs = 0;
        std::uint16_t TimeoutLabel = 0;
        bool HasParityLabel = false;
        std::uint16_t ParityLabel = 0;
        std::uint64_t SilentSinceUs = 0;
        TInputItem Item;
    };

    // TVariableAccess: the I/O words go to the pins.
    std::uint16_t ReadCell(int size, int cell) override;
    void WriteCell(int size, int cell, std::uint16_t value) override;

    // Interpreter.cpp: the statement loop and the flow of control.
    void ExecuteStatement();
    void Execute(int instruction);
    void SyncTime();
    void Halt(TStopReason reason, const std::string& message);
    void Record(TRunTimeEventKind kind, std::int32_t a = 0, std::int32_t b = 0, std::int32_t c = 0,
                std::int32_t d = 0);
    // Takes exactly `count` operands off the stack, first pushed first.
    void Operands(int instruction, int count, std::uint16_t* out);
    // Evaluates a serial item's expression and takes every value it leaves,
    // first pushed first; `out` holds StackSize values. Returns how many.
    int ItemValues(std::uint16_t* out);
    // Pushes `value` and works the write reference that follows.
    void StoreThroughReference(std::uint16_t value);
    void Gosub();
    void Return();
    void ForStep();
    void Branch();
    void Lookup();
    void Lookdown();
    void ReadEeprom();
    void WriteEeprom();
    [[noreturn]] void NotModelled(int instruction);

    // InterpreterPins.cpp: pin instructions and waits on inputs.
    void SetPinMode(int instruction);
    void Pulsout();
    void Freqout(bool twoTones);
    void Button();
    void BeginMeasure(int instruction);
    bool ContinueMeasure(std::uint64_t limitUs);
    void FinishMeasure(std::uint16_t result);
    void MakeOutput(int pin);
    void MakeInput(int pin);
    bool PinLevel(int pin);

    // InterpreterSerial.cpp: SEROUT and SERIN.
    void Serout();
    void Serin();
    void SendByte(int pin, std::uint16_t mode, std::uint8_t byte);
    void BeginInputItem();
    bool ContinueSerin(std::uint64_t limitUs);
    void FinishInputItem();
    bool NextSerialByte(std::uint64_t limitUs, std::uint8_t& byte);

    TPinHardware& Hardware;
    TTargetModule ModuleKind;
    TEeprom* Eeprom = nullptr;
    TProgrammingPort* Port = nullptr;
    TSimClock Clock;
    TBitReader Reader;
    TVariableSpace Vars;
    TRunTimeEvents EventLog;
    TPins Pins;
    TExpressionEvaluator Stack;
    std::array<std::uint8_t, MaxGosubNesting> GosubNumbers{};
    int GosubCount = 0;
    TWait Wait;
    TSerialIn SerialIn;

    bool IsRunning = false;
    bool Trace = false;
    TStopReason Reason = srNone;
    std::string Message;
    TFaultCause Cause;
    std::uint64_t Instructions = 0;
    std::uint64_t AccountedBits = 0;
    std::uint64_t PendingNs = 0;
    std::uint16_t StatementAddress = 0;
    std::uint16_t TokenAddress = 0;
};

} // namespace wayline::sim
