#pragma once

#include <array>
#include <cstdint>

namespace wayline {

class TSerial;

// Servo pulse widths in the module's pulse units: the test window offers
// 650 to 850, 750 stands a well-built servo still.
inline constexpr int MinTestPulse = 650;
inline constexpr int MaxTestPulse = 850;
inline constexpr int DefaultTestPulse = 750;
inline constexpr int TestPulseLargeStep = 10;
// A servo centre calibration byte is the centre pulse minus this.
inline constexpr int CalibrationBase = 650;

// Time-outs of one exchange, in milliseconds: writing the four bytes,
// reading their echo, waiting for the sensor byte. A silent module costs
// a tick about 310 ms.
inline constexpr std::uint32_t TestWriteTimeoutMs = 10;
inline constexpr std::uint32_t TestEchoTimeoutMs = 100;
inline constexpr std::uint32_t TestAnswerTimeoutMs = 200;

// The sensor byte of the test program, bit by bit.
inline constexpr int LeftIrBit = 0x01;
inline constexpr int RightIrBit = 0x02;
inline constexpr int LeftWhiskerBit = 0x04;
inline constexpr int RightWhiskerBit = 0x08;
// What a tick shows when no sensor byte came: every sensor triggered.
inline constexpr int NoAnswerSensors = 0xFF;

// What the sensor display shows.
struct TSensorState {
    bool LeftIr = false;       // left detector sees an obstacle
    bool RightIr = false;      // right detector sees an obstacle
    bool LeftWhisker = false;  // left whisker pressed
    bool RightWhisker = false; // right whisker pressed

    friend bool operator==(const TSensorState&, const TSensorState&) = default;
};

// The sensor byte as the display reads it.
TSensorState DecodeSensors(int sensors);

// The width a tick sends for one side: the spin edit's value while the
// side's box is ticked, 0 (no pulse) when it is not.
std::uint16_t PulseToSend(int spinValue, bool enabled);

// The four bytes to the test program: right width low byte, high byte,
// left width low byte, high byte.
std::array<std::uint8_t, 4> PulseBytes(std::uint16_t rightWidth, std::uint16_t leftWidth);

// The spin edit's value for a calibration byte (650 + byte), kept inside
// the spin edit's range: a byte above 200 from the settings or a list file
// shows as 850.
int PulseFromCalibration(std::uint8_t calibration);
// The calibration byte for a centre pulse of 650 to 850 (0 to 200).
std::uint8_t CalibrationFromPulse(int pulse);

// One exchange with the test program on an open port: drains what waits in
// the input, sends the two widths, reads back their echo and then the
// sensor byte. Returns the sensor byte, or NoAnswerSensors when none came.
// Every wait runs on the port's clock.
int ExchangeTestPulses(TSerial& port, std::uint16_t rightWidth, std::uint16_t leftWidth);

} // namespace wayline
