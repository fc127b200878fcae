// A visible step row on a real grid: where its picture and spin edit sit,
// what a kind shows, and how binding to a step clamps, writes back and
// leaves the step shown before alone.

#include "RowControlTests.h"

#include "editor/ui/BotAction.h"
#include "editor/ui/DrawGrid.h"

#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QTest>

#include <memory>
#include <vector>

using namespace wayline;

namespace {

TActionLooks TestLooks() {
    TActionLooks looks;
    for (int kind = 0; kind < ActionKindCount; ++kind) {
        QPixmap picture(54, 54);
        picture.fill(QColor::fromHsv(kind * 40, 255, 255));
        looks.Pictures[static_cast<std::size_t>(kind)] = picture;
        looks.Names[static_cast<std::size_t>(kind)] = QStringLiteral("Action %1").arg(kind);
    }
    looks.SecondsSuffix = QStringLiteral(" sec");
    looks.StepPrefix = QStringLiteral("step ");
    return looks;
}

// A main window with the main grid at (20, 40) and a sensor area holding two
// sensor grids at (10, 5) inside it.
struct TWindow {
    QWidget Main;
    TDrawGrid* Grid = new TDrawGrid(&Main);
    QWidget* SensorArea = new QWidget(&Main);
    TDrawGrid* SensorGrid = new TDrawGrid(SensorArea);
    TDrawGrid* OtherSensorGrid = new TDrawGrid(SensorArea);
    TActionLooks Looks = TestLooks();
    std::vector<std::int16_t> Changes;

    TWindow() {
        Main.resize(600, 500);
        for (TDrawGrid* grid : {Grid, SensorGrid, OtherSensorGrid}) {
            grid->SetColCount(2);
            grid->SetColWidth(0, 50);
            grid->SetColWidth(1, 150);
            grid->resize(220, 230);
        }
        Grid->move(20, 40);
        SensorArea->setGeometry(300, 30, 260, 260);
        SensorGrid->move(10, 5);
        OtherSensorGrid->move(10, 5);
        Main.show();
    }

    std::unique_ptr<TBotAction> Row(TDrawGrid* grid, int slot) {
        return std::make_unique<TBotAction>(grid, slot, &Main, Looks, u'.', u'-',
                                            [this](std::int16_t p) { Changes.push_back(p); });
    }
};

QPoint UpArrow(const TBotAction& row) {
    return {row.SpinEdit()->UpDown()->width() / 2, 3};
}

} // namespace

class BotActionTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void RowLiesOverTheActionsColumnOfItsSlot() {
        TWindow window;
        auto row = window.Row(window.Grid, 3);
        QCOMPARE(row->Icon()->parentWidget(), window.Grid);
        QCOMPARE(row->IconGeometry(), QRect(52, 85, 25, 25));
        QCOMPARE(row->SpinGeometry(), QRect(101, 125, 123, 25));
        QCOMPARE(row->SpinEdit()->Edit()->parentWidget(), &window.Main);
        QCOMPARE(row->SpinEdit()->Edit()->geometry(), QRect(101, 129, 106, 21));
        QCOMPARE(row->SpinEdit()->UpDown()->geometry(), QRect(203, 125, 17, 25));

        // A sensor grid lies inside the sensor area: the spin edit is placed
        // in the main window's coordinates all the same.
        auto sensorRow = window.Row(window.SensorGrid, 1);
        QCOMPARE(sensorRow->IconGeometry(), QRect(52, 29, 25, 25));
        QCOMPARE(sensorRow->SpinGeometry(), QRect(300 + 10 + 77 + 4, 30 + 5 + 29, 123, 25));
    }

    void NewRowIsHiddenAndAcceleratesLikeEveryRow() {
        TWindow window;
        auto row = window.Row(window.Grid, 1);
        QVERIFY(!row->IsShown());
        QVERIFY(!row->Icon()->isVisible());
        QVERIFY(!row->SpinEdit()->Edit()->isVisible());
        QCOMPARE(row->SpinEdit()->AccelThreshold(), std::int16_t(15));
        QCOMPARE(int(row->SpinEdit()->AccelFactor()), 2);
        QCOMPARE(row->SpinEdit()->Increment(), std::int16_t(1));
    }

    void KindShowsItsPalettePictureAndName() {
        TWindow window;
        auto row = window.Row(window.Grid, 1);
        row->SetKind(akRotateLeft);
        QCOMPARE(row->Icon()->pixmap().toImage(), window.Looks.Pictures[akRotateLeft].toImage());
        QCOMPARE(row->Icon()->toolTip(), QStringLiteral("Action 4"));
        row->SetKind(9); // no such action: the row keeps what it shows
        QCOMPARE(int(row->Kind()), int(akRotateLeft));
    }

    void DurationsAndLoopBacksTakeTheirOwnLimits() {
        TWindow window;
        auto row = window.Row(window.Grid, 2);
        TActionStep duration{akTurnLeft, 400, 0, 0, 0};
        row->SetLimits(akTurnLeft, 2);
        row->Bind(&duration);
        QCOMPARE(duration.Value, std::int16_t(255));
        QCOMPARE(row->SpinEdit()->Text(), QStringLiteral("25.5 sec"));

        TActionStep loop{akLoopBack, 8, 0, 0, 0};
        row->SetLimits(akLoopBack, 4);
        row->Bind(&loop);
        QCOMPARE(loop.Value, std::int16_t(4));
        QCOMPARE(duration.Value, std::int16_t(255));
        QCOMPARE(row->SpinEdit()->Text(), QStringLiteral("step 4"));
        QCOMPARE(row->SpinEdit()->Increment(), std::int16_t(-1));
        row->Show(true);
        QTest::mouseClick(row->SpinEdit()->UpDown(), Qt::LeftButton, {}, UpArrow(*row));
        QCOMPARE(loop.Value, std::int16_t(3));
        QCOMPARE(window.Changes, (std::vector<std::int16_t>{3}));
    }

    void RebindingLeavesTheStepShownBeforeAlone() {
        // A long duration scrolled away from a slot that then shows a Loop
        // Back of row 3 must keep its duration.
        TWindow window;
        auto row = window.Row(window.Grid, 1);
        TActionStep duration{akMoveForward, 200, 0, 0, 0};
        TActionStep loop{akLoopBack, 2, 0, 0, 0};
        row->ApplyBinding({saBind, 1, akMoveForward, SpinLimitsFor(akMoveForward, 1)}, &duration);
        QVERIFY(row->IsShown());
        row->ApplyBinding({saBind, 3, akLoopBack, SpinLimitsFor(akLoopBack, 3)}, &loop);
        QCOMPARE(duration.Value, std::int16_t(200));
        QCOMPARE(loop.Value, std::int16_t(2));
        QCOMPARE(int(row->Kind()), int(akLoopBack));
        row->ApplyBinding({saBind, 1, akMoveForward, SpinLimitsFor(akMoveForward, 1)}, &duration);
        QCOMPARE(loop.Value, std::int16_t(2));
        QCOMPARE(row->SpinEdit()->Text(), QStringLiteral("20.0 sec"));

        // From now on the arrows change only the step bound last.
        QTest::mouseClick(row->SpinEdit()->UpDown(), Qt::LeftButton, {}, UpArrow(*row));
        QCOMPARE(duration.Value, std::int16_t(201));
        QCOMPARE(loop.Value, std::int16_t(2));

        row->ApplyBinding({saHide, 0, 0, {}}, nullptr);
        QVERIFY(!row->Icon()->isVisible());
        QVERIFY(!row->SpinEdit()->UpDown()->isVisible());
        row->ApplyBinding({}, nullptr); // saKeep
        QVERIFY(!row->IsShown());
    }

    void RowGoingAwayWhileTypedInReportsNothing() {
        // The window's rows die before the window; a focused edit must not
        // call back into it on the way out.
        TWindow window;
        window.Main.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window.Main));
        auto row = window.Row(window.Grid, 1);
        row->Show(true);
        QPointer<QLineEdit> edit = row->SpinEdit()->Edit();
        edit->setFocus();
        QVERIFY(edit->hasFocus());
        QTest::keyClicks(edit, QStringLiteral("7"));
        row.reset();
        QVERIFY(edit.isNull());
        QVERIFY(window.Changes.empty());
    }

    void SensorRowFollowsTheShownSensorGrid() {
        TWindow window;
        auto row = window.Row(window.SensorGrid, 2);
        row->Show(true);
        const QRect placed = row->IconGeometry();
        row->SetGrid(window.OtherSensorGrid);
        QCOMPARE(row->Icon()->parentWidget(), window.OtherSensorGrid);
        QCOMPARE(row->IconGeometry(), placed);
        QVERIFY(row->Icon()->isVisible());
        QCOMPARE(row->Grid(), window.OtherSensorGrid);
    }
};

WAYLINE_ROW_CONTROL_TEST(BotActionTest)
#include "BotActionTest.moc"
