// The editor window's commands as a user drives them: picture buttons,
// keys, files, the save prompt, the port box and the settings.

#include "app/MainForm.h"
#include "app/AppState.h"
#include "app/IntroForm.h"
#include "app/MainWindows.h"
#include "uikit/Resources.h"
#include "app/Settings.h"
#include "uikit/SkinImage.h"
#include "uikit/UserDialogs.h"
#include "codegen/core/ActionListFile.h"
#include "codegen/ui/CodeForm.h"
#include "comm/ui/PortDiscovery.h"
#include "comm/ui/ProgressForm.h"
#include "editor/core/EditOperations.h"
#include "editor/ui/BotAction.h"
#include "editor/ui/Dragger.h"
#include "editor/ui/DrawGrid.h"
#include "editor/ui/SensorPanelDrag.h"
#include "editor/ui/SuperSpinEdit.h"

#include <QComboBox>

#include "FakeClock.h"
#include "MainFormTestSupport.h"
#include "TestEnvironment.h"

#include <QCheckBox>
#include <QFile>
#include <QLineEdit>
#include <QLocale>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSettings>
#include <QSignalSpy>
#include <QTabBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWheelEvent>

#include <deque>

using namespace wayline;

using test::TProgram;
using test::TScriptedDialogs;

class MainFormTest : public QObject {
    Q_OBJECT

    TTestEnvironment Environment;

private Q_SLOTS:
    void initTestCase() { Environment.QuietWindowMasks(); }

    void init() {
        QSettings store(QSettings::NativeFormat, QSettings::UserScope, "CorvaneInc", "Wayline");
        store.clear();
        store.sync();
    }

    void ButtonsStartGreyedByTheRules() {
        TProgram program(false);
        for (int tag : {1, 2, 5, 7, 8, 9, 10, 11})
            QVERIFY2(program.Disabled(tag), qPrintable(QString::number(tag)));
        for (int tag : {3, 4, 6})
            QVERIFY(!program.Disabled(tag));
    }

    void EmptyMainListGreysGoSaveClearWhateverTheSensorListsHold() {
        TProgram program(true);
        program.AddSteps(2, 3);
        QVERIFY(program.Disabled(1) && program.Disabled(2) && program.Disabled(5));
        program.AddSteps(1, 1);
        QVERIFY(!program.Disabled(1) && !program.Disabled(2) && !program.Disabled(5));
    }

    void AppendRowSelectionKeepsPasteOnly() {
        TProgram program(false);
        program.AddSteps(1, 2);
        program.SelectRows(1, 1);
        program.Key(Qt::Key_C, Qt::ControlModifier);
        program.SelectRows(3, 3); // the append row
        program.Main().AutoEnableDisable();
        QVERIFY(program.Disabled(7) && program.Disabled(8) && program.Disabled(9));
        QVERIFY(!program.Disabled(10));
        program.Key(Qt::Key_V, Qt::ControlModifier); // appends
        QCOMPARE(program.State.Editor.StepCount(1), 3);
        QCOMPARE(program.Main().Grid(1)->RowCount(), 5);
    }

    void KeysCopyPasteDeleteAndUndo() {
        TProgram program(false);
        program.AddSteps(1, 3);
        program.SelectRows(1, 3);
        program.Key(Qt::Key_C, Qt::ControlModifier);
        program.SelectRows(1, 1);
        program.Key(Qt::Key_V, Qt::ControlModifier);
        program.Key(Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(program.State.Editor.StepCount(1), 9); // three copied, pasted twice
        program.SelectRows(2, 4);
        program.Key(Qt::Key_Delete);
        QCOMPARE(program.State.Editor.StepCount(1), 6);
        QVERIFY(!program.Disabled(11));
        program.Key(Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(program.State.Editor.StepCount(1), 9);
        QCOMPARE(program.Main().Grid(1)->RowCount(), 11);
        QVERIFY(program.State.Editor.ListModified);
    }

    void AltLettersRunCommandsAndUnknownLettersNothing() {
        TProgram program(false);
        program.AddSteps(1, 2);
        program.SelectRows(1, 1);
        program.Key(Qt::Key_D, Qt::AltModifier);
        QCOMPARE(program.State.Editor.StepCount(1), 1);
        program.Key(Qt::Key_X, Qt::AltModifier); // not an Alt letter
        QCOMPARE(program.State.Editor.StepCount(1), 1);
        program.Key(Qt::Key_R, Qt::AltModifier); // Clear
        QCOMPARE(program.State.Editor.StepCount(1), 0);
        program.Key(Qt::Key_U, Qt::AltModifier); // Undo brings it back
        QCOMPARE(program.State.Editor.StepCount(1), 1);
    }

    void ClearButtonClickThroughThePictures() {
        TProgram program(false);
        program.AddSteps(1, 4);
        TMainForm& main = program.Main();
        TSkinImage* normal = main.Image(TMainForm::NormalPicture(2));
        TSkinImage* highlighted = main.Image(TMainForm::HighlightedPicture(2));
        QTest::mouseMove(normal, normal->rect().center());
        QMouseEvent hover(QEvent::MouseMove, QPointF(normal->rect().center()),
                          QPointF(normal->mapToGlobal(normal->rect().center())), Qt::NoButton,
                          Qt::NoButton, {});
        QApplication::sendEvent(normal, &hover);
        QVERIFY(highlighted->isVisible());
        QCOMPARE(main.HelpMemo()->toPlainText(), Resources().LoadText(445));
        QTest::mousePress(highlighted, Qt::LeftButton, {}, highlighted->rect().center());
        TSkinImage* pressed = main.Image(TMainForm::PressedPicture(2));
        QVERIFY(pressed->isVisible());
        QTest::mouseRelease(highlighted, Qt::LeftButton, {}, highlighted->rect().center());
        QCOMPARE(program.State.Editor.StepCount(1), 0);
        QVERIFY(!pressed->isVisible());
        QVERIFY(!highlighted->isVisible());
        QVERIFY(program.Disabled(2));
    }

    void SaveThenLoadRestoresListsAndCalibration() {
        QTemporaryDir dir;
        const QString file = dir.filePath("lists.wyl");
        {
            TProgram program(true);
            program.AddSteps(1, 5, akTurnLeft);
            program.AddSteps(4, 2, akStopAndWait);
            program.State.Editor.Document.LeftServoCenter = 91;
            program.Dialogs.SaveName = file;
            QVERIFY(program.Main().SaveFile());
            QCOMPARE(program.Dialogs.SeenSaveTitle, QStringLiteral("Save your To Do List"));
            QVERIFY(!program.State.Editor.ListModified);
        }
        QCOMPARE(QFile(file).size(), qint64(9240));
        TProgram program(true);
        program.Dialogs.OpenName = file;
        program.Main().LoadFile();
        QCOMPARE(program.Dialogs.SeenOpenTitle, QStringLiteral("Open an Action list"));
        QVERIFY(program.Dialogs.Errors.isEmpty());
        QCOMPARE(program.State.Editor.StepCount(1), 5);
        QCOMPARE(program.State.Editor.StepCount(4), 2);
        QCOMPARE(program.Main().Grid(4)->RowCount(), 4);
        QCOMPARE(int(program.State.Editor.Step(1, 5).Kind), int(akTurnLeft));
        QCOMPARE(int(program.State.Editor.Document.LeftServoCenter), 91);
        QVERIFY(!program.Disabled(1));
    }

    void AdvancedFileIsRefusedInBeginnerModeAndListsStay() {
        QTemporaryDir dir;
        const QString file = dir.filePath("advanced.wyl");
        {
            TProgram program(true);
            program.AddSteps(1, 2);
            program.Dialogs.SaveName = file;
            QVERIFY(program.Main().SaveFile());
        }
        TProgram program(false);
        program.AddSteps(1, 3);
        program.Dialogs.Answers = {TBoxAnswer::No};
        program.Dialogs.OpenName = file;
        program.Main().LoadFile();
        QCOMPARE(program.Dialogs.Errors,
                 QStringList{"This Wayline file was saved in Advanced Mode.  You must switch to "
                             "Advanced Mode before opening this file."});
        QCOMPARE(program.State.Editor.StepCount(1), 3);
        QCOMPARE(program.Main().Grid(1)->RowCount(), 5);
    }

    void QuitAsksWhileModifiedAndCancelKeepsRunning() {
        TProgram program(false);
        QSignalSpy quit(&program.Main(), &TMainForm::QuitRequested);
        program.AddSteps(1, 1);
        TakeUndoSnapshot(program.State.Editor, program.State.UndoRing);
        program.Dialogs.Answers = {TBoxAnswer::Cancel};
        program.Main().Quit();
        QCOMPARE(program.Dialogs.Prompts, 1);
        QCOMPARE(quit.count(), 0);
        program.Dialogs.Answers = {TBoxAnswer::No};
        program.Main().Quit();
        QCOMPARE(quit.count(), 1);
    }

    void ClosingTheWindowGoesThroughQuit() {
        TProgram program(false);
        QSignalSpy quit(&program.Main(), &TMainForm::QuitRequested);
        program.AddSteps(1, 1);
        TakeUndoSnapshot(program.State.Editor, program.State.UndoRing);
        program.Dialogs.Answers = {TBoxAnswer::Cancel};
        QVERIFY(!program.Main().close()); // refused: the user cancelled
        QVERIFY(program.Main().isVisible());
        QCOMPARE(quit.count(), 0);
        program.Dialogs.Answers = {TBoxAnswer::No};
        program.Main().close();
        QCOMPARE(quit.count(), 1);
    }

    void QuitEndsTheProgram() {
        TProgram program(false);
        QTimer::singleShot(0, &program.Main(), [&] { program.Main().Quit(); });
        // The event loop ends with Quit; a hang here would time the test out.
        QCOMPARE(QApplication::exec(), 0);
        QVERIFY(program.Main().close()); // after Quit a close goes through
    }

    void WheelOverARowControlScrollsItsGrid() {
        TProgram program(false);
        program.AddSteps(1, 20);
        TMainForm& main = program.Main();
        main.DisplayVisibleActions(1, 1);
        QWidget* edit = main.RowControl(1, 3)->SpinEdit()->Edit();
        const QPoint at = edit->rect().center();
        QWheelEvent wheel(QPointF(at), QPointF(edit->mapToGlobal(at)), QPoint(), QPoint(0, -240),
                          Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(edit, &wheel);
        QCOMPARE(main.Grid(1)->TopRow(), 3);
        QCOMPARE(main.RowControl(1, 1)->SpinEdit()->Bound(), &program.State.Editor.Step(1, 3));
    }

    void QuitWithUnmodifiedListsDoesNotAskAndStoresTheSettings() {
        TProgram program(false);
        QSignalSpy quit(&program.Main(), &TMainForm::QuitRequested);
        program.State.SelectedPort = QStringLiteral("ttyUSB0");
        program.State.Editor.Document.RightServoCenter = 120;
        program.Main().HyperHelp()->setChecked(false);
        program.Main().Quit();
        QCOMPARE(program.Dialogs.Prompts, 0);
        QCOMPARE(quit.count(), 1);
        QSettings store(QSettings::NativeFormat, QSettings::UserScope, "CorvaneInc", "Wayline");
        store.beginGroup("1.0");
        QCOMPARE(store.value("HyperHelp").toBool(), false);
        QCOMPARE(store.value("RightServoCenter").toInt(), 120);
        QCOMPARE(store.value("LeftServoCenter").toInt(), 100);
        QCOMPARE(store.value("ComPort").toString(), QStringLiteral("ttyUSB0"));
        QCOMPARE(store.value("LastDirectory").toString(), program.Main().FileFolder);
    }

    void FirstRunTakesTheDefaults() {
        TProgram program(false);
        QVERIFY(program.Main().HyperHelp()->isChecked());
        QCOMPARE(int(program.State.Editor.Document.LeftServoCenter), 100);
        QCOMPARE(program.State.SelectedPort, QStringLiteral("AUTO"));
        QCOMPARE(program.Main().FileFolder, StartFolderForFiles(QString()));
        QVERIFY(program.Main().FileFolder != QCoreApplication::applicationDirPath());
    }

    void StoredSettingsAreReadBack() {
        {
            QSettings store(QSettings::NativeFormat, QSettings::UserScope, "CorvaneInc", "Wayline");
            store.beginGroup("1.0");
            store.setValue("HyperHelp", false);
            store.setValue("LeftServoCenter", 300);
            store.setValue("ComPort", "com3");
            store.setValue("LastDirectory", "/tmp");
        }
        TProgram program(false);
        QVERIFY(!program.Main().HyperHelp()->isChecked());
        QVERIFY(!program.Main().HelpMemo()->isVisible());
        QCOMPARE(int(program.State.Editor.Document.LeftServoCenter), 44);
        QCOMPARE(int(program.State.Editor.Document.RightServoCenter), 100);
        QCOMPARE(program.State.SelectedPort, QStringLiteral("COM3"));
        QCOMPARE(program.Main().FileFolder, QStringLiteral("/tmp"));
    }

    void StoredPortThatIsGoneFallsBackToAuto() {
        {
            QSettings store(QSettings::NativeFormat, QSettings::UserScope, "CorvaneInc", "Wayline");
            store.beginGroup("1.0");
            store.setValue("ComPort", "COM7");
        }
        TProgram program(false);
        QCOMPARE(program.State.SelectedPort, QStringLiteral("AUTO"));
        QCOMPARE(program.Main().COMPortComboBox()->currentIndex(), 0);
    }

    void AStoredVirtualRobotIsChosenAgainAtStart() {
        {
            QSettings store(QSettings::NativeFormat, QSettings::UserScope, "CorvaneInc", "Wayline");
            store.beginGroup("1.0");
            store.setValue("ComPort", "Virtual robot");
        }
        TProgram program(false);
        QCOMPARE(program.State.SelectedPort, QStringLiteral("Virtual robot"));
        QCOMPARE(program.Main().COMPortComboBox()->currentText(), QStringLiteral("Virtual robot"));
    }

    void PortBoxRefreshKeepsTheSelectionWherePossible() {
        TProgram program(false);
        TPortDiscovery& ports = program.Main().Ports();
        // AUTO, the host's two ports, and the virtual robot after them.
        QComboBox* box = program.Main().COMPortComboBox();
        QCOMPARE(box->count(), 4);
        QCOMPARE(box->itemText(0), QStringLiteral("AUTO"));
        QCOMPARE(box->itemText(3), QStringLiteral("Virtual robot"));
        QCOMPARE(ports.SelectPortInCombo("COM3"), QStringLiteral("COM3"));
        program.HostPorts = {"ttyUSB0", "COM3"};
        ports.RefreshPortCombo();
        QCOMPARE(ports.GetSelectedPort(), QStringLiteral("COM3"));
        program.HostPorts = {"ttyUSB0"};
        ports.RefreshPortCombo();
        QCOMPARE(ports.GetSelectedPort(), QStringLiteral("AUTO"));
        QCOMPARE(ports.PortNames(), (QStringList{"ttyUSB0", "Virtual robot"}));
        // A host port of the same name (it cannot have one) is not listed twice.
        program.HostPorts = {"Virtual robot", "ttyUSB0"};
        ports.RefreshPortCombo();
        QCOMPARE(ports.PortNames(), (QStringList{"ttyUSB0", "Virtual robot"}));
        program.Main().SelectVirtualRobot();
        QCOMPARE(program.State.SelectedPort, QStringLiteral("Virtual robot"));
        QCOMPARE(box->currentText(), QStringLiteral("Virtual robot"));
    }

    void StepNumbersSelectWholeRowsAndShiftExtends() {
        TProgram program(true);
        program.AddSteps(1, 5);
        TDrawGrid* grid = program.Main().Grid(1);
        const QPoint row2 = grid->CellRect(0, 2).center();
        const QPoint row4 = grid->CellRect(0, 4).center();
        QTest::mouseClick(grid, Qt::LeftButton, {}, row2);
        QTest::mouseClick(grid, Qt::LeftButton, Qt::ShiftModifier, row4);
        const TDrawGrid::TSelection selection = grid->Selection();
        QCOMPARE(selection.Top, 2);
        QCOMPARE(selection.Bottom, 4);
        QCOMPARE(selection.Left, 1);
        QCOMPARE(selection.Right, 4);
        QCOMPARE(program.State.Editor.CurrentList, 1);
        QVERIFY(!program.Disabled(7));
    }

    void RowControlsFollowTheVisibleSteps() {
        TProgram program(false);
        TMainForm& main = program.Main();
        program.AddSteps(1, 3);
        main.DisplayVisibleActions(1, 1);
        for (int slot = 1; slot <= 7; ++slot) {
            QCOMPARE(main.RowControl(1, slot)->IsShown(), slot <= 3);
        }
        // Twenty steps scrolled by one row: every slot shows the next step.
        for (int i = 4; i <= 20; ++i) {
            InsertIntoList(program.State.Editor, 1, i, i % 2 ? akTurnLeft : akStopAndWait,
                           static_cast<std::int16_t>(i));
        }
        main.SyncRowCounts();
        main.Grid(1)->SetTopRow(5);
        for (int slot = 1; slot <= 7; ++slot) {
            TBotAction* row = main.RowControl(1, slot);
            QVERIFY(row->IsShown());
            QCOMPARE(row->SpinEdit()->Bound(), &program.State.Editor.Step(1, 4 + slot));
            QCOMPARE(int(row->Kind()), int(program.State.Editor.Step(1, 4 + slot).Kind));
        }
    }

    void LoopBackShownBelowItsTargetLimitIsLoweredToItsOwnRow() {
        TProgram program(false);
        program.AddSteps(1, 1);
        InsertIntoList(program.State.Editor, 1, 2, akLoopBack, 8);
        program.Main().SyncRowCounts();
        program.Main().DisplayVisibleActions(1, 1);
        QCOMPARE(int(program.State.Editor.Step(1, 2).Value), 2);
        QCOMPARE(program.Main().RowControl(1, 2)->SpinEdit()->Edit()->text(),
                 QStringLiteral("step 2"));
        QCOMPARE(program.Main().RowControl(1, 1)->SpinEdit()->Edit()->text(),
                 QStringLiteral("1.2 sec"));
    }

    void DropsInsertWhereTheyLand() {
        TProgram program(false);
        TMainForm& main = program.Main();
        TDrawGrid* grid = main.Grid(1);
        main.ToDoListDragDrop(grid, akMoveForward, QPoint(5, 5));                // title row: row 1
        main.ToDoListDragDrop(grid, akTurnRight, grid->CellRect(1, 1).center()); // before step 1
        main.ToDoListDragDrop(grid, akStopAndWait, QPoint(5, grid->height() - 2)); // below: append
        QCOMPARE(program.State.Editor.StepCount(1), 3);
        QCOMPARE(int(program.State.Editor.Step(1, 1).Kind), int(akTurnRight));
        QCOMPARE(int(program.State.Editor.Step(1, 2).Kind), int(akMoveForward));
        QCOMPARE(int(program.State.Editor.Step(1, 3).Kind), int(akStopAndWait));
        QCOMPARE(int(program.State.Editor.Step(1, 3).Value), 10);
        QCOMPARE(grid->RowCount(), 5);
        QVERIFY(main.RowControl(1, 3)->IsShown());
        QVERIFY(!program.Disabled(1));
        // Each drop is one undo level.
        program.Key(Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(program.State.Editor.StepCount(1), 2);
    }

    void SensorSetDropAndLoopBackDoubleClick() {
        TProgram program(true);
        TMainForm& main = program.Main();
        program.AddSteps(1, 2);
        main.SensorTabs()->setCurrentIndex(3); // Set3 shown: list 5 current
        QCOMPARE(program.State.Editor.CurrentList, 5);
        QVERIFY(main.Grid(5)->isVisible() && !main.Grid(2)->isVisible());
        QCOMPARE(main.RowControl(5, 1)->Grid(), main.Grid(5));
        main.ActionDblClick(akLoopBack); // not into a sensor list
        QCOMPARE(program.State.Editor.StepCount(5), 0);
        main.ActionDblClick(akRotateLeft);
        QCOMPARE(program.State.Editor.StepCount(5), 1);
        TDrawGrid* grid = main.Grid(1);
        // The "+" panel dropped on Left of step 2 stores the shown set.
        QVERIFY(main.SensorSetDrag());
        Q_EMIT main.SensorSetDrag()->PanelDropped(grid, grid->CellRect(3, 2).center());
        QCOMPARE(int(program.State.Editor.Step(1, 2).LeftSet), 3);
        main.ToDoListDragDrop(grid, -1, grid->CellRect(1, 2).center()); // refused on Actions
        QCOMPARE(int(program.State.Editor.Step(1, 2).BothSet), 0);
    }

    void DraggedActionLandsInTheListUnderTheCursor() {
        TProgram program(true);
        TMainForm& main = program.Main();
        TDragger& dragger = *program.Windows.Dragger;
        dragger.SetDropStepDelay(0);
        const auto drop = [&](int kind, QWidget* over) {
            dragger.SetDragActionTag(kind);
            dragger.DragActionMouseDown(27, 27);
            const QPoint target = over->mapToGlobal(over->rect().center());
            dragger.DragTo(target);
            dragger.DragRelease(target);
        };
        drop(akTurnLeft, main.Grid(1));
        QCOMPARE(program.State.Editor.StepCount(1), 1);
        QCOMPARE(int(program.State.Editor.Step(1, 1).Kind), int(akTurnLeft));
        drop(akRotateRight, main.Grid(2));
        QCOMPARE(program.State.Editor.StepCount(2), 1);
        drop(akLoopBack, main.Grid(2)); // Loop Back never lands in a sensor list
        QCOMPARE(program.State.Editor.StepCount(2), 1);
        QVERIFY(!dragger.isVisible());
    }

    void AltVShowsTheProgramThatGoWouldCompile() {
        TProgram program(false);
        program.AddSteps(1, 2, akRotateLeft);
        TCodeForm& code = *program.Windows.CodeForm;
        // The window is modal: it is read and closed from within its own loop.
        bool shown = false;
        QTimer closer;
        QObject::connect(&closer, &QTimer::timeout, &code, [&] {
            if (code.isVisible()) {
                shown = true;
                code.close();
            }
        });
        closer.start(10);
        program.Key(Qt::Key_V, Qt::AltModifier);
        QTRY_VERIFY(shown);
        const QString text = code.BASICMemo()->toPlainText();
        QVERIFY(text.startsWith(QStringLiteral("'{$KEYSTONE KM2}")));
        QVERIFY(text.contains(QStringLiteral("Configure")));
        QVERIFY(text.contains(QStringLiteral("ActionList\tDATA\t\"E\",12   ,\"E\",12   ")));
        QVERIFY(program.Dialogs.Errors.isEmpty());
    }

    void ArrowKeysMoveAndExtendTheSelectedRows() {
        TProgram program(false);
        program.AddSteps(1, 12);
        TDrawGrid* grid = program.Main().Grid(1);
        program.SelectRows(2, 2);
        program.Key(Qt::Key_Down);
        QCOMPARE(grid->Selection().Top, 3);
        program.Key(Qt::Key_Down, Qt::ShiftModifier);
        program.Key(Qt::Key_Down, Qt::ShiftModifier);
        QCOMPARE(grid->Selection().Top, 3);
        QCOMPARE(grid->Selection().Bottom, 5);
        program.Key(Qt::Key_Delete);
        QCOMPARE(program.State.Editor.StepCount(1), 9);
        program.Key(Qt::Key_End); // the append row, scrolled into view
        QCOMPARE(grid->Selection().Top, 10);
        QVERIFY(grid->TopRow() > 1);
        QVERIFY(program.Disabled(7));
    }

    void GoCompilesTheGeneratedProgram() {
        TProgram program(true);
        TFakeClock clock; // the progress window's pause on closing
        program.Windows.ProgressForm->SetClock(&clock);
        program.HostPorts.clear();
        program.AddSteps(1, 4, akMoveForward);
        program.AddSteps(3, 2, akRotateLeft);
        program.Main().Go();
        // It compiled, and the download found no robot on a host without ports.
        QCOMPARE(program.Dialogs.Errors, QStringList{QStringLiteral("No robot found.")});
        const TDownloadImages& images = program.Main().LastCompile();
        QCOMPARE(images.DownloadTargetType, 2);
        QCOMPARE(images.ProgramImageCount, 1);
        QVERIFY(images.ImagePacketCounts[0] > 0);
        // Go leaves the program it compiled in the code window, unshown.
        QVERIFY(program.Windows.CodeForm->BASICMemo()->toPlainText().contains("Configure"));
        QVERIFY(!program.Windows.CodeForm->isVisible());
    }

    void HelpFollowsTheMouseOverTheMainGrid() {
        TProgram program(true);
        program.AddSteps(1, 1);
        TDrawGrid* grid = program.Main().Grid(1);
        for (int col = 0; col <= 4; ++col) {
            QTest::mouseMove(grid, grid->CellRect(col, 1).center());
            const int expected = col >= 2 ? 433 + col : 434;
            QCOMPARE(program.Main().HelpMemo()->toPlainText(), Resources().LoadText(expected));
        }
    }
};

QTEST_MAIN(MainFormTest)
#include "MainFormTest.moc"
