#include "RobotProgramTestSupport.h"

#include "comm/core/Serial.h"
#include "sim/core/Playback.h"

namespace wayline::sim::testing {
namespace {

constexpr std::uint64_t Ms = 1000;

// The test mode's program as it ships: four bytes in on the programming port
// (the right and the left pulse width, low byte first), the sensors read,
// both servos pulsed, one sensor byte out: bit 3 right whisker, bit 2 left
// whisker, bit 0 left detector, bit 1 right detector, each set when it reports.
std::string TestProgram() {
    return testfiles::ReadSourceFile("resources/programs/test.bas");
}

// One tick of test mode on the kept port: the widths out, their echo back,
// then the sensor byte (-1 when none came).
int Tick(TSerial& port, int right, int left, std::string& echo) {
    port.WaitMs(10); // the test window's timer
    port.ReadBlock(0, 0);
    const std::uint8_t out[4] = {
        static_cast<std::uint8_t>(right & 0xFF), static_cast<std::uint8_t>(right >> 8),
        static_cast<std::uint8_t>(left & 0xFF), static_cast<std::uint8_t>(left >> 8)};
    port.WriteBlock(out, 4, 10);
    const int got = port.ReadBlock(4, 100);
    echo.assign(reinterpret_cast<const char*>(port.RxBuffer.get()),
                static_cast<std::size_t>(std::max(got, 0)));
    return port.ReadByte(200);
}

TEST(RobotSessionTest, TheTestProgramAnswersWithTheSensorsOfTheRobotInItsWorld) {
    std::vector<std::uint8_t> packets;
    ASSERT_EQ(CompileProgram(TestProgram(), packets), "");

    // Nothing near; then a post touching the left whisker (the left
    // detector sees it too) and a box ahead-right for the right detector.
    TWorld clear;
    TWorld busy;
    busy.AddObstacle(TShape::Circle({95, 52}, 8));
    busy.AddObstacle(TShape::Rectangle({200, -120}, 100, 100));
    for (const bool crowded : {false, true}) {
        SCOPED_TRACE(crowded ? "obstacles" : "clear floor");
        TRobotSession session(crowded ? busy : clear);
        std::string error;
        int slot = NoSlot;
        ASSERT_TRUE(
            session.Download(packets.data(), static_cast<int>(packets.size() / 18), error, &slot))
            << error;
        ASSERT_NE(slot, NoSlot) << "the port stays open for the exchange";
        TSerial& port = session.Slots().Slot(slot);
        for (int tick = 0; tick < 5; ++tick) {
            std::string echo;
            const int sensors = Tick(port, 750, 750, echo);
            EXPECT_EQ(echo, std::string("\xee\x02\xee\x02", 4)) << "the carrier board's echo";
            EXPECT_EQ(sensors, crowded ? 4 | 1 | 2 : 0) << tick;
        }
        // The widths reached the servos.
        const TRobot& robot = session.Board().Robot();
        EXPECT_EQ(robot.WheelSpeed(TSide::sdLeft, session.Module().NowUs()), 0);
        session.Slots().ClosePort(slot);
    }
}

TEST(RobotSessionTest, TheTestProgramDrivesTheWheelsWithTheWidthsSent) {
    std::vector<std::uint8_t> packets;
    ASSERT_EQ(CompileProgram(TestProgram(), packets), "");
    TRobotSession session{TWorld{}};
    std::string error;
    int slot = NoSlot;
    ASSERT_TRUE(
        session.Download(packets.data(), static_cast<int>(packets.size() / 18), error, &slot));
    TSerial& port = session.Slots().Slot(slot);
    std::string echo;
    for (int tick = 0; tick < 50; ++tick) {
        Tick(port, 650, 850, echo); // both wheels full ahead
        port.WaitMs(10);
    }
    session.Board().Robot().AdvanceTo(session.Module().NowUs());
    EXPECT_GT(session.Board().Robot().Pose().Position.X, 20);
    // Not quite straight: the left pulse comes first, so the left wheel's
    // 25 ms run-on after it starts and ends a little earlier every tick.
    EXPECT_NEAR(session.Board().Robot().Pose().HeadingDeg, 0, 3);
    session.Slots().ClosePort(slot);
}

TEST(RobotSessionTest, ANewDownloadStartsTheRunAgainFromTheStart) {
    TRobotProgramRun run;
    run.Main(akMoveForward, 20);
    ASSERT_EQ(run.Compile(false, false), "");
    run.Start(TWorld{});
    run.RunUntil(6);
    ASSERT_GT(run.Board->PoseFromStart().Position.X, 100);
    const std::size_t before = run.Board->Events().size();
    ASSERT_GT(before, 1u);

    std::string error;
    ASSERT_TRUE(run.Session->Download(run.Packets.data(), static_cast<int>(run.Packets.size() / 18),
                                      error));
    run.Board->RunFor(100 * Ms);
    EXPECT_EQ(run.Board->Runs(), 2u);
    EXPECT_EQ(run.Board->PoseFromStart().Position.X, 0) << "back at its start";
    EXPECT_TRUE(run.Board->Events().empty());
    EXPECT_FALSE(run.Board->EndUs().has_value());
    run.Board->RunFor(6000 * Ms);
    ASSERT_FALSE(run.Commands().empty());
    EXPECT_EQ(run.Commands()[0].Letter, 'F');
    EXPECT_EQ(run.Commands()[0].Entry, 1);
    EXPECT_GT(run.Board->PoseFromStart().Position.X, 100);
}

TEST(RobotSessionTest, WithoutTheCarrierBoardNothingIsDownloaded) {
    std::vector<std::uint8_t> packets;
    ASSERT_EQ(CompileProgram(TestProgram(), packets), "");
    TRobotSession session{TWorld{}};
    session.Module().Line().BoardPresent = false;
    std::string error;
    EXPECT_FALSE(session.Download(packets.data(), static_cast<int>(packets.size() / 18), error));
    EXPECT_EQ(error, "No robot found.");
    session.Board().RunFor(1000 * Ms);
    EXPECT_FALSE(session.Board().Started());
}

// Go's first seconds on the virtual robot: the robot program's start-up
// wait plays fast, while the robot's own clock counts it in full.
TEST(PlaybackTest, TheStartUpWaitPlaysFastAndTheRobotsClockCountsItInFull) {
    const auto firstMove = [](bool fast) {
        TRobotProgramRun run;
        run.Main(akMoveForward, 10);
        EXPECT_EQ(run.Compile(false, false), "");
        run.Start(TWorld{});
        TPlayback playback;
        playback.SetFastStart(fast);
        std::uint64_t host = 0;
        constexpr std::uint64_t Frame = 16667;
        while (!run.Board->Robot().FirstPulseUs() && host < 10'000'000) {
            playback.RunFrame(*run.Board, Frame);
            host += Frame;
        }
        EXPECT_FALSE(run.Board->StartingUp());
        // The first command is read 3.5 s into the run on the robot's clock.
        run.Board->FlushEvents();
        const auto first = run.Commands();
        EXPECT_FALSE(first.empty());
        EXPECT_GE(first.empty() ? 0 : first.front().TimeUs, 3500 * Ms);
        EXPECT_LT(*run.Board->Robot().FirstPulseUs() - run.Board->StartUs(), 3600 * Ms);
        return host;
    };
    const std::uint64_t fast = firstMove(true);
    EXPECT_LE(fast, 300 * Ms) << "the wheels turn a quarter of a second after the start";
    const std::uint64_t real = firstMove(false);
    EXPECT_GE(real, 3500 * Ms);
    EXPECT_LT(real, 3600 * Ms);
}

} // namespace
} // namespace wayline::sim::testing
