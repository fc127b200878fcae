#pragma once

#include <QRect>
#include <QString>
#include <QWidget>

#include <functional>
#include <vector>

class QScrollBar;

namespace wayline {

// A grid of text cells with one fixed title row and one fixed first column,
// a sunken two-pixel border, fixed-height rows and a vertical scroll bar
// only, which appears when the rows do not fit. Rows are selected whole;
// the owner decides which rows may be selected and may draw over a cell
// after the grid has drawn it. Columns that lie beyond the grid's width
// exist and hold text but are never seen.
class TStringGrid : public QWidget {
    Q_OBJECT
public:
    static constexpr int DefaultRowHeight = 18;
    static constexpr int GridLineWidth = 1;
    static constexpr int RowPitch = DefaultRowHeight + GridLineWidth;
    static constexpr int BorderWidth = 2;
    static constexpr int ScrollBarWidth = 16;
    static constexpr int FixedRows = 1;
    static constexpr int FixedCols = 1;

    // The selection in grid columns and rows, inclusive; all -1 for none.
    struct TSelection {
        int Left = -1;
        int Top = -1;
        int Right = -1;
        int Bottom = -1;
        bool IsEmpty() const { return Left == -1; }
    };

    // May the row of this cell be selected?
    using TSelectCell = std::function<bool(int col, int row)>;
    // Draws over a cell after the grid has drawn it; `rect` is the cell
    // without its grid lines, in widget coordinates.
    using TDrawCell = std::function<void(QPainter& painter, int col, int row, const QRect& rect)>;

    explicit TStringGrid(int cols, QWidget* parent = nullptr);

    int ColCount() const { return static_cast<int>(Widths.size()); }
    int RowCount() const { return Rows; }
    // At least one row below the titles.
    void SetRowCount(int rows);
    int ColWidth(int col) const;
    void SetColWidth(int col, int width);

    QString Cell(int col, int row) const;
    void SetCell(int col, int row, const QString& text);
    // Empties every cell of a row.
    void ClearRow(int row);

    // First scrollable row shown below the titles (1 when not scrolled).
    int TopRow() const { return Top; }
    // Clamped so that the shown rows stay filled where there are enough.
    void SetTopRow(int row);
    // Rows that fit below the title row.
    int VisibleRowCount() const;

    const TSelection& Selection() const { return Sel; }
    void SetSelection(const TSelection& selection);
    void ClearSelection() { SetSelection({}); }
    // Selects the whole visible width of a row, as a click does.
    void SelectRow(int row);

    void SetSelectCell(TSelectCell rule) { SelectRule = std::move(rule); }
    void SetDrawCell(TDrawCell draw) { DrawOver = std::move(draw); }

    // The inside of the border, where the cells are, in widget coordinates.
    QRect ClientRect() const;
    // Cell rectangle in widget coordinates, without its grid lines.
    QRect CellRect(int col, int row) const;
    // Cell under a point in widget coordinates; false outside every cell.
    bool CellAt(const QPoint& point, int& col, int& row) const;
    bool ScrollBarShown() const;

Q_SIGNALS:
    // After the grid's own handling of a press (a press on the fixed
    // column selects nothing by itself).
    void MousePressed(QMouseEvent* event);
    void SelectionChanged();
    void TopRowChanged();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    bool CanSelect(int col, int row) const;
    // Moves the selection to the next row in `step`'s direction that may
    // be selected; false when there is none.
    bool MoveSelection(int step);
    void ScrollIntoView(int row);
    void UpdateScrollBar();
    int LastVisibleCol() const;

    QScrollBar* VScroll;
    std::vector<int> Widths;
    std::vector<std::vector<QString>> Cells; // [row][col]
    int Rows = 2;
    int Top = 1;
    TSelection Sel;
    TSelectCell SelectRule;
    TDrawCell DrawOver;
};

} // namespace wayline
