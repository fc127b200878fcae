// The grids as a screen reader sees them: a list whose items are the rows,
// each read as the window words it ("Step 2: Move Forward, 0.8 sec").

#include "editor/ui/DrawGrid.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QPointer>

#include <map>

namespace wayline {

namespace {

class TGridRowAccessible : public QAccessibleInterface {
public:
    TGridRowAccessible(TDrawGrid* grid, int row) : Grid(grid), Row(row) {}

    bool isValid() const override { return Grid && Row >= 1 && Row < Grid->RowCount(); }
    QObject* object() const override { return nullptr; }
    QWindow* window() const override { return Grid ? Grid->window()->windowHandle() : nullptr; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    QAccessibleInterface* parent() const override {
        return QAccessible::queryAccessibleInterface(Grid.data());
    }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QString text(QAccessible::Text t) const override {
        return t == QAccessible::Name && isValid() ? Grid->AccessibleRowText(Row) : QString();
    }
    void setText(QAccessible::Text, const QString&) override {}
    QRect rect() const override {
        if (!isValid())
            return {};
        const QRect first = Grid->CellRect(0, Row);
        const QRect last = Grid->CellRect(Grid->ColCount() - 1, Row);
        return QRect(Grid->mapToGlobal(first.topLeft()), Grid->mapToGlobal(last.bottomRight()));
    }
    QAccessible::Role role() const override { return QAccessible::ListItem; }
    QAccessible::State state() const override {
        QAccessible::State state;
        state.selectable = true;
        state.focusable = true;
        if (!isValid())
            return state;
        const TDrawGrid::TSelection& selection = Grid->Selection();
        state.selected = Row >= selection.Top && Row <= selection.Bottom;
        state.focused = Grid->hasFocus() && Row == selection.Top;
        state.invisible =
            Row < Grid->TopRow() || Row >= Grid->TopRow() + Grid->VisibleRowCount();
        return state;
    }

private:
    QPointer<TDrawGrid> Grid;
    int Row;
};

class TGridAccessible : public QAccessibleWidget {
public:
    explicit TGridAccessible(TDrawGrid* grid) : QAccessibleWidget(grid, QAccessible::List) {}
    ~TGridAccessible() override {
        for (const auto& [row, id] : Rows) {
            QAccessible::deleteAccessibleInterface(id);
        }
    }

    int childCount() const override { return Grid()->RowCount() - 1; }
    QAccessibleInterface* child(int index) const override {
        const int row = index + 1;
        if (row < 1 || row >= Grid()->RowCount())
            return nullptr;
        auto found = Rows.find(row);
        if (found == Rows.end()) {
            auto* item = new TGridRowAccessible(Grid(), row);
            found = Rows.emplace(row, QAccessible::registerAccessibleInterface(item)).first;
        }
        return QAccessible::accessibleInterface(found->second);
    }
    int indexOfChild(const QAccessibleInterface* child) const override {
        for (const auto& [row, id] : Rows) {
            if (QAccessible::accessibleInterface(id) == child)
                return row - 1;
        }
        return -1;
    }
    QAccessibleInterface* focusChild() const override {
        return Grid()->hasFocus() ? child(Grid()->Selection().Top - 1) : nullptr;
    }

private:
    TDrawGrid* Grid() const { return static_cast<TDrawGrid*>(widget()); }
    mutable std::map<int, QAccessible::Id> Rows;
};

QAccessibleInterface* GridFactory(const QString&, QObject* object) {
    if (auto* grid = qobject_cast<TDrawGrid*>(object)) {
        return new TGridAccessible(grid);
    }
    return nullptr;
}

} // namespace

void InstallGridAccessibility() {
    static const bool installed = [] {
        QAccessible::installFactory(GridFactory);
        return true;
    }();
    (void)installed;
}

void TDrawGrid::NotifyAccessibleFocus() {
    if (!QAccessible::isActive() || !hasFocus()) {
        return;
    }
    QAccessibleInterface* grid = QAccessible::queryAccessibleInterface(this);
    if (QAccessibleInterface* row = grid ? grid->child(Sel.Top - 1) : nullptr) {
        QAccessibleEvent focus(row, QAccessible::Focus);
        QAccessible::updateAccessibility(&focus);
        QAccessibleEvent name(row, QAccessible::NameChanged);
        QAccessible::updateAccessibility(&name);
    }
}

} // namespace wayline
