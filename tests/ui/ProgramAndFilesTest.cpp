// The editor window's program, files and settings as a user meets them:
// Go and View refusing what the robot cannot play, messages for files that
// do not load, where the file dialogs start, the chosen port across a
// restart, and the memory gauge that shows the robot's limit coming.

#include "app/AppState.h"
#include "app/IntroForm.h"
#include "app/MainWindows.h"
#include "uikit/Resources.h"
#include "uikit/SkinImage.h"
#include "uikit/UserDialogs.h"
#include "codegen/core/BuildCode.h"
#include "codegen/ui/CodeForm.h"
#include "comm/ui/PortDiscovery.h"
#include "comm/ui/ProgressForm.h"
#include "editor/core/EditOperations.h"
#include "editor/ui/DrawGrid.h"
#include "app/MainForm.h"
#include "codegen/ui/MemoryGauge.h"

#include "FakeClock.h"
#include "TestEnvironment.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLocale>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

using namespace wayline;

namespace {

// Boxes and dialogs that answer from a script and record the messages.
class TScriptedDialogs : public TUserDialogs {
public:
    QStringList Errors;
    QString SaveName;
    QString OpenName;
    QString SeenFolder; // where the last file dialog opened

    void ShowErrorBox(QWidget*, const QString& text) override { Errors.append(text); }
    TBoxAnswer AskToSave(QWidget*, const QString&) override { return TBoxAnswer::No; }
    bool AskYesNo(QWidget*, const QString&) override { return false; }
    QString GetSaveFileName(QWidget*, const TFileDialogSpec&, const QString& folder,
                            const QString&) override {
        SeenFolder = folder;
        return SaveName;
    }
    QString GetOpenFileName(QWidget*, const TFileDialogSpec&, const QString& folder,
                            const QString&) override {
        SeenFolder = folder;
        return OpenName;
    }
};

// One run of the program, up to the main window in the chosen mode.
struct TRun {
    TAppState State;
    TMainWindows Windows;
    TScriptedDialogs Dialogs;
    QStringList HostPorts;

    TRun(bool advanced, QStringList ports = {QStringLiteral("ttyS0"), QStringLiteral("ttyUSB0")})
        : HostPorts(std::move(ports)) {
        InitialiseApp(State, Resources(), QLocale::c());
        CreateWindows(Windows, State, Resources());
        Main().SetDialogs(&Dialogs);
        Main().Ports().SetEnumerator([this] { return HostPorts; });
        Windows.IntroForm->show();
        (advanced ? Windows.IntroForm->AdvancedButton() : Windows.IntroForm->BeginnerButton())
            ->click();
    }
    TMainForm& Main() { return *Windows.MainForm; }
    TDocumentState& Editor() { return State.Editor; }

    void Fill(int list, int count, int sets = -1) {
        for (int row = 1; row <= count; ++row) {
            const int set = sets < 0 ? row % 2 + 1 : sets;
            InsertIntoList(Editor(), list, Editor().StepCount(list) + 1, akMoveForward, 10);
            TActionStep& step = Editor().Step(list, row);
            step.BothSet = step.LeftSet = step.RightSet = static_cast<std::uint8_t>(set);
        }
        Main().SyncRowCounts();
        Main().AutoEnableDisable();
    }
    TMemoryGauge* Gauge() { return Main().findChild<TMemoryGauge*>(); }
};

} // namespace

class ProgramAndFilesTest : public QObject {
    Q_OBJECT

    TTestEnvironment Environment;

    static void ClearSettings() {
        QSettings store(QSettings::NativeFormat, QSettings::UserScope, "CorvaneInc", "Wayline");
        store.clear();
        store.sync();
    }

private Q_SLOTS:
    void initTestCase() { Environment.QuietWindowMasks(); }
    void init() { ClearSettings(); }

    // A jump over more than 255 entries cannot be written into one DATA
    // byte: Go and View refuse the list, naming the step, and nothing is
    // compiled or shown.
    void GoAndViewRefuseALoopBackTooFarForTheRobot() {
        TRun run(true);
        run.Fill(MainList, 100);
        InsertIntoList(run.Editor(), MainList, 101, akLoopBack, 1);
        run.Main().SyncRowCounts();
        run.Main().Go();
        QCOMPARE(run.Dialogs.Errors.size(), 1);
        QVERIFY2(run.Dialogs.Errors[0].startsWith("Step 101 loops back too far for the robot"),
                 qPrintable(run.Dialogs.Errors[0]));
        QCOMPARE(run.Main().LastCompile().ImagePacketCounts[0], 0);

        run.Main().ViewButtonClick();
        QCOMPARE(run.Dialogs.Errors.size(), 2);
        QVERIFY(!run.Windows.CodeForm->isVisible());

        // Loop back to a later step: the jump fits, Go compiles and goes on
        // to look for the robot, which a host without ports does not have.
        TFakeClock clock; // the progress window's pause on closing
        run.Windows.ProgressForm->SetClock(&clock);
        run.HostPorts.clear();
        run.Editor().Step(MainList, 101).Value = 40;
        run.Main().Go();
        QCOMPARE(run.Dialogs.Errors.size(), 3);
        QCOMPARE(run.Dialogs.Errors[2], QStringLiteral("No robot found."));
        QVERIFY(run.Main().LastCompile().ImagePacketCounts[0] > 0);
    }

    // The six lists together can outgrow the room the robot program
    // leaves: Go says by how much instead of a bare failure.
    void GoSaysHowMuchTheListsAreTooLarge() {
        TRun run(true);
        for (int list = 1; list <= ListCount; ++list) {
            run.Fill(list, 100, 0);
        }
        run.Main().Go();
        QCOMPARE(run.Dialogs.Errors.size(), 1);
        const QString& message = run.Dialogs.Errors[0];
        QVERIFY2(message.startsWith("Your action lists do not fit into the robot's memory: ") &&
                     message.contains(" bytes too many.  Remove about ") &&
                     message.endsWith(" steps."),
                 qPrintable(message));
        QCOMPARE(run.Main().LastCompile().ImagePacketCounts[0], 0);
    }

    // A file cut short loads nothing and says so; the lists stay.
    void FilesThatDoNotLoadSaySoAndKeepTheLists() {
        QTemporaryDir dir;
        TRun run(false);
        run.Fill(MainList, 3, 0);
        run.Dialogs.SaveName = dir.filePath("whole.wyl");
        QVERIFY(run.Main().SaveFile());
        QFile whole(dir.filePath("whole.wyl"));
        QVERIFY(whole.open(QIODevice::ReadOnly));
        QFile cut(dir.filePath("cut.wyl"));
        QVERIFY(cut.open(QIODevice::WriteOnly));
        cut.write(whole.read(9000));
        cut.close();

        run.Fill(MainList, 2, 0);
        run.Editor().ListModified = true;
        run.Dialogs.OpenName = dir.filePath("cut.wyl");
        run.Main().LoadFile();
        QCOMPARE(run.Dialogs.Errors, QStringList{"Not proper Wayline file format."});
        QCOMPARE(run.Editor().StepCount(MainList), 5);
        QCOMPARE(run.Main().Grid(MainList)->RowCount(), 7);
        QVERIFY(run.Editor().ListModified);

        // A folder chosen as the file cannot be read: the reason is named.
        run.Dialogs.OpenName = dir.path();
        run.Main().LoadFile();
        QCOMPARE(run.Dialogs.Errors.size(), 2);
        QCOMPARE(run.Dialogs.Errors[1], "Can not open " + dir.path() + ": Is a directory");
        QCOMPARE(run.Editor().StepCount(MainList), 5);
    }

    // Both dialogs open where the last file was opened or saved; before any
    // file, in the documents folder (or home), never the program's folder.
    void FileDialogsOpenWhereTheLastFileWas() {
        const QString documents =
            QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
        const QString start = QFileInfo(documents).isDir() ? documents : QDir::homePath();
        QTemporaryDir lessons;
        TRun run(false);
        run.Fill(MainList, 2);
        run.Dialogs.SaveName = lessons.filePath("lesson1.wyl");
        QVERIFY(run.Main().SaveFile());
        QCOMPARE(run.Dialogs.SeenFolder, start);
        QVERIFY(run.Dialogs.SeenFolder != QCoreApplication::applicationDirPath());
        run.Main().LoadFile();
        QCOMPARE(run.Dialogs.SeenFolder, QFileInfo(lessons.path()).absoluteFilePath());
        run.Main().SaveFile();
        QCOMPARE(run.Dialogs.SeenFolder, QFileInfo(lessons.path()).absoluteFilePath());
        // The process's own folder is not the dialogs' business.
        QVERIFY(QDir::currentPath() != QFileInfo(lessons.path()).absoluteFilePath());
    }

    // The port chosen in the box comes back at the next start, through the
    // settings file on disk. A port that is missing at a start shows as
    // AUTO (every port is searched), but the choice is not forgotten.
    void AChosenPortSurvivesARestart() {
        const QString file = Environment.SettingsPath() + "/CorvaneInc/Wayline.conf";
        {
            TRun run(false);
            QComboBox* box = run.Main().COMPortComboBox();
            box->setFocus();
            QTest::keyClick(box, Qt::Key_Down); // AUTO -> ttyS0, as a user chooses
            QCOMPARE(box->currentText(), QStringLiteral("ttyS0"));
            QCOMPARE(run.State.SelectedPort, QStringLiteral("ttyS0"));
            run.Main().Quit();
        }
        QSettings onDisk(file, QSettings::IniFormat);
        QCOMPARE(onDisk.value("1.0/ComPort").toString(), QStringLiteral("ttyS0"));
        {
            TRun run(false);
            QCOMPARE(run.State.SelectedPort, QStringLiteral("ttyS0"));
            QCOMPARE(run.Main().COMPortComboBox()->currentText(), QStringLiteral("ttyS0"));
            run.Main().Quit();
        }
        {
            TRun run(false, {QStringLiteral("ttyUSB0")}); // ttyS0 is gone today
            QCOMPARE(run.State.SelectedPort, QStringLiteral("AUTO"));
            QCOMPARE(run.Main().COMPortComboBox()->currentIndex(), 0);
            run.Main().Quit();
        }
        {
            TRun run(false);
            QCOMPARE(run.State.SelectedPort, QStringLiteral("ttyS0"));
            // Choosing AUTO on purpose is remembered as AUTO.
            QComboBox* box = run.Main().COMPortComboBox();
            box->setFocus();
            QTest::keyClick(box, Qt::Key_Up);
            QCOMPARE(run.State.SelectedPort, QStringLiteral("AUTO"));
            run.Main().Quit();
        }
        onDisk.sync();
        QCOMPARE(onDisk.value("1.0/ComPort").toString(), QStringLiteral("AUTO"));
    }

    // The gauge follows every edit: drops, deletes, undo, clear and loads.
    void MemoryGaugeFollowsEveryEdit() {
        TRun run(true);
        TMemoryGauge* gauge = run.Gauge();
        QVERIFY(gauge);
        QVERIFY(gauge->isVisible());
        const int empty = gauge->Use().Percent();
        QVERIFY(empty >= 0 && empty <= 3);
        QCOMPARE(gauge->Text(), QStringLiteral("Memory %1%").arg(empty));

        TMainForm& main = run.Main();
        TDrawGrid* grid = main.Grid(MainList);
        for (int i = 0; i < 30; ++i) {
            main.ToDoListDragDrop(grid, akTurnLeft, QPoint(5, grid->height() - 2));
        }
        QCOMPARE(gauge->Use().DataBytes, ListDataBytes(run.Editor()));
        const int thirty = gauge->Use().Percent();
        QVERIFY(thirty > empty);

        grid->SetSelection({1, 1, grid->ColCount() - 1, 10});
        QTest::keyClick(grid, Qt::Key_Delete);
        QVERIFY(gauge->Use().Percent() < thirty);
        QTest::keyClick(grid, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(gauge->Use().Percent(), thirty);

        // In advanced mode a change of sensor column costs an entry, and
        // one more to change back: Set3 dropped on Left of steps 2 and 6.
        grid->SetTopRow(1);
        main.SensorTabs()->setCurrentIndex(3);
        const int before = gauge->Use().DataBytes;
        main.ToDoListDragDrop(grid, -1, grid->CellRect(3, 2).center()); // the "+" panel
        main.ToDoListDragDrop(grid, -1, grid->CellRect(3, 6).center());
        QCOMPARE(int(run.Editor().Step(MainList, 6).LeftSet), 3);
        QCOMPARE(gauge->Use().DataBytes, before + 4 * 2);
        // Step 6 dragged by its number up to row 3: the two steps with Set3
        // now follow each other, and two entries are saved.
        QTest::mousePress(grid, Qt::LeftButton, {}, grid->CellRect(0, 6).center());
        QTest::mouseMove(grid, grid->CellRect(0, 3).center());
        QTest::mouseRelease(grid, Qt::LeftButton, {}, grid->CellRect(0, 3).center());
        QCOMPARE(int(run.Editor().Step(MainList, 3).LeftSet), 3);
        QCOMPARE(gauge->Use().DataBytes, before + 2 * 2);
        QCOMPARE(gauge->Use().DataBytes, ListDataBytes(run.Editor()));

        // Five sets of 120 steps: some 1200 bytes, well past the room the
        // robot program leaves (about 1070 bytes), whatever its exact size.
        for (int list = 2; list <= ListCount; ++list) {
            run.Fill(list, 120, 0);
        }
        QVERIFY(!gauge->Use().Fits());
        QVERIFY(gauge->Use().Percent() > 100);
        QCOMPARE(gauge->Text(), QStringLiteral("Memory %1%").arg(gauge->Use().Percent()));

        main.Clear();
        QCOMPARE(gauge->Use().Percent(), empty);
    }

    // Placed in the settings panel of either mode, clear of every other
    // control, with its help text under the mouse.
    void MemoryGaugeSitsInTheSettingsPanelWithItsHelp() {
        for (const bool advanced : {false, true}) {
            TRun run(advanced);
            TMainForm& main = run.Main();
            TMemoryGauge* gauge = run.Gauge();
            QVERIFY(gauge && gauge->isVisible());
            const QRect place = gauge->geometry();
            QVERIFY(main.Image(9)->geometry().contains(place));
            for (QWidget* other : std::initializer_list<QWidget*>{
                     main.HyperHelp(), main.SensorsEnabled(), main.COMPortComboBox(),
                     main.SerialPortLabel2(), main.Grid(MainList), main.HelpMemo()}) {
                if (other->isVisible()) {
                    QVERIFY2(!other->geometry().intersects(place), qPrintable(other->objectName()));
                }
            }
            QMouseEvent move(QEvent::MouseMove, QPointF(place.width() / 2.0, 5.0),
                             QPointF(gauge->mapToGlobal(QPoint(place.width() / 2, 5))),
                             Qt::NoButton, Qt::NoButton, {});
            QApplication::sendEvent(gauge, &move);
            QCOMPARE(main.HelpMemo()->toPlainText(), Resources().LoadText(452));
        }
    }
};

QTEST_MAIN(ProgramAndFilesTest)
#include "ProgramAndFilesTest.moc"
