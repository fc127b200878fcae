#pragma once

#include "sim/core/PinHardware.h"
#include "sim/core/Pose.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace wayline::sim {

class TWorld;

// How the robot is wired to the module's pins (the robot program and the
// test program both assume this wiring).
namespace RobotPins {
inline constexpr int RightIrDetector = 0; // low = obstacle
inline constexpr int RightIrLed = 2;
inline constexpr int LeftWhisker = 5; // low = pressed
inline constexpr int RightWhisker = 7;
inline constexpr int LeftIrLed = 8;
inline constexpr int LeftIrDetector = 9;
inline constexpr int RightServo = 12;
inline constexpr int LeftServo = 13;
} // namespace RobotPins

enum class TSide { sdLeft, sdRight };

enum class TSensor { snLeftWhisker, snRightWhisker, snLeftIr, snRightIr };
inline constexpr int SensorCount = 4;

// The sizes and behaviour of the modelled robot. The sizes are those of the
// usual small classroom robot built round two standard-size hobby servos:
// wheels of 66 mm (2.6 in) diameter fitted straight onto the servo splines,
// their tyres 105 mm apart, a chassis that fits in a circle of 70 mm radius
// about the middle of the axle, two wire whiskers at the front and two
// infra-red LED and detector pairs looking ahead-left and ahead-right.
struct TRobotParameters {
    double WheelDiameterMm = 66;
    double AxleTrackMm = 105; // between the middles of the two tyres
    double BodyRadiusMm = 70;

    // A continuous-rotation servo turns at a speed that follows the pulse
    // width's distance from its centre: nothing within the dead band, then
    // rising in proportion up to full speed, which it reaches SaturationUnits
    // from the centre (pulse units of 2 µs). The full speed is what such a
    // servo manages under the robot's weight at 6 V; the saturation point is
    // where the speed curve of these servos flattens out. Together they make
    // the robot program's U-turn (2.8 s of Rotate Right, 20 units from the
    // centre) about half a turn when its drive cycles take 20 ms.
    double FullSpeedRpm = 44;
    double DeadBandUnits = 2;
    double SaturationUnits = 48;
    // A servo keeps turning this long after its last pulse, then stops.
    std::uint64_t ServoTimeoutUs = 25000;
    // Pulses outside this range are not servo pulses and are ignored.
    std::uint32_t MinServoPulseUs = 500;
    std::uint32_t MaxServoPulseUs = 2500;

    // Whiskers: a wire from (forward, sideways) Base to Tip in the robot's
    // frame, sideways positive to the left; drawn for the left whisker and
    // mirrored for the right one. The tip reaches 30 mm past the chassis.
    TPoint WhiskerBase{55, 35};
    TPoint WhiskerTip{100, 48};

    // Infra-red: each detector sits beside its LED at Mount (left side,
    // mirrored for the right), looks AimDeg outward from straight ahead and
    // sees within a cone of +-ConeHalfAngleDeg. An obstacle is seen when its
    // reflection of a burst on the LED is strong enough: up to RangeMm away
    // at the detector's own frequency, less the farther the burst's
    // frequency is from it, nothing BandHz or more away.
    TPoint IrMount{60, 30};
    double IrAimDeg = 15;
    double IrConeHalfAngleDeg = 25;
    double IrRangeMm = 300;
    double IrCentreHz = 38000;
    double IrBandHz = 8000;
    // The detector's output stays low this long after the burst ends, long
    // enough for the next instruction to read it.
    std::uint64_t IrHoldUs = 1000;

    // The fixed physics step.
    std::uint64_t StepUs = 1000;
    // A point of the path is kept each time the robot has moved or turned
    // this much since the last one. At MaxPathPoints the older half is
    // thinned to every second point (about 15 minutes of driving).
    double PathSpacingMm = 2;
    double PathSpacingDeg = 2;
    std::size_t MaxPathPoints = 1 << 18;
};

// One point of the robot's path, `TimeUs` on the simulator's clock.
struct TPathPoint {
    std::uint64_t TimeUs = 0;
    TPose Pose;
};

enum class TRobotEventKind {
    rkSensorRead, // the program read a sensor's pin
    rkContact,    // the chassis came up against a wall or an obstacle
};

// The last time the program read a sensor, and what it reported.
struct TSensorReading {
    bool Read = false;   // the program has read it since the last Reset
    bool Active = false; // pressed, or an obstacle seen
    std::uint64_t TimeUs = 0;
};

struct TRobotEvent {
    TRobotEventKind Kind = TRobotEventKind::rkSensorRead;
    std::uint64_t TimeUs = 0;
    TSensor Sensor = TSensor::snLeftWhisker; // rkSensorRead only
    bool Active = false;                     // the sensor reported something
    TPose Pose;
};

// The modelled robot on its pins: two continuous-rotation servos driving a
// differential drive, whiskers that close on contact and infra-red
// detectors that answer a burst on their LED. Time moves only through the
// calls (each brings its simulated time) and AdvanceTo; the physics runs in
// fixed steps on a grid of StepUs from time 0, so the path depends only on
// the times of the calls, never on how often the robot is asked.
class TRobot final : public TPinHardware {
public:
    // The world must outlive the robot; obstacles may change between calls.
    explicit TRobot(const TWorld& world, TRobotParameters parameters = {});

    // Places the robot at the world's start at `timeUs`, wheels still, and
    // forgets the path, the events and the pins.
    void Reset(std::uint64_t timeUs);
    // Someone picks the robot up and sets it down at the world's start: the
    // program, the servos and the pins go on as they were; the path starts
    // again.
    void PutBackAtStart(std::uint64_t timeUs);

    // TPinHardware
    bool InputLevel(int pin, std::uint64_t timeUs) override;
    void OutputChanged(int pin, bool level, std::uint64_t timeUs) override;
    void Pulse(int pin, std::uint64_t startUs, std::uint32_t widthUs) override;
    void Tone(int pin, std::uint64_t startUs, std::uint32_t durationUs, std::uint32_t frequencyHz,
              std::uint32_t secondFrequencyHz) override;

    // Runs the physics up to `timeUs` (whole steps only).
    void AdvanceTo(std::uint64_t timeUs);
    std::uint64_t PhysicsTimeUs() const { return PhysicsTime; }

    TPose Pose() const { return CurrentPose; }
    // Surface speed of each wheel in mm/s, forward positive, as the servos
    // turn them now.
    double WheelSpeed(TSide side, std::uint64_t timeUs) const;
    // What the sensors would report in the current pose. A whisker is also
    // pressed while someone holds it (HoldWhisker).
    bool WhiskerPressed(TSide side) const;
    // A finger on the whisker: it reports pressed until let go, wherever
    // the robot is (also across a Reset: the finger is not the robot's).
    void HoldWhisker(TSide side, bool held);
    bool WhiskerHeld(TSide side) const;
    // What the program last read from a sensor.
    const TSensorReading& LastReading(TSensor sensor) const {
        return Readings[static_cast<std::size_t>(sensor)];
    }
    bool ObstacleSeen(TSide side, double frequencyHz) const;
    // What the detector would answer to the program's next burst: at the
    // frequency of its last one (at its own frequency before any).
    bool ObstacleInView(TSide side) const;
    // When the first servo pulse since the last Reset came.
    std::optional<std::uint64_t> FirstPulseUs() const { return FirstPulse; }
    // The last move the robot tried was held back, whole or in part, by
    // something it touches (turning on the spot tries none).
    bool InContact() const { return Blocked; }

    // Geometry in arena millimetres, for drawing the robot.
    void WhiskerSegment(TSide side, TPoint& base, TPoint& tip) const;
    TPoint IrOrigin(TSide side) const;
    double IrAimDeg(TSide side) const;

    const TRobotParameters& Parameters() const { return Params; }
    // The path since the last Reset, oldest first; thinned when long (see
    // MaxPathPoints).
    const std::vector<TPathPoint>& Path() const { return PathPoints; }
    // Events since the last ClearEvents, oldest first.
    const std::vector<TRobotEvent>& Events() const { return RobotEvents; }
    void ClearEvents() { RobotEvents.clear(); }

private:
    struct TServo {
        int Pin = 0;
        double CentreUnits = 750;
        double Mirror = 1; // -1 for the servo mounted the other way round
        bool Driven = false;
        std::uint64_t LastPulseStart = 0;
        std::uint64_t LastPulseEnd = 0;
        double WidthUnits = 0;
    };
    struct TDetector {
        std::uint64_t BurstStart = 0;
        std::uint64_t BurstEnd = 0;
        bool Lit = false; // a burst has been sent
        bool Seen = false;
        double LastHz = 0; // of the last burst (0: none yet)
    };

    double ServoSpeed(const TServo& servo, std::uint64_t stepStart) const;
    void Step(std::uint64_t stepStart);
    TPoint AllowedMove(TPoint from, TPoint wanted, bool& touched) const;
    TPoint ToArena(TPoint robotFrame) const;
    TPoint Mirrored(TPoint p, TSide side) const;
    bool Read(TSensor sensor, bool active, std::uint64_t timeUs);
    void KeepPathPoint(std::uint64_t timeUs, bool always);

    const TWorld& World;
    TRobotParameters Params;
    double FullSpeedMmPerS = 0;

    std::uint64_t PhysicsTime = 0;
    TPose CurrentPose;
    double HeadingRad = 0;
    bool Blocked = false;
    std::optional<std::uint64_t> FirstPulse;
    TServo LeftServo;
    TServo RightServo;
    std::array<TDetector, 2> Detectors{}; // left, right
    std::array<bool, 16> PinLevels{};
    std::array<bool, 2> HeldWhiskers{}; // left, right
    std::array<TSensorReading, SensorCount> Readings{};
    std::vector<TPathPoint> PathPoints;
    std::vector<TRobotEvent> RobotEvents;
};

} // namespace wayline::sim
