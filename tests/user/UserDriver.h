#pragma once

// The user-level suite's driver: the real program under an X server with a
// window manager, real pointer and key events from xdotool. The program
// reports what it shows through its state file (WAYLINE_STATE_FILE), and
// the cases wait for that state with a bounded poll. A failing case leaves
// a screenshot of the screen in the screenshot folder.
//
// Every *Suite.cpp in this folder holds one test class and registers it
// with WAYLINE_USER_SUITE; one program runs them all. run-user-suite.sh
// starts the X server and the window manager and passes the program and
// the screenshot folder in the environment (WAYLINE_PROGRAM, WAYLINE_SHOTS).

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMap>
#include <QProcess>
#include <QRect>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>

#include <functional>
#include <memory>
#include <vector>

namespace wayline::user {

constexpr int StartTimeoutMs = 15000;
constexpr int StateTimeoutMs = 5000;
// The virtual robot runs in real time: a download of a second or two, the
// robot program's start-up wait, then the steps.
constexpr int RobotTimeoutMs = 20000;

// Texts the program shows as help (fixed in its text table).
inline const QString HelpEnabledHelp =
    QStringLiteral("You can enable or disable this help feature using this option.");

// Kinds in the action lists.
constexpr int MoveForward = 0;
constexpr int MoveBackward = 1;
constexpr int TurnLeft = 2;
constexpr int LoopBack = 7;

// Picture buttons by tag.
constexpr int Go = 1, Clear = 2, Test = 3, Load = 4, Save = 5, Quit = 6, Delete = 7, Copy = 8,
              Cut = 9, Paste = 10, Undo = 11;

inline void Xdotool(const QStringList& arguments) {
    QProcess xdotool;
    xdotool.start(QStringLiteral("xdotool"), arguments);
    QVERIFY2(xdotool.waitForFinished(5000), "xdotool did not finish");
    QVERIFY2(xdotool.exitCode() == 0, qPrintable(xdotool.readAllStandardError()));
}

// Entry i of a JSON array, undefined when there is none.
inline QJsonValue At(const QJsonValue& array, int i) {
    const QJsonArray a = array.toArray();
    return i >= 0 && i < a.size() ? a.at(i) : QJsonValue(QJsonValue::Undefined);
}

inline QPoint Centre(const QJsonValue& rect) {
    const QJsonArray r = rect.toArray();
    if (r.size() < 4)
        return {};
    return {r[0].toInt() + r[2].toInt() / 2, r[1].toInt() + r[3].toInt() / 2};
}

// One run of the program with its own settings folder and state file. It
// speaks English whatever the desktop's language, unless `environment`
// gives it a locale (LANG, LANGUAGE, ...); `environment` goes last.
class TWayline {
public:
    // `home`: the home folder of an earlier run, to start again with its
    // settings (empty: a home of its own).
    explicit TWayline(const QString& home = QString(),
                      const QMap<QString, QString>& environment = {})
        : HomePath(home.isEmpty() ? Home.path() : home) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"LANGUAGE", "LC_ALL", "LC_MESSAGES"}) {
            env.remove(QString::fromLatin1(name));
        }
        env.insert(QStringLiteral("LANG"), QStringLiteral("C.UTF-8"));
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        env.insert(QStringLiteral("HOME"), HomePath);
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), HomePath + QStringLiteral("/config"));
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), HomePath);
        env.insert(QStringLiteral("WAYLINE_STATE_FILE"), StatePath());
        for (auto it = environment.cbegin(); it != environment.cend(); ++it) {
            env.insert(it.key(), it.value());
        }
        Program.setProcessEnvironment(env);
        Program.setWorkingDirectory(HomePath);
        Program.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        Program.start(qEnvironmentVariable("WAYLINE_PROGRAM"), {});
    }
    ~TWayline() {
        if (Program.state() != QProcess::NotRunning) {
            Program.kill();
            Program.waitForFinished(5000);
        }
    }

    QString HomeFolder() const { return HomePath; }
    QString StatePath() const { return HomePath + QStringLiteral("/state.json"); }

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
    QString HomePath;
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


// The suites of the folder, each registered by WAYLINE_USER_SUITE.
using TSuiteFactory = std::unique_ptr<QObject> (*)();
inline std::vector<TSuiteFactory>& Suites() {
    static std::vector<TSuiteFactory> suites;
    return suites;
}
struct TSuiteRegistration {
    explicit TSuiteRegistration(TSuiteFactory make) { Suites().push_back(make); }
};

} // namespace wayline::user

#define WAYLINE_USER_SUITE(Class)                                                                  \
    static const wayline::user::TSuiteRegistration Class##Registration(                            \
        []() -> std::unique_ptr<QObject> { return std::make_unique<Class>(); })
