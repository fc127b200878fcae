#include "Icons.h"

#include <QPainter>
#include <QPainterPath>

#include <cmath>

namespace skin {

namespace {

enum { kForward, kBackward, kTurnLeft, kTurnRight, kRotateLeft, kRotateRight, kStop, kLoop };

const QColor Ink(0x2d, 0x37, 0x48);

// The robot's size on a tile, and the distance of its wheels from its
// centre at that size (a one-wheel turn swings round a wheel).
constexpr double RobotScale = 1.15;
constexpr double WheelOffset = 10 * RobotScale;

// The robot, centred on the origin and facing up (-y): a grey chassis, two
// black wheels at the sides and a yellow front bumper with two eyes, so the
// direction it faces is clear even at 25 x 25 pixels.
void DrawRobot(QPainter& p) {
    p.save();
    p.scale(RobotScale, RobotScale);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x1f, 0x25, 0x2e));
    p.drawRoundedRect(QRectF(-12.5, -7, 5, 13), 1.5, 1.5);
    p.drawRoundedRect(QRectF(7.5, -7, 5, 13), 1.5, 1.5);
    p.setPen(QPen(QColor(0x3b, 0x47, 0x5a), 1.2));
    p.setBrush(QColor(0x6b, 0x7a, 0x90));
    p.drawRoundedRect(QRectF(-8, -10, 16, 20), 4, 4);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xff, 0xc7, 0x2c));
    p.drawRoundedRect(QRectF(-7, -10.5, 14, 5), 2, 2);
    p.setBrush(Ink);
    p.drawEllipse(QPointF(-3, -8), 1.3, 1.3);
    p.drawEllipse(QPointF(3, -8), 1.3, 1.3);
    p.setBrush(QColor(0xa9, 0xb6, 0xc8));
    p.drawRoundedRect(QRectF(-4.5, -2, 9, 8), 2, 2);
    p.restore();
}

// A thick straight arrow from `from` to `to`.
void DrawArrow(QPainter& p, QPointF from, QPointF to, QColor colour, double width = 6.5) {
    QLineF line(from, to);
    const double head = width * 1.9;
    QLineF back(to, from);
    back.setLength(head);
    QPointF base = back.p2();
    QLineF normal = back.normalVector();
    normal.setLength(head * 0.75);
    QPointF side = normal.p2() - normal.p1();
    p.save();
    p.setPen(QPen(colour, width, Qt::SolidLine, Qt::FlatCap));
    p.drawLine(from, base);
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    p.drawPolygon(QPolygonF({to, base + side, base - side}));
    p.restore();
}

// An arc arrow around `centre`, angles in degrees counter-clockwise from 3
// o'clock as QPainter counts them; the head sits at the end of the sweep.
void DrawArcArrow(QPainter& p, QPointF centre, double radius, double startDeg, double sweepDeg,
                  QColor colour, double width = 4) {
    QRectF box(centre.x() - radius, centre.y() - radius, 2 * radius, 2 * radius);
    const double headDeg = (sweepDeg > 0 ? 1 : -1) * (width * 2.2 / radius) * 180 / M_PI;
    p.save();
    p.setPen(QPen(colour, width, Qt::SolidLine, Qt::FlatCap));
    p.setBrush(Qt::NoBrush);
    QPainterPath arc;
    arc.arcMoveTo(box, startDeg);
    arc.arcTo(box, startDeg, sweepDeg - headDeg);
    p.drawPath(arc);
    auto at = [&](double deg, double r) {
        double a = deg * M_PI / 180;
        return QPointF(centre.x() + r * std::cos(a), centre.y() - r * std::sin(a));
    };
    const double end = startDeg + sweepDeg;
    const double baseDeg = end - headDeg;
    QPolygonF head(
        {at(end, radius), at(baseDeg, radius + width * 1.5), at(baseDeg, radius - width * 1.5)});
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    p.drawPolygon(head);
    p.restore();
}

// Short motion lines behind a moving robot.
void DrawTrail(QPainter& p, double x, double y, double dir, int frame) {
    p.save();
    QColor c(0x8a, 0x99, 0xad);
    c.setAlpha(110 + 30 * frame);
    p.setPen(QPen(c, 1.6, Qt::SolidLine, Qt::RoundCap));
    for (int i = -1; i <= 1; ++i) {
        double len = 3 + frame * 0.8 + (i == 0 ? 2 : 0);
        p.drawLine(QPointF(x + 5 * i, y), QPointF(x + 5 * i, y + dir * len));
    }
    p.restore();
}

void DrawClock(QPainter& p, QPointF c, double r, int frame, QColor colour) {
    p.save();
    p.setPen(QPen(colour, 2.4));
    p.setBrush(Qt::white);
    p.drawEllipse(c, r, r);
    p.setPen(QPen(Ink, 1.2));
    for (int i = 0; i < 12; i += 3) {
        double a = i * M_PI / 6;
        p.drawLine(QPointF(c.x() + (r - 3) * std::sin(a), c.y() - (r - 3) * std::cos(a)),
                   QPointF(c.x() + (r - 1.5) * std::sin(a), c.y() - (r - 1.5) * std::cos(a)));
    }
    // The hand goes once round over the five frames.
    double a = frame * 2 * M_PI / IconFrames;
    p.setPen(QPen(colour.darker(130), 2, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(c, QPointF(c.x() + (r - 3.5) * std::sin(a), c.y() - (r - 3.5) * std::cos(a)));
    p.setPen(QPen(Ink, 2, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(c, QPointF(c.x(), c.y() - (r - 6)));
    p.setBrush(Ink);
    p.setPen(Qt::NoPen);
    p.drawEllipse(c, 1.5, 1.5);
    p.restore();
}

} // namespace

void DrawRobotAt(QPainter& p, const QPointF& centre, double scale, double angleDeg) {
    p.save();
    p.translate(centre);
    p.rotate(angleDeg);
    p.scale(scale, scale);
    DrawRobot(p);
    p.restore();
}

QColor KindColour(int kind) {
    switch (kind) {
    case kForward:
        return QColor(0x2f, 0xa8, 0x4f);
    case kBackward:
        return QColor(0xe8, 0x7d, 0x1e);
    case kTurnLeft:
    case kTurnRight:
        return QColor(0x2b, 0x7c, 0xd3);
    case kRotateLeft:
    case kRotateRight:
        return QColor(0x8a, 0x55, 0xc8);
    case kStop:
        return QColor(0xd6, 0x3c, 0x3c);
    default:
        return QColor(0x14, 0x9c, 0x95);
    }
}

QImage ActionTile(int kind, int frame) {
    QImage img(IconSize, IconSize, QImage::Format_ARGB32);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor colour = KindColour(kind);

    // The tile: a light tint of the kind's colour with a border in it.
    QColor tint = colour.lighter(100);
    tint.setHsv(colour.hsvHue(), 28, 252);
    p.setPen(QPen(colour, 2));
    p.setBrush(tint);
    p.drawRoundedRect(QRectF(1, 1, IconSize - 2, IconSize - 2), 9, 9);

    const double t = frame; // 0 .. 4
    switch (kind) {
    case kForward: {
        DrawArrow(p, QPointF(27, 22), QPointF(27, 2), colour);
        p.translate(27, 38 - 1.5 * t);
        DrawTrail(p, 0, 13, 1, frame);
        DrawRobot(p);
        break;
    }
    case kBackward: {
        DrawArrow(p, QPointF(27, 32), QPointF(27, 52), colour);
        p.translate(27, 16 + 1.5 * t);
        DrawTrail(p, 0, -13, -1, frame);
        DrawRobot(p);
        break;
    }
    case kTurnLeft:
    case kTurnRight: {
        // One wheel stands still: the robot swings round it.
        const double side = kind == kTurnLeft ? -1 : 1;
        const QPointF pivot(27 + side * WheelOffset, 34);
        DrawArcArrow(p, pivot, 21, side < 0 ? 15 : 165, side < 0 ? 85 : -85, colour, 5.5);
        p.translate(pivot);
        p.rotate(side * 9 * t);
        p.translate(-side * WheelOffset, 0);
        DrawRobot(p);
        p.resetTransform();
        p.setPen(Qt::NoPen);
        p.setBrush(colour);
        p.drawEllipse(pivot, 2, 2);
        break;
    }
    case kRotateLeft:
    case kRotateRight: {
        // Both wheels turn against each other: the robot spins on the spot.
        const double side = kind == kRotateLeft ? -1 : 1;
        const QPointF c(27, 28);
        DrawArcArrow(p, c, 21, side < 0 ? 30 : 150, side < 0 ? 120 : -120, colour, 4.6);
        DrawArcArrow(p, c, 21, side < 0 ? 210 : 330, side < 0 ? 120 : -120, colour, 4.6);
        p.translate(c);
        p.rotate(side * 18 * t);
        DrawRobot(p);
        break;
    }
    case kStop: {
        p.save();
        p.translate(20, 33);
        DrawRobot(p);
        p.restore();
        DrawClock(p, QPointF(37, 17), 11, frame, colour);
        break;
    }
    default: {
        // Loop back: a return arrow that comes round to the start; its head
        // travels round the loop.
        const QPointF c(27, 28);
        const double start = -60 + 30 * t;
        DrawArcArrow(p, c, 18, start, 280, colour, 5.5);
        p.translate(c);
        p.scale(0.7, 0.7);
        DrawRobot(p);
        break;
    }
    }
    p.end();
    return img;
}

} // namespace skin
