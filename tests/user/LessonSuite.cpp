// A teacher with a pupil's list and the virtual robot: Go sends the list,
// lessons are picked from the robot window's menu with the mouse, the robot
// drives the list again from each lesson's start and the window says
// whether it does the task.

#include "UserDriver.h"

namespace wayline::user {

class TLessonSuite : public QObject {
    Q_OBJECT

    static QJsonObject Robot(const TWayline& wayline) { return wayline.State()["robot"].toObject(); }

    // Opens lesson `number` (from 1) from the window's menu and waits for
    // its verdict.
    static bool PickLesson(TWayline& wayline, int number, const QString& title) {
        const auto robot = [&wayline] { return Robot(wayline); };
        TWayline::Click(Centre(robot()["lessonsButton"]));
        if (!wayline.WaitFor([&](const QJsonObject&) {
                return !At(robot()["lessons"], number - 1).toArray().isEmpty();
            })) {
            qWarning("the lessons' menu did not open: %s",
                     QJsonDocument(robot()).toJson(QJsonDocument::Compact).constData());
            return false;
        }
        TWayline::Click(Centre(At(robot()["lessons"], number - 1)));
        return wayline.WaitFor([&](const QJsonObject&) { return robot()["task"] == title; });
    }

    static QString Verdict(TWayline& wayline) {
        wayline.WaitFor(
            [&](const QJsonObject&) {
                const QString verdict = Robot(wayline)["verdict"].toString();
                return verdict.startsWith(QStringLiteral("Passed\n")) ||
                       verdict.startsWith(QStringLiteral("Not passed\n"));
            },
            RobotTimeoutMs * 2);
        return Robot(wayline)["verdict"].toString();
    }

private Q_SLOTS:
    void APupilsListPassesOneLessonAndFailsAnother() {
        TWayline wayline;
        TShotOnFailure shot(QStringLiteral("lesson"));
        QVERIFY(wayline.ChooseMode(false));
        // Move Forward for 7 s: far enough for the line, not the corridor.
        QVERIFY(wayline.Append(MoveForward));
        TWayline::Click(wayline.EditOf(1));
        TWayline::Key(QStringLiteral("ctrl+a"));
        TWayline::Type(QStringLiteral("7"));
        TWayline::Key(QStringLiteral("Return"));
        QVERIFY(wayline.WaitFor([&](const QJsonObject&) { return wayline.Value(1) == 70; }));
        TWayline::Click(Centre(wayline.Places()["portBox"]));
        QVERIFY(wayline.WaitFor(
            [](const QJsonObject& s) { return s["focus"].toString() != "MainForm"; }));
        TWayline::Key(QStringLiteral("End"));
        TWayline::Key(QStringLiteral("Return"));
        QVERIFY(wayline.WaitFor(
            [](const QJsonObject& s) { return s["port"].toString() == "Virtual robot"; }));
        QVERIFY(wayline.ClickButton(Go));
        // Shown, and mapped and focused by the window manager.
        QVERIFY(wayline.WaitFor(
            [&](const QJsonObject& s) {
                return Robot(wayline)["shown"].toBool() &&
                       s["active"].toString() == "VirtualRobotForm";
            },
            RobotTimeoutMs));

        QVERIFY(PickLesson(wayline, 1, QStringLiteral("Drive to the line")));
        QString verdict = Verdict(wayline);
        QVERIFY2(verdict.startsWith(QStringLiteral("Passed\nGoal reached in ")), qPrintable(verdict));

        QVERIFY(PickLesson(wayline, 3, QStringLiteral("A corridor with a turn")));
        verdict = Verdict(wayline);
        QVERIFY2(verdict.startsWith(QStringLiteral("Not passed\nThe program ended at ")) &&
                     verdict.endsWith(QStringLiteral(": goal 0 of 1 reached")),
                 qPrintable(verdict));
    }
};

WAYLINE_USER_SUITE(TLessonSuite);

} // namespace wayline::user

#include "LessonSuite.moc"
