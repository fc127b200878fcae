#include "sim/core/WorldFile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace wayline::sim {
namespace {

std::string Refusal(const std::string& text) {
    const TWorldFileResult r = ParseWorld(text);
    EXPECT_FALSE(r.Loaded) << text;
    return r.Error;
}

TEST(WorldFileTest, ReadsEverySection) {
    const TWorldFileResult r = ParseWorld(R"({
        "description": "a corridor",
        "arena": {"width": 2000, "height": 1000},
        "start": {"x": 200, "y": 500, "heading": 90},
        "robot": {"leftServoCentre": 748, "rightServoCentre": 760},
        "walls": [{"from": [1000, 0], "to": [1000, 600]}],
        "obstacles": [
            {"shape": "rectangle", "x": 600, "y": 800, "width": 100, "height": 50, "angle": 30},
            {"shape": "circle", "x": 1500, "y": 300, "radius": 40}
        ]})");
    ASSERT_TRUE(r.Loaded) << r.Error;
    const TWorld& w = r.World;
    EXPECT_EQ(w.Width(), 2000);
    EXPECT_EQ(w.Height(), 1000);
    EXPECT_EQ(w.BoundaryWalls().size(), 4u);
    EXPECT_EQ(w.Start().Position.X, 200);
    EXPECT_EQ(w.Start().HeadingDeg, 90);
    EXPECT_EQ(w.LeftServoCentre(), 748);
    EXPECT_EQ(w.RightServoCentre(), 760);

    ASSERT_EQ(w.InnerWallList().size(), 1u);
    const TShape& wall = w.InnerWallList()[0];
    EXPECT_TRUE(wall.Contains({1000, 10}));
    EXPECT_TRUE(wall.Contains({1009, 590}));
    EXPECT_FALSE(wall.Contains({1000, 611}));
    EXPECT_FALSE(wall.Contains({1011, 300})) << "20 mm thick unless it says otherwise";

    ASSERT_EQ(w.Obstacles().size(), 2u);
    EXPECT_EQ(w.Obstacles()[0].Shape.AngleDeg(), 30);
    EXPECT_EQ(w.Obstacles()[1].Shape.Kind(), TShapeKind::skCircle);
    EXPECT_EQ(w.Obstacles()[1].Shape.Radius(), 40);
}

TEST(WorldFileTest, LeftOutSectionsTakeTheirDefaults) {
    const TWorldFileResult arena = ParseWorld(R"({"arena": {"width": 1000, "height": 600}})");
    ASSERT_TRUE(arena.Loaded) << arena.Error;
    EXPECT_EQ(arena.World.Start().Position.X, 500) << "the middle of the arena";
    EXPECT_EQ(arena.World.Start().Position.Y, 300);
    EXPECT_EQ(arena.World.LeftServoCentre(), 750);

    const TWorldFileResult open = ParseWorld("{}");
    ASSERT_TRUE(open.Loaded) << open.Error;
    EXPECT_FALSE(open.World.HasArena());
    EXPECT_TRUE(open.World.Walls().empty());
}

TEST(WorldFileTest, WrittenWorldsReadBackTheSame) {
    TWorld world = TWorld::DefaultArena();
    world.SetServoCentres(745, 757);
    world.AddWall(TShape::Rectangle({400, 1000}, 300, 30, 60));
    const TWorldFileResult r = ParseWorld(WorldToJson(world));
    ASSERT_TRUE(r.Loaded) << r.Error;
    EXPECT_EQ(WorldToJson(r.World), WorldToJson(world));
    ASSERT_EQ(r.World.InnerWallList().size(), world.InnerWallList().size());
    const TShape& back = r.World.InnerWallList().back();
    // The file keeps the wall's ends to a thousandth of a millimetre.
    EXPECT_NEAR(back.AngleDeg(), 60, 1e-3);
    EXPECT_NEAR(back.Width(), 300, 1e-3);
    EXPECT_NEAR(back.Height(), 30, 1e-3);
}

TEST(WorldFileTest, BadFilesAreRefusedSayingWhereAndWhy) {
    EXPECT_EQ(Refusal("{\"arena\": {\"width\": 100,}}"),
              "parse error at line 1, column 25: syntax error while parsing object key - "
              "unexpected '}'; expected string literal");
    EXPECT_EQ(Refusal("[]"), "the world: expected an object {...}");
    EXPECT_EQ(Refusal(R"({"obstacle": []})"), "obstacle: unknown key");
    EXPECT_EQ(Refusal(R"({"arena": {"width": 100}})"), "arena.height: missing");
    EXPECT_EQ(Refusal(R"({"arena": {"width": -5, "height": 100}})"),
              "arena.width: expected a length greater than 0");
    EXPECT_EQ(Refusal(R"({"arena": {"width": "wide", "height": 100}})"),
              "arena.width: expected a number");
    EXPECT_EQ(Refusal(R"({"obstacles": [{"shape": "circle", "x": 1, "y": 2, "radius": 0}]})"),
              "obstacles[0].radius: expected a length greater than 0");
    EXPECT_EQ(Refusal(R"({"obstacles": [{"shape": "triangle", "x": 1, "y": 2}]})"),
              "obstacles[0].shape: expected \"rectangle\" or \"circle\"");
    EXPECT_EQ(Refusal(R"({"obstacles": [{"shape": "circle", "x": 1, "y": 2, "radius": 5,
                                         "width": 3}]})"),
              "obstacles[0].width: unknown key");
    EXPECT_EQ(Refusal(R"({"obstacles": {"shape": "circle"}})"), "obstacles: expected a list [...]");
    EXPECT_EQ(Refusal(R"({"walls": [{"from": [1, 2], "to": [1]}]})"),
              "walls[0].to: expected a point [x, y]");
    EXPECT_EQ(Refusal(R"({"walls": [{"from": [1, 2], "to": [1, 2]}]})"),
              "walls[0]: \"from\" and \"to\" are the same point");
    EXPECT_EQ(Refusal(R"({"start": {"x": 1e300, "y": 0}})"),
              "start.x: expected a number from -100000 to 100000");
    EXPECT_EQ(Refusal(R"({"robot": {"leftServoCentre": 900}})"),
              "robot.leftServoCentre: expected a whole number from 650 to 850");
    EXPECT_EQ(Refusal(R"({"robot": {"rightServoCentre": 750.5}})"),
              "robot.rightServoCentre: expected a whole number from 650 to 850");
}

TEST(WorldFileTest, TheRobotMustStartOnTheFloorAndClearOfEverything) {
    const std::string arena = R"("arena": {"width": 1000, "height": 1000})";
    EXPECT_EQ(Refusal("{" + arena + R"(, "start": {"x": 1200, "y": 500}})"),
              "start: the robot starts outside the arena");
    EXPECT_EQ(Refusal("{" + arena + R"(, "start": {"x": 50, "y": 500}})"),
              "start: the robot (70 mm round its centre) overlaps the arena's wall");
    EXPECT_EQ(Refusal("{" + arena + R"(, "start": {"x": 500, "y": 500},
        "obstacles": [{"shape": "circle", "x": 900, "y": 900, "radius": 10},
                      {"shape": "circle", "x": 600, "y": 500, "radius": 40}]})"),
              "start: the robot (70 mm round its centre) overlaps obstacles[1]");
    EXPECT_EQ(Refusal("{" + arena + R"(, "start": {"x": 500, "y": 500},
        "walls": [{"from": [560, 0], "to": [560, 1000]}]})"),
              "start: the robot (70 mm round its centre) overlaps walls[0]");
}

TEST(WorldFileTest, HostileFilesAreRefusedCheaply) {
    EXPECT_EQ(Refusal(std::string(5000, '[') + std::string(5000, ']')),
              "lists and objects nest deeper than a world file needs");
    EXPECT_EQ(Refusal(std::string(MaxWorldFileBytes + 1, ' ')),
              "the file has 1048577 bytes; a world file has at most 1048576");
    std::string many = R"({"obstacles": [)";
    for (std::size_t i = 0; i <= MaxWorldItems; ++i) {
        many += std::string(i ? "," : "") + R"({"shape": "circle", "x": 0, "y": 0, "radius": 1})";
    }
    EXPECT_EQ(Refusal(many + "]}"), "obstacles: more than 1000 entries");
    EXPECT_EQ(Refusal(std::string("{\"description\": \"\xff\"}")),
              "parse error at line 1, column 18: syntax error while parsing value - invalid "
              "string: ill-formed UTF-8 byte; last read: '\"<FF>'");
}

TEST(WorldFileTest, FilesThatCannotBeReadSaySo) {
    const std::filesystem::path dir = std::filesystem::temp_directory_path();
    EXPECT_EQ(ReadWorldFile(dir / "no-such-world-file.json").Error, "cannot read the file");
    EXPECT_EQ(ReadWorldFile(dir).Error, "cannot read the file");
    const std::filesystem::path file =
        dir / ("wayline-world-" +
               std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + ".json");
    std::ofstream(file) << WorldToJson(TWorld::DefaultArena());
    const TWorldFileResult r = ReadWorldFile(file);
    std::filesystem::remove(file);
    ASSERT_TRUE(r.Loaded) << r.Error;
    EXPECT_EQ(r.World.Obstacles().size(), TWorld::DefaultArena().Obstacles().size());
}

TEST(WorldTest, ObstaclesKeepTheirNumbersWhileOthersComeAndGo) {
    TWorld world;
    const int box = world.AddObstacle(TShape::Rectangle({0, 0}, 100, 100));
    const int can = world.AddObstacle(TShape::Circle({40, 0}, 30));
    EXPECT_NE(box, can);
    EXPECT_EQ(world.ObstacleAt({45, 0}), can) << "the one on top";
    EXPECT_EQ(world.ObstacleAt({-45, 0}), box);
    EXPECT_FALSE(world.ObstacleAt({500, 0}).has_value());

    const unsigned before = world.Revision();
    EXPECT_TRUE(world.MoveObstacle(box, {300, 300}));
    EXPECT_NE(world.Revision(), before);
    EXPECT_EQ(world.ObstacleAt({-45, 0}), std::nullopt);
    EXPECT_EQ(world.ObstacleAt({320, 320}), box);

    EXPECT_TRUE(world.RemoveObstacle(can));
    EXPECT_FALSE(world.RemoveObstacle(can));
    EXPECT_FALSE(world.MoveObstacle(can, {0, 0}));
    EXPECT_EQ(world.FindObstacle(can), nullptr);
    const int next = world.AddObstacle(TShape::Circle({0, 0}, 5));
    EXPECT_NE(next, can) << "numbers are not reused";
    EXPECT_EQ(world.FindObstacle(box)->Shape.Centre().X, 300);
}

} // namespace
} // namespace wayline::sim
