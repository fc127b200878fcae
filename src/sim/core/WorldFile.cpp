#include "sim/core/WorldFile.h"

#include "sim/core/Robot.h"
#include "sim/core/WorldFileReading.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <numbers>
#include <sstream>

namespace wayline::sim {

namespace worldfile {

namespace {

// Nothing in a world file nests deeper than a wall's point list inside the
// wall inside the list; a deeper file is not a world file, and refusing it
// early keeps a hostile one from costing time and memory.
constexpr int MaxDepth = 8;

struct TTooDeep {};

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

std::string TooLarge(const std::string& size, std::string_view kind, std::size_t limit) {
    return "the file has " + size + " bytes; " + std::string(kind) + " has at most " +
           std::to_string(limit);
}

void ReadWalls(const json& root, TWorld& world) {
    const json& walls = ListOf(root, "", "walls");
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
    const json& obstacles = ListOf(root, "", "obstacles");
    for (std::size_t i = 0; i < obstacles.size(); ++i) {
        world.AddObstacle(ReadShape(obstacles[i], Index("obstacles", i)));
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

} // namespace

// Millimetres and degrees to a thousandth: plenty for a floor plan, and
// a written file reads as its author would write it.
double Rounded(double value) {
    return std::round(value * 1000) / 1000;
}

void Fail(const std::string& where, const std::string& what) {
    throw TReadError{where + ": " + what};
}

std::string Member(const std::string& where, const std::string& key) {
    return where.empty() ? key : where + "." + key;
}

std::string Index(const std::string& where, std::size_t i) {
    return where + "[" + std::to_string(i) + "]";
}

void CheckKeys(const json& object, const std::string& where,
               const std::vector<std::string_view>& allowed) {
    for (auto it = object.begin(); it != object.end(); ++it) {
        if (std::find(allowed.begin(), allowed.end(), it.key()) == allowed.end()) {
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

bool OptionalFlag(const json& object, const std::string& where, const char* key) {
    const auto it = object.find(key);
    if (it == object.end()) {
        return false;
    }
    if (!it->is_boolean()) {
        Fail(Member(where, key), "expected true or false");
    }
    return it->get<bool>();
}

std::string OptionalText(const json& object, const std::string& where, const char* key) {
    const auto it = object.find(key);
    if (it == object.end()) {
        return {};
    }
    if (!it->is_string()) {
        Fail(Member(where, key), "expected a text \"...\"");
    }
    return it->get<std::string>();
}

TPoint PointOf(const json& value, const std::string& where) {
    if (!value.is_array() || value.size() != 2) {
        Fail(where, "expected a point [x, y]");
    }
    return {Number(value[0], Index(where, 0)), Number(value[1], Index(where, 1))};
}

const json& ListOf(const json& object, const std::string& where, const char* key) {
    const json& list = object.at(key);
    const std::string at = Member(where, key);
    if (!list.is_array()) {
        Fail(at, "expected a list [...]");
    }
    if (list.size() > MaxWorldItems) {
        Fail(at, "more than " + std::to_string(MaxWorldItems) + " entries");
    }
    return list;
}

TShape ReadShape(const json& item, const std::string& where,
                 const std::vector<std::string_view>& extra) {
    const json& object = RequireObject(item, where);
    const json& shape = Required(object, where, "shape");
    const TPoint centre{Number(Required(object, where, "x"), Member(where, "x")),
                        Number(Required(object, where, "y"), Member(where, "y"))};
    std::vector<std::string_view> allowed = extra;
    if (shape == "rectangle") {
        allowed.insert(allowed.end(), {"shape", "x", "y", "width", "height", "angle"});
        CheckKeys(object, where, allowed);
        return TShape::Rectangle(centre,
                                 Length(Required(object, where, "width"), Member(where, "width")),
                                 Length(Required(object, where, "height"), Member(where, "height")),
                                 OptionalNumber(object, where, "angle", 0));
    }
    if (shape == "circle") {
        allowed.insert(allowed.end(), {"shape", "x", "y", "radius"});
        CheckKeys(object, where, allowed);
        return TShape::Circle(centre,
                              Length(Required(object, where, "radius"), Member(where, "radius")));
    }
    Fail(Member(where, "shape"), "expected \"rectangle\" or \"circle\"");
}

bool ParseJson(std::string_view text, std::string_view kind, json& root, std::string& error) {
    if (text.size() > MaxWorldFileBytes) {
        error = TooLarge(std::to_string(text.size()), kind, MaxWorldFileBytes);
        return false;
    }
    try {
        root = json::parse(text.begin(), text.end(), [](int depth, json::parse_event_t, json&) {
            if (depth > MaxDepth) {
                throw TTooDeep{};
            }
            return true;
        });
    } catch (const TTooDeep&) {
        error = "lists and objects nest deeper than " + std::string(kind) + " needs";
        return false;
    } catch (const json::exception& e) {
        error = ParseErrorText(e);
        return false;
    }
    return true;
}

bool ReadWholeFile(const std::filesystem::path& path, std::size_t limit, std::string_view kind,
                   std::string& text, std::string& error) {
    text.clear();
    std::ifstream file(path, std::ios::binary);
    std::error_code ignored;
    if (!file || std::filesystem::is_directory(path, ignored)) {
        error = "cannot read the file";
        return false;
    }
    char buffer[4096];
    while (text.size() <= limit &&
           (file.read(buffer, static_cast<std::streamsize>(
                                  std::min(sizeof buffer, limit + 1 - text.size()))) ||
            file.gcount() > 0)) {
        text.append(buffer, static_cast<std::size_t>(file.gcount()));
    }
    if (file.bad()) {
        error = "cannot read the file";
        return false;
    }
    if (text.size() > limit) {
        // Not read to its end: a file says how long it is; a device or a
        // pipe may have no end.
        std::error_code failed;
        const auto size = std::filesystem::is_regular_file(path, failed)
                              ? std::filesystem::file_size(path, failed)
                              : static_cast<std::uintmax_t>(-1);
        error = TooLarge(failed || size == static_cast<std::uintmax_t>(-1)
                             ? "more than " + std::to_string(limit)
                             : std::to_string(size),
                         kind, limit);
        text.clear();
        return false;
    }
    return true;
}

const std::vector<std::string_view> WorldKeys = {"description", "arena", "start",
                                                 "robot",       "walls", "obstacles"};

TWorld ReadWorld(const json& root) {
    TWorld world;
    if (root.contains("description") && !root.at("description").is_string()) {
        Fail("description", "expected a text \"...\"");
    }
    if (root.contains("arena")) {
        const json& arena = RequireObject(root.at("arena"), "arena");
        CheckKeys(arena, "arena", {"width", "height"});
        world.SetArena(Length(Required(arena, "arena", "width"), "arena.width"),
                       Length(Required(arena, "arena", "height"), "arena.height"));
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

json WorldObject(const TWorld& world) {
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
    return root;
}

} // namespace worldfile

using worldfile::json;

TWorldFileResult ParseWorld(std::string_view text) {
    TWorldFileResult result;
    json root;
    if (!worldfile::ParseJson(text, "a world file", root, result.Error)) {
        return result;
    }
    try {
        worldfile::RequireObject(root, "the world");
        worldfile::CheckKeys(root, "", worldfile::WorldKeys);
        result.World = worldfile::ReadWorld(root);
        result.Loaded = true;
    } catch (const worldfile::TReadError& e) {
        result.Error = e.Text;
    }
    return result;
}

TWorldFileResult ReadWorldFile(const std::filesystem::path& path) {
    TWorldFileResult result;
    std::string text;
    if (!worldfile::ReadWholeFile(path, MaxWorldFileBytes, "a world file", text, result.Error)) {
        return result;
    }
    return ParseWorld(text);
}

std::string WorldToJson(const TWorld& world) {
    return worldfile::WorldObject(world).dump(2) + "\n";
}

} // namespace wayline::sim
