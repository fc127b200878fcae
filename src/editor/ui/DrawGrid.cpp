#include "editor/ui/DrawGrid.h"

#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyle>
#include <QWheelEvent>

#include <algorithm>

namespace wayline {

TDrawGrid::TDrawGrid(QWidget* parent)
    : QWidget(parent), VScroll(new QScrollBar(Qt::Vertical, this)) {
    InstallGridAccessibility();
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
    VScroll->setSingleStep(1);
    connect(VScroll, &QScrollBar::valueChanged, this, [this](int value) { SetTopRow(value + 1); });
    UpdateScrollBar();
}

void TDrawGrid::SetRowCount(int rows) {
    Rows = std::max(rows, 2);
    UpdateScrollBar();
    SetTopRow(Top);
    update();
}

void TDrawGrid::SetColCount(int cols) {
    ColWidths.resize(static_cast<std::size_t>(std::max(cols, 1)), 64);
    update();
}

void TDrawGrid::SetColWidth(int col, int width) {
    if (col >= 0 && col < ColCount()) {
        ColWidths[static_cast<std::size_t>(col)] = width;
        update();
    }
}

int TDrawGrid::VisibleRowCount() const {
    return std::max(1, (height() - RowPitch) / RowPitch);
}

void TDrawGrid::SetTopRow(int row) {
    const int maxTop = std::max(1, Rows - VisibleRowCount());
    const int clamped = std::clamp(row, 1, maxTop);
    if (clamped != Top) {
        Top = clamped;
        update();
        Q_EMIT TopLeftChanged(this);
    }
    if (VScroll->value() != Top - 1) {
        VScroll->setValue(Top - 1);
    }
}

void TDrawGrid::SetSelection(const TSelection& selection) {
    AnchorRow = selection.Top;
    Sel = selection;
    update();
    NotifyAccessibleFocus();
}

void TDrawGrid::SetKeyColumn(int col) {
    KeyCol = col >= 2 && col < ColCount() ? col : 0;
    update();
    NotifyAccessibleFocus();
}

QString TDrawGrid::AccessibleRowText(int row) const {
    return RowText ? RowText(row, KeyCol) : QString::number(row);
}

void TDrawGrid::focusInEvent(QFocusEvent* event) {
    update();
    QWidget::focusInEvent(event);
}

void TDrawGrid::focusOutEvent(QFocusEvent* event) {
    update();
    QWidget::focusOutEvent(event);
}

QRect TDrawGrid::CellRect(int col, int row) const {
    int x = 0;
    for (int c = 0; c < col && c < ColCount(); ++c) {
        x += ColWidth(c) + GridLineWidth;
    }
    int y = 0;
    if (row > 0) {
        y = RowPitch + (row - Top) * RowPitch;
    }
    return {x, y, ColWidth(col), DefaultRowHeight};
}

bool TDrawGrid::CellAt(const QPoint& point, int& col, int& row) const {
    if (point.y() < 0 || point.x() < 0) {
        return false;
    }
    row = point.y() < RowPitch ? 0 : Top + (point.y() - RowPitch) / RowPitch;
    if (row >= Rows) {
        return false;
    }
    int x = 0;
    for (int c = 0; c < ColCount(); ++c) {
        if (point.x() < x + ColWidth(c) + GridLineWidth) {
            col = c;
            return true;
        }
        x += ColWidth(c) + GridLineWidth;
    }
    return false;
}

int TDrawGrid::ScrollBarWidth() const {
    return style()->pixelMetric(QStyle::PM_ScrollBarExtent);
}

int TDrawGrid::ClientWidthBesideScrollBar() const {
    return width();
}

void TDrawGrid::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    // Grid lines show between the cells; below the last row the grid is
    // plain white.
    const int shownRows = std::min(Rows - 1, Top + VisibleRowCount()) - Top + 2;
    int cellsWidth = 0;
    for (int col = 0; col < ColCount(); ++col) {
        cellsWidth += ColWidth(col) + GridLineWidth;
    }
    painter.fillRect(rect(), Qt::white);
    painter.fillRect(QRect(0, 0, cellsWidth, shownRows * RowPitch), QColor(0xc0, 0xc0, 0xc0));
    const auto paintRow = [&](int row) {
        for (int col = 0; col < ColCount(); ++col) {
            const bool selected =
                row >= Sel.Top && row <= Sel.Bottom && col >= Sel.Left && col <= Sel.Right;
            if (DrawCell) {
                DrawCell(*this, painter, col, row, CellRect(col, row), selected);
            }
        }
    };
    paintRow(0);
    // One more row than fits whole, so a partly visible last row is drawn.
    const int lastVisible = std::min(Rows - 1, Top + VisibleRowCount());
    for (int row = Top; row <= lastVisible; ++row) {
        paintRow(row);
    }
}

void TDrawGrid::resizeEvent(QResizeEvent* event) {
    const int w = ScrollBarWidth();
    VScroll->setGeometry(width() - w, 0, w, height());
    UpdateScrollBar();
    QWidget::resizeEvent(event);
}

void TDrawGrid::UpdateScrollBar() {
    const int maxTop = std::max(1, Rows - VisibleRowCount());
    VScroll->setRange(0, maxTop - 1);
    VScroll->setPageStep(VisibleRowCount());
}

void TDrawGrid::wheelEvent(QWheelEvent* event) {
    const int steps = event->angleDelta().y() / 120;
    if (steps != 0) {
        SetTopRow(Top - steps);
    }
    event->accept();
}

void TDrawGrid::mousePressEvent(QMouseEvent* event) {
    Q_EMIT MousePressed(this, event);
}
void TDrawGrid::mouseMoveEvent(QMouseEvent* event) {
    Q_EMIT MouseMoved(this, event);
}
void TDrawGrid::mouseReleaseEvent(QMouseEvent* event) {
    Q_EMIT MouseReleased(this, event);
}
void TDrawGrid::keyPressEvent(QKeyEvent* event) {
    // Arrow keys move the selected row as in any list; Shift extends it.
    int target = -1;
    const int current = Sel.Top == AnchorRow ? Sel.Bottom : Sel.Top;
    switch (event->key()) {
    case Qt::Key_Up:
        target = current - 1;
        break;
    case Qt::Key_Down:
        target = current + 1;
        break;
    case Qt::Key_PageUp:
        target = current - VisibleRowCount();
        break;
    case Qt::Key_PageDown:
        target = current + VisibleRowCount();
        break;
    case Qt::Key_Home:
        target = 1;
        break;
    case Qt::Key_End:
        target = Rows - 1;
        break;
    default:
        break;
    }
    if (target >= 0 && !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
        target = std::clamp(target, 1, Rows - 1);
        const bool extend = event->modifiers() & Qt::ShiftModifier;
        if (!extend) {
            AnchorRow = target;
        }
        Sel = {1, std::min(AnchorRow, target), ColCount() - 1, std::max(AnchorRow, target)};
        update();
        NotifyAccessibleFocus();
        if (target < Top) {
            SetTopRow(target);
        } else if (target >= Top + VisibleRowCount()) {
            SetTopRow(target - VisibleRowCount() + 1);
        }
    }
    Q_EMIT KeyPressed(this, event);
}
void TDrawGrid::dragEnterEvent(QDragEnterEvent* event) {
    event->ignore();
    Q_EMIT DragEntered(this, event);
}
void TDrawGrid::dragMoveEvent(QDragMoveEvent* event) {
    event->ignore();
    Q_EMIT DragMoved(this, event);
}
void TDrawGrid::dropEvent(QDropEvent* event) {
    event->ignore();
    Q_EMIT Dropped(this, event);
}

} // namespace wayline
