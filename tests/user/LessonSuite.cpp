// A teacher with a pupil's list and the virtual robot: Go sends the list,
// the first lesson is picked from the robot window's menu with the mouse,
// the robot drives it again from the lesson's start and the window says
// why the list does not do the task.

#include "UserDriver.h"

namespace wayline::user {

class TLessonSuite : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void APupilsListFailsTheLessonPickedFromTheMenu() {
        TWayline wayline;
        TShotOnFailure shot(QStringLiteral("lesson"));
        QVERIFY(wayline.ChooseMode(false));
        // One short Move Forward: the robot stops well before the line.
        QVERIFY(wayline.Append(MoveForward));
        TWayline::Click(Centre(wayline.Places()["portBox"]));
        QVERIFY(wayline.WaitFor(
            [](const QJsonObject& s) { return s["focus"].toString() != "MainForm"; }));
        TWayline::Key(QStringLiteral("End"));
        TWayline::Key(QStringLiteral("Return"));
        QVERIFY(wayline.WaitFor(
            [](const QJsonObject& s) { return s["port"].toString() == "Virtual robot"; }));
        QVERIFY(wayline.ClickButton(Go));
        const auto robot = [&wayline] { return wayline.State()["robot"].toObject(); };
        QVERIFY(wayline.WaitFor(
            [&](const QJsonObject&) {
                return robot()["shown"].toBool() && !robot()["lessonsButton"].toArray().isEmpty();
            },
            RobotTimeoutMs));

        TWayline::Click(Centre(robot()["lessonsButton"]));
        QVERIFY(wayline.WaitFor([&](const QJsonObject&) {
            return !At(robot()["lessons"], 0).toArray().isEmpty();
        }));
        QCOMPARE(robot()["lessons"].toArray().size(), 6);
        TWayline::Click(Centre(At(robot()["lessons"], 0)));
        QVERIFY(wayline.WaitFor(
            [&](const QJsonObject&) { return robot()["task"].toString() == "Drive to the line"; }));
        QVERIFY2(wayline.WaitFor(
                     [&](const QJsonObject&) {
                         return robot()["verdict"].toString().startsWith(
                             QStringLiteral("Not passed\nThe program ended at "));
                     },
                     RobotTimeoutMs),
                 qPrintable(robot()["verdict"].toString()));
        QVERIFY(robot()["verdict"].toString().endsWith(QStringLiteral(": goal 0 of 1 reached")));
    }
};

WAYLINE_USER_SUITE(TLessonSuite);

} // namespace wayline::user

#include "LessonSuite.moc"
