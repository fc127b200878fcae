#include "sim/ui/ArenaView.h"

#include "sim/core/RobotSession.h"

#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>


#include <algorithm>
#include <cmath>
#include <cstring>
#include <mutex>

namespace wayline {

namespace {

using sim::TPoint;

const QColor OutsideColor(0x3b, 0x41, 0x47);
const QColor FloorColor(0xf5, 0xf0, 0xe4);
const QColor GridColor(0xe4, 0xdc, 0xc9);
const QColor WallColor(0x6e, 0x60, 0x52);
const QColor ObstacleColor(0xe0, 0x8a, 0x2e);
const QColor ObstacleEdge(0x8a, 0x4f, 0x12);
const QColor SelectedEdge(0x1f, 0x5f, 0xd0);
const QColor PathColor(0x2f, 0x6f, 0xd6);
const QColor BodyColor(0x4a, 0x6d, 0xa8);
const QColor BodyEdge(0x24, 0x3a, 0x60);
const QColor WheelColor(0x22, 0x22, 0x22);
const QColor WhiskerColor(0x30, 0x30, 0x30);
const QColor PressedColor(0xe0, 0x20, 0x20);
const QColor ConeColor(255, 200, 0, 45);
const QColor FiringConeColor(255, 40, 40, 95);
const QColor StartColor(0x90, 0x88, 0x78);
const QColor GoalColor(0x3c, 0xb0, 0x3c, 70);
const QColor ReachedGoalColor(0x2a, 0x9a, 0x2a, 150);
const QColor GoalEdge(0x1e, 0x7a, 0x1e);
const QColor ForbiddenColor(0xd8, 0x30, 0x30, 70);
const QColor ForbiddenEdge(0xb0, 0x18, 0x18);
const QColor PassedMark(0x1e, 0x8a, 0x1e);
const QColor FailedMark(0xd0, 0x18, 0x18);

// Floor grid lines this far apart, so that movement is seen even where the
// floor is bare.
constexpr double GridMm = 100;

QPen Cosmetic(const QColor& color, double width, Qt::PenStyle style = Qt::SolidLine) {
    QPen pen(color, width, style);
    pen.setCosmetic(true);
    pen.setCapStyle(Qt::RoundCap);
    pen.setJoinStyle(Qt::RoundJoin);
    return pen;
}

QPointF Q(TPoint p) {
    return {p.X, p.Y};
}

void DrawShape(QPainter& painter, const sim::TShape& shape) {
    if (shape.Kind() == sim::TShapeKind::skCircle) {
        painter.drawEllipse(Q(shape.Centre()), shape.Radius(), shape.Radius());
        return;
    }
    painter.save();
    painter.translate(Q(shape.Centre()));
    painter.rotate(shape.AngleDeg());
    painter.drawRect(
        QRectF(-shape.Width() / 2, -shape.Height() / 2, shape.Width(), shape.Height()));
    painter.restore();
}

// The infra-red cone of one detector, in arena millimetres.
QPainterPath Cone(TPoint origin, double aimDeg, double halfDeg, double range) {
    QPainterPath path(Q(origin));
    const QRectF box(origin.X - range, origin.Y - range, 2 * range, 2 * range);
    // Angles run counter-clockwise in the arena, as arcTo counts them on a
    // y axis that points up.
    path.arcTo(box, -(aimDeg - halfDeg), -2 * halfDeg);
    path.closeSubpath();
    return path;
}

} // namespace

TArenaView::TArenaView(sim::TRobotSession& session, TTexts texts, QWidget* parent)
    : QWidget(parent), Session(session), Texts(std::move(texts)) {
    setObjectName(QStringLiteral("ArenaView"));
    setMouseTracking(true);
    setFocusPolicy(Qt::ClickFocus);
    setMinimumSize(MinimumWidthPx, MinimumHeightPx);
    Shown.WorldRevision = ~0u; // nothing taken yet
    Refresh();
}

sim::TArenaViewport TArenaView::Viewport() const {
    return sim::TArenaViewport::Fit(Shown.World.Bounds(), width(), height(), MarginPx);
}

QPointF TArenaView::ToPixels(TPoint p) const {
    const sim::TArenaViewport v = Viewport();
    return {v.PixelX(p), v.PixelY(p)};
}

TPoint TArenaView::ToArena(const QPointF& pixel) const {
    return Viewport().ToArena(pixel.x(), pixel.y());
}

bool TArenaView::Refresh() {
    const QRectF robotBefore = RobotPixels(Shown);
    const sim::TPose poseBefore = Shown.Pose;
    const std::array<bool, 2> whiskersBefore = Shown.WhiskerPressed;
    const std::array<bool, sim::SensorCount> sensingBefore = Shown.Sensing;
    const unsigned worldBefore = Shown.WorldRevision;
    TArenaPicture& s = Shown;
    bool redrawPath = false;
    {
        sim::TRobotSimulation& board = Session.Board();
        const std::lock_guard<std::mutex> lock(Session.Module().Mutex());
        const sim::TRobot& robot = board.Robot();
        const sim::TRobotParameters& p = robot.Parameters();
        if (board.World().Revision() != s.WorldRevision) {
            s.World = board.World();
            s.WorldRevision = board.World().Revision();
        }
        s.Pose = robot.Pose();
        s.BodyRadiusMm = p.BodyRadiusMm;
        s.AxleTrackMm = p.AxleTrackMm;
        s.WheelDiameterMm = p.WheelDiameterMm;
        s.IrHalfAngleDeg = p.IrConeHalfAngleDeg;
        s.IrRangeMm = p.IrRangeMm;
        for (const sim::TSide side : {sim::TSide::sdLeft, sim::TSide::sdRight}) {
            const std::size_t i = side == sim::TSide::sdLeft ? 0 : 1;
            robot.WhiskerSegment(side, s.WhiskerBase[i], s.WhiskerTip[i]);
            s.WhiskerPressed[i] = robot.WhiskerPressed(side);
            s.IrOrigin[i] = robot.IrOrigin(side);
            s.IrAimDeg[i] = robot.IrAimDeg(side);
            s.Sensing[i] = s.WhiskerPressed[i];
            s.Sensing[i + 2] = robot.ObstacleInView(side);
        }
        if (board.Runs() != PathRun) {
            PathRun = board.Runs();
            PathTaken = 0;
            Path.clear();
            redrawPath = true;
        }
        redrawPath = TakePath() || redrawPath;
    }
    const bool worldChanged = worldBefore != Shown.WorldRevision;
    const bool robotChanged = std::memcmp(&poseBefore, &Shown.Pose, sizeof(sim::TPose)) != 0 ||
                              whiskersBefore != Shown.WhiskerPressed ||
                              sensingBefore != Shown.Sensing;
    if (redrawPath) {
        PathPicture = QImage();
    }
    const std::size_t drawnBefore = PathDrawn;
    ExtendPathPicture();
    const bool pathChanged = redrawPath || PathDrawn != drawnBefore;
    if (!worldChanged && !robotChanged && !pathChanged) {
        return false;
    }
    ++Asked;
    if (worldChanged || redrawPath || width() <= 0) {
        update();
    } else {
        QRectF dirty = robotChanged ? robotBefore.united(RobotPixels(Shown)) : QRectF();
        if (pathChanged) {
            dirty = dirty.united(NewPathPixels);
        }
        update(dirty.toAlignedRect().adjusted(-2, -2, 2, 2));
    }
    return true;
}

QRectF TArenaView::RobotPixels(const TArenaPicture& picture) const {
    // Everything of the robot lies within its cones' reach of its middle
    // (the cones start at the eyes, a little ahead of it).
    const double reach =
        picture.IrRangeMm + std::hypot(picture.IrOrigin[0].X - picture.Pose.Position.X,
                                       picture.IrOrigin[0].Y - picture.Pose.Position.Y);
    const double r = std::max(reach, picture.BodyRadiusMm + 40);
    const TPoint c = picture.Pose.Position;
    return QRectF(ToPixels({c.X - r, c.Y + r}), ToPixels({c.X + r, c.Y - r})).normalized();
}

bool TArenaView::TakePath() {
    const std::vector<sim::TPathPoint>& path = Session.Board().Path();
    bool redraw = false;
    if (path.size() < PathTaken) {
        // The robot thinned its path (a long run), or was put back at its
        // start: draw it again from what it kept.
        PathTaken = 0;
        Path.clear();
        redraw = true;
    }
    for (; PathTaken < path.size(); ++PathTaken) {
        const TPoint p = path[PathTaken].Pose.Position;
        if (!Path.empty() && std::hypot(p.X - Path.back().X, p.Y - Path.back().Y) < PathSpacingMm) {
            continue;
        }
        Path.push_back(p);
    }
    if (!path.empty() && !Path.empty()) {
        // The line reaches the robot, wherever it stands.
        const TPoint last = path.back().Pose.Position;
        if (Path.back().X != last.X || Path.back().Y != last.Y) {
            Path.push_back(last);
        }
    }
    if (Path.size() > MaxPathPoints) {
        std::vector<TPoint> thinned;
        thinned.reserve(Path.size() * 3 / 4 + 1);
        const std::size_t half = Path.size() / 2;
        for (std::size_t i = 0; i < half; i += 2) {
            thinned.push_back(Path[i]);
        }
        thinned.insert(thinned.end(), Path.begin() + static_cast<std::ptrdiff_t>(half), Path.end());
        Path = std::move(thinned);
        redraw = true;
    }
    return redraw;
}

QTransform TArenaView::ArenaTransform() const {
    const sim::TArenaViewport v = Viewport();
    QTransform t;
    t.translate(v.OriginX, v.OriginY);
    t.scale(v.Scale, -v.Scale); // arena millimetres, y up
    return t;
}

void TArenaView::resizeEvent(QResizeEvent* event) {
    // Both kept pictures are drawn at the view's scale.
    FloorPicture = QPixmap();
    PathPicture = QImage();
    ExtendPathPicture();
    QWidget::resizeEvent(event);
}

void TArenaView::UpdateFloorPicture() {
    const qreal ratio = devicePixelRatioF();
    const QSize pixels = (QSizeF(size()) * ratio).toSize();
    if (!FloorPicture.isNull() && FloorPicture.size() == pixels &&
        FloorRevision == Shown.WorldRevision) {
        return;
    }
    FloorPicture = QPixmap(pixels);
    FloorPicture.setDevicePixelRatio(ratio);
    FloorRevision = Shown.WorldRevision;
    QPainter painter(&FloorPicture);
    painter.fillRect(rect(), OutsideColor);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setTransform(ArenaTransform());
    PaintFloor(painter);
}

void TArenaView::ExtendPathPicture() {
    NewPathPixels = QRectF();
    if (width() <= 0 || height() <= 0) {
        return;
    }
    const qreal ratio = devicePixelRatioF();
    const QSize pixels = (QSizeF(size()) * ratio).toSize();
    if (PathPicture.isNull() || PathPicture.size() != pixels) {
        PathPicture = QImage(pixels, QImage::Format_ARGB32_Premultiplied);
        PathPicture.setDevicePixelRatio(ratio);
        PathPicture.fill(Qt::transparent);
        PathDrawn = 0;
    }
    if (Path.size() < 2 || PathDrawn >= Path.size()) {
        PathDrawn = std::min(PathDrawn, Path.size());
        return;
    }
    // From the last point drawn, so that the line goes on without a gap.
    const std::size_t from = PathDrawn == 0 ? 0 : PathDrawn - 1;
    QPolygonF line;
    line.reserve(static_cast<qsizetype>(Path.size() - from));
    for (std::size_t i = from; i < Path.size(); ++i) {
        line.append(Q(Path[i]));
    }
    PathDrawn = Path.size();
    if (line.size() < 2) {
        return;
    }
    QPainter painter(&PathPicture);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setTransform(ArenaTransform());
    painter.setPen(Cosmetic(PathColor, 2.5));
    painter.drawPolyline(line);
    NewPathPixels = ArenaTransform().mapRect(line.boundingRect());
}

void TArenaView::paintEvent(QPaintEvent*) {
    ++Painted;
    UpdateFloorPicture();
    ExtendPathPicture();
    QPainter painter(this);
    // Layer 1, the floor with its walls and the start; layer 2, the path.
    painter.drawPixmap(0, 0, FloorPicture);
    painter.drawImage(0, 0, PathPicture);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setTransform(ArenaTransform());
    // Layer 3, the obstacles; layer 4, the robot.
    PaintObstacles(painter);
    PaintRobot(painter);
}

void TArenaView::PaintFloor(QPainter& painter) const {
    const sim::TWorld& world = Shown.World;
    if (world.HasArena()) {
        const QRectF floor(0, 0, world.Width(), world.Height());
        painter.fillRect(floor, FloorColor);
        painter.setPen(Cosmetic(GridColor, 1));
        for (double x = GridMm; x < world.Width(); x += GridMm) {
            painter.drawLine(QPointF(x, 0), QPointF(x, world.Height()));
        }
        for (double y = GridMm; y < world.Height(); y += GridMm) {
            painter.drawLine(QPointF(0, y), QPointF(world.Width(), y));
        }
    } else {
        const QRectF all = painter.transform().inverted().mapRect(QRectF(rect()));
        painter.fillRect(all, FloorColor);
    }

    DrawTask(painter);

    painter.setPen(Cosmetic(WallColor.darker(130), 1));
    painter.setBrush(WallColor);
    for (const sim::TShape& wall : world.Walls()) {
        DrawShape(painter, wall);
    }

    // Where the robot starts, and starts again on Restart.
    const sim::TPose start = world.Start();
    painter.setBrush(Qt::NoBrush);
    painter.setPen(Cosmetic(StartColor, 1.5, Qt::DashLine));
    painter.drawEllipse(Q(start.Position), Shown.BodyRadiusMm, Shown.BodyRadiusMm);
}

void TArenaView::PaintObstacles(QPainter& painter) const {
    for (const sim::TObstacle& o : Shown.World.Obstacles()) {
        const bool selected = o.Id == Selected;
        painter.setPen(Cosmetic(selected ? SelectedEdge : ObstacleEdge, selected ? 3 : 1.5));
        painter.setBrush(ObstacleColor);
        DrawShape(painter, o.Shape);
    }
}

void TArenaView::PaintRobot(QPainter& painter) const {
    const sim::TWorld& world = Shown.World;

    // The infra-red cones under the robot, red while their eye sees
    // something; the eyes see nothing beyond the arena's walls.
    painter.save();
    if (world.HasArena()) {
        painter.setClipRect(QRectF(0, 0, world.Width(), world.Height()));
    }
    painter.setPen(Qt::NoPen);
    for (std::size_t i = 0; i < 2; ++i) {
        const bool firing = Shown.Sensing[i == 0 ? 2 : 3];
        painter.setBrush(firing ? FiringConeColor : ConeColor);
        painter.drawPath(
            Cone(Shown.IrOrigin[i], Shown.IrAimDeg[i], Shown.IrHalfAngleDeg, Shown.IrRangeMm));
    }
    painter.restore();

    // The robot in its own frame: x ahead, y to its left.
    painter.save();
    painter.translate(Q(Shown.Pose.Position));
    painter.rotate(Shown.Pose.HeadingDeg);
    const double r = Shown.BodyRadiusMm;
    painter.setPen(Cosmetic(BodyEdge, 1.5));
    painter.setBrush(BodyColor);
    painter.drawEllipse(QPointF(0, 0), r, r);
    painter.setPen(Qt::NoPen);
    painter.setBrush(WheelColor);
    const double wheel = Shown.WheelDiameterMm;
    for (const double y : {Shown.AxleTrackMm / 2, -Shown.AxleTrackMm / 2}) {
        painter.drawRoundedRect(QRectF(-wheel / 2, y - 7, wheel, 14), 4, 4);
    }
    // Its front: a pale arrowhead, notched at the back so that it cannot be
    // read as a triangle pointing another way.
    QPolygonF arrow;
    arrow << QPointF(r * 0.8, 0) << QPointF(-r * 0.1, r * 0.38) << QPointF(r * 0.12, 0)
          << QPointF(-r * 0.1, -r * 0.38);
    painter.setBrush(QColor(255, 255, 255, 200));
    painter.drawPolygon(arrow);
    painter.restore();

    // Infra-red eyes and whiskers over the body.
    for (std::size_t i = 0; i < 2; ++i) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(Shown.Sensing[i == 0 ? 2 : 3] ? PressedColor : QColor(0x20, 0x20, 0x20));
        painter.drawEllipse(Q(Shown.IrOrigin[i]), 7, 7);
        const bool pressed = Shown.WhiskerPressed[i];
        painter.setPen(Cosmetic(pressed ? PressedColor : WhiskerColor, pressed ? 4 : 2.5));
        TPoint tip = Shown.WhiskerTip[i];
        if (pressed) {
            // Bent back a little where it touches.
            const TPoint base = Shown.WhiskerBase[i];
            tip = {base.X + (tip.X - base.X) * 0.85, base.Y + (tip.Y - base.Y) * 0.85};
            const TPoint bend{(base.X + tip.X) / 2 - (tip.Y - base.Y) * 0.12,
                              (base.Y + tip.Y) / 2 + (tip.X - base.X) * 0.12 * (i == 0 ? 1 : -1)};
            QPolygonF wire;
            wire << Q(base) << Q(bend) << Q(tip);
            painter.drawPolyline(wire);
        } else {
            painter.drawLine(Q(Shown.WhiskerBase[i]), Q(tip));
        }
    }
    DrawMark(painter);
}

void TArenaView::SetTask(TArenaTask task) {
    // Set with every frame, which repaints anyway.
    Places = std::move(task);
    update();
}

// Goals and forbidden zones lie on the floor, under the walls, the path
// and the robot; goals that count in order carry their number.
void TArenaView::DrawTask(QPainter& painter) const {
    painter.setPen(Cosmetic(ForbiddenEdge, 1.5, Qt::DashLine));
    painter.setBrush(ForbiddenColor);
    for (const sim::TShape& zone : Places.Forbidden) {
        DrawShape(painter, zone);
    }
    for (std::size_t k = 0; k < Places.Goals.size(); ++k) {
        const bool reached = k < Places.Reached.size() && Places.Reached[k];
        painter.setPen(Cosmetic(GoalEdge, reached ? 2.5 : 1.5));
        painter.setBrush(reached ? ReachedGoalColor : GoalColor);
        DrawShape(painter, Places.Goals[k]);
    }
    if (!Places.Numbered || Places.Goals.size() < 2) {
        return;
    }
    // The numbers upright, in pixels.
    const QTransform arena = painter.transform();
    painter.save();
    painter.resetTransform();
    QFont font = painter.font();
    font.setBold(true);
    painter.setFont(font);
    painter.setPen(GoalEdge);
    for (std::size_t k = 0; k < Places.Goals.size(); ++k) {
        const QPointF at = arena.map(Q(Places.Goals[k].Centre()));
        painter.drawText(QRectF(at.x() - 20, at.y() - 10, 40, 20), Qt::AlignCenter,
                         QString::number(k + 1));
    }
    painter.restore();
}

// Where the task was decided: a ring on the path, a tick inside when it
// passed, a cross when a rule was broken or the time ran out.
void TArenaView::DrawMark(QPainter& painter) const {
    if (!Places.Mark) {
        return;
    }
    const QPointF at = painter.transform().map(Q(*Places.Mark));
    painter.save();
    painter.resetTransform();
    const QColor color = Places.Passed ? PassedMark : FailedMark;
    painter.setPen(QPen(Qt::white, 6));
    painter.setBrush(Qt::NoBrush);
    painter.drawEllipse(at, 11, 11);
    painter.setPen(QPen(color, 3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.drawEllipse(at, 11, 11);
    if (Places.Passed) {
        QPolygonF tick;
        tick << at + QPointF(-5, 0) << at + QPointF(-1, 4) << at + QPointF(5, -4);
        painter.drawPolyline(tick);
    } else {
        painter.drawLine(at + QPointF(-5, -5), at + QPointF(5, 5));
        painter.drawLine(at + QPointF(-5, 5), at + QPointF(5, -5));
    }
    painter.restore();
}

sim::TArenaItem TArenaView::ItemAt(const QPointF& pixel) const {
    const sim::TArenaViewport v = Viewport();
    const std::lock_guard<std::mutex> lock(Session.Module().Mutex());
    return sim::PickArenaItem(Session.Board().World(), Session.Board().Robot(),
                              v.ToArena(pixel.x(), pixel.y()), WhiskerReachPx / v.Scale);
}

void TArenaView::Changed() {
    Refresh();
    Q_EMIT ArenaChanged();
}

void TArenaView::HoldWhisker(int side, bool held) {
    {
        const std::lock_guard<std::mutex> lock(Session.Module().Mutex());
        Session.Board().Robot().HoldWhisker(side == 0 ? sim::TSide::sdLeft : sim::TSide::sdRight,
                                            held);
    }
    HeldWhisker = held ? side : -1;
    Refresh();
    Q_EMIT WhiskerHeld();
}

void TArenaView::ReleaseWhiskers() {
    if (HeldWhisker >= 0) {
        HoldWhisker(HeldWhisker, false);
    }
}

void TArenaView::UpdateCursor(const QPointF& pixel) {
    if (Dragged != 0) {
        setCursor(Qt::ClosedHandCursor);
        return;
    }
    switch (ItemAt(pixel).Kind) {
    case sim::TArenaItemKind::aiObstacle:
        setCursor(Qt::OpenHandCursor);
        break;
    case sim::TArenaItemKind::aiLeftWhisker:
    case sim::TArenaItemKind::aiRightWhisker:
        setCursor(Qt::PointingHandCursor);
        break;
    default:
        unsetCursor();
    }
}

void TArenaView::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    const sim::TArenaItem item = ItemAt(event->position());
    switch (item.Kind) {
    case sim::TArenaItemKind::aiLeftWhisker:
        HoldWhisker(0, true);
        break;
    case sim::TArenaItemKind::aiRightWhisker:
        HoldWhisker(1, true);
        break;
    case sim::TArenaItemKind::aiObstacle: {
        Selected = item.ObstacleId;
        Dragged = item.ObstacleId;
        const TPoint at = ToArena(event->position());
        {
            const std::lock_guard<std::mutex> lock(Session.Module().Mutex());
            const sim::TObstacle* o = Session.Board().World().FindObstacle(Dragged);
            const TPoint c = o != nullptr ? o->Shape.Centre() : at;
            DragOffset = {c.X - at.X, c.Y - at.Y};
        }
        setCursor(Qt::ClosedHandCursor);
        update();
        break;
    }
    default:
        Selected = 0;
        update();
    }
}

void TArenaView::mouseMoveEvent(QMouseEvent* event) {
    if (Dragged != 0 && (event->buttons() & Qt::LeftButton)) {
        const TPoint at = ToArena(event->position());
        bool moved = false;
        {
            const std::lock_guard<std::mutex> lock(Session.Module().Mutex());
            sim::TRobotSimulation& board = Session.Board();
            moved = sim::DragObstacle(board.World(), board.Robot(), Dragged,
                                      {at.X + DragOffset.X, at.Y + DragOffset.Y});
        }
        if (moved) {
            Changed();
        }
        return;
    }
    UpdateCursor(event->position());
}

void TArenaView::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        return;
    }
    ReleaseWhiskers();
    Dragged = 0;
    UpdateCursor(event->position());
}

void TArenaView::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton &&
        ItemAt(event->position()).Kind == sim::TArenaItemKind::aiFloor) {
        AddBox(ToArena(event->position()));
        return;
    }
    // A double click elsewhere is two presses (a whisker pressed twice).
    mousePressEvent(event);
}

void TArenaView::contextMenuEvent(QContextMenuEvent* event) {
    const QPointF pixel(event->pos());
    const sim::TArenaItem item = ItemAt(pixel);
    const TPoint at = ToArena(pixel);
    QMenu menu(this);
    if (item.Kind == sim::TArenaItemKind::aiObstacle) {
        Selected = item.ObstacleId;
        update();
        menu.addAction(Texts.RemoveObstacle, this,
                       [this, id = item.ObstacleId] { RemoveObstacle(id); });
    } else if (item.Kind == sim::TArenaItemKind::aiFloor) {
        menu.addAction(Texts.AddBoxHere, this, [this, at] { AddBox(at); });
        menu.addAction(Texts.AddCanHere, this, [this, at] { AddCan(at); });
    } else {
        return;
    }
    menu.exec(event->globalPos());
}

void TArenaView::keyPressEvent(QKeyEvent* event) {
    if ((event->key() == Qt::Key_Delete || event->key() == Qt::Key_Backspace) && Selected != 0) {
        RemoveObstacle(Selected);
        return;
    }
    QWidget::keyPressEvent(event);
}

int TArenaView::AddBox(TPoint at) {
    std::optional<int> id;
    {
        const std::lock_guard<std::mutex> lock(Session.Module().Mutex());
        sim::TRobotSimulation& board = Session.Board();
        id = sim::AddObstacleNear(board.World(), board.Robot(), sim::NewBox(at));
    }
    Selected = id.value_or(0);
    Changed();
    return Selected;
}

int TArenaView::AddCan(TPoint at) {
    std::optional<int> id;
    {
        const std::lock_guard<std::mutex> lock(Session.Module().Mutex());
        sim::TRobotSimulation& board = Session.Board();
        id = sim::AddObstacleNear(board.World(), board.Robot(), sim::NewCan(at));
    }
    Selected = id.value_or(0);
    Changed();
    return Selected;
}

bool TArenaView::RemoveObstacle(int id) {
    bool removed = false;
    {
        const std::lock_guard<std::mutex> lock(Session.Module().Mutex());
        removed = Session.Board().World().RemoveObstacle(id);
    }
    if (Selected == id) {
        Selected = 0;
    }
    if (Dragged == id) {
        Dragged = 0;
    }
    Changed();
    return removed;
}

} // namespace wayline
