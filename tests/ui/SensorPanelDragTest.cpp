// The "+" panel's drag: where the main grid takes it, that pressing and
// moving the panel starts it, and what a drop on the grid reports.

#include "RowControlTests.h"

#include "editor/ui/DrawGrid.h"
#include "editor/ui/SensorPanelDrag.h"

#include <QApplication>
#include <QDrag>
#include <QLabel>
#include <QMimeData>
#include <QSignalSpy>
#include <QTest>

#include <memory>

using namespace wayline;

namespace {

// The main grid in advanced mode: five columns of 50 pixels (each 51 with
// its grid line) and 4 steps (6 rows), beside the "+" panel.
struct TScene {
    QWidget Main;
    TDrawGrid* Grid = new TDrawGrid(&Main);
    QLabel* Panel = new QLabel(QStringLiteral("+"), &Main);
    std::unique_ptr<TSensorPanelDrag> PanelDrag;
    int DragsRun = 0;
    QString DraggedFormat;

    TScene() {
        Main.resize(400, 300);
        Grid->setGeometry(10, 10, 300, 250);
        Grid->SetColCount(5);
        for (int col = 0; col < 5; ++col)
            Grid->SetColWidth(col, 50);
        Grid->SetRowCount(6);
        Panel->setGeometry(350, 10, 25, 25);
        PanelDrag = std::make_unique<TSensorPanelDrag>(Panel, Grid);
        PanelDrag->SetDragRunner([this](QDrag& drag) {
            ++DragsRun;
            DraggedFormat = drag.mimeData()->formats().value(0);
        });
        Main.show();
    }

    // The centre of a cell in grid coordinates.
    QPoint Cell(int col, int row) const { return Grid->CellRect(col, row).center(); }

    // What the grid answers to a toolkit drag move at the point.
    bool Accepts(const QPoint& at, const QMimeData& data) {
        QDragMoveEvent move(at, Qt::CopyAction, &data, Qt::LeftButton, {});
        QApplication::sendEvent(Grid, &move);
        return move.isAccepted();
    }
};

std::unique_ptr<QMimeData> PanelData() {
    auto data = std::make_unique<QMimeData>();
    data->setData(QString::fromLatin1(SensorPanelMimeType), QByteArray());
    return data;
}

} // namespace

class SensorPanelDragTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void PanelIsTakenOnlyOnTheSetCellsOfASteps() {
        TScene scene;
        const TDrawGrid& grid = *scene.Grid;
        for (int col = 2; col <= 4; ++col) {
            QVERIFY(ToDoListDragOver(dsSensorPanel, grid, scene.Cell(col, 1)));
            QVERIFY(ToDoListDragOver(dsSensorPanel, grid, scene.Cell(col, 4)));
            QVERIFY(!ToDoListDragOver(dsSensorPanel, grid, scene.Cell(col, 0))); // titles
            QVERIFY(!ToDoListDragOver(dsSensorPanel, grid, scene.Cell(col, 5))); // append row
        }
        QVERIFY(!ToDoListDragOver(dsSensorPanel, grid, scene.Cell(0, 2)));
        QVERIFY(!ToDoListDragOver(dsSensorPanel, grid, scene.Cell(1, 2)));
        // Right of the last column and below the rows there is no cell.
        QVERIFY(!ToDoListDragOver(dsSensorPanel, grid, QPoint(270, 40)));
        QVERIFY(!ToDoListDragOver(dsSensorPanel, grid, QPoint(120, 240)));
        // The first pixel of column 2 counts, the grid line before it not.
        QVERIFY(ToDoListDragOver(dsSensorPanel, grid, QPoint(102, 40)));
        QVERIFY(!ToDoListDragOver(dsSensorPanel, grid, QPoint(101, 40)));
        // An action is taken anywhere.
        QVERIFY(ToDoListDragOver(dsActionPicture, grid, scene.Cell(0, 0)));
        QVERIFY(ToDoListDragOver(dsActionPicture, grid, QPoint(120, 240)));
    }

    void GridAnswersToolkitDragsByTheRule() {
        TScene scene;
        const auto data = PanelData();
        const QMimeData& panel = *data;
        QVERIFY(scene.Grid->acceptDrops());
        QDragEnterEvent enter(scene.Cell(0, 0), Qt::CopyAction, &panel, Qt::LeftButton, {});
        QApplication::sendEvent(scene.Grid, &enter);
        QVERIFY(enter.isAccepted());
        QVERIFY(scene.Accepts(scene.Cell(3, 2), panel));
        QVERIFY(!scene.Accepts(scene.Cell(1, 2), panel));
        QMimeData text;
        text.setText(QStringLiteral("+"));
        QVERIFY(!scene.Accepts(scene.Cell(3, 2), text));
    }

    void DropOnASetCellIsReported() {
        TScene scene;
        QSignalSpy dropped(scene.PanelDrag.get(), &TSensorPanelDrag::PanelDropped);
        const auto data = PanelData();
        const QMimeData& panel = *data;
        QDropEvent onRight(scene.Cell(4, 3), Qt::CopyAction, &panel, Qt::LeftButton, {});
        // A drop sent by hand lacks the toolkit's drag behind it; the grid's
        // report of it is what the panel drag listens to.
        Q_EMIT scene.Grid->Dropped(scene.Grid, &onRight);
        QVERIFY(onRight.isAccepted());
        QCOMPARE(dropped.count(), 1);
        QCOMPARE(dropped[0][0].value<TDrawGrid*>(), scene.Grid);
        QCOMPARE(dropped[0][1].toPoint(), scene.Cell(4, 3));

        QDropEvent onAppendRow(scene.Cell(4, 5), Qt::CopyAction, &panel, Qt::LeftButton, {});
        Q_EMIT scene.Grid->Dropped(scene.Grid, &onAppendRow);
        QVERIFY(!onAppendRow.isAccepted());
        QCOMPARE(dropped.count(), 1);
    }

    void PressingAndMovingThePanelStartsItsDrag() {
        TScene scene;
        QTest::mousePress(scene.Panel, Qt::LeftButton, {}, QPoint(12, 12));
        QTest::mouseMove(scene.Panel, QPoint(13, 12));
        QCOMPARE(scene.DragsRun, 0);
        QTest::mouseMove(scene.Panel, QPoint(12, 12 + QApplication::startDragDistance()));
        QCOMPARE(scene.DragsRun, 1);
        QCOMPARE(scene.DraggedFormat, QString::fromLatin1(SensorPanelMimeType));
        QTest::mouseRelease(scene.Panel, Qt::LeftButton, {}, QPoint(12, 30));

        // With the sensors switched off the panel does not move.
        scene.Panel->setEnabled(false);
        QTest::mousePress(scene.Panel, Qt::LeftButton, {}, QPoint(12, 12));
        QTest::mouseMove(scene.Panel, QPoint(12, 40));
        QCOMPARE(scene.DragsRun, 1);
    }
};

WAYLINE_ROW_CONTROL_TEST(SensorPanelDragTest)
#include "SensorPanelDragTest.moc"
