// Test mode against the virtual robot: the real test program, downloaded
// with the port kept open, answering the real one-byte exchange. The wheels
// turn by the widths sent, the servos stand still only at their own true
// centres, and the sensor byte follows whiskers and obstacles.

#include "RobotProgramTestSupport.h"

#include "codegen/core/CompileStep.h"
#include "comm/core/Serial.h"
#include "testmode/core/TestExchange.h"

#include <cmath>
#include <mutex>

namespace wayline::sim::testing {
namespace {

class TestModeOnVirtualRobot : public ::testing::Test {
protected:
    void SetUp() override {
        TWorld world = TWorld::DefaultArena();
        world.SetServoCentres(744, 757);
        Session = std::make_unique<TRobotSession>(world);
        auto tokenizer = std::make_unique<TTokenizer>();
        TDownloadImages images;
        ASSERT_TRUE(CompileForDownload(*tokenizer,
                                       LoadTemplateLines(ReadResourceProgram("test.bas")), images));
        const TTokenizerResult& r = tokenizer->Result;
        std::vector<std::uint8_t> packets(&r.PacketBuffer[0][0],
                                          &r.PacketBuffer[0][0] + 18 * r.PacketCount);
        std::string error;
        ASSERT_TRUE(Session->Download(packets.data(), r.PacketCount, error, &Slot)) << error;
        ASSERT_NE(Slot, NoSlot);
    }

    // Ticks of the test window: the widths out, the sensor byte back.
    int Exchange(int right, int left, int ticks = 1) {
        int sensors = 0;
        for (int i = 0; i < ticks; ++i) {
            sensors =
                ExchangeTestPulses(Session->Slots().Slot(Slot), static_cast<std::uint16_t>(right),
                                   static_cast<std::uint16_t>(left));
        }
        return sensors;
    }

    TPose Pose() {
        const std::lock_guard<std::mutex> lock(Session->Module().Mutex());
        return Session->Board().Robot().Pose();
    }

    void Hold(TSide side, bool held) {
        const std::lock_guard<std::mutex> lock(Session->Module().Mutex());
        Session->Board().Robot().HoldWhisker(side, held);
    }

    std::unique_ptr<TRobotSession> Session;
    int Slot = NoSlot;
};

double Moved(const TPose& a, const TPose& b) {
    return std::hypot(a.Position.X - b.Position.X, a.Position.Y - b.Position.Y) +
           std::abs(a.HeadingDeg - b.HeadingDeg);
}

TEST_F(TestModeOnVirtualRobot, TheWheelsStandStillOnlyAtTheirTrueCentres) {
    Exchange(750, 750, 20);
    TPose before = Pose();
    Exchange(750, 750, 200);
    EXPECT_GT(Moved(before, Pose()), 2) << "at 750 an uncalibrated robot creeps";

    Exchange(757, 744, 20);
    before = Pose();
    Exchange(757, 744, 200);
    EXPECT_LT(Moved(before, Pose()), 0.2);

    // Both wheels forward: the left above its centre, the right below.
    before = Pose();
    Exchange(707, 794, 100);
    const TPose after = Pose();
    const double ahead =
        (after.Position.X - before.Position.X) * std::cos(before.HeadingDeg / 57.29578) +
        (after.Position.Y - before.Position.Y) * std::sin(before.HeadingDeg / 57.29578);
    EXPECT_GT(ahead, 20);
}

TEST_F(TestModeOnVirtualRobot, TheSensorByteFollowsWhiskersAndObstacles) {
    EXPECT_EQ(Exchange(757, 744, 3), 0);
    Hold(TSide::sdLeft, true);
    EXPECT_EQ(Exchange(757, 744, 2), LeftWhiskerBit);
    Hold(TSide::sdRight, true);
    EXPECT_EQ(Exchange(757, 744, 2), LeftWhiskerBit | RightWhiskerBit);
    Hold(TSide::sdLeft, false);
    Hold(TSide::sdRight, false);
    EXPECT_EQ(Exchange(757, 744, 2), 0);

    // A box in front of the robot, within the eyes' reach but clear of the
    // whiskers: both detectors see it.
    {
        const std::lock_guard<std::mutex> lock(Session->Module().Mutex());
        TRobotSimulation& board = Session->Board();
        const TPose pose = board.Robot().Pose();
        const double h = pose.HeadingDeg / 57.29578;
        const TPoint ahead{pose.Position.X + 230 * std::cos(h),
                           pose.Position.Y + 230 * std::sin(h)};
        board.World().AddObstacle(TShape::Rectangle(ahead, 40, 160, pose.HeadingDeg));
    }
    EXPECT_EQ(Exchange(757, 744, 2), LeftIrBit | RightIrBit);
}

TEST_F(TestModeOnVirtualRobot, AModuleThatStopsAnsweringShowsEverySensor) {
    EXPECT_EQ(Exchange(757, 744, 2), 0);
    {
        // Its program stops: the module is reset and waits for a download.
        const std::lock_guard<std::mutex> lock(Session->Module().Mutex());
        Session->Module().ResetForHandshake();
    }
    EXPECT_EQ(Exchange(757, 744), NoAnswerSensors);
}

} // namespace
} // namespace wayline::sim::testing
