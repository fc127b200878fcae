// The editor window fed the way a window system feeds it: mouse events
// through the window (so they reach whichever widget lies under the cursor
// or holds the mouse, and travel up to the parents when ignored), focus
// passed from widget to widget, keys a real keyboard has.

#include "MainFormTestSupport.h"
#include "TestEnvironment.h"

#include "codegen/ui/CodeForm.h"
#include "editor/ui/BotAction.h"
#include "editor/ui/SuperSpinEdit.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTest>
#include <QTimer>
#include <QWindow>

using namespace wayline;
using test::TProgram;

namespace {

constexpr int GoTag = 1;
constexpr int ClearTag = 2;
constexpr int TestTag = 3;
constexpr int DeleteTag = 7;
constexpr int CopyTag = 8;
constexpr int PasteTag = 10;

// The main window's own window, and a widget's centre in its coordinates.
struct TWindowMouse {
    TMainForm& Main;
    QWindow* Window() const { return Main.windowHandle(); }
    QPoint Centre(const QWidget* widget) const {
        return widget->mapTo(&Main, widget->rect().center());
    }
    void Move(const QPoint& at) const { QTest::mouseMove(Window(), at); }
    void Press(const QPoint& at) const { QTest::mousePress(Window(), Qt::LeftButton, {}, at); }
    void Release(const QPoint& at) const { QTest::mouseRelease(Window(), Qt::LeftButton, {}, at); }
    // Hover first, as a hand reaching for the button does, then one click.
    void ClickButton(int tag) const {
        const QPoint at = Centre(Main.Image(TMainForm::NormalPicture(tag)));
        Move(at + QPoint(-2, -1));
        Move(at);
        Press(at);
        Release(at);
    }
};

// A point of the window's background, where the skin's frame pictures lie
// (their help text is the blank one) and no control does.
QPoint BackgroundPoint(const TMainForm& main) {
    for (int y = main.height() / 2; y < main.height(); y += 4) {
        for (int x = 40; x < main.width(); x += 4) {
            const QWidget* at = main.childAt(x, y);
            for (int n : {1, 2, 3, 4, 8, 10}) {
                if (at && at == main.Image(n) && main.mask().contains(QPoint(x, y)))
                    return {x, y};
            }
        }
    }
    return {};
}

// A move with the left button held, sent to the widget that holds the mouse.
void DragTo(QWidget* grabber, const QPoint& at) {
    QMouseEvent move(QEvent::MouseMove, QPointF(at), QPointF(grabber->mapToGlobal(at)),
                     Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(grabber, &move);
}

// Types into whatever has the focus, as a keyboard does.
void TypeIntoFocus(const QString& text) {
    for (const QChar c : text) {
        QWidget* focus = QApplication::focusWidget();
        QVERIFY(focus);
        QTest::keyClicks(focus, QString(c));
    }
}

} // namespace

class MainFormInputTest : public QObject {
    Q_OBJECT

    TTestEnvironment Environment;

    static bool PressedShown(TMainForm& main, int tag) {
        return main.Image(TMainForm::PressedPicture(tag))->isVisible();
    }

private Q_SLOTS:
    void initTestCase() { Environment.QuietWindowMasks(); }

    void OneClickOnAPictureButtonRunsItsCommand() {
        TProgram program(false);
        program.AddSteps(1, 4);
        TMainForm& main = program.Main();
        QVERIFY(QTest::qWaitForWindowExposed(&main));
        const TWindowMouse mouse{main};
        program.SelectRows(1, 1);
        mouse.ClickButton(CopyTag);
        QVERIFY(!program.Disabled(PasteTag));
        mouse.ClickButton(PasteTag);
        QCOMPARE(program.State.Editor.StepCount(1), 5);
        program.SelectRows(2, 3);
        mouse.ClickButton(DeleteTag);
        QCOMPARE(program.State.Editor.StepCount(1), 3);
        QVERIFY(!PressedShown(main, DeleteTag));
        mouse.ClickButton(ClearTag);
        QCOMPARE(program.State.Editor.StepCount(1), 0);
        QVERIFY(!PressedShown(main, ClearTag));
    }

    void PressThatSlidesOffRunsNothingAndLeavesNoButtonPressed() {
        TProgram program(false);
        program.AddSteps(1, 3);
        TMainForm& main = program.Main();
        QVERIFY(QTest::qWaitForWindowExposed(&main));
        const TWindowMouse mouse{main};
        const QPoint clear = mouse.Centre(main.Image(TMainForm::NormalPicture(ClearTag)));
        mouse.Move(clear + QPoint(-2, -1));
        mouse.Move(clear);
        mouse.Press(clear);
        QVERIFY(PressedShown(main, ClearTag));
        const QPoint background = BackgroundPoint(main);
        mouse.Move(background);
        mouse.Release(background);
        QCOMPARE(program.State.Editor.StepCount(1), 3);
        QVERIFY(!PressedShown(main, ClearTag));
        QVERIFY(!main.Image(TMainForm::HighlightedPicture(ClearTag))->isVisible());
        // Hovering another button highlights it again, and it clicks.
        const QPoint test = mouse.Centre(main.Image(TMainForm::NormalPicture(TestTag)));
        mouse.Move(test);
        QVERIFY(main.Image(TMainForm::HighlightedPicture(TestTag))->isVisible());
        mouse.ClickButton(ClearTag);
        QCOMPARE(program.State.Editor.StepCount(1), 0);
    }

    void KeysThatOnlyLookLikeCommandKeysDoNothing() {
        TProgram program(false);
        program.AddSteps(1, 4);
        program.SelectRows(1, 2);
        TDrawGrid* grid = program.Main().CurrentGrid();
        // The full stop's key code ends in the byte of the Windows Delete
        // key; Super_L, Super_R and Menu end in the bytes of S, T and U.
        QTest::keyClick(grid, Qt::Key_Period);
        QTest::keyClicks(grid, QStringLiteral("1.5"));
        QTest::keyClick(grid, Qt::Key_Super_L, Qt::AltModifier);
        QTest::keyClick(grid, Qt::Key_Super_R, Qt::AltModifier);
        QTest::keyClick(grid, Qt::Key_Menu, Qt::AltModifier);
        QCOMPARE(program.State.Editor.StepCount(1), 4);
        QVERIFY(program.Dialogs.SeenSaveTitle.isEmpty());
        QVERIFY(!program.State.UndoRing.CanUndo());
        // The real keys still work.
        QTest::keyClick(grid, Qt::Key_S, Qt::AltModifier);
        QVERIFY(!program.Dialogs.SeenSaveTitle.isEmpty());
        QTest::keyClick(grid, Qt::Key_Delete);
        QCOMPARE(program.State.Editor.StepCount(1), 2);
    }

    void NumberTypedAfterAnArrowClickGoesIntoThatValue() {
        TProgram program(false);
        program.AddSteps(1, 3);
        program.SelectRows(1, 2);
        TMainForm& main = program.Main();
        main.DisplayVisibleActions(1, 1);
        main.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&main));
        TSuperSpinEdit* spin = main.RowControl(1, 2)->SpinEdit();
        QTest::mouseClick(spin->UpDown(), Qt::LeftButton, {}, QPoint(4, 3));
        QCOMPARE(int{program.State.Editor.Step(1, 2).Value}, 13);
        TypeIntoFocus(QStringLiteral("2.5"));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QCOMPARE(program.State.Editor.StepCount(1), 3);
        QCOMPARE(int{program.State.Editor.Step(1, 2).Value}, 25);
        QCOMPARE(spin->Text(), QStringLiteral("2.5 sec"));
        // Without an arrow click just before, typing in the list edits nothing.
        QTest::mouseClick(main.CurrentGrid(), Qt::LeftButton, {},
                          main.CurrentGrid()->CellRect(0, 3).center());
        TypeIntoFocus(QStringLiteral("7"));
        QCOMPARE(int{program.State.Editor.Step(1, 2).Value}, 25);
        QCOMPARE(int{program.State.Editor.Step(1, 3).Value}, 12);
    }

    void LoopBackTargetSurvivesLeavingADurationForIt() {
        TProgram program(false);
        program.AddSteps(1, 4);
        InsertIntoList(program.State.Editor, 1, 5, akLoopBack, 4);
        program.Main().SyncRowCounts();
        TMainForm& main = program.Main();
        main.DisplayVisibleActions(1, 1);
        main.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&main));
        QLineEdit* duration = main.RowControl(1, 4)->SpinEdit()->Edit();
        QLineEdit* loopBack = main.RowControl(1, 5)->SpinEdit()->Edit();
        QCOMPARE(loopBack->text(), QStringLiteral("step 4"));
        QTest::mouseClick(duration, Qt::LeftButton, {}, QPoint(5, 5));
        duration->selectAll();
        QTest::keyClicks(duration, QStringLiteral("30"));
        QTest::keyClick(duration, Qt::Key_Tab);
        QCOMPARE(int{program.State.Editor.Step(1, 4).Value}, 255); // Tab ends the edit
        QTest::mouseClick(duration, Qt::LeftButton, {}, QPoint(5, 5));
        QTest::keyClicks(duration, QStringLiteral("7"));
        // Straight from one value into the next: the first is read, the
        // second keeps its target and takes the focus it was clicked for.
        QTest::mouseClick(loopBack, Qt::LeftButton, {}, QPoint(5, 5));
        QCOMPARE(int{program.State.Editor.Step(1, 5).Value}, 4);
        QCOMPARE(QApplication::focusWidget(), loopBack);
        QCOMPARE(loopBack->text(), QStringLiteral("4"));
        QTest::keyClick(loopBack, Qt::Key_Return);
        QCOMPARE(int{program.State.Editor.Step(1, 5).Value}, 4);
        QCOMPARE(loopBack->text(), QStringLiteral("step 4"));
    }

    void RowDraggedOutOfTheRowsStaysWhereItWas() {
        TProgram program(false);
        program.AddSteps(1, 1, akMoveForward);
        program.AddSteps(1, 1, akMoveBackward);
        program.AddSteps(1, 1, akTurnLeft);
        TDrawGrid* grid = program.Main().Grid(1);
        const auto kinds = [&] {
            QString k;
            for (int row = 1; row <= program.State.Editor.StepCount(1); ++row)
                k += QString::number(program.State.Editor.Step(1, row).Kind);
            return k;
        };
        const QPoint row2 = grid->CellRect(0, 2).center();
        const QPoint drops[] = {{row2.x(), -30},
                                {grid->width() - grid->ScrollBarWidth() / 2, row2.y() + 28},
                                {grid->width() + 40, row2.y()}};
        for (const QPoint& away : drops) {
            QTest::mousePress(grid, Qt::LeftButton, {}, row2);
            DragTo(grid, away);
            QTest::mouseRelease(grid, Qt::LeftButton, {}, away);
            QCOMPARE(kinds(), QStringLiteral("012"));
        }
        // Released on a row it moves there.
        QTest::mousePress(grid, Qt::LeftButton, {}, row2);
        QTest::mouseRelease(grid, Qt::LeftButton, {}, grid->CellRect(0, 3).center());
        QCOMPARE(kinds(), QStringLiteral("021"));
    }

    void RowDragAtTheBottomEdgeScrollsToTheLastRows() {
        TProgram program(false);
        program.AddSteps(1, 20);
        program.State.Editor.Step(1, 1).Value = 99;
        TDrawGrid* grid = program.Main().Grid(1);
        QTest::mousePress(grid, Qt::LeftButton, {}, grid->CellRect(0, 1).center());
        const QPoint bottom(grid->CellRect(0, 1).center().x(), grid->height() - 2);
        DragTo(grid, bottom);
        QVERIFY(QTest::qWaitFor([&] { return grid->TopRow() >= 15; }, 5000));
        QTest::mouseRelease(grid, Qt::LeftButton, {}, grid->CellRect(0, 20).center());
        QCOMPARE(program.State.Editor.StepCount(1), 20);
        QCOMPARE(int{program.State.Editor.Step(1, 20).Value}, 99);
        // Back up at the top edge, and the scrolling stops with the release.
        QTest::mousePress(grid, Qt::LeftButton, {}, grid->CellRect(0, 20).center());
        DragTo(grid, QPoint(10, 5));
        QVERIFY(QTest::qWaitFor([&] { return grid->TopRow() == 1; }, 5000));
        QTest::mouseRelease(grid, Qt::LeftButton, {}, grid->CellRect(0, 1).center());
        QCOMPARE(int{program.State.Editor.Step(1, 1).Value}, 99);
    }

    void ShiftClickExtendsTheSelectionInEveryColumn() {
        TProgram program(true);
        program.AddSteps(1, 6);
        TDrawGrid* grid = program.Main().Grid(1);
        for (int col = 0; col <= 4; ++col) {
            QTest::mouseClick(grid, Qt::LeftButton, {}, grid->CellRect(col, 2).center());
            QTest::mouseClick(grid, Qt::LeftButton, Qt::ShiftModifier,
                              grid->CellRect(col, 5).center());
            QCOMPARE(grid->Selection().Top, 2);
            QCOMPARE(grid->Selection().Bottom, 5);
            QCOMPARE(grid->Selection().Left, 1);
        }
    }

    void CodeWindowIsModal() {
        TProgram program(false);
        program.AddSteps(1, 2);
        TCodeForm* code = program.Windows.CodeForm.get();
        bool seen = false;
        bool modal = false;
        QTimer closer;
        QObject::connect(&closer, &QTimer::timeout, code, [&] {
            if (code->isVisible() && !seen) {
                seen = true;
                modal = QApplication::activeModalWidget() == code;
                code->close();
            }
        });
        closer.start(10);
        QTest::keyClick(program.Main().CurrentGrid(), Qt::Key_V, Qt::AltModifier);
        QTRY_VERIFY(seen);
        QVERIFY(modal);
        QVERIFY(!code->isVisible());
    }

    void HelpTextsOverTheCheckBoxesAndThePlusPanel() {
        for (const bool advanced : {false, true}) {
            TProgram program(advanced);
            TMainForm& main = program.Main();
            QVERIFY(QTest::qWaitForWindowExposed(&main));
            const TWindowMouse mouse{main};
            QList<QPair<QWidget*, int>> areas{{main.HyperHelp(), 441}, {main.ModeSwitchBox(), 455}};
            if (advanced) {
                areas.append({main.SensorActionPanel(), 443});
            } else {
                areas.append({main.SensorsEnabled(), 440});
            }
            for (const auto& [widget, text] : areas) {
                mouse.Move(BackgroundPoint(main)); // the background: blank
                QCOMPARE(main.HelpMemo()->toPlainText(), Resources().LoadText(429));
                mouse.Move(mouse.Centre(widget));
                QCOMPARE(main.HelpMemo()->toPlainText(), Resources().LoadText(text));
                mouse.Move(mouse.Centre(widget) + QPoint(1, 1));
                QCOMPARE(main.HelpMemo()->toPlainText(), Resources().LoadText(text));
            }
        }
    }
};

QTEST_MAIN(MainFormInputTest)
#include "MainFormInputTest.moc"
