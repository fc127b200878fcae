#pragma once

#include "editor/ui/DrawGrid.h"

#include <QObject>
#include <QPoint>

#include <functional>
#include <vector>

class QMouseEvent;

namespace wayline {

class TDragger;
class TSkinImage;

// The eight animated action pictures of the palette: only the picture
// under the mouse moves (at twice its normal speed), a press and a move of
// more than 4 pixels hands the action to the dragger, and a double click
// appends the action to the list being edited.
class TPalette : public QObject {
    Q_OBJECT
public:
    static constexpr int DragThreshold = 4; // pixels, in either direction
    static constexpr int HoverSpeed = 200;  // percent of the normal speed

    // pictures: the palette's skin pictures, each tagged with its kind.
    TPalette(std::vector<TSkinImage*> pictures, TDragger& dragger, QObject* parent = nullptr);

    const std::vector<TSkinImage*>& Pictures() const { return FPictures; }
    TSkinImage* PictureOfKind(int kind) const;

    // The grid of the list being edited, for the double-click append.
    void SetCurrentGrid(std::function<TDrawGrid*()> currentGrid) {
        CurrentGrid = std::move(currentGrid);
    }

    // The mouse over a picture: it alone moves; the others stand still on
    // their first frame.
    void ActionMouseMove(TSkinImage* icon);
    // Every picture stands still on its first frame (the mouse left for a
    // grid or the window background).
    void StopAll();
    // A left press at `inPicture`, with the cursor at `cursor` on the screen:
    // the drag starts once the mouse moves more than 4 pixels.
    void ActionMouseDown(TSkinImage* icon, const QPoint& inPicture, const QPoint& cursor);
    // Appends the action to the current list, except a Loop Back while a
    // sensor list is current.
    void ActionDblClick(TSkinImage* icon);

    bool IsDragPending() const { return Pending != nullptr; }

Q_SIGNALS:
    // The mouse moved over a palette picture (the window hides the edit
    // buttons' highlights and shows the palette's help text).
    void Hovered(wayline::TSkinImage* icon);
    // A double click's append: a drop on the grid at (0, grid height),
    // below its rows. Same form as TDragger::Dropped.
    void AppendRequested(wayline::TDrawGrid* grid, QPoint gridPoint, int kind);

private:
    void PictureMoved(TSkinImage* icon, QMouseEvent* event);
    void PictureReleased(TSkinImage* icon, QMouseEvent* event);
    void StartDrag(TSkinImage* icon, const QPoint& cursor);

    std::vector<TSkinImage*> FPictures;
    TDragger& Dragger;
    std::function<TDrawGrid*()> CurrentGrid;
    TSkinImage* Pending = nullptr; // pressed, not yet moved far enough
    QPoint PressCursor;
    QPoint PressInPicture;
};

// Stops a picture's animation on its first frame. (Speed 0 alone would let
// one pending frame tick through.)
void StopOnFirstFrame(TSkinImage& picture);

} // namespace wayline
