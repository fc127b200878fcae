#include "editor/ui/SensorPanelDrag.h"

#include "editor/core/DropRules.h"

#include <QApplication>
#include <QDrag>
#include <QDropEvent>
#include <QMimeData>
#include <QMouseEvent>

namespace wayline {

bool ToDoListDragOver(TDragSource source, const TDrawGrid& grid, const QPoint& point) {
    if (source == dsActionPicture) {
        return true;
    }
    int col = -1;
    int row = -1;
    if (!grid.CellAt(point, col, row)) {
        return false;
    }
    return SensorPanelDropAccepted(col, row, grid.RowCount());
}

TSensorPanelDrag::TSensorPanelDrag(QWidget* panel, TDrawGrid* mainGrid, QObject* parent)
    : QObject(parent), Panel(panel), MainGrid(mainGrid) {
    Panel->installEventFilter(this);
    MainGrid->setAcceptDrops(true);
    // The enter takes every panel drag, so the moves that follow can say
    // cell by cell where it may land.
    connect(MainGrid, &TDrawGrid::DragEntered, this, [](TDrawGrid*, QDragEnterEvent* event) {
        if (IsPanelDrag(event->mimeData())) {
            event->acceptProposedAction();
        }
    });
    connect(MainGrid, &TDrawGrid::DragMoved, this,
            [this](TDrawGrid* grid, QDragMoveEvent* event) { DragOver(grid, event); });
    connect(MainGrid, &TDrawGrid::Dropped, this, &TSensorPanelDrag::Drop);
}

bool TSensorPanelDrag::IsPanelDrag(const QMimeData* data) {
    return data && data->hasFormat(QString::fromLatin1(SensorPanelMimeType));
}

bool TSensorPanelDrag::eventFilter(QObject* watched, QEvent* event) {
    if (watched != Panel) {
        return QObject::eventFilter(watched, event);
    }
    // A disabled panel (sensors off) still sees its events here.
    if (!Panel->isEnabled()) {
        Pressed = false;
        return QObject::eventFilter(watched, event);
    }
    switch (event->type()) {
    case QEvent::MouseButtonPress: {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::LeftButton) {
            Pressed = true;
            PressAt = mouse->position().toPoint();
        }
        break;
    }
    case QEvent::MouseMove: {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (Pressed && (mouse->buttons() & Qt::LeftButton) &&
            (mouse->position().toPoint() - PressAt).manhattanLength() >=
                QApplication::startDragDistance()) {
            Pressed = false;
            StartDrag();
            return true;
        }
        break;
    }
    case QEvent::MouseButtonRelease:
        Pressed = false;
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}

void TSensorPanelDrag::StartDrag() {
    auto* drag = new QDrag(Panel);
    auto* data = new QMimeData;
    data->setData(QString::fromLatin1(SensorPanelMimeType), QByteArray());
    drag->setMimeData(data);
    drag->setPixmap(Panel->grab());
    drag->setHotSpot(PressAt);
    if (Runner) {
        Runner(*drag);
    } else {
        drag->exec(Qt::CopyAction);
    }
    drag->deleteLater();
}

void TSensorPanelDrag::DragOver(TDrawGrid* grid, QDropEvent* event) {
    if (IsPanelDrag(event->mimeData()) &&
        ToDoListDragOver(dsSensorPanel, *grid, event->position().toPoint())) {
        event->acceptProposedAction();
    } else {
        event->ignore();
    }
}

void TSensorPanelDrag::Drop(TDrawGrid* grid, QDropEvent* event) {
    const QPoint at = event->position().toPoint();
    if (!IsPanelDrag(event->mimeData()) || !ToDoListDragOver(dsSensorPanel, *grid, at)) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    Q_EMIT PanelDropped(grid, at);
}

} // namespace wayline
