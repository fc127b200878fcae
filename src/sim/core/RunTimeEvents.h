#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace wayline::sim {

// What the running program did that a front end may want to show. Every
// kind but ekInstruction is always recorded; ekInstruction only while
// tracing is on.
enum TRunTimeEventKind : std::uint8_t {
    ekInstruction, // an instruction ran: A = logical instruction code, B = bit address of its token
    ekEepromRead,  // READ: A = EEPROM address, B = the byte read
    ekEepromWrite, // WRITE: A = EEPROM address, B = the byte written
    ekPinOutput, // a pin's driven level changed: A = pin, B = 1 high / 0 low / -1 no longer driven
    ekPulse,     // PULSOUT: A = pin, B = width in microseconds
    ekTone,      // FREQOUT: A = pin, B = duration in microseconds, C and D = the frequencies in Hz
    ekDebugByte, // a byte sent on the programming port (DEBUG, SEROUT 16): A = the byte
    ekSerialIn,  // a byte taken by SERIN: A = pin (16 = programming port), B = the byte
    ekSerialOut, // a byte sent by SEROUT on pins 0-15: A = pin, B = the byte
    ekEnd,       // the run ended: A = its TStopReason (message: TInterpreter::StopMessage)
};

struct TRunTimeEvent {
    std::uint64_t TimeUs = 0;
    // The bit address of the statement that caused the event.
    std::uint16_t BitAddress = 0;
    TRunTimeEventKind Kind = ekInstruction;
    std::int32_t A = 0;
    std::int32_t B = 0;
    std::int32_t C = 0;
    std::int32_t D = 0;
};

// A bounded record of events, oldest first. Recording never allocates: the
// buffer is a ring of fixed capacity, and when a front end does not take
// the events in time the oldest give way (Dropped counts them).
class TRunTimeEvents {
public:
    static constexpr std::size_t DefaultCapacity = 65536;

    explicit TRunTimeEvents(std::size_t capacity = DefaultCapacity);

    void Record(const TRunTimeEvent& event);

    std::size_t Size() const { return Count; }
    bool Empty() const { return Count == 0; }
    std::size_t Capacity() const { return Ring.size(); }
    // Event i, 0 being the oldest held.
    const TRunTimeEvent& operator[](std::size_t i) const;
    // Appends the held events to `out`, oldest first, and forgets them.
    void TakeInto(std::vector<TRunTimeEvent>& out);
    void Clear();

    // Events recorded since construction, and those lost to a full ring.
    std::uint64_t Recorded() const { return Total; }
    std::uint64_t Dropped() const { return Lost; }

private:
    std::vector<TRunTimeEvent> Ring;
    std::size_t First = 0;
    std::size_t Count = 0;
    std::uint64_t Total = 0;
    std::uint64_t Lost = 0;
};

} // namespace wayline::sim
