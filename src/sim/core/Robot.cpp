#include "sim/core/Robot.h"

#include "sim/core/World.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <optional>

namespace wayline::sim {

namespace {

constexpr double DegreesPerRadian = 180 / std::numbers::pi;

constexpr std::size_t MaxKeptEvents = 1 << 16;

// Rays cast across an infra-red detector's cone.
constexpr int IrRays = 7;

// The box round a circle.
TBounds Around(TPoint centre, double radius) {
    return {centre.X - radius, centre.Y - radius, centre.X + radius, centre.Y + radius};
}

std::size_t SideIndex(TSide side) {
    return side == TSide::sdLeft ? 0 : 1;
}

} // namespace

TRobot::TRobot(const TWorld& world, TRobotParameters parameters)
    : World(world), Params(parameters) {
    FullSpeedMmPerS = Params.FullSpeedRpm / 60 * std::numbers::pi * Params.WheelDiameterMm;
    LeftServo.Pin = RobotPins::LeftServo;
    RightServo.Pin = RobotPins::RightServo;
    // The right servo is mounted mirrored: the pulse that turns the left
    // wheel forward turns the right one backward. That is why the robot
    // program drives forward with 200 on the left and 0 on the right.
    RightServo.Mirror = -1;
    Reset(0);
}

void TRobot::Reset(std::uint64_t timeUs) {
    PhysicsTime = timeUs - timeUs % Params.StepUs;
    CurrentPose = World.Start();
    HeadingRad = CurrentPose.HeadingDeg / DegreesPerRadian;
    Blocked = false;
    FirstPulse.reset();
    for (TServo* servo : {&LeftServo, &RightServo}) {
        servo->Driven = false;
        servo->WidthUnits = 0;
    }
    LeftServo.CentreUnits = World.LeftServoCentre();
    RightServo.CentreUnits = World.RightServoCentre();
    Detectors = {};
    PinLevels = {};
    Readings = {};
    PathPoints.clear();
    RobotEvents.clear();
    KeepPathPoint(PhysicsTime, true);
}

void TRobot::PutBackAtStart(std::uint64_t timeUs) {
    AdvanceTo(timeUs);
    CurrentPose = World.Start();
    HeadingRad = CurrentPose.HeadingDeg / DegreesPerRadian;
    Blocked = false;
    PathPoints.clear();
    KeepPathPoint(PhysicsTime, true);
}

// ---------------------------------------------------------------------------
// Pins
// ---------------------------------------------------------------------------

bool TRobot::InputLevel(int pin, std::uint64_t timeUs) {
    AdvanceTo(timeUs);
    switch (pin) {
    case RobotPins::LeftWhisker:
        return !Read(TSensor::snLeftWhisker, WhiskerPressed(TSide::sdLeft), timeUs);
    case RobotPins::RightWhisker:
        return !Read(TSensor::snRightWhisker, WhiskerPressed(TSide::sdRight), timeUs);
    case RobotPins::LeftIrDetector:
    case RobotPins::RightIrDetector: {
        const bool left = pin == RobotPins::LeftIrDetector;
        const TDetector& d = Detectors[left ? 0 : 1];
        const bool answering =
            d.Lit && d.Seen && timeUs >= d.BurstStart && timeUs <= d.BurstEnd + Params.IrHoldUs;
        return !Read(left ? TSensor::snLeftIr : TSensor::snRightIr, answering, timeUs);
    }
    default:
        // Nothing else is wired: an input reads low, an output its own level.
        return pin >= 0 && pin < static_cast<int>(PinLevels.size()) &&
               PinLevels[static_cast<std::size_t>(pin)];
    }
}

void TRobot::OutputChanged(int pin, bool level, std::uint64_t timeUs) {
    AdvanceTo(timeUs);
    if (pin >= 0 && pin < static_cast<int>(PinLevels.size())) {
        PinLevels[static_cast<std::size_t>(pin)] = level;
    }
}

void TRobot::Pulse(int pin, std::uint64_t startUs, std::uint32_t widthUs) {
    AdvanceTo(startUs);
    TServo* servo = pin == LeftServo.Pin    ? &LeftServo
                    : pin == RightServo.Pin ? &RightServo
                                            : nullptr;
    // A servo reads a high pulse on a low line; a pin resting high gives a
    // low pulse, which no servo takes for a command.
    if (servo == nullptr || PinLevels[static_cast<std::size_t>(pin)] ||
        widthUs < Params.MinServoPulseUs || widthUs > Params.MaxServoPulseUs) {
        return;
    }
    servo->Driven = true;
    if (!FirstPulse) {
        FirstPulse = startUs;
    }
    servo->LastPulseStart = startUs;
    servo->LastPulseEnd = startUs + widthUs;
    servo->WidthUnits = widthUs / 2.0;
}

void TRobot::Tone(int pin, std::uint64_t startUs, std::uint32_t durationUs,
                  std::uint32_t frequencyHz, std::uint32_t secondFrequencyHz) {
    AdvanceTo(startUs);
    if (pin != RobotPins::LeftIrLed && pin != RobotPins::RightIrLed) {
        return;
    }
    const TSide side = pin == RobotPins::LeftIrLed ? TSide::sdLeft : TSide::sdRight;
    TDetector& d = Detectors[SideIndex(side)];
    d.Lit = true;
    d.BurstStart = startUs;
    d.BurstEnd = startUs + durationUs;
    d.LastHz = frequencyHz;
    // Of a mixed tone the detector answers to the stronger of the two.
    d.Seen = ObstacleSeen(side, frequencyHz) ||
             (secondFrequencyHz != 0 && ObstacleSeen(side, secondFrequencyHz));
}

bool TRobot::Read(TSensor sensor, bool active, std::uint64_t timeUs) {
    Readings[static_cast<std::size_t>(sensor)] = {true, active, timeUs};
    // Nobody takes the events when the robot runs without a board (a test
    // of the pins alone); keep the newest instead of growing without end.
    if (RobotEvents.size() >= MaxKeptEvents) {
        RobotEvents.erase(RobotEvents.begin(), RobotEvents.begin() + MaxKeptEvents / 2);
    }
    RobotEvents.push_back({TRobotEventKind::rkSensorRead, timeUs, sensor, active, CurrentPose});
    return active;
}

// ---------------------------------------------------------------------------
// Physics
// ---------------------------------------------------------------------------

double TRobot::ServoSpeed(const TServo& servo, std::uint64_t stepStart) const {
    if (!servo.Driven || servo.LastPulseEnd + Params.ServoTimeoutUs < stepStart) {
        return 0;
    }
    const double offset = servo.WidthUnits - servo.CentreUnits;
    const double distance = std::abs(offset);
    if (distance <= Params.DeadBandUnits) {
        return 0;
    }
    const double fraction = (std::min(distance, Params.SaturationUnits) - Params.DeadBandUnits) /
                            (Params.SaturationUnits - Params.DeadBandUnits);
    return std::copysign(fraction * FullSpeedMmPerS, offset) * servo.Mirror;
}

double TRobot::WheelSpeed(TSide side, std::uint64_t timeUs) const {
    return ServoSpeed(side == TSide::sdLeft ? LeftServo : RightServo, timeUs);
}

void TRobot::AdvanceTo(std::uint64_t timeUs) {
    while (PhysicsTime + Params.StepUs <= timeUs) {
        Step(PhysicsTime);
        PhysicsTime += Params.StepUs;
    }
}

void TRobot::Step(std::uint64_t stepStart) {
    const double left = ServoSpeed(LeftServo, stepStart);
    const double right = ServoSpeed(RightServo, stepStart);
    if (left == 0 && right == 0) {
        return;
    }
    const double dt = static_cast<double>(Params.StepUs) / 1e6;
    const double speed = (left + right) / 2;
    const double turn = (right - left) / Params.AxleTrackMm; // rad/s, counter-clockwise
    // Move along the chord of the step's arc: exact to second order.
    const double middle = HeadingRad + turn * dt / 2;
    const TPoint from = CurrentPose.Position;
    const TPoint wanted{speed * dt * std::cos(middle), speed * dt * std::sin(middle)};
    HeadingRad += turn * dt;
    CurrentPose.HeadingDeg = HeadingRad * DegreesPerRadian;

    // The chassis turns about the middle of its axle, which is also the
    // middle of its outline, so turning on the spot never runs into
    // anything; only the move can.
    if (speed != 0) {
        bool touched = false;
        const TPoint move = AllowedMove(from, wanted, touched);
        CurrentPose.Position = {from.X + move.X, from.Y + move.Y};
        if (touched && !Blocked) {
            RobotEvents.push_back({TRobotEventKind::rkContact, stepStart + Params.StepUs, TSensor{},
                                   false, CurrentPose});
        }
        Blocked = touched;
    }
    KeepPathPoint(stepStart + Params.StepUs, false);
}

// Contact. The chassis is a disc about the middle of the axle; a solid
// stops it only in the direction into the solid's surface, and the rest of
// the move, the part along the surface, goes on. Against a wall met at a
// slant the robot slides along it; at a wall's end or a post it moves round
// the corner point until it is past. That is what a real robot does: its
// wheels slip sideways when the chassis is pressed against something, and
// a shell rubbing along a wall does not hold the robot. (Refusing every
// move that came closer, as an earlier model did, left a robot that grazed
// a wall's end or a thin post stuck there for good.) Head-on into a flat
// surface nothing is left, and the robot stands with its wheels turning.
// Between two surfaces that face each other, a dead end narrower than the
// chassis, what one surface leaves the other takes away: the robot is held,
// as a real one is.
//
// The rule works on one step's move (about 0.15 mm at full speed), so the
// robot never ends closer to a solid than its radius, except where it stood
// closer already (an obstacle was dropped onto it): there any move that
// does not go deeper is allowed, so that it can back out.
TPoint TRobot::AllowedMove(TPoint from, TPoint wanted, bool& touched) const {
    // Taking the part into one surface away can send the move into another
    // (a corner between two walls); a few rounds settle it.
    constexpr int MaxRounds = 4;
    // Rounding leaves a slide along a wall a hair closer now and then: that
    // is no move into it.
    constexpr double DeeperMm = 1e-9;
    const double r = Params.BodyRadiusMm;
    // The way out of the solid that the move goes deepest into, if any.
    const auto deepest = [&](TPoint move) -> std::optional<TPoint> {
        const TPoint to{from.X + move.X, from.Y + move.Y};
        double worst = 0;
        std::optional<TPoint> normal;
        World.ForEachSolidNear(Around(to, r), [&](const TShape& shape) {
            const TPoint c = shape.Centre();
            const double reach = shape.ReachRadius() + r;
            const double dx = to.X - c.X;
            const double dy = to.Y - c.Y;
            if (dx * dx + dy * dy > reach * reach) {
                return;
            }
            const double after = shape.DistanceTo(to);
            if (after >= r || after >= shape.DistanceTo(from) - DeeperMm) {
                return;
            }
            if (r - after > worst) {
                worst = r - after;
                normal = shape.OutwardNormal(from);
            }
        });
        return normal;
    };
    TPoint move = wanted;
    for (int round = 0; round < MaxRounds; ++round) {
        const std::optional<TPoint> normal = deepest(move);
        if (!normal) {
            return move;
        }
        touched = true;
        const double into = move.X * normal->X + move.Y * normal->Y;
        if (into >= 0) {
            return {}; // no part of the move leads away: stand
        }
        move = {move.X - into * normal->X, move.Y - into * normal->Y};
    }
    return deepest(move) ? TPoint{} : move;
}

void TRobot::KeepPathPoint(std::uint64_t timeUs, bool always) {
    if (!always && !PathPoints.empty()) {
        const TPose& last = PathPoints.back().Pose;
        const double moved = std::hypot(CurrentPose.Position.X - last.Position.X,
                                        CurrentPose.Position.Y - last.Position.Y);
        if (moved < Params.PathSpacingMm &&
            std::abs(CurrentPose.HeadingDeg - last.HeadingDeg) < Params.PathSpacingDeg) {
            return;
        }
    }
    if (PathPoints.size() >= std::max<std::size_t>(Params.MaxPathPoints, 4)) {
        // A robot left running for hours: keep every second point of the
        // older half, so the whole path stays drawable in bounded memory.
        const std::size_t half = PathPoints.size() / 2;
        std::size_t kept = 0;
        for (std::size_t i = 0; i < half; i += 2) {
            PathPoints[kept++] = PathPoints[i];
        }
        PathPoints.erase(PathPoints.begin() + static_cast<std::ptrdiff_t>(kept),
                         PathPoints.begin() + static_cast<std::ptrdiff_t>(half));
    }
    PathPoints.push_back({timeUs, CurrentPose});
}

// ---------------------------------------------------------------------------
// Sensors and geometry
// ---------------------------------------------------------------------------

TPoint TRobot::ToArena(TPoint p) const {
    const double c = std::cos(HeadingRad);
    const double s = std::sin(HeadingRad);
    const TPoint o = CurrentPose.Position;
    return {o.X + p.X * c - p.Y * s, o.Y + p.X * s + p.Y * c};
}

TPoint TRobot::Mirrored(TPoint p, TSide side) const {
    return side == TSide::sdLeft ? p : TPoint{p.X, -p.Y};
}

void TRobot::WhiskerSegment(TSide side, TPoint& base, TPoint& tip) const {
    base = ToArena(Mirrored(Params.WhiskerBase, side));
    tip = ToArena(Mirrored(Params.WhiskerTip, side));
}

void TRobot::HoldWhisker(TSide side, bool held) {
    HeldWhiskers[SideIndex(side)] = held;
}

bool TRobot::WhiskerHeld(TSide side) const {
    return HeldWhiskers[SideIndex(side)];
}

bool TRobot::WhiskerPressed(TSide side) const {
    if (HeldWhiskers[SideIndex(side)]) {
        return true;
    }
    TPoint base;
    TPoint tip;
    WhiskerSegment(side, base, tip);
    bool pressed = false;
    const TBounds reach{std::min(base.X, tip.X), std::min(base.Y, tip.Y), std::max(base.X, tip.X),
                        std::max(base.Y, tip.Y)};
    World.ForEachSolidNear(
        reach, [&](const TShape& shape) { pressed = pressed || shape.TouchesSegment(base, tip); });
    return pressed;
}

TPoint TRobot::IrOrigin(TSide side) const {
    return ToArena(Mirrored(Params.IrMount, side));
}

double TRobot::IrAimDeg(TSide side) const {
    return CurrentPose.HeadingDeg + (side == TSide::sdLeft ? Params.IrAimDeg : -Params.IrAimDeg);
}

bool TRobot::ObstacleInView(TSide side) const {
    const double hz = Detectors[SideIndex(side)].LastHz;
    return ObstacleSeen(side, hz > 0 ? hz : Params.IrCentreHz);
}

bool TRobot::ObstacleSeen(TSide side, double frequencyHz) const {
    const double mismatch = std::abs(frequencyHz - Params.IrCentreHz) / Params.IrBandHz;
    const double range = Params.IrRangeMm * (1 - mismatch);
    if (range <= 0) {
        return false;
    }
    const TPoint origin = IrOrigin(side);
    const double aim = IrAimDeg(side) / DegreesPerRadian;
    const double half = Params.IrConeHalfAngleDeg / DegreesPerRadian;
    std::array<TPoint, IrRays> directions;
    for (int i = 0; i < IrRays; ++i) {
        const double a = aim - half + 2 * half * i / (IrRays - 1);
        directions[static_cast<std::size_t>(i)] = {std::cos(a), std::sin(a)};
    }
    bool seen = false;
    // Every ray ends within `range` of the origin.
    World.ForEachSolidNear(Around(origin, range), [&](const TShape& shape) {
        for (const TPoint& direction : directions) {
            seen = seen || shape.RayHit(origin, direction, range).has_value();
        }
    });
    return seen;
}

} // namespace wayline::sim
