#include "RunTimeTestSupport.h"

#include "sim/core/SimulatedModule.h"

namespace wayline::sim::testing {
namespace {

// The run-time on the simulated board: the board starts it after a reset
// without a handshake and steps it; the host reaches it over the serial
// line, echo included.
TEST(BoardRunTime, TheTestProgramAnswersTheHostOverTheSerialLine) {
    TModuleConfig config;
    config.ListenTimeoutUs = 10000;
    TSimulatedModule board(config);
    ASSERT_EQ(CompileInto(R"('{$KEYSTONE KM2}
RightSpeed VAR Word
LeftSpeed  VAR Word
Sensors    VAR Byte
Main:
  SERIN 16,16468,[RightSpeed.LOWBYTE,RightSpeed.HIGHBYTE,LeftSpeed.LOWBYTE,LeftSpeed.HIGHBYTE]
  Sensors.BIT3 = ~IN7
  Sensors.BIT2 = ~IN5
  PULSOUT 13, LeftSpeed
  PULSOUT 12, RightSpeed
  SEROUT 16,16468,[Sensors]
  GOTO Main
)",
                          board.Eeprom()),
              "");
    TTestPins pins;
    pins.Levels[7] = false; // right whisker pressed
    auto runTime = std::make_unique<TInterpreter>(pins);
    TInterpreter& program = *runTime;
    board.SetRunTime(std::move(runTime));
    board.Firmware().Reset(0);
    board.RunUntil(20000);
    ASSERT_TRUE(board.ProgramRunning());

    const std::uint8_t widths[4] = {0xEE, 0x02, 0xF8, 0x02}; // 750, 760
    board.HostWrite(widths, 4);
    std::vector<std::uint8_t> received;
    for (std::uint64_t t = 21000; t < 250000 && received.size() < 5; t += 1000) {
        board.RunUntil(t);
        std::uint8_t buffer[8];
        const int n = board.HostRead(buffer, 8);
        received.insert(received.end(), buffer, buffer + n);
    }
    const std::vector<std::uint8_t> expected = {0xEE, 0x02, 0xF8, 0x02, 8};
    EXPECT_EQ(received, expected); // the echo, then the sensor byte
    ASSERT_EQ(pins.Pulses.size(), 2u);
    EXPECT_EQ(pins.Pulses[0].WidthUs, 1520u);
    EXPECT_EQ(pins.Pulses[1].WidthUs, 1500u);
    EXPECT_TRUE(program.Waiting());
    EXPECT_FALSE(pins.TimeWentBack);
}

} // namespace
} // namespace wayline::sim::testing
