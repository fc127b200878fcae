#include "cli/SimulationSvg.h"

#include "sim/core/ChallengeJudge.h"
#include "sim/core/RobotSimulation.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numbers>
#include <vector>

namespace wayline {

namespace {

using sim::TBounds;
using sim::TPoint;
using sim::TPose;
using sim::TShape;

constexpr double Margin = 60;      // mm round the picture
constexpr double TitleSpace = 110; // mm above it for the title and the key
// Steps labelled with their letter; a long loop would bury the path in them.
constexpr int MaxLabels = 60;

std::string Number(double v) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", v);
    return text;
}

std::string Escaped(const std::string& text) {
    std::string out;
    for (const char c : text) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        default:
            // Control characters are not allowed in XML.
            out += static_cast<unsigned char>(c) < 0x20 ? '?' : c;
        }
    }
    return out;
}

void Grow(TBounds& b, TPoint p, double by) {
    b.MinX = std::min(b.MinX, p.X - by);
    b.MinY = std::min(b.MinY, p.Y - by);
    b.MaxX = std::max(b.MaxX, p.X + by);
    b.MaxY = std::max(b.MaxY, p.Y + by);
}

// Arena millimetres to picture units: y turned to point down.
class TCanvas {
public:
    explicit TCanvas(const TBounds& b) : Bounds(b) {}
    double X(double x) const { return x - Bounds.MinX + Margin; }
    double Y(double y) const { return Bounds.MaxY - y + Margin + TitleSpace; }
    std::string Point(TPoint p) const { return Number(X(p.X)) + "," + Number(Y(p.Y)); }
    double Width() const { return Bounds.MaxX - Bounds.MinX + 2 * Margin; }
    double Height() const { return Bounds.MaxY - Bounds.MinY + 2 * Margin + TitleSpace; }

private:
    TBounds Bounds;
};

std::string Polygon(const TCanvas& c, const TShape& s, const char* style) {
    const double a = s.AngleDeg() * std::numbers::pi / 180;
    const double hw = s.Width() / 2;
    const double hh = s.Height() / 2;
    std::string points;
    for (const auto& [u, v] : {std::pair{-hw, -hh}, {hw, -hh}, {hw, hh}, {-hw, hh}}) {
        const TPoint p{s.Centre().X + u * std::cos(a) - v * std::sin(a),
                       s.Centre().Y + u * std::sin(a) + v * std::cos(a)};
        points += (points.empty() ? "" : " ") + c.Point(p);
    }
    return "<polygon points=\"" + points + "\" " + style + "/>\n";
}

std::string Shape(const TCanvas& c, const TShape& s, const char* rectangleStyle,
                  const char* circleStyle) {
    if (s.Kind() == sim::TShapeKind::skCircle) {
        return "<circle cx=\"" + Number(c.X(s.Centre().X)) + "\" cy=\"" +
               Number(c.Y(s.Centre().Y)) + "\" r=\"" + Number(s.Radius()) + "\" " + circleStyle +
               "/>\n";
    }
    return Polygon(c, s, rectangleStyle);
}

std::string Line(const TCanvas& c, TPoint a, TPoint b, const char* style) {
    return "<line x1=\"" + Number(c.X(a.X)) + "\" y1=\"" + Number(c.Y(a.Y)) + "\" x2=\"" +
           Number(c.X(b.X)) + "\" y2=\"" + Number(c.Y(b.Y)) + "\" " + style + "/>\n";
}

std::string Circle(const TCanvas& c, TPoint p, double r, const char* style) {
    return "<circle cx=\"" + Number(c.X(p.X)) + "\" cy=\"" + Number(c.Y(p.Y)) + "\" r=\"" +
           Number(r) + "\" " + style + "/>\n";
}

TPoint Ahead(const TPose& pose, double distance) {
    const double h = pose.HeadingDeg * std::numbers::pi / 180;
    return {pose.Position.X + distance * std::cos(h), pose.Position.Y + distance * std::sin(h)};
}

// The robot's outline and the way it faces.
std::string Robot(const TCanvas& c, const TPose& pose, double radius, const char* style) {
    return Circle(c, pose.Position, radius, style) +
           Line(c, pose.Position, Ahead(pose, radius), style);
}

const char* SensorColour(sim::TSensor s) {
    return s == sim::TSensor::snLeftWhisker || s == sim::TSensor::snRightWhisker ? "#e8890c"
                                                                                 : "#d62728";
}

} // namespace

std::string SimulationSvg(const sim::TRobotSimulation& board, const std::string& title,
                          const sim::TChallenge* challenge, const sim::TVerdict* verdict) {
    const sim::TWorld& world = board.World();
    const sim::TRobot& robot = board.Robot();
    const double body = robot.Parameters().BodyRadiusMm;

    TBounds b = world.Bounds();
    Grow(b, world.Start().Position, body);
    for (const sim::TPathPoint& p : board.Path()) {
        Grow(b, p.Pose.Position, body);
    }
    const TCanvas c(b);

    std::string svg = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                      "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" +
                      Number(c.Width() / 2) + "\" height=\"" + Number(c.Height() / 2) +
                      "\" viewBox=\"0 0 " + Number(c.Width()) + " " + Number(c.Height()) +
                      "\" font-family=\"Liberation Sans, Arial, sans-serif\">\n";
    svg += "<rect width=\"100%\" height=\"100%\" fill=\"#ffffff\"/>\n";
    svg += "<text x=\"" + Number(Margin) + "\" y=\"" + Number(Margin + 10) +
           "\" font-size=\"36\" fill=\"#222\">" + Escaped(title) + "</text>\n";
    svg += "<text x=\"" + Number(Margin) + "\" y=\"" + Number(Margin + 55) +
           "\" font-size=\"22\" fill=\"#555\">blue: path; letters: steps of the main list; "
           "orange: whisker; red: infra-red; purple ring: reaction; cross: contact; 1 unit = 1 "
           "mm</text>\n";

    if (world.HasArena()) {
        svg += "<rect x=\"" + Number(c.X(0)) + "\" y=\"" + Number(c.Y(world.Height())) +
               "\" width=\"" + Number(world.Width()) + "\" height=\"" + Number(world.Height()) +
               "\" fill=\"#f6f3ea\"/>\n";
    }
    for (const TShape& wall : world.Walls()) {
        svg += Shape(c, wall, "fill=\"#6e6e6e\"", "fill=\"#6e6e6e\"");
    }
    for (const sim::TObstacle& o : world.Obstacles()) {
        svg += Shape(c, o.Shape, "fill=\"#c08552\" stroke=\"#7a4f2a\" stroke-width=\"3\"",
                     "fill=\"#5b8fc7\" stroke=\"#2f5f8f\" stroke-width=\"3\"");
    }

    if (challenge != nullptr) {
        for (const sim::TForbiddenZone& f : challenge->Forbidden) {
            svg += Shape(c, f.Zone,
                         "fill=\"#e04040\" fill-opacity=\"0.3\" stroke=\"#b02020\" "
                         "stroke-width=\"3\" stroke-dasharray=\"12 6\"",
                         "fill=\"#e04040\" fill-opacity=\"0.3\" stroke=\"#b02020\" "
                         "stroke-width=\"3\" stroke-dasharray=\"12 6\"");
        }
        const std::size_t goals = challenge->Goals.size();
        for (std::size_t k = 0; k < goals; ++k) {
            const TShape& zone = challenge->Goals[k].Zone;
            svg += Shape(c, zone,
                         "fill=\"#3cb44b\" fill-opacity=\"0.3\" stroke=\"#1e7a2c\" "
                         "stroke-width=\"3\"",
                         "fill=\"#3cb44b\" fill-opacity=\"0.3\" stroke=\"#1e7a2c\" "
                         "stroke-width=\"3\"");
            if (challenge->Rules.GoalsInOrder && goals > 1) {
                svg += "<text x=\"" + Number(c.X(zone.Centre().X)) + "\" y=\"" +
                       Number(c.Y(zone.Centre().Y) + 12) +
                       "\" font-size=\"36\" text-anchor=\"middle\" fill=\"#1e7a2c\">" +
                       std::to_string(k + 1) + "</text>\n";
            }
        }
    }

    svg += Robot(c, world.Start(), body,
                 "fill=\"none\" stroke=\"#888\" stroke-width=\"3\" stroke-dasharray=\"10 8\"");

    if (!board.Path().empty()) {
        std::string points;
        for (const sim::TPathPoint& p : board.Path()) {
            points += (points.empty() ? "" : " ") + c.Point(p.Pose.Position);
        }
        svg += "<polyline points=\"" + points +
               "\" fill=\"none\" stroke=\"#1f6fd1\" stroke-width=\"4\" "
               "stroke-linejoin=\"round\" stroke-linecap=\"round\"/>\n";
    }

    int labels = 0;
    for (const sim::TRunEvent& e : board.Events()) {
        const TPoint p = e.Pose.Position;
        switch (e.Kind) {
        case sim::TRunEventKind::ekCommand:
            if (e.List == 0 && e.Letter != 'C' && e.Letter != 'Q' && labels < MaxLabels) {
                ++labels;
                svg += Circle(c, p, 5, "fill=\"#1f3f6f\"");
                svg += "<text x=\"" + Number(c.X(p.X) + 8) + "\" y=\"" + Number(c.Y(p.Y) - 8) +
                       "\" font-size=\"26\" fill=\"#1f3f6f\">" + Escaped(std::string(1, e.Letter)) +
                       "</text>\n";
            }
            break;
        case sim::TRunEventKind::ekSensor: {
            const std::string style =
                std::string("fill=\"") + SensorColour(e.Sensor) + "\" fill-opacity=\"0.85\"";
            svg += Circle(c, p, 9, style.c_str());
            break;
        }
        case sim::TRunEventKind::ekReaction:
            svg += Circle(c, p, 16, "fill=\"none\" stroke=\"#8e44ad\" stroke-width=\"4\"");
            break;
        case sim::TRunEventKind::ekContact:
            svg += Line(c, {p.X - 12, p.Y - 12}, {p.X + 12, p.Y + 12},
                        "stroke=\"#000\" stroke-width=\"4\"");
            svg += Line(c, {p.X - 12, p.Y + 12}, {p.X + 12, p.Y - 12},
                        "stroke=\"#000\" stroke-width=\"4\"");
            break;
        case sim::TRunEventKind::ekEnd:
            break;
        }
    }

    const TPose now = robot.Pose();
    svg += Robot(c, now, body,
                 "fill=\"#ffffff\" fill-opacity=\"0.6\" stroke=\"#222\" "
                 "stroke-width=\"4\"");
    for (const sim::TSide side : {sim::TSide::sdLeft, sim::TSide::sdRight}) {
        TPoint base;
        TPoint tip;
        robot.WhiskerSegment(side, base, tip);
        svg += Line(c, base, tip, "stroke=\"#444\" stroke-width=\"3\"");
    }
    if (verdict != nullptr && verdict->State != sim::TVerdictState::vsUndecided) {
        const TPoint p = verdict->Pose.Position;
        if (verdict->State == sim::TVerdictState::vsPassed) {
            svg += Circle(c, p, 30, "fill=\"none\" stroke=\"#1e9a2c\" stroke-width=\"8\"");
        } else {
            svg += Circle(c, p, 30, "fill=\"none\" stroke=\"#d01010\" stroke-width=\"8\"");
            svg += Line(c, {p.X - 18, p.Y - 18}, {p.X + 18, p.Y + 18},
                        "stroke=\"#d01010\" stroke-width=\"8\"");
            svg += Line(c, {p.X - 18, p.Y + 18}, {p.X + 18, p.Y - 18},
                        "stroke=\"#d01010\" stroke-width=\"8\"");
        }
    }

    svg += "</svg>\n";
    return svg;
}

} // namespace wayline
