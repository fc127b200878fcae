#pragma once

#include "editor/ui/DrawGrid.h"

#include <QObject>
#include <QPoint>

#include <functional>

class QDrag;
class QMimeData;

namespace wayline {

// The drag data of the "+" panel: it carries nothing but its kind, since the
// set it stores is the sensor tab shown at the drop.
inline constexpr char SensorPanelMimeType[] = "application/x-wayline-sensor-set";

enum TDragSource {
    dsActionPicture, // a palette action
    dsSensorPanel,   // the "+" panel
};

// What the main grid accepts under a point in its coordinates: an action
// anywhere; the "+" panel only over the Both, Left or Right cell of a step.
bool ToDoListDragOver(TDragSource source, const TDrawGrid& grid, const QPoint& point);

// The "+" panel's toolkit drag: pressing and moving the panel starts it,
// the main grid accepts it only where ToDoListDragOver allows, and a drop
// there is reported for the window to store the shown sensor tab's set.
class TSensorPanelDrag : public QObject {
    Q_OBJECT
public:
    // Runs a started drag; the toolkit's modal drag loop unless replaced.
    using TDragRunner = std::function<void(QDrag& drag)>;

    TSensorPanelDrag(QWidget* panel, TDrawGrid* mainGrid, QObject* parent = nullptr);

    static bool IsPanelDrag(const QMimeData* data);
    // Tests replace the toolkit's modal loop.
    void SetDragRunner(TDragRunner runner) { Runner = std::move(runner); }

Q_SIGNALS:
    // The panel dropped on a Both, Left or Right cell, at the point in the
    // grid's coordinates.
    void PanelDropped(wayline::TDrawGrid* grid, QPoint gridPoint);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void StartDrag();
    void DragOver(TDrawGrid* grid, QDropEvent* event);
    void Drop(TDrawGrid* grid, QDropEvent* event);

    QWidget* Panel;
    TDrawGrid* MainGrid;
    TDragRunner Runner;
    bool Pressed = false;
    QPoint PressAt;
};

} // namespace wayline
