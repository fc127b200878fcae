// The virtual robot's window as a user meets it: where it opens beside the
// main window, how soon the robot moves after Go, and that a place the
// user drags it to is kept.

#include "UserDriver.h"

#include <QElapsedTimer>

#include <chrono>
#include <cstdlib>

#include <unistd.h>

using namespace wayline::user;

namespace {

// The steady clock the program stamps the robot's first move with.
qint64 SteadyMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

QRect Rect(const QJsonValue& value) {
    const QJsonArray r = value.toArray();
    return r.size() < 4 ? QRect() : QRect(r[0].toInt(), r[1].toInt(), r[2].toInt(), r[3].toInt());
}

// A picture of the screen for the record, named after the screen's size.
void SaveShot(const QString& name) {
    const QString folder = qEnvironmentVariable("WAYLINE_SHOTS");
    QScreen* screen = QGuiApplication::primaryScreen();
    if (folder.isEmpty() || screen == nullptr)
        return;
    QDir().mkpath(folder);
    const QSize size = screen->geometry().size();
    screen->grabWindow(0).save(QDir(folder).filePath(
        QStringLiteral("%1-%2x%3.png").arg(name).arg(size.width()).arg(size.height())));
}

// The processor time a process has used so far, in milliseconds.
double ProcessorMs(qint64 pid) {
    QFile file(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray stat = file.readAll();
    // The fields after the command's closing parenthesis, from the state on.
    const QList<QByteArray> fields = stat.mid(stat.lastIndexOf(')') + 2).split(' ');
    if (fields.size() < 13)
        return -1;
    const double ticks = static_cast<double>(sysconf(_SC_CLK_TCK));
    return (fields[11].toDouble() + fields[12].toDouble()) * 1000.0 / ticks; // utime, stime
}

// The share of one core the program uses over `ms` milliseconds, its state
// probe kept still meanwhile (it only looks for the file that asks it to).
double ProcessorShare(const TWayline& wayline, int ms) {
    QFile quiet(wayline.StatePath() + QStringLiteral(".quiet"));
    if (!quiet.open(QIODevice::WriteOnly))
        return -1;
    quiet.close();
    const qint64 pid = wayline.Program.processId();
    const double before = ProcessorMs(pid);
    QElapsedTimer wall;
    wall.start();
    QTest::qWait(ms);
    const double share = 100.0 * (ProcessorMs(pid) - before) / static_cast<double>(wall.elapsed());
    quiet.remove();
    return share;
}

QString Show(const QRect& r) {
    return QStringLiteral("%1,%2 %3x%4").arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height());
}

} // namespace

class VirtualRobotSuite : public QObject {
    Q_OBJECT

    // Chooses the virtual robot in the port box with the keyboard.
    static bool ChooseVirtualRobot(TWayline& wayline) {
        TWayline::Click(Centre(wayline.Places()["portBox"]));
        if (!wayline.WaitFor(
                [](const QJsonObject& s) { return s["focus"].toString() != "MainForm"; }))
            return false;
        TWayline::Key(QStringLiteral("End"));
        TWayline::Key(QStringLiteral("Return"));
        return wayline.WaitFor(
            [](const QJsonObject& s) { return s["port"].toString() == "Virtual robot"; });
    }

    // Presses Go and returns the click's time on the steady clock.
    static qint64 PressGo(TWayline& wayline) {
        const QPoint at = wayline.ButtonCentre(Go);
        TWayline::MoveTo(at - QPoint(3, 2));
        TWayline::MoveTo(at);
        if (!wayline.WaitFor([&](const QJsonObject&) { return wayline.Button(Go) == "highlighted"; }))
            return -1;
        const qint64 clicked = SteadyMs();
        Xdotool({"click", "1"});
        return clicked;
    }

    // What the user works in while the robot runs, none of which the robot
    // window may cover: the list, the sensor panel (Advanced) and the
    // picture buttons.
    static void CheckNothingCovered(TWayline& wayline, const QRect& robot) {
        const QJsonObject places = wayline.Places();
        const QRect screen = QGuiApplication::primaryScreen()->geometry();
        QVERIFY2(screen.contains(robot), qPrintable(Show(robot)));
        QVERIFY2(screen.contains(Rect(places["window"])), qPrintable(Show(Rect(places["window"]))));
        const QRect grid = Rect(places["grid"]);
        QVERIFY(!grid.isEmpty());
        QVERIFY2(!robot.intersects(grid), qPrintable(Show(robot) + " over " + Show(grid)));
        for (const char* name : {"sensorPanel", "plusPanel"}) {
            const QRect panel = Rect(places[name]);
            QVERIFY2(panel.isEmpty() || !robot.intersects(panel),
                     qPrintable(Show(robot) + " over " + name + " " + Show(panel)));
        }
        for (int tag = Go; tag <= Quit; ++tag) {
            const QRect button = Rect(At(places["buttons"], tag - 1));
            QVERIFY2(!robot.intersects(button), qPrintable(QString::number(tag)));
        }
    }

private Q_SLOTS:
    // Beginner: Go has the robot moving within a second of the click, its
    // window beside the main window's list and buttons, the step lit in the
    // list while the robot drives it.
    void GoOpensTheRobotBesideTheListAndItMovesWithinASecond() {
        TWayline wayline;
        TShotOnFailure shot(QStringLiteral("robot-beside-beginner"));
        QVERIFY(wayline.ChooseMode(false));
        QVERIFY(wayline.Append(MoveForward));
        QVERIFY(ChooseVirtualRobot(wayline));
        const qint64 clicked = PressGo(wayline);
        QVERIFY(clicked > 0);
        const auto robot = [&wayline] { return wayline.State()["robot"].toObject(); };
        QVERIFY(wayline.WaitFor([&](const QJsonObject&) { return robot()["firstMoveMs"].toDouble() > 0; },
                                RobotTimeoutMs));
        const qint64 toMove = static_cast<qint64>(robot()["firstMoveMs"].toDouble()) - clicked;
        qInfo("Go to the wheels turning: %lld ms", static_cast<long long>(toMove));
        QVERIFY2(toMove <= 1000, qPrintable(QString::number(toMove)));
        QVERIFY(wayline.WaitFor([&](const QJsonObject&) { return robot()["mainRow"].toInt() == 1; }));
        CheckNothingCovered(wayline, Rect(robot()["frame"]));
        QTest::qWait(1500);
        SaveShot(QStringLiteral("placed-beginner"));
    }

    // Advanced: the sensor panel stays in view too; a place the user drags
    // the window to is where it opens at the next Go.
    void TheRobotWindowLeavesTheSensorPanelFreeAndKeepsThePlaceItIsDraggedTo() {
        TWayline wayline;
        TShotOnFailure shot(QStringLiteral("robot-beside-advanced"));
        QVERIFY(wayline.ChooseMode(true));
        QVERIFY(wayline.Append(MoveForward));
        QVERIFY(ChooseVirtualRobot(wayline));
        QVERIFY(PressGo(wayline) > 0);
        const auto robot = [&wayline] { return wayline.State()["robot"].toObject(); };
        QVERIFY(wayline.WaitFor([&](const QJsonObject&) { return robot()["shown"].toBool(); },
                                RobotTimeoutMs));
        QVERIFY(!Rect(wayline.Places()["sensorPanel"]).isEmpty());
        CheckNothingCovered(wayline, Rect(robot()["frame"]));
        QVERIFY(wayline.WaitFor([&](const QJsonObject&) { return robot()["mainRow"].toInt() == 1; },
                                RobotTimeoutMs));
        QTest::qWait(1000);
        SaveShot(QStringLiteral("placed-advanced"));

        // Dragged by its title bar 80 pixels up or down, where there is room
        // (the window manager may hold it at an edge on the way).
        const QRect frame = Rect(robot()["frame"]);
        const QRect inside = Rect(robot()["window"]);
        const int way = frame.center().y() > QGuiApplication::primaryScreen()->geometry().center().y()
                            ? -1
                            : 1;
        const QPoint title(frame.x() + frame.width() / 3, (frame.y() + inside.y()) / 2);
        TWayline::MoveTo(title);
        Xdotool({"mousedown", "1"});
        for (int step = 1; step <= 8; ++step) {
            TWayline::MoveTo(title + QPoint(0, way * 10 * step));
        }
        Xdotool({"mouseup", "1"});
        QVERIFY(wayline.WaitFor([&](const QJsonObject&) {
            return std::abs(Rect(robot()["frame"]).y() - frame.y()) > 40;
        }));
        const QRect dragged = Rect(robot()["frame"]);
        // Closed with its close button, opened again by Go: where it was.
        const QRect nowInside = Rect(robot()["window"]);
        TWayline::Click({nowInside.x() + nowInside.width() - 11, nowInside.y() - 11});
        QVERIFY(wayline.WaitFor([&](const QJsonObject&) { return !robot()["shown"].toBool(); }));
        QVERIFY(PressGo(wayline) > 0);
        QVERIFY(wayline.WaitFor([&](const QJsonObject&) { return robot()["shown"].toBool(); },
                                RobotTimeoutMs));
        QVERIFY2(wayline.WaitFor([&](const QJsonObject&) { return Rect(robot()["frame"]) == dragged; }),
                 qPrintable(Show(Rect(robot()["frame"])) + " not " + Show(dragged)));
    }

    // Test mode on the virtual robot: the test window goes where it covers
    // neither the robot's start nor its wheels, and the robot window is
    // beside the main window's list as with Go.
    void TheTestWindowLeavesTheRobotsStartInSight() {
        TWayline wayline;
        TShotOnFailure shot(QStringLiteral("robot-test-mode"));
        QVERIFY(wayline.ChooseMode(false));
        QVERIFY(wayline.Append(MoveForward));
        QVERIFY(ChooseVirtualRobot(wayline));
        QVERIFY(wayline.ClickButton(Test));
        QVERIFY(wayline.WaitFor([](const QJsonObject& s) { return s["testShown"].toBool(); }));
        QVERIFY(wayline.WaitFor([&](const QJsonObject&) {
            return !Rect(wayline.Places()["runTest"]).isEmpty();
        }));
        TWayline::Click(Centre(wayline.Places()["runTest"]));
        const auto robot = [&wayline] { return wayline.State()["robot"].toObject(); };
        QVERIFY(wayline.WaitFor(
            [&](const QJsonObject&) {
                return robot()["shown"].toBool() && !Rect(robot()["start"]).isEmpty();
            },
            RobotTimeoutMs));
        // The window manager has framed both windows where they were put.
        QTest::qWait(500);
        const QRect test = Rect(wayline.Places()["testWindow"]);
        const QRect start = Rect(robot()["start"]);
        QVERIFY(!test.isEmpty());
        QVERIFY2(!test.intersects(start), qPrintable(Show(test) + " over " + Show(start)));
        QVERIFY(QGuiApplication::primaryScreen()->geometry().contains(test));
        QVERIFY(robot()["restartEnabled"].toBool());
        SaveShot(QStringLiteral("test-mode"));
    }

    // The program's processor use with ten minutes of path drawn, while the
    // robot runs at 1x and while it is paused. Takes three minutes, so it
    // runs only when asked for (WAYLINE_MEASURE_CPU=1). The state probe keeps
    // still while the figures are taken.
    void ProcessorUseWithTenMinutesOfPath() {
        if (qEnvironmentVariableIntValue("WAYLINE_MEASURE_CPU") != 1)
            QSKIP("measured only when WAYLINE_MEASURE_CPU=1");
        TWayline wayline;
        TShotOnFailure shot(QStringLiteral("robot-processor"));
        QVERIFY(wayline.ChooseMode(false));
        QVERIFY(wayline.Append(MoveForward));
        QVERIFY(wayline.Append(LoopBack));
        TWayline::Click(Centre(wayline.Places()["sensorsEnabled"]));
        QVERIFY(ChooseVirtualRobot(wayline));
        QVERIFY(PressGo(wayline) > 0);
        const auto robot = [&wayline] { return wayline.State()["robot"].toObject(); };
        QVERIFY(wayline.WaitFor([&](const QJsonObject&) { return robot()["firstMoveMs"].toDouble() > 0; },
                                RobotTimeoutMs));
        qInfo("running at 1x, first seconds: %.1f %% of a core", ProcessorShare(wayline, 10000));
        // Ten minutes of the robot's time at 4x.
        TWayline::Click(Centre(robot()["speed4"]));
        QTest::qWait(152000);
        qInfo("running at 4x after 10 min of path: %.1f %% of a core", ProcessorShare(wayline, 10000));
        TWayline::Click(Centre(robot()["speed1"]));
        QTest::qWait(1000);
        const double running = ProcessorShare(wayline, 20000);
        qInfo("running at 1x after 10 min of path: %.1f %% of a core", running);
        SaveShot(QStringLiteral("ten-minutes-of-path"));
        TWayline::Click(Centre(robot()["play"]));
        QVERIFY(wayline.WaitFor([&](const QJsonObject&) { return !robot()["timer"].toBool(); }));
        QTest::qWait(1000);
        const double paused = ProcessorShare(wayline, 20000);
        qInfo("paused after 10 min of path: %.1f %% of a core", paused);
        QVERIFY(running <= 15);
        QVERIFY(paused <= 1);
    }
};

WAYLINE_USER_SUITE(VirtualRobotSuite);

#include "VirtualRobotSuite.moc"
