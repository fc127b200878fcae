#pragma once

#include <cstdint>

namespace wayline::sim {

// The run-time's timing model: how long each thing the module does takes
// on the simulated clock. The module's own timings are not known to us;
// these are chosen so that the robot program's durations come out as the
// user set them, and each one says why.
namespace timing {

// Fetching the program. The module interprets its program straight out of
// the serial EEPROM, bit by bit, so the time a statement takes grows with
// the bits it is written in; fetching is the bulk of what an instruction
// costs. 7 us a bit is what a serial EEPROM clocked near 150 kHz delivers,
// and it gives the robot program's drive cycle at speed (PAUSE 8, two servo
// pulses, two infra-red bursts and about 1000 program bits between them)
// its 20 ms: 19.8 ms with beginner sensors, 20.2 ms with advanced sensors,
// so that 5 cycles make the tenth of a second of a step's duration.
inline constexpr std::uint64_t BitFetchNs = 7000;
// Decoding an instruction token: already in the bits it is fetched in.
inline constexpr std::uint64_t InstructionUs = 0;

// PAUSE n: n milliseconds.
inline constexpr std::uint64_t PauseUnitUs = 1000;
// NAP p: 2^p base periods of the module's low-power timer. The robot
// program waits one NAP 1 per tenth of a second of "Stop and Wait"; the
// base period is chosen so that one pass of that wait loop (NAP 1 and the
// loop's statements, 0.91 ms) takes 100 ms: "Stop and Wait 1.0 sec" stands
// still 1.0 s (and 20 ms of fetching the next step).
inline constexpr std::uint64_t NapBaseUs = 49545;
// SLEEP n: n seconds.
inline constexpr std::uint64_t SleepUnitUs = 1000000;

// PULSOUT, PULSIN and RCTIME count in units of 2 microseconds: a PULSOUT
// of 750 units is the 1.5 ms centre pulse of a servo.
inline constexpr std::uint64_t PulseUnitUs = 2;
// PULSIN and RCTIME give up after 65,535 units with the result 0.
inline constexpr std::uint64_t PulseTimeoutUnits = 65535;
// PULSIN and RCTIME look at their pin every unit; COUNT every 4 units,
// which sees any input up to 62.5 kHz.
inline constexpr std::uint64_t CountSampleUs = 8;
// FREQOUT and COUNT durations: milliseconds.
inline constexpr std::uint64_t FreqoutUnitUs = 1000;
inline constexpr std::uint64_t CountUnitUs = 1000;

// READ: addressing the serial EEPROM anew (device and address bytes) and
// reading one byte out of it, about 28 bit times.
inline constexpr std::uint64_t EepromReadUs = 200;
// WRITE: the EEPROM's write cycle.
inline constexpr std::uint64_t EepromWriteUs = 5000;

// SEROUT pace and SERIN time-out: milliseconds.
inline constexpr std::uint64_t SerialPaceUnitUs = 1000;
inline constexpr std::uint64_t SerialTimeoutUnitUs = 1000;
// A serial byte on pins 0-15 is 10 bits (start, 8 data, stop); a bit lasts
// (baud mode & 0x1FFF) + 20 microseconds, on the faster members 2.5 times
// less. The programming port times its bytes itself (the serial line).
inline constexpr std::uint64_t SerialBitsPerByte = 10;
inline constexpr std::uint64_t SerialBitOffsetUs = 20;

} // namespace timing

} // namespace wayline::sim
