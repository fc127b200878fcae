#include "comm/ui/StringGrid.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QWheelEvent>
#include <qdrawutil.h>

#include <algorithm>

namespace wayline {

TStringGrid::TStringGrid(int cols, QWidget* parent)
    : QWidget(parent), VScroll(new QScrollBar(Qt::Vertical, this)),
      Widths(static_cast<std::size_t>(std::max(cols, FixedCols + 1)), 64) {
    // Clicks focus the grid (arrow keys then move the selection); the tab
    // key passes it by.
    setFocusPolicy(Qt::ClickFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    VScroll->setSingleStep(1);
    VScroll->setFocusPolicy(Qt::NoFocus);
    connect(VScroll, &QScrollBar::valueChanged, this, [this](int value) { SetTopRow(value + 1); });
    SetRowCount(2);
}

void TStringGrid::SetRowCount(int rows) {
    Rows = std::max(rows, FixedRows + 1);
    Cells.resize(static_cast<std::size_t>(Rows), std::vector<QString>(Widths.size()));
    if (Sel.Bottom >= Rows) {
        ClearSelection();
    }
    UpdateScrollBar();
    SetTopRow(Top);
    update();
}

int TStringGrid::ColWidth(int col) const {
    return col >= 0 && col < ColCount() ? Widths[static_cast<std::size_t>(col)] : 0;
}

void TStringGrid::SetColWidth(int col, int width) {
    if (col >= 0 && col < ColCount()) {
        Widths[static_cast<std::size_t>(col)] = std::max(width, 0);
        update();
    }
}

QString TStringGrid::Cell(int col, int row) const {
    if (col < 0 || col >= ColCount() || row < 0 || row >= Rows) {
        return {};
    }
    return Cells[static_cast<std::size_t>(row)][static_cast<std::size_t>(col)];
}

void TStringGrid::SetCell(int col, int row, const QString& text) {
    if (col < 0 || col >= ColCount() || row < 0 || row >= Rows) {
        return;
    }
    Cells[static_cast<std::size_t>(row)][static_cast<std::size_t>(col)] = text;
    update();
}

void TStringGrid::ClearRow(int row) {
    if (row < 0 || row >= Rows) {
        return;
    }
    for (QString& cell : Cells[static_cast<std::size_t>(row)]) {
        cell.clear();
    }
    update();
}

QRect TStringGrid::ClientRect() const {
    return rect().adjusted(BorderWidth, BorderWidth, -BorderWidth, -BorderWidth);
}

int TStringGrid::VisibleRowCount() const {
    return std::max(1, (ClientRect().height() - RowPitch) / RowPitch);
}

void TStringGrid::SetTopRow(int row) {
    const int maxTop = std::max(FixedRows, Rows - VisibleRowCount());
    const int clamped = std::clamp(row, FixedRows, maxTop);
    if (clamped != Top) {
        Top = clamped;
        update();
        Q_EMIT TopRowChanged();
    }
    if (VScroll->value() != Top - FixedRows) {
        VScroll->setValue(Top - FixedRows);
    }
}

void TStringGrid::SetSelection(const TSelection& selection) {
    Sel = selection;
    update();
    Q_EMIT SelectionChanged();
}

int TStringGrid::LastVisibleCol() const {
    const QRect client = ClientRect();
    int last = FixedCols;
    for (int col = FixedCols; col < ColCount(); ++col) {
        if (CellRect(col, 0).left() < client.right()) {
            last = col;
        }
    }
    return last;
}

void TStringGrid::SelectRow(int row) {
    SetSelection({FixedCols, row, LastVisibleCol(), row});
}

QRect TStringGrid::CellRect(int col, int row) const {
    const QRect client = ClientRect();
    int x = client.left();
    for (int c = 0; c < col && c < ColCount(); ++c) {
        x += ColWidth(c) + GridLineWidth;
    }
    int y = client.top();
    if (row >= FixedRows) {
        y += FixedRows * RowPitch + (row - Top) * RowPitch;
    }
    return {x, y, ColWidth(col), DefaultRowHeight};
}

bool TStringGrid::CellAt(const QPoint& point, int& col, int& row) const {
    QRect client = ClientRect();
    if (ScrollBarShown()) {
        client.setRight(client.right() - ScrollBarWidth);
    }
    if (!client.contains(point)) {
        return false;
    }
    const int y = point.y() - client.top();
    row = y < FixedRows * RowPitch ? y / RowPitch : (y - FixedRows * RowPitch) / RowPitch + Top;
    if (row >= Rows) {
        return false;
    }
    int x = client.left();
    for (col = 0; col < ColCount(); ++col) {
        x += ColWidth(col) + GridLineWidth;
        if (point.x() < x) {
            return true;
        }
    }
    return false;
}

bool TStringGrid::ScrollBarShown() const {
    return Rows - FixedRows > VisibleRowCount();
}

bool TStringGrid::CanSelect(int col, int row) const {
    if (col < FixedCols || row < FixedRows || row >= Rows) {
        return false;
    }
    return !SelectRule || SelectRule(col, row);
}

void TStringGrid::ScrollIntoView(int row) {
    if (row < Top) {
        SetTopRow(row);
    } else if (row >= Top + VisibleRowCount()) {
        SetTopRow(row - VisibleRowCount() + 1);
    }
}

bool TStringGrid::MoveSelection(int step) {
    const int from = Sel.IsEmpty() ? (step > 0 ? FixedRows - 1 : Rows) : Sel.Top;
    for (int row = from + step; row >= FixedRows && row < Rows; row += step) {
        if (CanSelect(FixedCols, row)) {
            SelectRow(row);
            ScrollIntoView(row);
            return true;
        }
    }
    return false;
}

void TStringGrid::UpdateScrollBar() {
    const QRect client = ClientRect();
    VScroll->setGeometry(client.right() + 1 - ScrollBarWidth, client.top(), ScrollBarWidth,
                         client.height());
    const int maxTop = std::max(FixedRows, Rows - VisibleRowCount());
    VScroll->setRange(0, maxTop - FixedRows);
    VScroll->setPageStep(VisibleRowCount());
    VScroll->setVisible(ScrollBarShown());
}

void TStringGrid::resizeEvent(QResizeEvent*) {
    UpdateScrollBar();
    SetTopRow(Top);
}

void TStringGrid::wheelEvent(QWheelEvent* event) {
    const int notches = event->angleDelta().y() / 120;
    if (notches != 0) {
        SetTopRow(Top - 3 * notches);
    }
    event->accept();
}

void TStringGrid::mousePressEvent(QMouseEvent* event) {
    int col = 0;
    int row = 0;
    if (event->button() == Qt::LeftButton && CellAt(event->position().toPoint(), col, row) &&
        CanSelect(col, row)) {
        SelectRow(row);
    }
    Q_EMIT MousePressed(event);
}

void TStringGrid::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Up:
        MoveSelection(-1);
        break;
    case Qt::Key_Down:
        MoveSelection(+1);
        break;
    default:
        QWidget::keyPressEvent(event);
        return;
    }
    event->accept();
}

void TStringGrid::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QRect client = ClientRect();
    painter.fillRect(client, palette().color(QPalette::Base));
    QRect cells = client;
    if (ScrollBarShown()) {
        cells.setRight(cells.right() - ScrollBarWidth);
    }
    painter.setFont(font());

    const QColor line = palette().color(QPalette::Midlight).darker(115);
    const QColor fixedLine = palette().color(QPalette::Shadow);
    auto drawRow = [&](int row) {
        for (int col = 0; col < ColCount(); ++col) {
            const QRect r = CellRect(col, row);
            if (r.left() > cells.right()) {
                break;
            }
            painter.setClipRect(cells.intersected(r.adjusted(0, 0, GridLineWidth, GridLineWidth)));
            const bool fixed = col < FixedCols || row < FixedRows;
            const bool selected = !fixed && !Sel.IsEmpty() && row >= Sel.Top && row <= Sel.Bottom &&
                                  col >= Sel.Left && col <= Sel.Right;
            QColor background = palette().color(QPalette::Base);
            QColor text = palette().color(QPalette::Text);
            if (fixed) {
                background = palette().color(QPalette::Button);
                text = palette().color(QPalette::ButtonText);
            } else if (selected) {
                background = palette().color(QPalette::Highlight);
                text = palette().color(QPalette::HighlightedText);
            }
            painter.fillRect(r, background);
            if (fixed) {
                // The raised look of title cells.
                painter.setPen(palette().color(QPalette::Light));
                painter.drawLine(r.topLeft(), r.topRight());
                painter.drawLine(r.topLeft(), r.bottomLeft());
            }
            painter.setPen(fixed ? fixedLine : line);
            painter.drawLine(r.right() + 1, r.top(), r.right() + 1, r.bottom() + 1);
            painter.drawLine(r.left(), r.bottom() + 1, r.right() + 1, r.bottom() + 1);
            painter.setPen(text);
            painter.drawText(r.adjusted(2, 2, 0, 0),
                             Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, Cell(col, row));
            if (DrawOver) {
                painter.save();
                DrawOver(painter, col, row, r);
                painter.restore();
            }
        }
    };
    for (int row = 0; row < FixedRows; ++row) {
        drawRow(row);
    }
    for (int row = Top; row < Rows; ++row) {
        if (CellRect(0, row).top() > cells.bottom()) {
            break;
        }
        drawRow(row);
    }
    painter.setClipping(false);
    qDrawWinPanel(&painter, rect(), palette(), true);
}

} // namespace wayline
