#pragma once

#include "editor/ui/DrawGrid.h"

#include <QPoint>
#include <QRect>
#include <QWidget>

#include <functional>

class QLabel;

namespace wayline {

// Where a dragged action may land and how far the picture may travel.
struct TDropTargets {
    QWidget* MainWindow = nullptr;
    TDrawGrid* MainGrid = nullptr; // list 1
    QWidget* SensorArea = nullptr; // the sensor tab control
    // The grid of the sensor tab shown (its tag is the list number).
    std::function<TDrawGrid*()> ShownSensorGrid;
    std::function<bool()> AdvancedMode;
    // The main window's frame edges: the picture stays inside them.
    int FrameEdgeWidth = 0;
    int FrameEdgeHeight = 0;
};

// The grid row under a point in grid coordinates, -1 below the rows; the
// column does not matter for an action.
int GridRowAt(const TDrawGrid& grid, const QPoint& point);

// The floating picture that follows the mouse while an action is dragged.
// Its window is cut to the picture so that only the picture is seen. The
// drag runs on the mouse grab: the palette starts it as if the button had
// been pressed on the picture, every move places the picture and picks the
// cursor, and the release drops: the picture shrinks onto the row it lands
// in, hides, and the drop is reported for the window to insert the step.
class TDragger : public QWidget {
    Q_OBJECT
public:
    static constexpr int PictureSize = 54;
    static constexpr int WindowSize = 60;
    static constexpr int DropStartSize = 53;
    static constexpr int DropEndSize = 27;
    static constexpr int DropStepDelayMs = 12;

    explicit TDragger(QWidget* parent = nullptr);
    ~TDragger() override;

    QLabel* DragAction() const { return Picture; }
    // The kind being dragged (the picture's tag).
    int DragActionTag() const { return Kind; }
    void SetDragActionTag(int kind) { Kind = kind; }

    void SetDropTargets(TDropTargets targets) { Targets = std::move(targets); }
    // Pause between the frames of the drop animation (0 in tests).
    void SetDropStepDelay(int ms) { StepDelayMs = ms; }

    // The press on the picture at (x, y) in the dragger window: the cursor
    // is grabbed and the drag follows it until the left button comes up.
    void DragActionMouseDown(int x, int y);
    // One movement of the cursor (screen coordinates) while dragging.
    void DragTo(const QPoint& cursor);
    // The left button released at the cursor: restore the cursor and drop.
    void DragRelease(const QPoint& cursor);
    bool IsDragging() const { return Dragging; }

    // The list a drop at the cursor would go to (0: none).
    int TargetListAt(const QPoint& cursor) const;
    // The picture's screen rectangle in the last frame of the last drop.
    QRect LastDropPicture() const { return LastDrop; }

Q_SIGNALS:
    // A drop on a grid, at the point in the grid's coordinates.
    void Dropped(wayline::TDrawGrid* grid, QPoint gridPoint, int kind);

protected:
    void hideEvent(QHideEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void ShapeToPicture();
    void Drop(const QPoint& cursor);
    void AnimateOnto(const QPoint& target);
    void HideAway();
    TDrawGrid* GridOfList(int list) const;

    QLabel* Picture;
    int Kind = 0;
    TDropTargets Targets;
    int StepDelayMs = DropStepDelayMs;
    bool Dragging = false;
    bool Dropping = false;
    QPoint GrabOffset;
    QRect LastDrop;
};

} // namespace wayline
