#include "editor/ui/Dragger.h"

#include "uikit/Shapes.h"
#include "editor/core/DropRules.h"
#include "editor/ui/DrawGrid.h"

#include <QApplication>
#include <QCursor>
#include <QGuiApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QThread>

#include <algorithm>

namespace wayline {

namespace {

constexpr Qt::CursorShape DragCursor = Qt::DragMoveCursor;
constexpr Qt::CursorShape NoDropCursor = Qt::ForbiddenCursor;

QRect ScreenRect(const QWidget* widget) {
    if (!widget) {
        return {};
    }
    return {widget->mapToGlobal(QPoint(0, 0)), widget->size()};
}

// Strictly inside: the edges themselves do not count.
bool StrictlyInside(const QRect& rect, const QPoint& point) {
    return !rect.isEmpty() && point.x() > rect.left() && point.x() < rect.left() + rect.width() &&
           point.y() > rect.top() && point.y() < rect.top() + rect.height();
}

// Keeps a wanted position in [low, high]; a window too small for the
// picture pins it to low.
int ClampInto(int wanted, int low, int high) {
    return std::max(low, std::min(wanted, high));
}

} // namespace

int GridRowAt(const TDrawGrid& grid, const QPoint& point) {
    if (point.y() < TDrawGrid::RowPitch) {
        return 0;
    }
    const int row = grid.TopRow() + (point.y() - TDrawGrid::RowPitch) / TDrawGrid::RowPitch;
    return row < grid.RowCount() ? row : -1;
}

TDragger::TDragger(QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      Picture(new QLabel(this)) {
    setObjectName(QStringLiteral("Dragger"));
    setAttribute(Qt::WA_ShowWithoutActivating);
    resize(WindowSize, WindowSize);
    Picture->setObjectName(QStringLiteral("DragAction"));
    Picture->setScaledContents(true);
    ShapeToPicture();
}

TDragger::~TDragger() {
    // A drag cut short by the end of the program still gives the cursor back.
    if (Dragging) {
        QGuiApplication::restoreOverrideCursor();
    }
}

void TDragger::hideEvent(QHideEvent* event) {
    ShapeToPicture();
    QWidget::hideEvent(event);
}

void TDragger::ShapeToPicture() {
    const int left = (width() - PictureSize) / 2;
    const int top = (height() - PictureSize) / 2;
    Picture->setGeometry(left, top, PictureSize, PictureSize);
    setMask(RoundedRegion(left, top, left + PictureSize, top + PictureSize, PictureSize / 2,
                          PictureSize / 2));
}

TDrawGrid* TDragger::GridOfList(int list) const {
    if (list == 1) {
        return Targets.MainGrid;
    }
    if (list > 1 && Targets.ShownSensorGrid) {
        TDrawGrid* grid = Targets.ShownSensorGrid();
        return grid && grid->Tag() == list ? grid : nullptr;
    }
    return nullptr;
}

int TDragger::TargetListAt(const QPoint& cursor) const {
    const bool advanced = Targets.AdvancedMode && Targets.AdvancedMode();
    const TDrawGrid* sensorGrid = Targets.ShownSensorGrid ? Targets.ShownSensorGrid() : nullptr;
    const int shownTab = sensorGrid ? sensorGrid->Tag() - 2 : -1;
    const bool overSensors = Targets.SensorArea && Targets.SensorArea->isVisible() &&
                             StrictlyInside(ScreenRect(Targets.SensorArea), cursor);
    const bool overMain = Targets.MainGrid && StrictlyInside(ScreenRect(Targets.MainGrid), cursor);
    return DropTargetList(static_cast<std::uint8_t>(Kind), advanced, overMain, overSensors,
                          shownTab);
}

void TDragger::DragActionMouseDown(int x, int y) {
    if (Dragging || Dropping) {
        return;
    }
    GrabOffset = QPoint(x, y);
    Dragging = true;
    QGuiApplication::setOverrideCursor(QCursor(DragCursor));
    // The palette picture holds the button's implicit grab; the dragger
    // takes the mouse over from it for the rest of the drag.
    if (isVisible()) {
        grabMouse();
    }
}

void TDragger::DragTo(const QPoint& cursor) {
    if (!Dragging) {
        return;
    }
    const QWidget* main = Targets.MainWindow;
    const QPoint pictureAt = Picture->pos();
    int left = cursor.x() - GrabOffset.x();
    int top = cursor.y() - GrabOffset.y();
    if (main) {
        const QRect bounds = ScreenRect(main);
        left = ClampInto(left, bounds.left() + Targets.FrameEdgeWidth - pictureAt.x() + 1,
                         bounds.left() + bounds.width() - PictureSize - Targets.FrameEdgeWidth -
                             pictureAt.x());
        top = ClampInto(top, bounds.top() + Targets.FrameEdgeHeight - pictureAt.y() + 1,
                        bounds.top() + bounds.height() - PictureSize - Targets.FrameEdgeHeight -
                            pictureAt.y());
    }
    move(left, top);
    if (!isVisible()) {
        show();
    }
    QGuiApplication::changeOverrideCursor(
        QCursor(TargetListAt(cursor) != 0 ? DragCursor : NoDropCursor));
}

void TDragger::DragRelease(const QPoint& cursor) {
    if (!Dragging) {
        return;
    }
    Dragging = false;
    releaseMouse();
    QGuiApplication::restoreOverrideCursor();
    Drop(cursor);
}

void TDragger::Drop(const QPoint& cursor) {
    Dropping = true;
    const int list = TargetListAt(cursor);
    TDrawGrid* grid = GridOfList(list);
    QPoint gridPoint;
    if (grid) {
        gridPoint = grid->mapFromGlobal(cursor);
        const int row = DropRow(GridRowAt(*grid, gridPoint), grid->RowCount());
        const QPoint target(grid->ColWidth(0) + 1,
                            (row - grid->TopRow() + 1) * TDrawGrid::RowPitch + 1);
        AnimateOnto(grid->mapToGlobal(target));
    }
    HideAway();
    Dropping = false;
    if (grid) {
        Q_EMIT Dropped(grid, gridPoint, Kind);
    }
}

void TDragger::AnimateOnto(const QPoint& target) {
    const QPoint inset = Picture->pos();
    const QPoint start = mapToGlobal(inset);
    const int steps = DropStartSize - DropEndSize + 1;
    for (int step = 1; step <= steps; ++step) {
        const int size = DropStartSize - step + 1;
        const QPoint at = start + (target - start) * step / steps;
        move(at - inset);
        Picture->setGeometry(inset.x(), inset.y(), size, size);
        setMask(RoundedRegion(inset.x(), inset.y(), inset.x() + size + 1, inset.y() + size + 1,
                              (size + 1) / 2, (size + 1) / 2));
        LastDrop = QRect(at, QSize(size, size));
        QApplication::processEvents();
        if (StepDelayMs > 0) {
            QThread::msleep(static_cast<unsigned long>(StepDelayMs));
        }
    }
}

void TDragger::HideAway() {
    move(-width(), y());
    hide();
    QApplication::processEvents();
}

void TDragger::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && !Dragging) {
        DragActionMouseDown(event->position().toPoint().x(), event->position().toPoint().y());
    }
}

void TDragger::mouseMoveEvent(QMouseEvent* event) {
    if (!Dragging) {
        return;
    }
    const QPoint cursor = event->globalPosition().toPoint();
    if (event->buttons() & Qt::LeftButton) {
        DragTo(cursor);
    } else {
        // The release went elsewhere: the drag ends where the cursor is.
        DragRelease(cursor);
    }
}

void TDragger::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        DragRelease(event->globalPosition().toPoint());
    }
}

} // namespace wayline
