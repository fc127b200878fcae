#pragma once

#include <QRect>
#include <QWidget>

#include <functional>
#include <vector>

class QScrollBar;

namespace wayline {

// A grid whose every cell is drawn by its owner: one fixed title row, one
// fixed column of step numbers, whole-row selection and a vertical scroll
// bar only. Rows are a fixed height; the top row scrolls in whole rows.
class TDrawGrid : public QWidget {
    Q_OBJECT
public:
    static constexpr int DefaultRowHeight = 27;
    static constexpr int GridLineWidth = 1;
    static constexpr int RowPitch = DefaultRowHeight + GridLineWidth;

    // The selection in grid rows and columns, inclusive.
    struct TSelection {
        int Left = 1;
        int Top = 1;
        int Right = 1;
        int Bottom = 1;
    };

    using TDrawCell = std::function<void(TDrawGrid& grid, QPainter& painter, int col, int row,
                                         const QRect& rect, bool selected)>;

    explicit TDrawGrid(QWidget* parent = nullptr);

    int Tag() const { return ListTag; }
    void SetTag(int tag) { ListTag = tag; }

    int RowCount() const { return Rows; }
    void SetRowCount(int rows);
    int ColCount() const { return static_cast<int>(ColWidths.size()); }
    void SetColCount(int cols);
    int ColWidth(int col) const { return ColWidths[static_cast<std::size_t>(col)]; }
    void SetColWidth(int col, int width);

    // First scrollable row shown below the title row (1 when not scrolled).
    int TopRow() const { return Top; }
    void SetTopRow(int row);
    // Step rows that fit below the title row.
    int VisibleRowCount() const;

    const TSelection& Selection() const { return Sel; }
    void SetSelection(const TSelection& selection);

    void SetDrawCell(TDrawCell draw) { DrawCell = std::move(draw); }

    // Cell rectangle in widget coordinates (without the grid line).
    QRect CellRect(int col, int row) const;
    // Cell under a point; false outside every cell.
    bool CellAt(const QPoint& point, int& col, int& row) const;

    // The column the keyboard works in: 0 for whole rows, 2..4 for the Both,
    // Left or Right cell of the selected step (its focus frame shows there).
    int KeyColumn() const { return KeyCol; }
    void SetKeyColumn(int col);

    // What a screen reader reads for a row (1..RowCount - 1), given the key
    // column; the grid's accessible children are its rows.
    using TRowText = std::function<QString(int row, int keyColumn)>;
    void SetRowText(TRowText rowText) { RowText = std::move(rowText); }
    QString AccessibleRowText(int row) const;

    // Width the columns may fill beside the scroll bar.
    int ClientWidthBesideScrollBar() const;
    int ScrollBarWidth() const;

Q_SIGNALS:
    void TopLeftChanged(TDrawGrid* grid);
    void MousePressed(TDrawGrid* grid, QMouseEvent* event);
    void MouseMoved(TDrawGrid* grid, QMouseEvent* event);
    void MouseReleased(TDrawGrid* grid, QMouseEvent* event);
    void KeyPressed(TDrawGrid* grid, QKeyEvent* event);
    // Toolkit drags over the grid (the "+" panel). The events arrive
    // ignored; a receiver accepts what it takes.
    void DragEntered(wayline::TDrawGrid* grid, QDragEnterEvent* event);
    void DragMoved(wayline::TDrawGrid* grid, QDragMoveEvent* event);
    void Dropped(wayline::TDrawGrid* grid, QDropEvent* event);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void UpdateScrollBar();
    // Tells a screen reader which row (or cell) now has the keyboard.
    void NotifyAccessibleFocus();

    QScrollBar* VScroll;
    int ListTag = 0;
    int Rows = 2;
    int Top = 1;
    std::vector<int> ColWidths{64, 64};
    TSelection Sel;
    int AnchorRow = 1; // the end of the selection that Shift+arrow keeps
    TDrawCell DrawCell;
    int KeyCol = 0;
    TRowText RowText;
};

// Installs, once, what gives the grids their accessible rows.
void InstallGridAccessibility();

} // namespace wayline
