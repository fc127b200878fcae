#pragma once

#include "sim/core/ArenaEditing.h"
#include "sim/core/Challenge.h"
#include "sim/core/World.h"

#include <QImage>
#include <QPixmap>
#include <QWidget>

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

namespace wayline::sim {
class TRobotSession;
}

class QPainter;

namespace wayline {

// What the arena view draws, taken from the simulation in one go under the
// module's lock, so that painting needs no lock and shows one moment.
struct TArenaPicture {
    sim::TWorld World;
    sim::TPose Pose;
    double BodyRadiusMm = 70;
    double AxleTrackMm = 105;
    double WheelDiameterMm = 66;
    std::array<sim::TPoint, 2> WhiskerBase{}; // left, right
    std::array<sim::TPoint, 2> WhiskerTip{};
    std::array<bool, 2> WhiskerPressed{}; // touching something, or held
    std::array<sim::TPoint, 2> IrOrigin{};
    std::array<double, 2> IrAimDeg{};
    double IrHalfAngleDeg = 25;
    double IrRangeMm = 300;
    // What each sensor senses now, whether or not the program reads it: a
    // whisker pressed, an obstacle in an eye's view (left whisker, right
    // whisker, left infra-red, right infra-red: sim::TSensor order).
    std::array<bool, sim::SensorCount> Sensing{};
    // Counts the changes to the walls and obstacles.
    unsigned WorldRevision = 0;
};

// A challenge's places as the arena shows them: the goals (darker once
// reached), the forbidden zones, and where the task was decided.
struct TArenaTask {
    std::vector<sim::TShape> Goals;
    std::vector<bool> Reached; // by goal
    bool Numbered = false;     // the goals count in their order
    std::vector<sim::TShape> Forbidden;
    std::optional<sim::TPoint> Mark; // where the verdict fell
    bool Passed = false;
};

// The arena seen from above: floor, walls, obstacles, the way the robot
// drove, and the robot with its wheels, whiskers and infra-red cones. The
// mouse moves obstacles (drag), adds them (double-click on the floor, or
// the context menu) and removes them (context menu, or Delete for the one
// last touched); holding the mouse on a whisker presses it.
//
// Painting is in layers, bottom to top: the floor with its walls and the
// start (kept as a picture until the size or the walls change), the path
// (kept as a picture that each frame only extends, so that a frame costs
// the same after ten seconds and after ten minutes), the obstacles, the
// robot, and what is drawn over everything. The view repaints only when
// Refresh finds something changed, and then only where.
class TArenaView : public QWidget {
    Q_OBJECT
public:
    // The mouse picks a whisker within this many pixels of its wire.
    static constexpr double WhiskerReachPx = 6;
    static constexpr int MarginPx = 8;
    static constexpr int MinimumWidthPx = 300;
    static constexpr int MinimumHeightPx = 200;
    // The drawn path keeps a point every this many millimetres, and at
    // most MaxPathPoints of them (the older half is thinned beyond).
    static constexpr double PathSpacingMm = 3;
    static constexpr std::size_t MaxPathPoints = 40000;

    // The texts of the context menu.
    struct TTexts {
        QString RemoveObstacle = QStringLiteral("Remove this obstacle");
        QString AddBoxHere = QStringLiteral("Add a box here");
        QString AddCanHere = QStringLiteral("Add a can here");
    };

    TArenaView(sim::TRobotSession& session, TTexts texts, QWidget* parent = nullptr);

    // Takes a new picture from the simulation (the module's lock is taken
    // here) and repaints what changed; false when nothing did.
    bool Refresh();
    // Repaints asked for by Refresh, and paint events handled, so far.
    std::uint64_t RepaintsAsked() const { return Asked; }
    std::uint64_t Paints() const { return Painted; }
    const TArenaPicture& Picture() const { return Shown; }
    const std::vector<sim::TPoint>& DrawnPath() const { return Path; }
    // The challenge's goals, zones and verdict mark (none: a plain arena).
    void SetTask(TArenaTask task);
    const TArenaTask& Task() const { return Places; }

    sim::TArenaViewport Viewport() const;
    // Window pixels of an arena point, and the arena point of a pixel.
    QPointF ToPixels(sim::TPoint p) const;
    sim::TPoint ToArena(const QPointF& pixel) const;

    // The obstacle the mouse touched last (0: none), which Delete removes.
    int SelectedObstacle() const { return Selected; }
    // The obstacle being dragged (0: none).
    int DraggedObstacle() const { return Dragged; }

    // Adds a box or a can near `at` (arena millimetres); its number or 0.
    int AddBox(sim::TPoint at);
    int AddCan(sim::TPoint at);
    bool RemoveObstacle(int id);
    // Lets go of a held whisker (the window was hidden mid-press).
    void ReleaseWhiskers();

    QSize sizeHint() const override { return {640, 440}; }

Q_SIGNALS:
    // The user changed the arena (an obstacle moved, came or went).
    void ArenaChanged();
    // The user pressed a whisker with the mouse, or let go of it.
    void WhiskerHeld();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    // The layers, in the arena's millimetres (y up).
    void PaintFloor(QPainter& painter) const;
    void PaintObstacles(QPainter& painter) const;
    void PaintRobot(QPainter& painter) const;
    QTransform ArenaTransform() const;
    // Brings the kept pictures up to date: the floor when the size or the
    // walls changed, the path from the points not drawn yet.
    void UpdateFloorPicture();
    void ExtendPathPicture();
    // The pixels the robot with its cones and whiskers covers.
    QRectF RobotPixels(const TArenaPicture& picture) const;

    sim::TArenaItem ItemAt(const QPointF& pixel) const;
    void HoldWhisker(int side, bool held);
    // Takes the robot's new path points; true when the drawn path must be
    // drawn again from its start (a new run, a thinned path).
    bool TakePath();
    void UpdateCursor(const QPointF& pixel);
    void DrawTask(QPainter& painter) const;
    void DrawMark(QPainter& painter) const;
    void Changed();

    sim::TRobotSession& Session;
    TTexts Texts;
    TArenaPicture Shown;
    TArenaTask Places;
    std::vector<sim::TPoint> Path;
    std::size_t PathTaken = 0; // points of the robot's path looked at
    unsigned PathRun = 0;      // the run they belong to
    QPixmap FloorPicture;
    unsigned FloorRevision = ~0u;
    QImage PathPicture;
    std::size_t PathDrawn = 0; // points of Path in PathPicture
    QRectF NewPathPixels;      // where the last extension drew
    std::uint64_t Asked = 0;
    std::uint64_t Painted = 0;
    int Selected = 0;
    int Dragged = 0;
    sim::TPoint DragOffset; // from the mouse to the obstacle's centre
    int HeldWhisker = -1;   // 0 left, 1 right while pressed with the mouse
};

} // namespace wayline
