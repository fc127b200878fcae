// The program from start to the first editing moment: module state, the
// start window, the windows' order and the main window's set-up per mode.

#include "app/AppState.h"
#include "app/IntroForm.h"
#include "app/MainWindows.h"
#include "uikit/Resources.h"
#include "uikit/SkinImage.h"
#include "codegen/ui/CodeForm.h"
#include "comm/ui/PortDiscovery.h"
#include "comm/ui/ProgressForm.h"
#include "editor/ui/Dragger.h"
#include "editor/ui/DrawGrid.h"
#include "app/MainForm.h"
#include "testmode/ui/TestForm.h"

#include "TestEnvironment.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLocale>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabBar>
#include <QTest>

#include <memory>

using namespace wayline;

class StartupTest : public QObject {
    Q_OBJECT

    TTestEnvironment Environment;

    // A fresh program: state, windows, start window shown.
    struct TProgram {
        TAppState State;
        TMainWindows Windows;
        TProgram() {
            InitialiseApp(State, Resources(), QLocale::c());
            CreateWindows(Windows, State, Resources());
            Windows.IntroForm->show();
        }
        TMainForm& Main() { return *Windows.MainForm; }
        TMainForm& Choose(bool advanced) {
            QPushButton* button = advanced ? Windows.IntroForm->AdvancedButton()
                                           : Windows.IntroForm->BeginnerButton();
            QTest::mouseClick(button, Qt::LeftButton);
            return Main();
        }
    };

private Q_SLOTS:
    void initTestCase() { Environment.QuietWindowMasks(); }

    void ModuleStateBeforeAnyWindow() {
        TAppState state;
        state.SelectedPort = QStringLiteral("COM4");
        state.Editor.AdvancedMode = true;
        InitialiseApp(state, Resources(), QLocale(QLocale::German, QLocale::Germany));
        QCOMPARE(state.SelectedPort, QStringLiteral("AUTO"));
        QCOMPARE(state.AltLetters, QStringLiteral("DCTPUGVRELSQ"));
        QCOMPARE(state.FontCharset, 0);
        QCOMPARE(state.RobotText, QStringLiteral("Robot"));
        QCOMPARE(state.DecimalSeparator, QChar(u','));
        QCOMPARE(state.NegativeSign, QChar(u'-'));
        QCOMPARE(state.Editor.AdvancedMode, false);
        QCOMPARE(state.Editor.CurrentList, 1);
        QCOMPARE(state.Editor.Step(1, 0).Value, std::int16_t(-1));
        QCOMPARE(int(state.Editor.Document.LeftServoCenter), 100);

        InitialiseApp(state, Resources(), QLocale::c());
        QCOMPARE(state.DecimalSeparator, QChar(u'.'));
    }

    void StartWindowAsksForTheMode() {
        TProgram program;
        TIntroForm& intro = *program.Windows.IntroForm;
        QVERIFY(QTest::qWaitForWindowExposed(&intro));
        QCOMPARE(intro.windowTitle(), QStringLiteral("Wayline v1.3.1 - Please choose a mode"));
        // Beside the modes, the choice of language.
        QCOMPARE(intro.size(), QSize(266, 146));
        QCOMPARE(intro.BeginnerButton()->text(), QStringLiteral("Beginner Mode"));
        QCOMPARE(intro.AdvancedButton()->text(), QStringLiteral("Advanced Mode"));
        QVERIFY(!program.Main().isVisible());
        QVERIFY(!(intro.windowFlags() & Qt::WindowCloseButtonHint));
    }

    void CaptionVersionComesFromTheBuild() {
        QCOMPARE(ProductVersion(), QStringLiteral("1.3.1"));
        // A missing version gives an empty version, nothing else changes.
        QCOMPARE(IntroCaption(QString(), Resources()),
                 QStringLiteral("Wayline v - Please choose a mode"));
    }

    void WindowsAreCreatedInTheirOrderAndLive() {
        TProgram program;
        TMainWindows& w = program.Windows;
        QVERIFY(w.IntroForm && w.MainForm && w.TestForm && w.ProgressForm && w.Dragger &&
                w.CodeForm);
        QCOMPARE(w.CodeForm->windowTitle(), QStringLiteral("Wayline Code"));
        QCOMPARE(w.TestForm->windowTitle(), QStringLiteral("Test Mode"));
        QCOMPARE(w.ProgressForm->windowTitle(), QStringLiteral("Download Progress"));
        // Nothing but the start window is shown before the choice.
        QVERIFY(!w.MainForm->isVisible() && !w.Dragger->isVisible() && !w.CodeForm->isVisible());
        QVERIFY(!w.MainForm->IsSetUp());
    }

    void BeginnerModeHidesTheSensorArea() {
        TProgram program;
        TMainForm& main = program.Choose(false);
        QVERIFY(!program.Windows.IntroForm->isVisible());
        QVERIFY(main.isVisible());
        QVERIFY(main.IsSetUp());
        QCOMPARE(program.State.Editor.AdvancedMode, false);
        QCOMPARE(main.size(), QSize(526, 527));
        QVERIFY(!main.SensorTabbedNotebook()->isVisible());
        QVERIFY(!main.SensorActionPanel()->isVisible());
        QVERIFY(main.SensorsEnabled()->isVisible());
        QCOMPARE(main.Grid(1)->ColCount(), 2);
        QCOMPARE(main.SensorsEnabled()->text(), QStringLiteral("Sensors Enabled"));
    }

    void AdvancedModeShowsTheSensorTabs() {
        TProgram program;
        TMainForm& main = program.Choose(true);
        QCOMPARE(program.State.Editor.AdvancedMode, true);
        QCOMPARE(main.size(), QSize(797, 527));
        QVERIFY(main.SensorTabbedNotebook()->isVisible());
        QVERIFY(main.SensorActionPanel()->isVisible());
        QVERIFY(!main.SensorsEnabled()->isVisible());
        QCOMPARE(main.Grid(1)->ColCount(), 5);
        const QStringList tabs{"All", "Set1", "Set2", "Set3", "Set4"};
        QCOMPARE(main.SensorTabs()->count(), 5);
        for (int i = 0; i < 5; ++i)
            QCOMPARE(main.SensorTabs()->tabText(i), tabs[i]);
        // Only the "All" list is shown, inside the tab control.
        QVERIFY(main.Grid(2)->isVisible());
        for (int list = 3; list <= 6; ++list)
            QVERIFY(!main.Grid(list)->isVisible());
        QCOMPARE(main.Grid(2)->parentWidget(), main.SensorTabbedNotebook());
    }

    void MainWindowSetUpFollowsTheStartUpSteps() {
        TProgram program;
        TMainForm& main = program.Choose(false);
        QVERIFY(main.windowFlags() & Qt::FramelessWindowHint);
        // Frame pieces 6 and 13 hidden, 12 shown.
        QVERIFY(!main.Image(6)->isVisible());
        QVERIFY(!main.Image(13)->isVisible());
        QVERIFY(main.Image(12)->isVisible());
        QCOMPARE(main.COMPortComboBox()->itemText(0), QStringLiteral("AUTO"));
        QCOMPARE(main.HyperHelp()->text(), QStringLiteral("Help Enabled"));
        QCOMPARE(main.SerialPortLabel1()->text(), QStringLiteral(" "));
        QCOMPARE(main.SerialPortLabel2()->text(), QStringLiteral("PC Serial Port"));
        QVERIFY(main.HyperHelp()->isChecked());
        QVERIFY(main.HelpMemo()->isVisible());
        QCOMPARE(main.HelpMemo()->toPlainText(), Resources().LoadText(430));
        // The palette pictures belong to the palette, tagged by kind and
        // hinted with the action's name.
        const int kinds[] = {0, 1, 2, 3, 4, 5, 7, 6}; // Loop Back before Stop and Wait
        for (int n = 14; n <= 21; ++n) {
            TSkinImage* picture = main.Image(n);
            QCOMPARE(picture->parentWidget(), main.ActionScrollBox());
            QCOMPARE(picture->Tag(), kinds[n - 14]);
            QCOMPARE(picture->toolTip(), Resources().LoadText(398 + kinds[n - 14]));
        }
        QCOMPARE(main.Image(43)->cursor().shape(), Qt::PointingHandCursor);
        // Grid names, tags and the empty lists' row counts.
        const QStringList names{"ToDoList",   "SensorSetAll", "SensorSet1",
                                "SensorSet2", "SensorSet3",   "SensorSet4"};
        for (int list = 1; list <= 6; ++list) {
            TDrawGrid* grid = main.Grid(list);
            QCOMPARE(grid->objectName(), names[list - 1]);
            QCOMPARE(grid->Tag(), list);
            QCOMPARE(grid->RowCount(), program.State.Editor.StepCount(list) + 2);
        }
        QVERIFY(!program.State.Editor.ListModified);
    }

    void MainGridColumnsFillTheGridBesideTheScrollBar() {
        TProgram program;
        TMainForm& main = program.Choose(true);
        TDrawGrid* grid = main.Grid(1);
        int total = 0;
        for (int col = 0; col < grid->ColCount(); ++col)
            total += grid->ColWidth(col);
        QCOMPARE(total, grid->width() - grid->ColCount() - grid->ScrollBarWidth() + 2);
        // The titles decide the other columns: none is widened.
        QVERIFY(grid->ColWidth(1) > grid->ColWidth(2));
    }

    void WindowsAreShapedToTheirPictures() {
        TProgram program;
        TMainForm& main = program.Choose(false);
        const QRegion shape = main.mask();
        QVERIFY(!shape.isEmpty());
        QVERIFY(!shape.contains(QPoint(1, 1)));               // corner cut away
        QVERIFY(shape.contains(QPoint(main.width() / 2, 2))); // top edge kept
        QVERIFY(shape.contains(QPoint(main.width() / 2, main.height() - 2)));

        TDragger& dragger = *program.Windows.Dragger;
        const QRect picture = dragger.DragAction()->geometry();
        QCOMPARE(picture.size(), QSize(54, 54));
        QCOMPARE(picture.center(), dragger.rect().center());
        QVERIFY(dragger.mask().boundingRect().width() <= 54);
        QVERIFY(dragger.mask().contains(picture.center()));
        QVERIFY(!dragger.mask().contains(picture.topLeft()));
    }

    void HelpOffAndOnRestoresTheWindow() {
        TProgram program;
        TMainForm& main = program.Choose(false);
        const int heightWithHelp = main.height();
        const int edgeTop = main.Image(2)->y();
        main.HyperHelp()->setChecked(false);
        main.HyperHelpClick();
        QVERIFY(!main.HelpMemo()->isVisible());
        QVERIFY(main.height() < heightWithHelp);
        const TSkinImage* go = main.Image(42);
        QCOMPARE(main.Image(2)->y(), go->y() + go->height() + 4);
        QCOMPARE(main.Image(4)->y(), main.Image(2)->y());
        QCOMPARE(main.height(), go->y() + go->height() + main.Image(2)->height() + 15);

        main.HyperHelp()->setChecked(true);
        main.HyperHelpClick();
        QCOMPARE(main.height(), heightWithHelp);
        QCOMPARE(main.Image(2)->y(), edgeTop);
        QVERIFY(main.HelpMemo()->isVisible());
        QCOMPARE(main.HelpMemo()->toPlainText(), QStringLiteral(" "));
        QVERIFY(main.mask().contains(QPoint(main.width() / 2, main.height() - 2)));
    }

    void MovingTheWindowFollowsTheMouse() {
        TProgram program;
        TMainForm& main = program.Choose(false);
        const QPoint start = main.pos();
        TSkinImage* background = main.Image(1);
        const QPoint grab(5, 200);
        QTest::mousePress(background, Qt::LeftButton, {}, grab);
        QMouseEvent move(QEvent::MouseMove, QPointF(grab + QPoint(30, 12)),
                         QPointF(background->mapToGlobal(grab + QPoint(30, 12))), Qt::NoButton,
                         Qt::LeftButton, {});
        QApplication::sendEvent(background, &move);
        QTest::mouseRelease(background, Qt::LeftButton, {}, grab + QPoint(30, 12));
        QCOMPARE(main.pos(), start + QPoint(30, 12));
    }
};

QTEST_MAIN(StartupTest)
#include "StartupTest.moc"
