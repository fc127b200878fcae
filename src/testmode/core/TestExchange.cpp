#include "testmode/core/TestExchange.h"

#include "comm/core/Serial.h"

#include <algorithm>

namespace wayline {

TSensorState DecodeSensors(int sensors) {
    return {(sensors & LeftIrBit) != 0, (sensors & RightIrBit) != 0,
            (sensors & LeftWhiskerBit) != 0, (sensors & RightWhiskerBit) != 0};
}

std::uint16_t PulseToSend(int spinValue, bool enabled) {
    if (!enabled) {
        return 0;
    }
    return static_cast<std::uint16_t>(std::clamp(spinValue, MinTestPulse, MaxTestPulse));
}

std::array<std::uint8_t, 4> PulseBytes(std::uint16_t rightWidth, std::uint16_t leftWidth) {
    return {static_cast<std::uint8_t>(rightWidth & 0xFF),
            static_cast<std::uint8_t>(rightWidth >> 8), static_cast<std::uint8_t>(leftWidth & 0xFF),
            static_cast<std::uint8_t>(leftWidth >> 8)};
}

int PulseFromCalibration(std::uint8_t calibration) {
    return std::min(CalibrationBase + calibration, MaxTestPulse);
}

std::uint8_t CalibrationFromPulse(int pulse) {
    return static_cast<std::uint8_t>(std::clamp(pulse, MinTestPulse, MaxTestPulse) -
                                     CalibrationBase);
}

int ExchangeTestPulses(TSerial& port, std::uint16_t rightWidth, std::uint16_t leftWidth) {
    // Whatever waits now is left over from an earlier tick; it must not be
    // taken for this tick's echo or answer.
    port.ReadBlock(0, 0);
    const std::array<std::uint8_t, 4> bytes = PulseBytes(rightWidth, leftWidth);
    port.WriteBlock(bytes.data(), static_cast<int>(bytes.size()), TestWriteTimeoutMs);
    // The programming port returns every byte it receives.
    port.ReadBlock(static_cast<int>(bytes.size()), TestEchoTimeoutMs);
    const int answer = port.ReadByte(TestAnswerTimeoutMs);
    // -1 is a time-out; a port that is no longer open (1000) has no answer
    // either, and its number must not be read as sensor bits.
    if (answer < 0 || answer > 0xFF) {
        return NoAnswerSensors;
    }
    return answer;
}

} // namespace wayline
