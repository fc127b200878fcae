#pragma once

#include <optional>

namespace wayline::sim {

// A point or a vector in the arena, in millimetres; x to the right, y up.
struct TPoint {
    double X = 0;
    double Y = 0;
};

enum class TShapeKind { skRectangle, skCircle };

// An axis-parallel box around a shape, for drawing and quick rejection.
struct TBounds {
    double MinX = 0;
    double MinY = 0;
    double MaxX = 0;
    double MaxY = 0;
};

// A solid in the arena: a rectangle turned about its centre, or a circle.
// The rectangle's turn is kept as its cosine and sine, worked out once when
// it is set, because the robot tests every solid in every physics step.
class TShape {
public:
    static TShape Rectangle(TPoint centre, double width, double height, double angleDeg = 0);
    static TShape Circle(TPoint centre, double radius);

    TShapeKind Kind() const { return ShapeKind; }
    TPoint Centre() const { return CentrePoint; }
    // Rectangle: side lengths along its own axes and its turn, counter-
    // clockwise in degrees. Circle: Width and Height are the diameter.
    double Width() const { return HalfWidth * 2; }
    double Height() const { return HalfHeight * 2; }
    double AngleDeg() const { return Angle; }
    double Radius() const { return HalfWidth; }

    void MoveTo(TPoint centre) { CentrePoint = centre; }

    // Distance from p to the nearest point of the shape; 0 on or inside it.
    double DistanceTo(TPoint p) const;
    // The way out of the shape at p: the unit vector from the nearest point
    // of the outline toward p. Inside, the way out through the nearest side
    // (a circle's centre has none: {0, 0}).
    TPoint OutwardNormal(TPoint p) const;
    bool Contains(TPoint p) const { return DistanceTo(p) == 0; }
    // Whether the segment from a to b touches the shape anywhere.
    bool TouchesSegment(TPoint a, TPoint b) const;
    // Distance along the ray from `origin` in the unit direction `direction`
    // to the shape's outline when it is hit no farther than `maxDistance`;
    // 0 when the origin lies inside.
    std::optional<double> RayHit(TPoint origin, TPoint direction, double maxDistance) const;
    TBounds Bounds() const;
    // Radius of the smallest circle about the centre that holds the shape.
    double ReachRadius() const;

private:
    // The point in the rectangle's own frame (centre at 0, sides parallel
    // to the axes).
    TPoint ToLocal(TPoint p) const;
    TPoint DirectionToLocal(TPoint d) const;

    TShapeKind ShapeKind = TShapeKind::skCircle;
    TPoint CentrePoint;
    double HalfWidth = 0; // the radius of a circle
    double HalfHeight = 0;
    double Angle = 0;
    double Cos = 1;
    double Sin = 0;
};

} // namespace wayline::sim
