#include "RunTimeTestSupport.h"

#include "SourceFiles.h"

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
    ASSERT_EQ(CompileInto(testfiles::ReadSourceFile("resources/programs/test.bas"),
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
    std::uint64_t t = 21000;
    for (; t < 250000 && received.size() < 5; t += 1000) {
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
    board.RunUntil(t + 20000); // past the answer's last bit and back to the start of the loop
    EXPECT_TRUE(program.Waiting());
    EXPECT_FALSE(pins.TimeWentBack);
}

} // namespace
} // namespace wayline::sim::testing
