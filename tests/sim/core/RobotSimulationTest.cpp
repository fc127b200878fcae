#include "sim/core/RobotSimulation.h"

#include "sim/core/Eeprom.h"
#include "sim/core/ModuleRunTime.h"
#include "sim/core/ProgrammingPort.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <map>
#include <string>

namespace wayline::sim {
namespace {

constexpr std::uint64_t Ms = 1000;

// A run-time that plays a script of pin calls and EEPROM reads at fixed
// times, standing in for a program in these tests of the board.
class TScriptedRunTime final : public TModuleRunTime {
public:
    explicit TScriptedRunTime(TRobotSimulation& board) : Board(board) {}

    void At(std::uint64_t timeUs, std::function<void(std::uint64_t)> action) {
        Script.emplace(timeUs, std::move(action));
    }
    // READ address, value: the letter, then the value byte behind it.
    void ReadEntry(std::uint64_t timeUs, int address) {
        At(timeUs, [this, address](std::uint64_t t) {
            Read(address, t);
            Read(address + 1, t + 100);
        });
    }
    void Read(int address, std::uint64_t t) {
        Record.Record({t, 0, ekEepromRead, address, Image.Read(address), 0, 0});
    }
    // Drive cycles of 20 ms from `from` to `to` with these pulse widths (in
    // 2 µs units), each followed by a check of the four sensors.
    void Drive(std::uint64_t from, std::uint64_t to, int left, int right, bool check) {
        for (std::uint64_t t = from; t < to; t += 20 * Ms) {
            At(t, [this, left, right, check](std::uint64_t s) {
                TRobot& r = Board.Robot();
                r.Pulse(RobotPins::LeftServo, s, static_cast<std::uint32_t>(left * 2));
                r.Pulse(RobotPins::RightServo, s + 1600, static_cast<std::uint32_t>(right * 2));
                if (check) {
                    Check(s + 3200);
                }
            });
        }
    }
    // The sensor check in the robot program's order.
    void Check(std::uint64_t t) {
        TRobot& r = Board.Robot();
        r.InputLevel(RobotPins::RightWhisker, t);
        r.InputLevel(RobotPins::LeftWhisker, t + 100);
        r.Tone(RobotPins::RightIrLed, t + 200, 1000, 37500, 0);
        r.InputLevel(RobotPins::RightIrDetector, t + 1300);
        r.Tone(RobotPins::LeftIrLed, t + 1400, 1000, 37500, 0);
        r.InputLevel(RobotPins::LeftIrDetector, t + 2500);
    }
    void EndAt(std::uint64_t timeUs) { End = timeUs; }

    void Start(TEeprom& eeprom, TProgrammingPort&, std::uint64_t timeUs) override {
        Image = eeprom;
        Origin = timeUs;
        IsRunning = true;
    }
    void RunUntil(std::uint64_t timeUs) override {
        while (IsRunning && !Script.empty() && Origin + Script.begin()->first < timeUs) {
            auto action = std::move(Script.begin()->second);
            const std::uint64_t t = Origin + Script.begin()->first;
            Script.erase(Script.begin());
            action(t);
        }
        if (IsRunning && Origin + End < timeUs) {
            IsRunning = false;
            if (RecordEnd) {
                Record.Record({Origin + End, 0, ekEnd, 0, 0, 0, 0});
            }
        }
    }
    void Stop(std::uint64_t) override { IsRunning = false; }
    bool Running() const override { return IsRunning; }

    TEeprom Image;
    TRunTimeEvents Record;
    // Whether the end goes into the record or is only seen as Running().
    bool RecordEnd = true;

private:
    TRobotSimulation& Board;
    std::multimap<std::uint64_t, std::function<void(std::uint64_t)>> Script;
    std::uint64_t Origin = 0;
    std::uint64_t End = ~std::uint64_t{0} / 2;
    bool IsRunning = false;
};

class TNoPort final : public TProgrammingPort {
public:
    std::optional<std::uint8_t> Receive(std::uint64_t) override { return std::nullopt; }
    std::optional<std::uint64_t> NextArrival() const override { return std::nullopt; }
    std::uint64_t Send(std::uint8_t, std::uint64_t timeUs) override { return timeUs; }
};

// An EEPROM laid out as the generator writes it: configuration, then the
// main list and the five sets, each closed by "Q".
TEeprom Lists(int mode, const std::string& main, const std::string& all = "") {
    TEeprom e;
    e.Write(0, static_cast<std::uint8_t>(mode));
    e.Write(2, 100);
    e.Write(3, 100);
    int a = TListLayout::MainList;
    auto put = [&e, &a](const std::string& list) {
        for (const char c : list) {
            e.Write(a++, static_cast<std::uint8_t>(c));
        }
        e.Write(a++, 'Q');
    };
    put(main);
    for (int set = 0; set < 5; ++set) {
        e.Write(4 + 2 * set, static_cast<std::uint8_t>(a));
        e.Write(5 + 2 * set, static_cast<std::uint8_t>(a >> 8));
        put(set == 0 ? all : "");
    }
    return e;
}

class RobotSimulationTest : public ::testing::Test {
protected:
    TWorld World;
    TNoPort Port;

    // A board with the scripted run-time, the program started at 50 ms (a
    // download takes time before it).
    struct TRig {
        TRobotSimulation Board;
        TScriptedRunTime RunTime{Board};
        TEeprom Eeprom;
        explicit TRig(const TWorld& world) : Board(world) {
            Board.SetRunTime(&RunTime, &RunTime.Record);
        }
    };
    void Start(TRig& rig, const TEeprom& eeprom) {
        rig.Board.RunUntil(50 * Ms);
        rig.Eeprom = eeprom;
        rig.RunTime.Start(rig.Eeprom, Port, 50 * Ms);
        rig.Board.ProgramStarted(rig.Eeprom, 50 * Ms);
    }
};

TEST_F(RobotSimulationTest, TheListLayoutIsReadFromTheConfiguration) {
    const TEeprom e = Lists(2,
                            "F\x0a"
                            "C\x25",
                            "B\x05");
    const auto layout = TListLayout::Read(e);
    ASSERT_TRUE(layout.has_value());
    EXPECT_EQ(layout->SensorMode, 2);
    EXPECT_EQ(layout->SetStart[0], 19);
    EXPECT_EQ(layout->SetStart[1], 22);
    EXPECT_EQ(layout->SetStart[4], 25);
    EXPECT_EQ(layout->End, 26);

    EXPECT_FALSE(TListLayout::Read(TEeprom{}).has_value()) << "blank";
    TEeprom moved = e;
    moved.Write(6, 23); // Set1 not right behind All
    EXPECT_FALSE(TListLayout::Read(moved).has_value());
    TEeprom open = e;
    open.Write(25, 'F'); // Set4 without its end
    EXPECT_FALSE(TListLayout::Read(open).has_value());
}

TEST_F(RobotSimulationTest, ListReadsBecomeCommandsAndSetTableReadsReactions) {
    TRig rig(World);
    const TEeprom e = Lists(2,
                            "F\x0a"
                            "G\x01",
                            "E\x03");
    rig.RunTime.ReadEntry(3500 * Ms, 14);
    rig.RunTime.ReadEntry(4500 * Ms, 16);
    rig.RunTime.At(5000 * Ms, [&](std::uint64_t t) {
        rig.RunTime.Read(4, t); // READ Tmp * 2 + 4, WORD AdvPtr
        rig.RunTime.Read(5, t + 50);
    });
    rig.RunTime.ReadEntry(5001 * Ms, 19);
    rig.RunTime.At(5002 * Ms, [&](std::uint64_t t) { rig.RunTime.Read(21, t); });
    rig.RunTime.EndAt(6000 * Ms);
    Start(rig, e);
    rig.Board.RunUntil(10000 * Ms);

    const auto& ev = rig.Board.Events();
    ASSERT_EQ(ev.size(), 6u);
    EXPECT_EQ(ev[0].Kind, TRunEventKind::ekCommand);
    EXPECT_EQ(ev[0].TimeUs, 3500 * Ms) << "counted from the program's start";
    EXPECT_EQ(ev[0].List, 0);
    EXPECT_EQ(ev[0].Entry, 1);
    EXPECT_EQ(ev[0].Letter, 'F');
    EXPECT_EQ(ev[0].Value, 10);
    EXPECT_EQ(ev[1].Entry, 2);
    EXPECT_EQ(ev[1].Letter, 'G');
    EXPECT_EQ(ev[1].Value, 1);
    EXPECT_EQ(ev[2].Kind, TRunEventKind::ekReaction);
    EXPECT_EQ(ev[2].Reaction, TReaction::rnSensorSet);
    EXPECT_EQ(ev[2].Set, 0);
    EXPECT_EQ(ev[3].Kind, TRunEventKind::ekCommand);
    EXPECT_EQ(ev[3].List, 1);
    EXPECT_EQ(ev[3].Letter, 'E');
    EXPECT_EQ(ev[3].Value, 3);
    EXPECT_EQ(ev[4].Letter, 'Q');
    EXPECT_EQ(ev[4].Entry, 2);
    EXPECT_EQ(ev[5].Kind, TRunEventKind::ekEnd);
    EXPECT_EQ(rig.Board.EndUs(), 6000 * Ms) << "when the run-time says";
}

TEST_F(RobotSimulationTest, BeginnerChecksThatFindSomethingAreReactions) {
    // A post ahead-left: the left whisker touches it and the left detector
    // sees it, which is sensor value 2 + 8.
    World.AddObstacle(TShape::Circle({95, 52}, 8));
    TRig rig(World);
    rig.RunTime.At(100 * Ms, [&](std::uint64_t t) { rig.RunTime.Check(t); });
    rig.RunTime.At(140 * Ms, [&](std::uint64_t t) { rig.RunTime.Check(t); });
    rig.RunTime.At(1000 * Ms, [&](std::uint64_t t) { rig.RunTime.Check(t); });
    rig.RunTime.EndAt(2000 * Ms);
    Start(rig, Lists(1, "F\x0a"));
    rig.Board.RunUntil(3000 * Ms);

    std::map<TRunEventKind, int> counts;
    for (const TRunEvent& e : rig.Board.Events()) {
        ++counts[e.Kind];
    }
    // Read again 40 ms later it is the same report; after a second it is
    // a new one. Every check that found something sets off a reaction.
    EXPECT_EQ(counts[TRunEventKind::ekSensor], 4);
    EXPECT_EQ(counts[TRunEventKind::ekReaction], 3);
    const TRunEvent& first = rig.Board.Events()[0];
    EXPECT_EQ(first.Kind, TRunEventKind::ekSensor);
    EXPECT_EQ(first.Sensor, TSensor::snLeftWhisker);
    EXPECT_EQ(first.TimeUs, 100 * Ms + 100);
    for (const TRunEvent& e : rig.Board.Events()) {
        if (e.Kind == TRunEventKind::ekReaction) {
            EXPECT_EQ(e.SensorValue, 10);
            EXPECT_EQ(e.Reaction, TReaction::rnBackRotateRight);
        }
    }
}

TEST_F(RobotSimulationTest, TheEventListOnlyGrowsAtItsEndInTimeOrder) {
    World.SetArena(1000, 1000);
    World.SetStart({{500, 500}, 0});
    TRig rig(World);
    rig.RunTime.ReadEntry(100 * Ms, 14);
    rig.RunTime.Drive(100 * Ms, 6000 * Ms, 850, 650, true);
    rig.RunTime.EndAt(6000 * Ms);
    Start(rig, Lists(1, "F\x0a"));
    std::vector<TRunEvent> seen;
    while (rig.Board.NowUs() < 7000 * Ms) {
        rig.Board.RunFor(7 * Ms);
        const auto& now = rig.Board.Events();
        ASSERT_GE(now.size(), seen.size());
        for (std::size_t i = 0; i < seen.size(); ++i) {
            ASSERT_EQ(now[i].TimeUs, seen[i].TimeUs);
            ASSERT_EQ(now[i].Kind, seen[i].Kind);
        }
        seen = now;
    }
    ASSERT_GT(seen.size(), 3u);
    for (std::size_t i = 1; i < seen.size(); ++i) {
        EXPECT_LE(seen[i - 1].TimeUs, seen[i].TimeUs);
    }
    // It drove into the right wall: whiskers, detectors, a contact.
    std::map<TRunEventKind, int> counts;
    for (const TRunEvent& e : seen) {
        ++counts[e.Kind];
    }
    EXPECT_EQ(counts[TRunEventKind::ekContact], 1);
    EXPECT_GE(counts[TRunEventKind::ekSensor], 4);
    EXPECT_EQ(seen.back().Kind, TRunEventKind::ekEnd);
}

TEST_F(RobotSimulationTest, SteppedFineOrCoarseTheRunIsTheSame) {
    World = TWorld::DefaultArena();
    auto run = [this](std::uint64_t step) {
        auto rig = std::make_unique<TRig>(World);
        rig->RunTime.ReadEntry(3500 * Ms, 14);
        rig->RunTime.Drive(3500 * Ms, 9000 * Ms, 850, 650, true);
        rig->RunTime.Drive(9000 * Ms, 12000 * Ms, 770, 770, true);
        rig->RunTime.Drive(12000 * Ms, 20000 * Ms, 850, 740, true);
        rig->RunTime.EndAt(20000 * Ms);
        rig->RunTime.RecordEnd = false; // noticed on the step grid
        Start(*rig, Lists(1, "F\x0a"));
        while (rig->Board.NowUs() < 21000 * Ms) {
            rig->Board.RunFor(step);
        }
        return rig;
    };
    const auto fine = run(1 * Ms);
    const auto coarse = run(333 * Ms + 7);
    const auto& a = fine->Board.Path();
    const auto& b = coarse->Board.Path();
    ASSERT_EQ(a.size(), b.size());
    ASSERT_GT(a.size(), 500u);
    for (std::size_t i = 0; i < a.size(); ++i) {
        ASSERT_EQ(a[i].TimeUs, b[i].TimeUs);
        ASSERT_EQ(std::memcmp(&a[i].Pose, &b[i].Pose, sizeof(TPose)), 0) << i;
    }
    const auto& ea = fine->Board.Events();
    const auto& eb = coarse->Board.Events();
    ASSERT_EQ(ea.size(), eb.size());
    for (std::size_t i = 0; i < ea.size(); ++i) {
        EXPECT_EQ(ea[i].TimeUs, eb[i].TimeUs);
        EXPECT_EQ(ea[i].Kind, eb[i].Kind);
    }
    EXPECT_EQ(fine->Board.EndUs(), coarse->Board.EndUs());
}

TEST_F(RobotSimulationTest, PosesAreToldFromTheStart) {
    World.SetStart({{300, 600}, 90}); // facing up the arena
    TRig rig(World);
    rig.RunTime.Drive(0, 1000 * Ms, 850, 650, false);
    rig.RunTime.Drive(1000 * Ms, 2000 * Ms, 730, 730, false); // rotate left
    Start(rig, TEeprom{});
    rig.Board.RunUntil(1000 * Ms);
    const TPose ahead = rig.Board.PoseFromStart();
    EXPECT_GT(ahead.Position.X, 100) << "forward is x";
    EXPECT_NEAR(ahead.Position.Y, 0, 1); // the right wheel starts 1.6 ms late
    EXPECT_NEAR(rig.Board.Robot().Pose().Position.Y - 600, ahead.Position.X, 1e-6);
    rig.Board.RunUntil(3000 * Ms);
    EXPECT_GT(rig.Board.PoseFromStart().HeadingDeg, 30) << "counter-clockwise is positive";
}

// A board left running for hours keeps its memory bounded: the path is
// thinned and the oldest events give way, counted, with the newest kept.
TEST_F(RobotSimulationTest, LongRunsStayInBoundedMemory) {
    TRobotParameters small;
    small.MaxPathPoints = 200;
    auto board = std::make_unique<TRobotSimulation>(World, small);
    TScriptedRunTime runTime(*board);
    board->SetRunTime(&runTime, &runTime.Record);
    board->SetMaxEvents(50);
    TEeprom e = Lists(2, "F\x0a");
    // A letter read every 100 ms, driving in a wide circle meanwhile.
    for (std::uint64_t t = 0; t < 60000 * Ms; t += 100 * Ms) {
        runTime.ReadEntry(t + 50 * Ms, 14);
    }
    runTime.Drive(0, 60000 * Ms, 850, 700, false);
    runTime.Start(e, Port, 0);
    board->ProgramStarted(e, 0);
    board->RunUntil(60000 * Ms);
    EXPECT_LE(board->Path().size(), 200u);
    EXPECT_GT(board->Path().size(), 100u);
    EXPECT_EQ(board->Path().front().TimeUs, 0u) << "the start stays";
    for (std::size_t i = 1; i < board->Path().size(); ++i) {
        ASSERT_LT(board->Path()[i - 1].TimeUs, board->Path()[i].TimeUs);
    }
    EXPECT_LE(board->Events().size(), 50u);
    EXPECT_EQ(board->Events().size() + board->EventsDropped(), 600u);
    EXPECT_GE(board->Events().back().TimeUs, 59900 * Ms);
}

} // namespace
} // namespace wayline::sim
