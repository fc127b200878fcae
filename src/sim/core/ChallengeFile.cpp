#include "sim/core/ChallengeFile.h"

#include "sim/core/WorldFile.h"
#include "sim/core/WorldFileReading.h"

#include <cmath>

namespace wayline::sim {

namespace {

using namespace worldfile;

constexpr std::string_view Kind = "a challenge file";

// Whether any point of the zone lies on the floor (an open floor has room
// everywhere).
bool OnTheFloor(const TWorld& world, const TShape& zone) {
    if (!world.HasArena()) {
        return true;
    }
    const TBounds b = zone.Bounds();
    return b.MaxX > 0 && b.MaxY > 0 && b.MinX < world.Width() && b.MinY < world.Height();
}

std::uint64_t Microseconds(double seconds) {
    return static_cast<std::uint64_t>(std::llround(seconds * 1e6));
}

// Seconds, counted to the microsecond: a time above 0 is at least one.
double Seconds(const json& value, const std::string& where, bool zeroAllowed) {
    if (!value.is_number() || !std::isfinite(value.get<double>()) || value.get<double>() < 0 ||
        value.get<double>() > MaxChallengeSeconds ||
        (!zeroAllowed && Microseconds(value.get<double>()) == 0)) {
        Fail(where, std::string("expected a number of seconds ") +
                        (zeroAllowed ? "from 0" : "above 0") + " and up to 3600");
    }
    return value.get<double>();
}

void ReadGoals(const json& root, TChallenge& c) {
    const json& goals = ListOf(root, "", "goals");
    for (std::size_t i = 0; i < goals.size(); ++i) {
        const std::string where = Index("goals", i);
        TGoal goal;
        goal.Zone = ReadShape(goals[i], where, {"name", "stay"});
        goal.Name = OptionalText(goals[i], where, "name");
        if (goals[i].contains("stay")) {
            goal.StayUs = Microseconds(Seconds(goals[i].at("stay"), Member(where, "stay"), true));
        }
        if (!OnTheFloor(c.World, goal.Zone)) {
            Fail(where, "lies wholly outside the arena: the robot cannot reach it");
        }
        c.Goals.push_back(std::move(goal));
    }
}

void ReadForbidden(const json& root, TChallenge& c) {
    const json& zones = ListOf(root, "", "forbidden");
    for (std::size_t i = 0; i < zones.size(); ++i) {
        const std::string where = Index("forbidden", i);
        TForbiddenZone zone{ReadShape(zones[i], where, {"name"}),
                            OptionalText(zones[i], where, "name")};
        if (zone.Zone.Contains(c.World.Start().Position)) {
            Fail(where, "the robot starts inside it");
        }
        c.Forbidden.push_back(std::move(zone));
    }
}

void ReadRules(const json& root, TChallenge& c) {
    const json& rules = RequireObject(root.at("rules"), "rules");
    CheckKeys(rules, "rules", {"goalsInOrder", "touchNothing", "endInsideLastGoal", "timeLimit"});
    c.Rules.GoalsInOrder = OptionalFlag(rules, "rules", "goalsInOrder");
    c.Rules.TouchNothing = OptionalFlag(rules, "rules", "touchNothing");
    c.Rules.EndInsideLastGoal = OptionalFlag(rules, "rules", "endInsideLastGoal");
    if (rules.contains("timeLimit")) {
        c.Rules.TimeLimitUs =
            Microseconds(Seconds(rules.at("timeLimit"), "rules.timeLimit", false));
    }
    if (c.Rules.EndInsideLastGoal && c.Goals.empty()) {
        Fail("rules.endInsideLastGoal", "there is no goal to end in");
    }
}

TChallenge ReadChallenge(const json& root) {
    RequireObject(root, "the challenge");
    std::vector<std::string_view> keys = WorldKeys;
    keys.insert(keys.end(), {"title", "task", "goals", "forbidden", "rules", "sensors"});
    CheckKeys(root, "", keys);
    TChallenge c;
    c.World = ReadWorld(root);
    c.Title = OptionalText(root, "", "title");
    c.Task = OptionalText(root, "", "task");
    c.SensorsEnabled = OptionalFlag(root, "", "sensors");
    if (root.contains("goals")) {
        ReadGoals(root, c);
    }
    if (root.contains("forbidden")) {
        ReadForbidden(root, c);
    }
    if (root.contains("rules")) {
        ReadRules(root, c);
    }
    if (c.HasTask() && c.Goals.empty() && !c.Rules.TimeLimitUs) {
        Fail("goals", "a task needs a goal to reach or a time limit (rules.timeLimit)");
    }
    return c;
}

json ShapeObject(const TShape& s) {
    if (s.Kind() == TShapeKind::skCircle) {
        return {{"shape", "circle"},
                {"x", Rounded(s.Centre().X)},
                {"y", Rounded(s.Centre().Y)},
                {"radius", Rounded(s.Radius())}};
    }
    return {{"shape", "rectangle"},          {"x", Rounded(s.Centre().X)},
            {"y", Rounded(s.Centre().Y)},    {"width", Rounded(s.Width())},
            {"height", Rounded(s.Height())}, {"angle", Rounded(s.AngleDeg())}};
}

} // namespace

TChallengeFileResult ParseChallenge(std::string_view text) {
    TChallengeFileResult result;
    json root;
    if (!ParseJson(text, Kind, root, result.Error)) {
        return result;
    }
    try {
        result.Challenge = ReadChallenge(root);
        result.Loaded = true;
    } catch (const TReadError& e) {
        result.Error = e.Text;
    }
    return result;
}

TChallengeFileResult ReadChallengeFile(const std::filesystem::path& path) {
    TChallengeFileResult result;
    std::string text;
    if (!ReadWholeFile(path, MaxWorldFileBytes, Kind, text, result.Error)) {
        return result;
    }
    return ParseChallenge(text);
}

std::string ChallengeToJson(const TChallenge& c) {
    json root = WorldObject(c.World);
    if (!c.Title.empty()) {
        root["title"] = c.Title;
    }
    if (!c.Task.empty()) {
        root["task"] = c.Task;
    }
    if (!c.Goals.empty()) {
        json goals = json::array();
        for (const TGoal& g : c.Goals) {
            json goal = ShapeObject(g.Zone);
            if (!g.Name.empty()) {
                goal["name"] = g.Name;
            }
            if (g.StayUs != 0) {
                goal["stay"] = static_cast<double>(g.StayUs) / 1e6;
            }
            goals.push_back(goal);
        }
        root["goals"] = goals;
    }
    if (!c.Forbidden.empty()) {
        json zones = json::array();
        for (const TForbiddenZone& f : c.Forbidden) {
            json zone = ShapeObject(f.Zone);
            if (!f.Name.empty()) {
                zone["name"] = f.Name;
            }
            zones.push_back(zone);
        }
        root["forbidden"] = zones;
    }
    const TChallengeRules& r = c.Rules;
    json rules = json::object();
    if (r.GoalsInOrder) {
        rules["goalsInOrder"] = true;
    }
    if (r.TouchNothing) {
        rules["touchNothing"] = true;
    }
    if (r.EndInsideLastGoal) {
        rules["endInsideLastGoal"] = true;
    }
    if (r.TimeLimitUs) {
        rules["timeLimit"] = static_cast<double>(*r.TimeLimitUs) / 1e6;
    }
    if (!rules.empty()) {
        root["rules"] = rules;
    }
    if (c.SensorsEnabled) {
        root["sensors"] = true;
    }
    return root.dump(2) + "\n";
}

} // namespace wayline::sim
