#include "sim/core/WorldFile.h"

#include "sim/core/Robot.h"

#include <nlohmann/json.hpp>

#include <cmath>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <numbers>
#include <sstream>

namespace wayline::sim {

namespace {

using nlohmann::json;

// Nothing in a world file nests deeper than a wall's point list inside the
// wall inside the list; a deeper file is not a world file, and refusing it
// early keeps a hostile one from costing time and memory.
constexpr int MaxDepth = 8;

struct TWorldError {
    std::string Text;
};

struct TTooDeep {};

[[noreturn]] void Fail(const std::string& where, const std::string& what) {
    throw TWorldError{where + ": " + what};
}

std::string Member(const std::string& where, const std::string& key) {
    return where.empty() ? key : where + "." + key;
}

std::string Index(const std::string& where, std::size_t i) {
    return where + "[" + std::to_string(i) + "]";
}

// Refuses keys the object should not have: a misspelt key would otherwise
// be dropped without a word and the world would not be the one meant.
void CheckKeys(const json& object, const std::string& where,
               std::initializer_list<const char*> allowed) {
    for (auto it = object.begin(); it != object.end(); ++it) {
        bool known = false;
        for (const char* key : allowed) {
            known = known || it.key() == key;
        }
        if (!known) {
            Fail(Member(where, it.key()), "unknown key");
        }
    }
}

const json& RequireObject(const json& value, const std::string& where) {
    if (!value.is_object()) {
        Fail(where, "expected an object {...}");
    }
    return value;
}

double Number(const json& value, const std::string& where) {
    if (!value.is_number()) {
        Fail(where, "expected a number");
    }
    const double number = value.get<double>();
    if (!std::isfinite(number) || std::abs(number) > MaxWorldCoordinate) {
        Fail(where, "expected a number from -100000 to 100000");
    }
    return number;
}

double Length(const json& value, const std::string& where) {
    const double length = Number(value, where);
    if (length <= 0) {
        Fail(where, "expected a length greater than 0");
    }
    return length;
}

const json& Required(const json& object, const std::string& where, const char* key) {
    const auto it = object.find(key);
    if (it == object.end()) {
        Fail(Member(where, key), "missing");
    }
    return *it;
}

double OptionalNumber(const json& object, const std::string& where, const char* key,
                      double otherwise) {
    const auto it = object.find(key);
    return it == object.end() ? otherwise : Number(*it, Member(where, key));
}

TPoint PointOf(const json& value, const std::string& where) {
    if (!value.is_array() || value.size() != 2) {
        Fail(where, "expected a point [x, y]");
    }
    return {Number(value[0], Index(where, 0)), Number(value[1], Index(where, 1))};
}

const json& ListOf(const json& object, const char* key) {
    const json& list = object.at(key);
    if (!list.is_array()) {
        Fail(key, "expected a list [...]");
    }
    if (list.size() > MaxWorldItems) {
        Fail(key, "more than " + std::to_string(MaxWorldItems) + " entries");
    }
    return list;
}

void ReadArena(const json& root, TWorld& world) {
    const json& arena = RequireObject(root.at("arena"), "arena");
    CheckKeys(arena, "arena", {"width", "height"});
    world.SetArena(Length(Required(arena, "arena", "width"), "arena.width"),
                   Length(Required(arena, "arena", "height"), "arena.height"));
}

void ReadWalls(const json& root, TWorld& world) {
    const json& walls = ListOf(root, "walls");
    for (std::size_t i = 0; i < walls.size(); ++i) {
        const std::string where = Index("walls", i);
        const json& wall = RequireObject(walls[i], where);
        CheckKeys(wall, where, {"from", "to", "thickness"});
        const TPoint from = PointOf(Required(wall, where, "from"), Member(where, "from"));
        const TPoint to = PointOf(Required(wall, where, "to"), Member(where, "to"));
        double thickness = TWorld::BoundaryThickness;
        if (wall.contains("thickness")) {
            thickness = Length(wall.at("thickness"), Member(where, "thickness"));
        }
        const double length = std::hypot(to.X - from.X, to.Y - from.Y);
        if (length == 0) {
            Fail(where, "\"from\" and \"to\" are the same point");
        }
        const double angle = std::atan2(to.Y - from.Y, to.X - from.X) * 180 / std::numbers::pi;
        world.AddWall(TShape::Rectangle({(from.X + to.X) / 2, (from.Y + to.Y) / 2}, length,
                                        thickness, angle));
    }
}

void ReadObstacles(const json& root, TWorld& world) {
    const json& obstacles = ListOf(root, "obstacles");
    for (std::size_t i = 0; i < obstacles.size(); ++i) {
        const std::string where = Index("obstacles", i);
        const json& obstacle = RequireObject(obstacles[i], where);
        const json& shape = Required(obstacle, where, "shape");
        const TPoint centre{Number(Required(obstacle, where, "x"), Member(where, "x")),
                            Number(Required(obstacle, where, "y"), Member(where, "y"))};
        if (shape == "rectangle") {
            CheckKeys(obstacle, where, {"shape", "x", "y", "width", "height", "angle"});
            world.AddObstacle(TShape::Rectangle(
                centre, Length(Required(obstacle, where, "width"), Member(where, "width")),
                Length(Required(obstacle, where, "height"), Member(where, "height")),
                OptionalNumber(obstacle, where, "angle", 0)));
        } else if (shape == "circle") {
            CheckKeys(obstacle, where, {"shape", "x", "y", "radius"});
            world.AddObstacle(TShape::Circle(
                centre, Length(Required(obstacle, where, "radius"), Member(where, "radius"))));
        } else {
            Fail(Member(where, "shape"), "expected \"rectangle\" or \"circle\"");
        }
    }
}

int ServoCentre(const json& robot, const char* key) {
    const std::string where = Member("robot", key);
    const auto it = robot.find(key);
    if (it == robot.end()) {
        return TWorld::NominalServoCentre;
    }
    if (!it->is_number_integer() || it->get<std::int64_t>() < MinServoCentre ||
        it->get<std::int64_t>() > MaxServoCentre) {
        Fail(where, "expected a whole number from " + std::to_string(MinServoCentre) + " to " +
                        std::to_string(MaxServoCentre));
    }
    return static_cast<int>(it->get<std::int64_t>());
}

void ReadStart(const json& root, TWorld& world) {
    TPose start;
    if (world.HasArena()) {
        start.Position = {world.Width() / 2, world.Height() / 2};
    }
    if (root.contains("start")) {
        const json& s = RequireObject(root.at("start"), "start");
        CheckKeys(s, "start", {"x", "y", "heading"});
        start.Position = {Number(Required(s, "start", "x"), "start.x"),
                          Number(Required(s, "start", "y"), "start.y")};
        start.HeadingDeg = OptionalNumber(s, "start", "heading", 0);
    }
    const TPoint p = start.Position;
    if (world.HasArena() && (p.X < 0 || p.Y < 0 || p.X > world.Width() || p.Y > world.Height())) {
        Fail("start", "the robot starts outside the arena");
    }
    // A robot that starts overlapping a solid could only back out of it;
    // in a file that is a mistake, not a situation.
    const double body = TRobotParameters{}.BodyRadiusMm;
    std::string overlapped;
    const std::size_t walls = world.Walls().size();
    std::size_t index = 0;
    world.ForEachSolid([&](const TShape& shape) {
        if (overlapped.empty() && shape.DistanceTo(p) < body) {
            const std::size_t boundary = world.BoundaryWalls().size();
            overlapped = index < boundary ? std::string("the arena's wall")
                         : index < walls  ? Index("walls", index - boundary)
                                          : Index("obstacles", index - walls);
        }
        ++index;
    });
    if (!overlapped.empty()) {
        Fail("start", "the robot (" + std::to_string(static_cast<int>(body)) +
                          " mm round its centre) overlaps " + overlapped);
    }
    world.SetStart(start);
}

TWorld ReadWorld(const json& root) {
    TWorld world;
    RequireObject(root, "the world");
    CheckKeys(root, "", {"description", "arena", "start", "robot", "walls", "obstacles"});
    if (root.contains("description") && !root.at("description").is_string()) {
        Fail("description", "expected a text \"...\"");
    }
    if (root.contains("arena")) {
        ReadArena(root, world);
    }
    if (root.contains("walls")) {
        ReadWalls(root, world);
    }
    if (root.contains("obstacles")) {
        ReadObstacles(root, world);
    }
    if (root.contains("robot")) {
        const json& robot = RequireObject(root.at("robot"), "robot");
        CheckKeys(robot, "robot", {"leftServoCentre", "rightServoCentre"});
        world.SetServoCentres(ServoCentre(robot, "leftServoCentre"),
                              ServoCentre(robot, "rightServoCentre"));
    }
    ReadStart(root, world);
    return world;
}

// "[json.exception.parse_error.101] parse error at line 1, column 2: ..."
// without the bracketed name, which tells the user nothing, and with the
// bytes the parser quotes from the file made printable.
std::string ParseErrorText(const std::exception& e) {
    std::string_view text = e.what();
    if (!text.empty() && text.front() == '[') {
        const std::size_t end = text.find("] ");
        if (end != std::string_view::npos) {
            text.remove_prefix(end + 2);
        }
    }
    std::string printable;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte >= 0x7f) {
            static constexpr char Hex[] = "0123456789ABCDEF";
            printable += {'<', Hex[byte >> 4], Hex[byte & 15], '>'};
        } else {
            printable += c;
        }
    }
    return printable;
}

// Millimetres and degrees to a thousandth: plenty for a floor plan, and
// a written file reads as its author would write it.
double Rounded(double value) {
    return std::round(value * 1000) / 1000;
}

} // namespace

TWorldFileResult ParseWorld(std::string_view text) {
    TWorldFileResult result;
    if (text.size() > MaxWorldFileBytes) {
        result.Error = "the file has " + std::to_string(text.size()) +
                       " bytes; a world file has at most " + std::to_string(MaxWorldFileBytes);
        return result;
    }
    json root;
    try {
        root = json::parse(text.begin(), text.end(), [](int depth, json::parse_event_t, json&) {
            if (depth > MaxDepth) {
                throw TTooDeep{};
            }
            return true;
        });
    } catch (const TTooDeep&) {
        result.Error = "lists and objects nest deeper than a world file needs";
        return result;
    } catch (const json::exception& e) {
        result.Error = ParseErrorText(e);
        return result;
    }
    try {
        result.World = ReadWorld(root);
        result.Loaded = true;
    } catch (const TWorldError& e) {
        result.Error = e.Text;
    }
    return result;
}

TWorldFileResult ReadWorldFile(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    std::error_code ignored;
    if (!file || std::filesystem::is_directory(path, ignored)) {
        return {false, "cannot read the file", {}};
    }
    std::string text;
    char buffer[4096];
    while (file.read(buffer, sizeof buffer) || file.gcount() > 0) {
        text.append(buffer, static_cast<std::size_t>(file.gcount()));
        if (text.size() > MaxWorldFileBytes) {
            break; // ParseWorld refuses it; no need to read the rest
        }
    }
    if (file.bad()) {
        return {false, "cannot read the file", {}};
    }
    return ParseWorld(text);
}

std::string WorldToJson(const TWorld& world) {
    json root = json::object();
    if (world.HasArena()) {
        root["arena"] = {{"width", Rounded(world.Width())}, {"height", Rounded(world.Height())}};
    }
    const TPose start = world.Start();
    root["start"] = {{"x", Rounded(start.Position.X)},
                     {"y", Rounded(start.Position.Y)},
                     {"heading", Rounded(start.HeadingDeg)}};
    root["robot"] = {{"leftServoCentre", world.LeftServoCentre()},
                     {"rightServoCentre", world.RightServoCentre()}};
    json walls = json::array();
    for (const TShape& wall : world.InnerWallList()) {
        const double a = wall.AngleDeg() * std::numbers::pi / 180;
        const double hx = wall.Width() / 2 * std::cos(a);
        const double hy = wall.Width() / 2 * std::sin(a);
        const TPoint c = wall.Centre();
        walls.push_back({{"from", {Rounded(c.X - hx), Rounded(c.Y - hy)}},
                         {"to", {Rounded(c.X + hx), Rounded(c.Y + hy)}},
                         {"thickness", Rounded(wall.Height())}});
    }
    root["walls"] = walls;
    json obstacles = json::array();
    for (const TObstacle& o : world.Obstacles()) {
        const TShape& s = o.Shape;
        if (s.Kind() == TShapeKind::skCircle) {
            obstacles.push_back({{"shape", "circle"},
                                 {"x", Rounded(s.Centre().X)},
                                 {"y", Rounded(s.Centre().Y)},
                                 {"radius", Rounded(s.Radius())}});
        } else {
            obstacles.push_back({{"shape", "rectangle"},
                                 {"x", Rounded(s.Centre().X)},
                                 {"y", Rounded(s.Centre().Y)},
                                 {"width", Rounded(s.Width())},
                                 {"height", Rounded(s.Height())},
                                 {"angle", Rounded(s.AngleDeg())}});
        }
    }
    root["obstacles"] = obstacles;
    return root.dump(2) + "\n";
}

} // namespace wayline::sim
