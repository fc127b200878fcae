// Wayline as a user drives it: the real program under an X server with a
// window manager, real pointer and key events from xdotool. The program
// reports what it shows through its state file (WAYLINE_STATE_FILE), and
// the tests wait for that state with a bounded poll. A failing case leaves
// a screenshot of the screen in the screenshot folder.
//
// Run by run-user-suite.sh, which starts the X server and the window
// manager and passes the program and the screenshot folder in the
// environment (WAYLINE_PROGRAM, WAYLINE_SHOTS).

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRect>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>

#include <functional>
#include <memory>

namespace {

constexpr int StartTimeoutMs = 15000;
constexpr int StateTimeoutMs = 5000;
// The virtual robot runs in real time: a download of a second or two, the
// robot program's start-up wait, then the steps.
constexpr int RobotTimeoutMs = 20000;

// Texts the program shows as help (fixed in its text table).
const QString HelpEnabledHelp =
    QStringLiteral("You can enable or disable this help feature using this option.");

// Kinds in the action lists.
constexpr int MoveForward = 0;
constexpr int MoveBackward = 1;
constexpr int TurnLeft = 2;
constexpr int LoopBack = 7;

// Picture buttons by tag.
constexpr int Go = 1, Clear = 2, Test = 3, Load = 4, Save = 5, Quit = 6, Delete = 7, Copy = 8,
              Cut = 9, Paste = 10, Undo = 11;

void Xdotool(const QStringList& arguments) {
    QProcess xdotool;
    xdotool.start(QStringLiteral("xdotool"), arguments);
    QVERIFY2(xdotool.waitForFinished(5000), "xdotool did not finish");
    QVERIFY2(xdotool.exitCode() == 0, qPrintable(xdotool.readAllStandardError()));
}

// Entry i of a JSON array, undefined when there is none.
QJsonValue At(const QJsonValue& array, int i) {
    const QJsonArray a = array.toArray();
    return i >= 0 && i < a.size() ? a.at(i) : QJsonValue(QJsonValue::Undefined);
}

QPoint Centre(const QJsonValue& rect) {
    const QJsonArray r = rect.toArray();
    if (r.size() < 4)
        return {};
    return {r[0].toInt() + r[2].toInt() / 2, r[1].toInt() + r[3].toInt() / 2};
}

// One run of the program with its own settings folder and state file.
class TWayline {
public:
    TWayline() {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        env.insert(QStringLiteral("HOME"), Home.path());
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), Home.filePath(QStringLiteral("config")));
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), Home.path());
        env.insert(QStringLiteral("WAYLINE_STATE_FILE"), StatePath());
        Program.setProcessEnvironment(env);
        Program.setWorkingDirectory(Home.path());
        Program.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        Program.start(qEnvironmentVariable("WAYLINE_PROGRAM"), {});
    }
    ~TWayline() {
        if (Program.state() != QProcess::NotRunning) {
            Program.kill();
            Program.waitForFinished(5000);
        }
    }

    QString StatePath() const { return Home.filePath(QStringLiteral("state.json")); }

    // The program's latest state (empty before its first report).
    QJsonObject State() const {
        QFile file(StatePath());
        if (!file.open(QIODevice::ReadOnly))
            return {};
        return QJsonDocument::fromJson(file.readAll()).object();
    }

    // Waits until the state satisfies the condition.
    bool WaitFor(const std::function<bool(const QJsonObject&)>& condition,
                 int timeoutMs = StateTimeoutMs) {
        return QTest::qWaitFor([&] { return condition(State()); }, timeoutMs);
    }

    // Starts in beginner or advanced mode through the start window.
    bool ChooseMode(bool advanced) {
        if (!WaitFor([](const QJsonObject& s) { return s["active"].toString() == "IntroForm"; },
                     StartTimeoutMs))
            return false;
        const QJsonObject intro = State()["intro"].toObject();
        Click(Centre(intro[advanced ? "advanced" : "beginner"]));
        // Shown, and mapped and focused by the window manager.
        return WaitFor(
            [](const QJsonObject& s) {
                return s["mainShown"].toBool() && s["active"].toString() == "MainForm";
            },
            StartTimeoutMs);
    }

    QJsonObject Places() const { return State()["places"].toObject(); }
    QJsonArray List(int list = 1) const { return At(State()["lists"], list - 1).toArray(); }
    int StepCount() const { return List().size(); }
    QString Kinds() const {
        QString kinds;
        for (const QJsonValue& step : List())
            kinds += QString::number(At(step, 0).toInt());
        return kinds;
    }
    // The value of step `row`, -1 when the list has no such step.
    int Value(int row) const {
        const QJsonArray list = List();
        return row >= 1 && row <= list.size() ? list.at(row - 1).toArray().at(1).toInt() : -1;
    }
    QString Button(int tag) const { return At(State()["buttons"], tag - 1).toString(); }
    int Clicks(int tag) const { return At(State()["clicks"], tag - 1).toInt(); }

    static void MoveTo(const QPoint& at) {
        Xdotool({"mousemove", QString::number(at.x()), QString::number(at.y())});
    }
    static void Click(const QPoint& at) {
        MoveTo(at);
        Xdotool({"click", "1"});
    }
    static void Key(const QString& key) { Xdotool({"key", key}); }
    static void Type(const QString& text) { Xdotool({"type", "--delay", "40", text}); }

    // Appends an action to the main list by double-clicking its picture.
    bool Append(int kind) {
        const int before = StepCount();
        // Palette pictures in screen order: Loop Back stands left of Stop.
        const int picture = kind == LoopBack ? 6 : kind == 6 ? 7 : kind;
        MoveTo(Centre(At(Places()["palette"], picture)));
        Xdotool({"click", "--repeat", "2", "--delay", "60", "1"});
        return WaitFor([&](const QJsonObject&) { return StepCount() == before + 1; });
    }

    QPoint ButtonCentre(int tag) const { return Centre(At(Places()["buttons"], tag - 1)); }
    QPoint StepNumber(int slot) const { return Centre(At(Places()["stepNumbers"], slot - 1)); }
    QPoint EditOf(int slot) const { return Centre(At(Places()["edits"], slot - 1)); }
    // The upper (up) or lower (down) arrow of a row's value.
    QPoint ArrowOf(int slot, bool up) const {
        const QJsonArray r = At(Places()["arrows"], slot - 1).toArray();
        if (r.size() < 4)
            return {};
        return {r[0].toInt() + r[2].toInt() / 2, r[1].toInt() + (up ? 4 : r[3].toInt() - 4)};
    }

    // Hovers a picture button until it lights up, then clicks it once.
    bool ClickButton(int tag) {
        const QPoint at = ButtonCentre(tag);
        MoveTo(at - QPoint(3, 2));
        MoveTo(at);
        if (!WaitFor([&](const QJsonObject&) { return Button(tag) == "highlighted"; }))
            return false;
        Xdotool({"click", "1"});
        return true;
    }

    QProcess Program;

private:
    QTemporaryDir Home;
};

// Leaves a screenshot of the whole screen when the case failed; declared
// after the program, so that it is taken while the program still runs.
class TShotOnFailure {
public:
    explicit TShotOnFailure(QString name) : Name(std::move(name)) {}
    ~TShotOnFailure() {
        if (!QTest::currentTestFailed())
            return;
        const QString folder = qEnvironmentVariable("WAYLINE_SHOTS");
        if (folder.isEmpty() || !QGuiApplication::primaryScreen())
            return;
        QDir().mkpath(folder);
        const QString file = QDir(folder).filePath(Name + QStringLiteral(".png"));
        QGuiApplication::primaryScreen()->grabWindow(0).save(file);
        qWarning("screenshot of the failure: %s", qPrintable(file));
    }

private:
    QString Name;
};

} // namespace

class UserSuite : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() {
        QVERIFY2(QFile::exists(qEnvironmentVariable("WAYLINE_PROGRAM")),
                 "WAYLINE_PROGRAM must name the wayline program");
    }

    void StartWindowAsksForATitleWithoutButtons() {
        TWayline wayline;
        TShotOnFailure shot(QStringLiteral("start-window"));
        QVERIFY(wayline.WaitFor(
            [](const QJsonObject& s) {
                return !s["intro"].toObject()["window"].toString().isEmpty();
            },
            StartTimeoutMs));
        QProcess xprop;
        xprop.start(
            QStringLiteral("xprop"),
            {"-id", wayline.State()["intro"].toObject()["window"].toString(), "_MOTIF_WM_HINTS"});
        QVERIFY(xprop.waitForFinished(5000));
        // Functions and decorations both given: move only; title and border.
        QCOMPARE(QString::fromLatin1(xprop.readAllStandardOutput()).trimmed(),
                 QStringLiteral("_MOTIF_WM_HINTS(_MOTIF_WM_HINTS) = 0x3, 0x4, 0xa, 0x0, 0x0"));
    }

    void OneClickOnEachPictureButtonRunsItsCommandOnce() {
        TWayline wayline;
        TShotOnFailure shot(QStringLiteral("one-click"));
        QVERIFY(wayline.ChooseMode(false));
        QVERIFY(wayline.Append(MoveForward));
        QVERIFY(wayline.Append(MoveBackward));
        QVERIFY(wayline.Append(TurnLeft));
        TWayline::Click(wayline.StepNumber(1));
        QVERIFY(wayline.WaitFor([&](const QJsonObject& s) {
            return At(s["selection"], 0).toInt() == 1 && wayline.Button(Copy) == "normal";
        }));

        struct TStep {
            int Tag;
            int StepsAfter;
        };
        // Copy one step, paste it, delete the selected one, cut, undo.
        for (const TStep step :
             {TStep{Copy, 3}, TStep{Paste, 4}, TStep{Delete, 3}, TStep{Cut, 2}, TStep{Undo, 3}}) {
            QVERIFY2(wayline.ClickButton(step.Tag), qPrintable(QString::number(step.Tag)));
            QVERIFY2(wayline.WaitFor([&](const QJsonObject&) {
                return wayline.Clicks(step.Tag) == 1 && wayline.StepCount() == step.StepsAfter &&
                       wayline.Button(step.Tag) != "pressed";
            }),
                     qPrintable(QStringLiteral("button %1").arg(step.Tag)));
        }
        // Go compiles and looks for the robot on this computer's ports; with
        // none answering it ends with an error box and the connection help.
        // Test shows the test
        // window; Save and Load their dialogs (Load asks first whether to
        // save). Each is closed again with Escape.
        for (const int tag : {Go, Test, Save, Load}) {
            QVERIFY(wayline.ClickButton(tag));
            QVERIFY2(wayline.WaitFor([&](const QJsonObject& s) {
                // The box or dialog must also have the keyboard: a child
                // presses Enter or Escape, not the mouse, to answer it. The
                // download window is modal while it scans; the box follows.
                const QString modal = s["modal"].toString();
                return wayline.Clicks(tag) == 1 && !modal.isEmpty() &&
                       modal != QStringLiteral("ProgressForm") && s["active"].toString() == modal;
            }),
                     qPrintable(QStringLiteral("button %1").arg(tag)));
            TWayline::Key(QStringLiteral("Escape"));
            if (tag == Go) {
                // No robot answered: the connection help follows the box,
                // ready for the keyboard as well.
                QVERIFY(wayline.WaitFor([](const QJsonObject& s) {
                    return s["modal"].toString() == QStringLiteral("ConnectionHelpForm") &&
                           s["active"].toString() == QStringLiteral("ConnectionHelpForm");
                }));
                TWayline::Key(QStringLiteral("Escape"));
            }
            QVERIFY(wayline.WaitFor(
                [](const QJsonObject& s) { return s["modal"].toString().isEmpty(); }));
        }
        QVERIFY(wayline.ClickButton(Clear));
        QVERIFY(wayline.WaitFor([&](const QJsonObject&) {
            return wayline.Clicks(Clear) == 1 && wayline.StepCount() == 0;
        }));
        // Quit asks whether to save the changed lists; No ends the program.
        QVERIFY(wayline.ClickButton(Quit));
        QVERIFY(wayline.WaitFor([&](const QJsonObject& s) {
            return wayline.Clicks(Quit) == 1 && !s["modal"].toString().isEmpty();
        }));
        TWayline::Key(QStringLiteral("alt+n"));
        QVERIFY(wayline.Program.waitForFinished(StateTimeoutMs));
        QCOMPARE(wayline.Program.exitCode(), 0);
        for (int tag = Go; tag <= Undo; ++tag) {
            QCOMPARE(wayline.Clicks(tag), 1);
        }
    }

    // No robot at hand: the virtual robot is chosen in the port box with the
    // keyboard, Go sends the list to it at the cable's pace, its window
    // opens and the main window lights up each step as it plays.
    void GoOnTheVirtualRobotLightsTheStepsUntilTheListEnds() {
        TWayline wayline;
        TShotOnFailure shot(QStringLiteral("virtual-robot"));
        QVERIFY(wayline.ChooseMode(false));
        QVERIFY(wayline.Append(MoveForward));
        QVERIFY(wayline.Append(TurnLeft));
        TWayline::Click(Centre(wayline.Places()["portBox"]));
        QVERIFY(wayline.WaitFor(
            [](const QJsonObject& s) { return s["focus"].toString() != "MainForm"; }));
        // The virtual robot is the last entry.
        TWayline::Key(QStringLiteral("End"));
        TWayline::Key(QStringLiteral("Return"));
        QVERIFY(wayline.WaitFor(
            [](const QJsonObject& s) { return s["port"].toString() == "Virtual robot"; }));
        QVERIFY(wayline.ClickButton(Go));
        const auto robot = [&wayline] { return wayline.State()["robot"].toObject(); };
        QVERIFY(wayline.WaitFor([&](const QJsonObject&) { return robot()["shown"].toBool(); },
                                RobotTimeoutMs));
        for (const int row : {1, 2}) {
            QVERIFY2(wayline.WaitFor(
                         [&](const QJsonObject&) { return robot()["mainRow"].toInt() == row; },
                         RobotTimeoutMs),
                     qPrintable(QStringLiteral("row %1").arg(row)));
        }
        QVERIFY(wayline.WaitFor(
            [&](const QJsonObject&) {
                return robot()["status"].toString() ==
                           QStringLiteral("Finished: the robot has done its list.") &&
                       robot()["mainRow"].toInt() == 0;
            },
            RobotTimeoutMs));
        // Its window closed with the window manager's close button, above
        // the right end of its client area (on a small screen it covers
        // the main window).
        const QJsonArray window = robot()["window"].toArray();
        QCOMPARE(window.size(), 4);
        TWayline::Click({window[0].toInt() + window[2].toInt() - 11, window[1].toInt() - 11});
        QVERIFY(wayline.WaitFor([&](const QJsonObject&) { return !robot()["shown"].toBool(); }));
        QVERIFY(wayline.ClickButton(Quit));
        QVERIFY(
            wayline.WaitFor([](const QJsonObject& s) { return !s["modal"].toString().isEmpty(); }));
        TWayline::Key(QStringLiteral("alt+n"));
        QVERIFY(wayline.Program.waitForFinished(StateTimeoutMs));
        QCOMPARE(wayline.Program.exitCode(), 0);
    }

    void PressThatSlidesOffRunsNothingAndLeavesNoButtonStuck() {
        TWayline wayline;
        TShotOnFailure shot(QStringLiteral("slide-off"));
        QVERIFY(wayline.ChooseMode(false));
        QVERIFY(wayline.Append(MoveForward));
        QVERIFY(wayline.Append(MoveForward));
        const QPoint clear = wayline.ButtonCentre(Clear);
        TWayline::MoveTo(clear - QPoint(3, 2));
        TWayline::MoveTo(clear);
        QVERIFY(wayline.WaitFor(
            [&](const QJsonObject&) { return wayline.Button(Clear) == "highlighted"; }));
        Xdotool({"mousedown", "1"});
        QVERIFY(wayline.WaitFor(
            [&](const QJsonObject&) { return wayline.Button(Clear) == "pressed"; }));
        // Away over the list and let go there.
        TWayline::MoveTo(clear + QPoint(0, -40));
        TWayline::MoveTo(wayline.StepNumber(4));
        Xdotool({"mouseup", "1"});
        QVERIFY(
            wayline.WaitFor([&](const QJsonObject&) { return wayline.Button(Clear) == "normal"; }));
        QCOMPARE(wayline.Clicks(Clear), 0);
        QCOMPARE(wayline.StepCount(), 2);
        // The buttons light up again, and one click runs Clear.
        QVERIFY(wayline.ClickButton(Clear));
        QVERIFY(wayline.WaitFor([&](const QJsonObject&) {
            return wayline.Clicks(Clear) == 1 && wayline.StepCount() == 0;
        }));
    }

    void NumberTypedAfterAnArrowClickChangesTheValueAndDeletesNothing() {
        TWayline wayline;
        TShotOnFailure shot(QStringLiteral("arrow-then-type"));
        QVERIFY(wayline.ChooseMode(false));
        for (int i = 0; i < 3; ++i)
            QVERIFY(wayline.Append(MoveForward));
        // Rows 1 and 2 selected, as a child may have left them.
        TWayline::Click(wayline.StepNumber(1));
        Xdotool({"keydown", "shift"});
        TWayline::Click(wayline.StepNumber(2));
        Xdotool({"keyup", "shift"});
        QVERIFY(wayline.WaitFor([](const QJsonObject& s) {
            return s["selection"].toArray() == QJsonArray{1, 2};
        }));
        TWayline::Click(wayline.ArrowOf(2, true));
        QVERIFY(wayline.WaitFor([&](const QJsonObject&) { return wayline.Value(2) == 13; }));
        TWayline::Type(QStringLiteral("2.5"));
        TWayline::Key(QStringLiteral("Return"));
        QVERIFY(wayline.WaitFor([&](const QJsonObject&) { return wayline.Value(2) == 25; }));
        QCOMPARE(wayline.StepCount(), 3);
    }

    void RowDraggedAboveTheGridStaysInTheList() {
        TWayline wayline;
        TShotOnFailure shot(QStringLiteral("row-drag"));
        QVERIFY(wayline.ChooseMode(false));
        QVERIFY(wayline.Append(MoveForward));
        QVERIFY(wayline.Append(MoveBackward));
        QVERIFY(wayline.Append(TurnLeft));
        const QPoint from = wayline.StepNumber(2);
        const QJsonArray grid = wayline.Places()["grid"].toArray();
        const QPoint above(from.x(), grid[1].toInt() - 30);
        TWayline::MoveTo(from);
        Xdotool({"mousedown", "1"});
        TWayline::MoveTo(from + QPoint(0, -12));
        TWayline::MoveTo(above);
        Xdotool({"mouseup", "1"});
        // A click on step 1 afterwards: once it shows, the release before
        // it has been handled too.
        TWayline::MoveTo(wayline.StepNumber(1));
        Xdotool({"click", "1"});
        QVERIFY(wayline.WaitFor([](const QJsonObject& s) {
            return s["selection"].toArray() == QJsonArray{1, 1};
        }));
        QCOMPARE(wayline.Kinds(), QStringLiteral("012"));
        // Released on row 3 it moves there.
        TWayline::MoveTo(from);
        Xdotool({"mousedown", "1"});
        TWayline::MoveTo(from + QPoint(0, 14));
        TWayline::MoveTo(wayline.StepNumber(3));
        Xdotool({"mouseup", "1"});
        QVERIFY(wayline.WaitFor([&](const QJsonObject&) { return wayline.Kinds() == "021"; }));
    }

    void LoopBackTargetSurvivesADurationLeftWithTab() {
        TWayline wayline;
        TShotOnFailure shot(QStringLiteral("loop-back"));
        QVERIFY(wayline.ChooseMode(false));
        for (int i = 0; i < 4; ++i)
            QVERIFY(wayline.Append(MoveForward));
        QVERIFY(wayline.Append(LoopBack));
        // The down arrow of a Loop Back points further down the list.
        for (int target = 2; target <= 4; ++target) {
            TWayline::Click(wayline.ArrowOf(5, false));
            QVERIFY(
                wayline.WaitFor([&](const QJsonObject&) { return wayline.Value(5) == target; }));
        }
        TWayline::Click(wayline.EditOf(4));
        TWayline::Key(QStringLiteral("ctrl+a"));
        TWayline::Type(QStringLiteral("30"));
        TWayline::Key(QStringLiteral("Tab"));
        QVERIFY(wayline.WaitFor([&](const QJsonObject&) { return wayline.Value(4) == 255; }));
        TWayline::Click(wayline.EditOf(4));
        TWayline::Key(QStringLiteral("ctrl+a"));
        TWayline::Type(QStringLiteral("7"));
        // Straight into the Loop Back's value.
        TWayline::Click(wayline.EditOf(5));
        QVERIFY(wayline.WaitFor([&](const QJsonObject&) { return wayline.Value(4) == 70; }));
        QCOMPARE(wayline.Value(5), 4);
        TWayline::Key(QStringLiteral("Return"));
        QVERIFY(wayline.WaitFor(
            [](const QJsonObject& s) { return s["focus"].toString() == "ToDoList"; }));
        QCOMPARE(wayline.Value(5), 4);
    }

    void HelpTextOverTheHelpCheckBox() {
        TWayline wayline;
        TShotOnFailure shot(QStringLiteral("help-text"));
        QVERIFY(wayline.ChooseMode(false));
        const QPoint box = Centre(wayline.Places()["hyperHelp"]);
        TWayline::MoveTo(box - QPoint(0, 40));
        TWayline::MoveTo(box);
        TWayline::MoveTo(box + QPoint(2, 1));
        QVERIFY(wayline.WaitFor(
            [](const QJsonObject& s) { return s["help"].toString() == HelpEnabledHelp; }));
    }
};

QTEST_MAIN(UserSuite)
#include "UserSuite.moc"
