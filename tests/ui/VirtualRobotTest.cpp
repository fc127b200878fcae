// The virtual robot from the user's side: chosen in the port box, Go sends
// the lists through the progress window into it, its window plays them on a
// clock the test drives, and the main window lights up the step being
// played. Obstacles and whiskers by mouse, and test mode on it.

#include "app/AppState.h"
#include "app/IntroForm.h"
#include "app/MainWindows.h"
#include "uikit/Resources.h"
#include "uikit/Language.h"
#include "uikit/UserDialogs.h"
#include "codegen/ui/CodeForm.h"
#include "comm/core/Serial.h"
#include "comm/ui/PortDiscovery.h"
#include "comm/ui/ProgressForm.h"
#include "doctor/ui/ConnectionHelpForm.h"
#include "editor/core/EditOperations.h"
#include "editor/ui/DrawGrid.h"
#include "app/MainForm.h"
#include "sim/core/ChallengeFile.h"
#include "sim/core/RobotSession.h"
#include "sim/core/WindowPlacement.h"
#include "sim/ui/ArenaView.h"
#include "sim/ui/VirtualRobotForm.h"
#include "testmode/ui/BotPanel.h"
#include "testmode/ui/TestForm.h"

#include "FakeClock.h"
#include "SourceFiles.h"
#include "TestEnvironment.h"

#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLocale>
#include <QMenu>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QCheckBox>
#include <QScreen>
#include <QScrollBar>
#include <QSettings>
#include <QTabBar>
#include <QTemporaryDir>
#include <QSpinBox>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <filesystem>
#include <memory>
#include <mutex>
#include <vector>

using namespace wayline;

namespace {

constexpr std::uint64_t Frame = 16667; // a sixtieth of a second

// A host clock that moves only when someone waits on it: a download at the
// line's pace takes no wall-clock time.
class TStepHostClock final : public sim::TRealTimePacer {
public:
    std::uint64_t NowUs() const override { return Now.load(); }
    void SleepUntilUs(std::uint64_t us) const override {
        std::uint64_t now = Now.load();
        while (now < us && !Now.compare_exchange_weak(now, us)) {
        }
    }
    mutable std::atomic<std::uint64_t> Now{0};
};

class TRecordingDialogs : public TUserDialogs {
public:
    QStringList Errors;
    QString ChosenFile; // what the file dialogs answer
    void ShowErrorBox(QWidget*, const QString& text) override { Errors.append(text); }
    QString GetOpenFileName(QWidget*, const TFileDialogSpec&, const QString&,
                            const QString&) override {
        return ChosenFile;
    }
    QString GetSaveFileName(QWidget*, const TFileDialogSpec&, const QString&,
                            const QString&) override {
        return ChosenFile;
    }
};

// The whole program with its virtual robot on the port of that name, as
// main() puts it together, but with clocks the test moves.
struct TProgram {
    TAppState State;
    TMainWindows Windows;
    TRecordingDialogs Dialogs;
    TFakeClock ProgressClock;
    std::shared_ptr<TStepHostClock> Host = std::make_shared<TStepHostClock>();
    QStringList HostPorts{QStringLiteral("ttyS0")};

    explicit TProgram(bool advanced) {
        InitialiseApp(State, Resources(), QLocale::c());
        Windows.VirtualRobot.Pacer = std::make_shared<sim::TResumablePacer>(Host);
        SerialSlots().SetDeviceFactory(WithVirtualRobot(Windows.VirtualRobot, nullptr));
        CreateWindows(Windows, State, Resources());
        Main().SetDialogs(&Dialogs);
        Robot().SetDialogs(&Dialogs);
        Main().Ports().SetEnumerator([this] { return HostPorts; });
        Windows.ProgressForm->SetClock(&ProgressClock);
        // Frames come only from the test.
        Robot().SetFrameClock([] { return std::uint64_t{0}; });
        Windows.IntroForm->show();
        (advanced ? Windows.IntroForm->AdvancedButton() : Windows.IntroForm->BeginnerButton())
            ->click();
    }
    ~TProgram() { SerialSlots().SetDeviceFactory({}); }

    TMainForm& Main() { return *Windows.MainForm; }
    TVirtualRobotForm& Robot() { return *Windows.VirtualRobotForm; }
    sim::TRobotSession& Session() { return Robot().Session(); }

    void Add(int list, TActionKind kind, int value) {
        InsertIntoList(State.Editor, list, State.Editor.StepCount(list) + 1, kind, value);
        Main().SyncRowCounts();
        Main().AutoEnableDisable();
    }
    // Go as the button runs it.
    int Go() {
        if (!Main().BuildProgram()) {
            return -100;
        }
        return Main().DownloadTokenization(false);
    }
    void Frames(int count, std::uint64_t us = Frame) {
        for (int i = 0; i < count; ++i) {
            Robot().AdvanceFrame(us);
        }
    }
    std::uint64_t ModuleUs() {
        const std::lock_guard<std::mutex> lock(Session().Module().Mutex());
        return Session().Module().NowUs();
    }
    sim::TPose Pose() {
        const std::lock_guard<std::mutex> lock(Session().Module().Mutex());
        return Session().Board().Robot().Pose();
    }
    std::size_t ObstacleCount() {
        const std::lock_guard<std::mutex> lock(Session().Module().Mutex());
        return Session().Board().World().Obstacles().size();
    }
};

// The main rows lit while frames run, repeats left out.
std::vector<int> WatchMainRows(TProgram& program, int frames, std::uint64_t us = Frame) {
    std::vector<int> rows;
    for (int i = 0; i < frames; ++i) {
        program.Robot().AdvanceFrame(us);
        const int row = program.Main().RunningMainRow();
        if (rows.empty() || rows.back() != row) {
            rows.push_back(row);
        }
    }
    return rows;
}

// The step number of a row of the main list is painted green while lit.
bool StepNumberLit(TProgram& program, int row) {
    TDrawGrid* grid = program.Main().Grid(MainList);
    const QRect cell = grid->CellRect(0, row);
    return grid->grab().toImage().pixelColor(cell.left() + 2, cell.top() + 3) ==
           QColor(0x2e, 0x9a, 0x2e);
}

void ForgetRobotWindowSettings() {
    QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("CorvaneInc"),
              QStringLiteral("Wayline"))
        .remove(QStringLiteral("VirtualRobot"));
}

void SendMouse(QWidget* widget, QEvent::Type type, const QPointF& at, Qt::MouseButton button,
               Qt::MouseButtons buttons) {
    QMouseEvent event(type, at, widget->mapToGlobal(at), button, buttons, Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
}

// Frames at 4x until the task is decided, at most `seconds` of the robot's
// time.
sim::TVerdict PlayUntilDecided(TProgram& program, int seconds) {
    program.Robot().SetSpeed(4);
    for (int frame = 0; frame < seconds * 15; ++frame) {
        program.Robot().AdvanceFrame(Frame);
        if (program.Robot().Verdict().State != sim::TVerdictState::vsUndecided) {
            break;
        }
    }
    return program.Robot().Verdict();
}

} // namespace

class VirtualRobotTest : public QObject {
    Q_OBJECT

    TTestEnvironment Environment;

private Q_SLOTS:
    void initTestCase() {
        Environment.QuietWindowMasks();
        ForgetRobotWindowSettings();
    }
    // Every test starts from the window's defaults: its place and timing
    // are kept in the user's settings.
    void init() { ForgetRobotWindowSettings(); }
    void cleanupTestCase() { ForgetRobotWindowSettings(); }

    void GoPlaysTheListToItsEndWithItsRowsLitInTurn() {
        TProgram program(false);
        program.Add(MainList, akMoveForward, 10);
        program.Add(MainList, akTurnLeft, 10);
        program.Add(MainList, akMoveForward, 10);
        program.Main().SelectVirtualRobot();
        QVERIFY(!program.Robot().isVisible());

        QVERIFY(program.Go() != NoSlot);
        QVERIFY(program.Dialogs.Errors.isEmpty());
        // The same progress window and protocol as for a robot on a cable,
        // and the port is given back.
        QVERIFY(program.Windows.ProgressForm->isHidden());
        {
            const std::lock_guard<std::mutex> lock(program.Session().Module().Mutex());
            QVERIFY(!program.Session().Module().Attached());
            QVERIFY(program.Session().Module().HasProgram());
        }
        QVERIFY(program.Robot().isVisible());
        QVERIFY(!program.Robot().TestMode());

        // Four times as fast: 12 s of the robot's time.
        program.Robot().SpeedButton(4)->click();
        const std::vector<int> rows = WatchMainRows(program, 180);
        QCOMPARE(rows, (std::vector<int>{0, 1, 2, 3, 0}));
        QVERIFY(program.Robot().Steps().Ended());
        QCOMPARE(program.Robot().StatusLabel()->text(),
                 QStringLiteral("Finished: the robot has done its list."));
        // It drove: forward, a quarter turn left, forward.
        const sim::TPose end = program.Pose();
        QVERIFY2(end.HeadingDeg > 20, qPrintable(QString::number(end.HeadingDeg)));
        QVERIFY(end.Position.X > 400);
    }

    // A teacher sends a pupil's list with Go and picks lessons from the
    // window's menu: the robot starts again at each lesson's start, the
    // arena shows the goals, and the verdict is said and marked.
    void LessonsFromTheMenuJudgeTheListSentWithGo() {
        TProgram program(false);
        program.Add(MainList, akMoveForward, 70);
        program.Main().SelectVirtualRobot();
        QVERIFY(program.Go() != NoSlot);
        QVERIFY(program.Robot().isVisible());
        QVERIFY(program.Robot().Challenge() == nullptr);
        QCOMPARE(program.Robot().LessonsMenu()->actions().size(), 6);

        program.Robot().LessonsMenu()->actions().at(0)->trigger();
        QVERIFY(program.Robot().Challenge() != nullptr);
        QVERIFY(program.Robot().windowTitle().endsWith(QStringLiteral("Drive to the line")));
        QVERIFY(program.Robot().TaskLabel()->text().contains(QStringLiteral("Touch nothing")));
        QCOMPARE(program.Robot().Arena()->Task().Goals.size(), std::size_t{1});
        QCOMPARE(program.Pose().Position.X, 300.0);
        QVERIFY(!program.Robot().Arena()->Task().Mark);
        const sim::TVerdict passed = PlayUntilDecided(program, 20);
        QCOMPARE(passed.State, sim::TVerdictState::vsPassed);
        QCOMPARE(program.Robot().VerdictLabel()->text(),
                 QStringLiteral("Passed\nGoal reached in %1 s")
                     .arg(static_cast<double>(passed.TimeUs) / 1e6, 0, 'f', 1));
        QVERIFY(program.Robot().Arena()->Task().Mark);
        QVERIFY(program.Robot().Arena()->Task().Passed);
        QCOMPARE(program.Robot().Arena()->Task().Reached, std::vector<bool>{true});

        // The same list in the corridor stops short of its turn.
        program.Robot().LessonsMenu()->actions().at(2)->trigger();
        QCOMPARE(program.Robot().Verdict().State, sim::TVerdictState::vsUndecided);
        QVERIFY(!program.Robot().Arena()->Task().Mark);
        const sim::TVerdict failed = PlayUntilDecided(program, 60);
        QCOMPARE(failed.State, sim::TVerdictState::vsFailed);
        QVERIFY2(program.Robot().VerdictLabel()->text().startsWith(
                     QStringLiteral("Not passed\nThe program ended at ")),
                 qPrintable(program.Robot().VerdictLabel()->text()));
        QVERIFY(!program.Robot().Arena()->Task().Passed);

        // Restart runs it again from the start, undecided until it ends.
        program.Robot().RestartButton()->click();
        program.Frames(2);
        QCOMPARE(program.Robot().VerdictLabel()->text(), QStringLiteral("Goals reached: 0 of 1"));
        QVERIFY(!program.Robot().Arena()->Task().Mark);
    }

    // "Open arena…" names the file and the place of its error; a good file
    // opens; "Save arena…" writes the arena as it stands, task and all.
    void ArenaFilesOpenWithTheirErrorsAndSaveAsTheArenaStands() {
        TProgram program(false);
        QTemporaryDir folder;
        const QString bad = folder.filePath(QStringLiteral("bad.json"));
        {
            QFile file(bad);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(R"({"goals": [{"shape": "circle", "x": 100, "y": 100}]})");
        }
        program.Dialogs.ChosenFile = bad;
        program.Robot().OpenArenaButton()->click();
        QCOMPARE(program.Dialogs.Errors.size(), 1);
        QVERIFY2(program.Dialogs.Errors[0].startsWith(
                     QStringLiteral("Cannot open bad.json: goals[0].radius: ")),
                 qPrintable(program.Dialogs.Errors[0]));
        QVERIFY(program.Robot().Challenge() == nullptr);

        const QString good = folder.filePath(QStringLiteral("park.json"));
        QVERIFY(QFile::copy(
            QString::fromStdString(
                (testfiles::SourceDir() / "resources/lessons/park.json").string()),
            good));
        program.Dialogs.ChosenFile = good;
        program.Robot().OpenArenaButton()->click();
        QCOMPARE(program.Dialogs.Errors.size(), 1);
        QVERIFY(program.Robot().Challenge() != nullptr);
        const std::size_t obstacles = program.ObstacleCount();
        QVERIFY(program.Robot().Arena()->AddBox({1500, 1000}) != 0);

        const QString saved = folder.filePath(QStringLiteral("mine.json"));
        program.Dialogs.ChosenFile = saved;
        program.Robot().SaveArenaButton()->click();
        QCOMPARE(program.Dialogs.Errors.size(), 1);
        const sim::TChallengeFileResult read =
            sim::ReadChallengeFile(std::filesystem::path(saved.toStdString()));
        QVERIFY2(read.Loaded, read.Error.c_str());
        QCOMPARE(read.Challenge.World.Obstacles().size(), obstacles + 1);
        QCOMPARE(read.Challenge.Title, program.Robot().Challenge()->Title);
        QCOMPARE(read.Challenge.Goals.size(), program.Robot().Challenge()->Goals.size());

        // A folder that is not there: said, nothing written.
        program.Dialogs.ChosenFile = folder.filePath(QStringLiteral("no/such/folder/a.json"));
        program.Robot().SaveArenaButton()->click();
        QCOMPARE(program.Dialogs.Errors.size(), 2);
        QVERIFY(program.Dialogs.Errors[1].startsWith(QStringLiteral("Cannot save a.json: ")));
    }

    void WithNoRobotOnTheCableTheConnectionHelpLeadsToTheVirtualRobot() {
        TProgram program(false);
        program.Add(MainList, akMoveForward, 10);
        // AUTO: the serial port has nothing on it, and the virtual robot is
        // not looked at.
        QCOMPARE(program.Go(), NoSlot);
        QCOMPARE(program.Dialogs.Errors, QStringList{QStringLiteral("No robot found.")});
        QVERIFY(!program.Robot().isVisible());
        TConnectionHelpForm& help = *program.Windows.ConnectionHelp;
        QVERIFY(help.isVisible());

        // The virtual robot is selected and the download the user asked for
        // runs on it, once the help has closed: no second Go.
        help.VirtualRobotButton()->click();
        QVERIFY(!help.isVisible());
        QCoreApplication::processEvents();
        QCOMPARE(program.Main().COMPortComboBox()->currentText(), QStringLiteral("Virtual robot"));
        QVERIFY(program.Robot().isVisible());
        QCOMPARE(program.Dialogs.Errors.size(), 1);
        const std::lock_guard<std::mutex> lock(program.Session().Module().Mutex());
        QVERIFY(program.Session().Module().HasProgram());
    }

    void TheLitRowIsPaintedAndGoesWhenTheListChangesOrTheWindowCloses() {
        TProgram program(false);
        program.Add(MainList, akMoveForward, 30);
        program.Add(MainList, akMoveBackward, 30);
        program.Main().SelectVirtualRobot();
        QVERIFY(program.Go() != NoSlot);
        program.Robot().SetSpeed(4);
        program.Frames(37); // 5 s of the robot's time: into the first step
        QCOMPARE(program.Main().RunningMainRow(), 1);
        TDrawGrid* grid = program.Main().Grid(MainList);
        const QImage picture = grid->grab().toImage();
        // The step number of the lit row turns green.
        const QRect lit = grid->CellRect(0, 1);
        const QRect plain = grid->CellRect(0, 2);
        QCOMPARE(picture.pixelColor(lit.left() + 2, lit.top() + 3), QColor(0x2e, 0x9a, 0x2e));
        QCOMPARE(picture.pixelColor(plain.left() + 2, plain.top() + 3), QColor(0xd4, 0xd4, 0xd4));

        // A step added after Go: the rows no longer say what the robot plays,
        // and nothing is lit until the next Go, even once the list is as it
        // was.
        program.Add(MainList, akTurnRight, 10);
        QVERIFY(!StepNumberLit(program, 1));
        program.Frames(1);
        QCOMPARE(program.Main().RunningMainRow(), 0);
        program.State.Editor.SetStepCount(MainList, 2);
        program.Main().SyncRowCounts();
        program.Frames(1);
        QCOMPARE(program.Main().RunningMainRow(), 0);
        // A value changed while paused: the row goes dark at once.
        QVERIFY(program.Go() != NoSlot);
        program.Frames(37);
        QCOMPARE(program.Main().RunningMainRow(), 1);
        program.Robot().Pause();
        program.State.Editor.Step(MainList, 1).Value = 20;
        QVERIFY(!StepNumberLit(program, 1));

        program.Robot().close();
        QCOMPARE(program.Main().RunningMainRow(), 0);
    }

    void ASensorSetLightsUpItsTabAndRowWhileItPlays() {
        TProgram program(true);
        program.Add(MainList, akMoveForward, 100);
        program.Add(MainList + 1, akMoveBackward, 10); // set All
        program.Add(MainList + 1, akRotateRight, 10);
        program.Main().SelectVirtualRobot();
        QVERIFY(program.Go() != NoSlot);
        // Something to run into.
        program.Robot().Arena()->AddBox({1000, 600});
        program.Robot().SetSpeed(4);
        QTabBar* tabs = program.Main().SensorTabs();
        std::vector<QRect> tabPlaces;
        for (int tab = 0; tab < tabs->count(); ++tab) {
            tabPlaces.push_back(tabs->tabRect(tab));
        }
        std::vector<std::pair<int, int>> sets;
        for (int i = 0; i < 300; ++i) {
            program.Robot().AdvanceFrame(Frame);
            const std::pair<int, int> set{program.Main().RunningSetList(),
                                          program.Main().RunningSetRow()};
            if (set.first == 2) {
                // The playing set's tab is marked, and no tab moves.
                QCOMPARE(tabs->tabTextColor(0), QColor(0x1e, 0x7a, 0x1e));
                for (int tab = 0; tab < tabs->count(); ++tab) {
                    QCOMPARE(tabs->tabRect(tab), tabPlaces[static_cast<std::size_t>(tab)]);
                }
                auto* mark = tabs->findChild<QWidget*>(QStringLiteral("PlayingTabMark"));
                QVERIFY(mark != nullptr && mark->isVisible());
                QVERIFY(tabPlaces[0].contains(mark->geometry()));
            }
            if (sets.empty() || sets.back() != set) {
                sets.push_back(set);
            }
        }
        const auto first = std::find(sets.begin(), sets.end(), std::pair{2, 1});
        QVERIFY2(first != sets.end(), "set All never lit up");
        QVERIFY(sets.end() - first >= 3);
        QCOMPARE(*(first + 1), (std::pair{2, 2}));
        QCOMPARE(*(first + 2), (std::pair{0, 0}));
    }

    void PausePlaySpeedAndRestartRunTheRobotsClock() {
        TProgram program(false);
        program.Add(MainList, akMoveForward, 40);
        program.Main().SelectVirtualRobot();
        QVERIFY(program.Go() != NoSlot);
        program.Frames(30); // past the start-up wait
        QVERIFY(program.Robot().Playing());

        program.Robot().PlayButton()->click();
        QVERIFY(!program.Robot().Playing());
        QCOMPARE(program.Robot().PlayButton()->text(), QStringLiteral("Play"));
        const std::uint64_t paused = program.ModuleUs();
        program.Frames(30);
        QCOMPARE(program.ModuleUs(), paused);
        QVERIFY(program.Robot().TimeLabel()->text().endsWith(QStringLiteral("Paused")));

        program.Robot().PlayButton()->click();
        QCOMPARE(program.Robot().PlayButton()->text(), QStringLiteral("Pause"));
        program.Robot().SpeedButton(2)->click();
        QCOMPARE(program.Robot().Speed(), 2);
        program.Frames(1, 20000);
        QCOMPARE(program.ModuleUs(), paused + 40000);
        // A frame that came very late runs a bounded slice.
        program.Frames(1, 3'000'000);
        QCOMPARE(program.ModuleUs(), paused + 40000 + 2 * sim::TPlayback::MaxFrameUs);

        // Into the drive, then back to the start and round again.
        program.Robot().SetSpeed(4);
        program.Frames(100);
        QVERIFY(program.Pose().Position.X > 400);
        unsigned runs = 0;
        {
            const std::lock_guard<std::mutex> lock(program.Session().Module().Mutex());
            runs = program.Session().Board().Runs();
        }
        program.Robot().RestartButton()->click();
        program.Frames(2);
        {
            const std::lock_guard<std::mutex> lock(program.Session().Module().Mutex());
            QCOMPARE(program.Session().Board().Runs(), runs + 1);
        }
        QCOMPARE(program.Pose().Position.X, 300.0);
        QCOMPARE(program.Main().RunningMainRow(), 0);
        QVERIFY(program.Robot().Arena()->DrawnPath().size() <= 2);
    }

    void TheSameFrameTimesShowTheSameRun() {
        // Uneven frames, as a busy host gives them.
        const std::vector<std::uint64_t> frames{16667, 21000, 9000, 16667, 33000, 1000, 16667};
        struct TSeen {
            std::vector<std::pair<int, QString>> Shown; // lit row, status
            sim::TPose End;
            std::vector<sim::TPoint> Path;
        };
        const auto play = [&frames] {
            TProgram program(false);
            program.Add(MainList, akMoveForward, 20);
            program.Add(MainList, akRotateLeft, 7);
            program.Add(MainList, akMoveForward, 20);
            program.Main().SelectVirtualRobot();
            TSeen seen;
            if (program.Go() == NoSlot) {
                return seen;
            }
            program.Robot().SetSpeed(4);
            for (int i = 0; i < 420; ++i) {
                program.Robot().AdvanceFrame(frames[static_cast<std::size_t>(i) % frames.size()]);
                seen.Shown.emplace_back(program.Main().RunningMainRow(),
                                        program.Robot().StatusLabel()->text());
            }
            seen.End = program.Pose();
            seen.Path = program.Robot().Arena()->DrawnPath();
            return seen;
        };
        const TSeen first = play();
        const TSeen second = play();
        QCOMPARE(first.Shown.size(), 420u);
        QVERIFY(first.Shown == second.Shown);
        QCOMPARE(second.End.Position.X, first.End.Position.X);
        QCOMPARE(second.End.Position.Y, first.End.Position.Y);
        QCOMPARE(second.End.HeadingDeg, first.End.HeadingDeg);
        QCOMPARE(second.Path.size(), first.Path.size());
        for (std::size_t i = 0; i < first.Path.size(); ++i) {
            QCOMPARE(second.Path[i].X, first.Path[i].X);
            QCOMPARE(second.Path[i].Y, first.Path[i].Y);
        }
    }

    void ObstaclesAreAddedDraggedAndRemovedWithTheMouse() {
        TVirtualRobot robot;
        TVirtualRobotForm form(Resources(), robot);
        form.SetFrameClock([] { return std::uint64_t{0}; });
        form.show();
        TArenaView* view = form.Arena();
        sim::TRobotSession& session = form.Session();
        const auto obstacles = [&] {
            const std::lock_guard<std::mutex> lock(session.Module().Mutex());
            return session.Board().World().Obstacles();
        };
        const std::size_t before = obstacles().size();

        // A double click on bare floor puts a box there.
        const QPointF floor = view->ToPixels({1200, 300});
        QTest::mouseDClick(view, Qt::LeftButton, Qt::NoModifier, floor.toPoint());
        QCOMPARE(obstacles().size(), before + 1);
        const sim::TObstacle added = obstacles().back();
        QVERIFY(std::hypot(added.Shape.Centre().X - 1200, added.Shape.Centre().Y - 300) < 5);

        // Dragged 200 mm to the left.
        const QPointF from = view->ToPixels(added.Shape.Centre());
        const QPointF to = view->ToPixels({added.Shape.Centre().X - 200, added.Shape.Centre().Y});
        SendMouse(view, QEvent::MouseButtonPress, from, Qt::LeftButton, Qt::LeftButton);
        QCOMPARE(view->DraggedObstacle(), added.Id);
        SendMouse(view, QEvent::MouseMove, (from + to) / 2, Qt::NoButton, Qt::LeftButton);
        SendMouse(view, QEvent::MouseMove, to, Qt::NoButton, Qt::LeftButton);
        SendMouse(view, QEvent::MouseButtonRelease, to, Qt::LeftButton, Qt::NoButton);
        QCOMPARE(view->DraggedObstacle(), 0);
        const sim::TObstacle* moved = nullptr;
        const std::vector<sim::TObstacle> now = obstacles();
        for (const sim::TObstacle& o : now) {
            moved = o.Id == added.Id ? &o : moved;
        }
        QVERIFY(moved != nullptr);
        const double mmPerPixel = 1 / view->Viewport().Scale;
        QVERIFY(std::abs(moved->Shape.Centre().X - (added.Shape.Centre().X - 200)) < mmPerPixel);

        // Onto the robot it does not go: it stays where it was let go of.
        const QPointF robotAt = view->ToPixels({300, 600});
        const QPointF boxAt = view->ToPixels(moved->Shape.Centre());
        SendMouse(view, QEvent::MouseButtonPress, boxAt, Qt::LeftButton, Qt::LeftButton);
        SendMouse(view, QEvent::MouseMove, robotAt, Qt::NoButton, Qt::LeftButton);
        SendMouse(view, QEvent::MouseButtonRelease, robotAt, Qt::LeftButton, Qt::NoButton);
        {
            const std::lock_guard<std::mutex> lock(session.Module().Mutex());
            const sim::TObstacle* o = session.Board().World().FindObstacle(added.Id);
            QVERIFY(o != nullptr);
            QVERIFY(std::hypot(o->Shape.Centre().X - 300, o->Shape.Centre().Y - 600) > 100);
        }

        // Removed from its context menu.
        QTimer::singleShot(0, [] {
            if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
                menu->actions().front()->trigger();
                menu->close();
            }
        });
        const QPoint menuAt = view->ToPixels(moved->Shape.Centre()).toPoint();
        QContextMenuEvent menuEvent(QContextMenuEvent::Mouse, menuAt, view->mapToGlobal(menuAt));
        QApplication::sendEvent(view, &menuEvent);
        QCOMPARE(obstacles().size(), before);

        // The box button adds one, Delete takes the selected one away.
        form.AddBoxButton()->click();
        QCOMPARE(obstacles().size(), before + 1);
        QVERIFY(view->SelectedObstacle() != 0);
        QTest::keyClick(view, Qt::Key_Delete);
        QCOMPARE(obstacles().size(), before);
    }

    void AWhiskerIsPressedWhileTheMouseHoldsIt() {
        TVirtualRobot robot;
        TVirtualRobotForm form(Resources(), robot);
        form.SetFrameClock([] { return std::uint64_t{0}; });
        form.show();
        TArenaView* view = form.Arena();
        const QPointF tip = view->ToPixels(view->Picture().WhiskerTip[0]);
        const QPointF base = view->ToPixels(view->Picture().WhiskerBase[0]);
        const QPointF wire = base + (tip - base) * 0.8;
        SendMouse(view, QEvent::MouseButtonPress, wire, Qt::LeftButton, Qt::LeftButton);
        {
            const std::lock_guard<std::mutex> lock(form.Session().Module().Mutex());
            QVERIFY(form.Session().Board().Robot().WhiskerHeld(sim::TSide::sdLeft));
            QVERIFY(!form.Session().Board().Robot().WhiskerHeld(sim::TSide::sdRight));
        }
        QVERIFY(view->Picture().WhiskerPressed[0]);
        SendMouse(view, QEvent::MouseButtonRelease, wire, Qt::LeftButton, Qt::NoButton);
        QVERIFY(!view->Picture().WhiskerPressed[0]);
    }

    void AProgramThatCannotGoOnSaysWhyInTheLanguageSpoken() {
        TProgram program(false);
        // German for this test only: the resources are the whole program's.
        struct TGerman {
            TAppState& State;
            explicit TGerman(TAppState& state) : State(state) {
                SetProgramLanguage(State, Resources(), QStringLiteral("de"), false);
            }
            ~TGerman() { SetProgramLanguage(State, Resources(), EnglishLanguage, false); }
        } german(program.State);
        program.Add(MainList, akMoveForward, 10);
        program.Main().SelectVirtualRobot();
        QVERIFY(program.Main().BuildProgram());
        // The code window's text is what is compiled: one instruction the
        // virtual robot does not model.
        program.Windows.CodeForm->BASICMemo()->setPlainText(
            QStringLiteral("'{$KEYSTONE KM2}\n'{$HBASIC 2.5}\nSHIFTOUT 1, 2, MSBFIRST, [5]\n"));
        QVERIFY(program.Main().DownloadTokenization(false) != NoSlot);
        program.Frames(120);
        QCOMPARE(program.Robot().StatusLabel()->text(),
                 QStringLiteral("Das Programm hat angehalten: der virtuelle Roboter kann SHIFTOUT "
                                "nicht"));
    }

    void TestModeOnTheVirtualRobotTurnsTheWheelsAndFeelsTheWhiskers() {
        TProgram program(false);
        program.Add(MainList, akMoveForward, 10);
        program.Main().SelectVirtualRobot();
        TTestForm& test = *program.Windows.TestForm;
        test.show();
        test.RunTestButton()->click();
        QVERIFY(program.Dialogs.Errors.isEmpty());
        QVERIFY(test.PortSlot() != NoSlot);
        test.Timer()->stop(); // ticks by hand from here
        QVERIFY(program.Robot().isVisible());
        QVERIFY(program.Robot().TestMode());
        const auto tick = [&](int count) {
            for (int i = 0; i < count; ++i) {
                test.TestOnTimer();
                program.Robot().AdvanceFrame(Frame);
            }
        };
        const TSensorLooks& looks = test.BotPanel()->Looks();
        tick(20);
        QVERIFY(!looks.LeftWhisker2 && !looks.RightWhisker2);
        QCOMPARE(looks.LeftIrSensor, QColor(Qt::black));

        // Nobody has found the centres yet: at 750 the robot creeps.
        const sim::TPose start = program.Pose();
        tick(300);
        const sim::TPose crept = program.Pose();
        QVERIFY(std::hypot(crept.Position.X - start.Position.X,
                           crept.Position.Y - start.Position.Y) > 1 ||
                std::abs(crept.HeadingDeg - start.HeadingDeg) > 1);
        // At the true centres it stands still.
        test.LServoSpinEdit()->setValue(744);
        test.RServoSpinEdit()->setValue(757);
        tick(20);
        const sim::TPose still = program.Pose();
        tick(300);
        QVERIFY(std::hypot(program.Pose().Position.X - still.Position.X,
                           program.Pose().Position.Y - still.Position.Y) < 0.5);
        QVERIFY(std::abs(program.Pose().HeadingDeg - still.HeadingDeg) < 0.5);

        // A finger on the left whisker reaches the test window through the
        // one-byte answer.
        TArenaView* view = program.Robot().Arena();
        const QPointF tip = view->ToPixels(view->Picture().WhiskerTip[0]);
        const QPointF base = view->ToPixels(view->Picture().WhiskerBase[0]);
        const QPointF wire = base + (tip - base) * 0.8;
        SendMouse(view, QEvent::MouseButtonPress, wire, Qt::LeftButton, Qt::LeftButton);
        tick(3);
        QVERIFY(looks.LeftWhisker2);
        QVERIFY(!looks.RightWhisker2);
        SendMouse(view, QEvent::MouseButtonRelease, wire, Qt::LeftButton, Qt::NoButton);
        tick(3);
        QVERIFY(!looks.LeftWhisker2);

        // A box in front: both infra-red eyes see it.
        view->AddBox({450, 600});
        tick(3);
        QCOMPARE(looks.LeftIrSensor, QColor(255, 0, 0));
        QCOMPARE(looks.RightIrSensor, QColor(255, 0, 0));

        // The robot that crept away is put back at its start; the test goes on.
        test.LServoSpinEdit()->setValue(800);
        tick(100);
        QVERIFY(program.Pose().Position.X != 300 || program.Pose().Position.Y != 600);
        QPushButton* restart = program.Robot().RestartButton();
        QVERIFY(restart->isEnabled());
        QCOMPARE(restart->text(), QStringLiteral("Back to the start"));
        restart->click();
        QCOMPARE(program.Pose().Position.X, 300.0);
        QCOMPARE(program.Pose().Position.Y, 600.0);
        QVERIFY(test.PortSlot() != NoSlot);
        tick(20);
        QVERIFY(program.Pose().Position.X != 300 || program.Pose().Position.Y != 600);

        // Closing gives the port back; the window stays and leaves test mode.
        test.close();
        {
            const std::lock_guard<std::mutex> lock(program.Session().Module().Mutex());
            QVERIFY(!program.Session().Module().Attached());
        }
    }

    // Go's time to the robot's first move, on the clocks the test drives:
    // the host's time the download took, the progress window's waits, then
    // frames until the first servo pulse; the same from Restart. A second at
    // most; with "Real timing" the cable's time and the full start-up wait,
    // as with a robot on a cable.
    void GoHasTheWheelsTurningWithinASecondUnlessRealTimingIsChosen() {
        const auto goToFirstPulse = [](bool real, QStringList& statuses, std::uint64_t& robotUs,
                                       bool& progressPaused) {
            TProgram program(false);
            program.Add(MainList, akMoveForward, 20);
            program.Main().SelectVirtualRobot();
            program.Robot().SetRealTiming(real);
            const std::uint64_t before = program.Host->Now.load();
            const std::uint64_t progressBefore = program.ProgressClock.Now;
            if (program.Go() == NoSlot) {
                return ~std::uint64_t{0};
            }
            std::uint64_t host = program.Host->Now.load() - before +
                                 (program.ProgressClock.Now - progressBefore) * 1000;
            const std::vector<std::uint32_t>& waits = program.ProgressClock.Waits;
            progressPaused = std::find(waits.begin(), waits.end(), 500u) != waits.end();
            for (int frame = 0; frame < 1000; ++frame) {
                {
                    const std::lock_guard<std::mutex> lock(program.Session().Module().Mutex());
                    const sim::TRobotSimulation& board = program.Session().Board();
                    if (board.Robot().FirstPulseUs()) {
                        robotUs = *board.Robot().FirstPulseUs() - board.StartUs();
                        break;
                    }
                }
                const QString status = program.Robot().StatusLabel()->text();
                if (statuses.isEmpty() || statuses.back() != status) {
                    statuses.append(status);
                }
                program.Robot().AdvanceFrame(Frame);
                host += Frame;
            }
            // Restart is as quick: frames from the click to the first pulse.
            program.Frames(30);
            program.Robot().RestartButton()->click();
            std::uint64_t restartHost = 0;
            for (int frame = 0; frame < 1000; ++frame) {
                program.Robot().AdvanceFrame(Frame);
                restartHost += Frame;
                const std::lock_guard<std::mutex> lock(program.Session().Module().Mutex());
                if (program.Session().Board().Robot().FirstPulseUs()) {
                    break;
                }
            }
            program.Robot().SetRealTiming(false);
            return std::max(host, restartHost);
        };
        QStringList fastStatuses;
        std::uint64_t fastRobotUs = 0;
        bool fastPaused = true;
        const std::uint64_t fast = goToFirstPulse(false, fastStatuses, fastRobotUs, fastPaused);
        // The progress window closed without its pause: nobody waits for a
        // cable.
        QVERIFY(!fastPaused);
        qInfo("Go to the first servo pulse: %.3f s", static_cast<double>(fast) / 1e6);
        QVERIFY2(fast <= 1'000'000, qPrintable(QString::number(fast)));
        QCOMPARE(fastStatuses.front(), QStringLiteral("Starting…"));
        // The robot's own clock counted the whole start-up wait.
        QVERIFY(fastRobotUs >= 3'500'000);

        QStringList realStatuses;
        std::uint64_t realRobotUs = 0;
        bool realPaused = false;
        const std::uint64_t real = goToFirstPulse(true, realStatuses, realRobotUs, realPaused);
        QVERIFY(realPaused);
        QVERIFY2(real >= 4'500'000, qPrintable(QString::number(real)));
        QCOMPARE(realStatuses.front(),
                 QStringLiteral("Starting: the robot waits for its power to settle."));
        QVERIFY(!realStatuses.contains(QStringLiteral("Starting…")));
        QCOMPARE(realRobotUs, fastRobotUs);
    }

    void RealTimingIsKeptInTheSettings() {
        {
            TProgram program(false);
            QVERIFY(!program.Robot().RealTimingBox()->isChecked());
            QVERIFY(!program.Windows.VirtualRobot.RealTiming->load());
            program.Robot().RealTimingBox()->click();
            QVERIFY(program.Windows.VirtualRobot.RealTiming->load());
        }
        TProgram next(false);
        QVERIFY(next.Robot().RealTimingBox()->isChecked());
        QVERIFY(next.Robot().RealTiming());
        next.Robot().SetRealTiming(false);
    }

    // Frames and repaints only while something can change: none while
    // paused, finished or hidden; while running at most one a frame, and
    // none while nothing moves.
    void TheArenaRepaintsOnlyWhatChanges() {
        TProgram program(false);
        program.Add(MainList, akMoveForward, 10);
        program.Main().SelectVirtualRobot();
        QVERIFY(program.Go() != NoSlot);
        TArenaView* view = program.Robot().Arena();
        QVERIFY(program.Robot().FrameTimer()->isActive());
        // The start-up wait: nothing moves, nothing is repainted.
        std::uint64_t asked = view->RepaintsAsked();
        program.Frames(5);
        QCOMPARE(view->RepaintsAsked(), asked);
        // Driving: one repaint a frame.
        program.Frames(20);
        asked = view->RepaintsAsked();
        program.Frames(10);
        QCOMPARE(view->RepaintsAsked(), asked + 10);

        program.Robot().Pause();
        QVERIFY(!program.Robot().FrameTimer()->isActive());
        asked = view->RepaintsAsked();
        program.Frames(10);
        QCOMPARE(view->RepaintsAsked(), asked);
        // A whisker pressed while paused is a change.
        const QPointF tip = view->ToPixels(view->Picture().WhiskerTip[0]);
        const QPointF base = view->ToPixels(view->Picture().WhiskerBase[0]);
        SendMouse(view, QEvent::MouseButtonPress, base + (tip - base) * 0.8, Qt::LeftButton,
                  Qt::LeftButton);
        QCOMPARE(view->RepaintsAsked(), asked + 1);
        QVERIFY(program.Robot().LampLit(0));
        SendMouse(view, QEvent::MouseButtonRelease, base + (tip - base) * 0.8, Qt::LeftButton,
                  Qt::NoButton);

        program.Robot().Play();
        QVERIFY(program.Robot().FrameTimer()->isActive());
        program.Frames(80); // to the end of the list
        QVERIFY(program.Robot().Steps().Ended());
        QVERIFY(!program.Robot().FrameTimer()->isActive());
        asked = view->RepaintsAsked();
        program.Frames(10);
        QCOMPARE(view->RepaintsAsked(), asked);

        program.Robot().RestartButton()->click();
        QVERIFY(program.Robot().FrameTimer()->isActive());
        program.Robot().hide();
        QVERIFY(!program.Robot().FrameTimer()->isActive());
        asked = view->RepaintsAsked();
        program.Frames(10);
        QCOMPARE(view->RepaintsAsked(), asked);
    }

    // With the sensors off the program never reads them; the lamps still
    // show what they sense, and the window says why nothing reacts.
    void LampsShowWhatTheSensorsSenseAndSensorsOffIsSaid() {
        TProgram program(false);
        program.Add(MainList, akMoveForward, 30);
        program.Main().SelectVirtualRobot();
        QVERIFY(!program.Main().SensorsEnabled()->isChecked());
        QVERIFY(program.Go() != NoSlot);
        program.Frames(2);
        QVERIFY(program.Robot().SensorsOffLabel()->isVisible());
        QCOMPARE(program.Robot().SensorsOffLabel()->text(),
                 QStringLiteral("Sensors are off: the robot will not react"));
        TArenaView* view = program.Robot().Arena();
        const QPointF tip = view->ToPixels(view->Picture().WhiskerTip[1]);
        const QPointF base = view->ToPixels(view->Picture().WhiskerBase[1]);
        SendMouse(view, QEvent::MouseButtonPress, base + (tip - base) * 0.8, Qt::LeftButton,
                  Qt::LeftButton);
        program.Frames(2);
        QVERIFY(program.Robot().LampLit(static_cast<int>(sim::TSensor::snRightWhisker)));
        QVERIFY(!program.Robot().LampLit(static_cast<int>(sim::TSensor::snLeftWhisker)));
        SendMouse(view, QEvent::MouseButtonRelease, base + (tip - base) * 0.8, Qt::LeftButton,
                  Qt::NoButton);
        // A box ahead: both eyes see it.
        view->AddBox({520, 600});
        program.Frames(1);
        QVERIFY(program.Robot().LampLit(static_cast<int>(sim::TSensor::snLeftIr)));
        QVERIFY(program.Robot().LampLit(static_cast<int>(sim::TSensor::snRightIr)));

        // With the sensors on, nothing is said.
        program.Main().SensorsEnabled()->setChecked(true);
        QVERIFY(program.Go() != NoSlot);
        program.Frames(2);
        QVERIFY(!program.Robot().SensorsOffLabel()->isVisible());
    }

    // Opened beside the main window as the screen allows; a place the user
    // gives it is kept, for the run and in the settings.
    void TheWindowOpensBesideTheMainWindowAndKeepsAPlaceTheUserGivesIt() {
        QPoint moved;
        {
            TProgram program(false);
            program.Add(MainList, akMoveForward, 10);
            program.Main().SelectVirtualRobot();
            const QRect screen = program.Main().screen()->availableGeometry();
            QVERIFY(program.Go() != NoSlot);
            TVirtualRobotForm& robot = program.Robot();
            sim::TBesideMainWindow s;
            s.WorkArea = {screen.x(), screen.y(), screen.width(), screen.height()};
            const QRect robotFrame = robot.frameGeometry();
            const QRect mainFrame = program.Main().frameGeometry();
            QVERIFY2(screen.contains(robotFrame),
                     qPrintable(QStringLiteral("%1,%2 %3x%4 on %5x%6 main %7,%8 %9x%10")
                                    .arg(robotFrame.x()).arg(robotFrame.y())
                                    .arg(robotFrame.width()).arg(robotFrame.height())
                                    .arg(screen.width()).arg(screen.height())
                                    .arg(mainFrame.x()).arg(mainFrame.y())
                                    .arg(mainFrame.width()).arg(mainFrame.height())));
            QVERIFY(screen.contains(mainFrame));
            if (screen.width() >= mainFrame.width() + s.RobotMinimumNarrow.Width) {
                QVERIFY(!robotFrame.intersects(mainFrame));
            } else {
                // Below the main window's list and buttons.
                TDrawGrid* grid = program.Main().Grid(MainList);
                const QRect list(grid->mapToGlobal(QPoint(0, 0)), grid->size());
                QVERIFY(!robotFrame.intersects(list));
            }

            // The user moves it; closed and opened again, it stays there.
            robot.move(robotFrame.topLeft() + QPoint(-120, 40));
            moved = robot.pos();
            robot.close();
            QVERIFY(program.Go() != NoSlot);
            QCOMPARE(robot.pos(), moved);
        }
        TProgram next(false);
        next.Add(MainList, akMoveForward, 10);
        next.Main().SelectVirtualRobot();
        QVERIFY(next.Go() != NoSlot);
        QCOMPARE(next.Robot().pos(), moved);
        const QRect place = next.Robot().frameGeometry();
        next.Robot().close();
        QVERIFY(next.Go() != NoSlot);
        QCOMPARE(next.Robot().frameGeometry(), place);
    }
};

QTEST_MAIN(VirtualRobotTest)
#include "VirtualRobotTest.moc"
