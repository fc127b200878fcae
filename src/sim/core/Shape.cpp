#include "sim/core/Shape.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace wayline::sim {

namespace {

double Dot(TPoint a, TPoint b) {
    return a.X * b.X + a.Y * b.Y;
}
TPoint Minus(TPoint a, TPoint b) {
    return {a.X - b.X, a.Y - b.Y};
}

// Squared distance from p to the segment a-b.
double SegmentDistanceSquared(TPoint p, TPoint a, TPoint b) {
    const TPoint ab = Minus(b, a);
    const TPoint ap = Minus(p, a);
    const double length2 = Dot(ab, ab);
    double t = length2 > 0 ? Dot(ap, ab) / length2 : 0;
    t = std::clamp(t, 0.0, 1.0);
    const TPoint nearest{a.X + ab.X * t, a.Y + ab.Y * t};
    const TPoint d = Minus(p, nearest);
    return Dot(d, d);
}

// Narrows [enter, leave] to the part of the line origin + t * direction that
// lies between -half and +half on one axis; false when nothing is left.
bool ClipToSlab(double origin, double direction, double half, double& enter, double& leave) {
    if (direction == 0) {
        return origin >= -half && origin <= half;
    }
    double t1 = (-half - origin) / direction;
    double t2 = (half - origin) / direction;
    if (t1 > t2) {
        std::swap(t1, t2);
    }
    enter = std::max(enter, t1);
    leave = std::min(leave, t2);
    return enter <= leave;
}

} // namespace

TShape TShape::Rectangle(TPoint centre, double width, double height, double angleDeg) {
    TShape shape;
    shape.ShapeKind = TShapeKind::skRectangle;
    shape.CentrePoint = centre;
    shape.HalfWidth = width / 2;
    shape.HalfHeight = height / 2;
    shape.Angle = angleDeg;
    const double radians = angleDeg * std::numbers::pi / 180;
    shape.Cos = std::cos(radians);
    shape.Sin = std::sin(radians);
    return shape;
}

TShape TShape::Circle(TPoint centre, double radius) {
    TShape shape;
    shape.ShapeKind = TShapeKind::skCircle;
    shape.CentrePoint = centre;
    shape.HalfWidth = radius;
    shape.HalfHeight = radius;
    return shape;
}

TPoint TShape::ToLocal(TPoint p) const {
    return DirectionToLocal(Minus(p, CentrePoint));
}

TPoint TShape::DirectionToLocal(TPoint d) const {
    return {d.X * Cos + d.Y * Sin, -d.X * Sin + d.Y * Cos};
}

double TShape::DistanceTo(TPoint p) const {
    if (ShapeKind == TShapeKind::skCircle) {
        const TPoint d = Minus(p, CentrePoint);
        return std::max(0.0, std::sqrt(Dot(d, d)) - HalfWidth);
    }
    const TPoint q = ToLocal(p);
    const double dx = std::max(std::abs(q.X) - HalfWidth, 0.0);
    const double dy = std::max(std::abs(q.Y) - HalfHeight, 0.0);
    return std::hypot(dx, dy);
}

TPoint TShape::OutwardNormal(TPoint p) const {
    if (ShapeKind == TShapeKind::skCircle) {
        const TPoint d = Minus(p, CentrePoint);
        const double length = std::sqrt(Dot(d, d));
        return length > 0 ? TPoint{d.X / length, d.Y / length} : TPoint{};
    }
    const TPoint q = ToLocal(p);
    TPoint local;
    if (std::abs(q.X) <= HalfWidth && std::abs(q.Y) <= HalfHeight) {
        // Inside: out through the side nearest to p.
        if (HalfWidth - std::abs(q.X) < HalfHeight - std::abs(q.Y)) {
            local = {q.X < 0 ? -1.0 : 1.0, 0};
        } else {
            local = {0, q.Y < 0 ? -1.0 : 1.0};
        }
    } else {
        local = {q.X - std::clamp(q.X, -HalfWidth, HalfWidth),
                 q.Y - std::clamp(q.Y, -HalfHeight, HalfHeight)};
        const double length = std::sqrt(Dot(local, local));
        local = {local.X / length, local.Y / length};
    }
    return {local.X * Cos - local.Y * Sin, local.X * Sin + local.Y * Cos};
}

bool TShape::TouchesSegment(TPoint a, TPoint b) const {
    if (ShapeKind == TShapeKind::skCircle) {
        return SegmentDistanceSquared(CentrePoint, a, b) <= HalfWidth * HalfWidth;
    }
    const TPoint la = ToLocal(a);
    const TPoint lb = ToLocal(b);
    const TPoint d = Minus(lb, la);
    double enter = 0;
    double leave = 1;
    return ClipToSlab(la.X, d.X, HalfWidth, enter, leave) &&
           ClipToSlab(la.Y, d.Y, HalfHeight, enter, leave);
}

std::optional<double> TShape::RayHit(TPoint origin, TPoint direction, double maxDistance) const {
    if (ShapeKind == TShapeKind::skCircle) {
        const TPoint oc = Minus(origin, CentrePoint);
        const double c = Dot(oc, oc) - HalfWidth * HalfWidth;
        if (c <= 0) {
            return 0.0;
        }
        const double b = Dot(oc, direction);
        const double discriminant = b * b - c;
        if (b >= 0 || discriminant < 0) {
            return std::nullopt; // pointing away, or passing by
        }
        const double t = -b - std::sqrt(discriminant);
        return t <= maxDistance ? std::optional<double>(t) : std::nullopt;
    }
    const TPoint o = ToLocal(origin);
    const TPoint d = DirectionToLocal(direction);
    double enter = 0;
    double leave = maxDistance;
    if (!ClipToSlab(o.X, d.X, HalfWidth, enter, leave) ||
        !ClipToSlab(o.Y, d.Y, HalfHeight, enter, leave)) {
        return std::nullopt;
    }
    return enter;
}

TBounds TShape::Bounds() const {
    const double ex = HalfWidth * std::abs(Cos) + HalfHeight * std::abs(Sin);
    const double ey = HalfWidth * std::abs(Sin) + HalfHeight * std::abs(Cos);
    return {CentrePoint.X - ex, CentrePoint.Y - ey, CentrePoint.X + ex, CentrePoint.Y + ey};
}

double TShape::ReachRadius() const {
    return ShapeKind == TShapeKind::skCircle ? HalfWidth : std::hypot(HalfWidth, HalfHeight);
}

} // namespace wayline::sim
