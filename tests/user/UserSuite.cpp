// The first lesson's editing, the picture buttons and the virtual robot,
// as a user drives them.

#include "UserDriver.h"

using namespace wayline::user;

class UserSuite : public QObject {
    Q_OBJECT

private Q_SLOTS:
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

WAYLINE_USER_SUITE(UserSuite);

#include "UserSuite.moc"
