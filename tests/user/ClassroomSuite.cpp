// The editor in a classroom: picture buttons after their windows, files
// where the pupil left them, decimal commas, the mode switch and the
// keyboard alone, driven as a pupil drives them.

#include "UserDriver.h"

#include <QStyleHints>

using namespace wayline::user;

namespace {

const QString FileDialog = QStringLiteral("QFileDialog");
const QString MessageBox = QStringLiteral("QMessageBox");
const QString SecondsRefused =
    QStringLiteral("Type a number of seconds, such as 1.5 or 1,5.  Other characters are not taken.");

bool ModalIs(const QJsonObject& s, const QString& name) {
    return s["modal"].toString() == name && s["active"].toString() == name;
}

bool NoModal(const QJsonObject& s) {
    return s["modal"].toString().isEmpty() && s["active"].toString() == "MainForm";
}

// Keeps a picture of the screen for the closing note of the work.
void KeepShot(const QString& name) {
    const QString folder = qEnvironmentVariable("WAYLINE_SHOTS");
    if (folder.isEmpty() || !QGuiApplication::primaryScreen())
        return;
    QDir().mkpath(folder);
    QGuiApplication::primaryScreen()->grabWindow(0).save(QDir(folder).filePath(name + ".png"));
}

} // namespace

class ClassroomSuite : public QObject {
    Q_OBJECT

    // Clicks the button, closes the window it opened with Escape, then
    // clicks again without moving the pointer: the window opens again.
    // `pause`: at a pupil's pace, or at once (the two clicks then make a
    // double click for the window system).
    static void ClickAgainAfterEscape(TWayline& wayline, int tag, const QString& window,
                                      bool pause) {
        QVERIFY(wayline.ClickButton(tag));
        QVERIFY(wayline.WaitFor([&](const QJsonObject& s) { return ModalIs(s, window); }));
        TWayline::Key(QStringLiteral("Escape"));
        QVERIFY(wayline.WaitFor(NoModal));
        if (pause)
            QTest::qWait(QGuiApplication::styleHints()->mouseDoubleClickInterval() + 200);
        const int before = wayline.Clicks(tag);
        Xdotool({"click", "1"});
        QVERIFY2(wayline.WaitFor([&](const QJsonObject& s) {
            return wayline.Clicks(tag) == before + 1 && ModalIs(s, window);
        }),
                 qPrintable(QStringLiteral("button %1 took no second click").arg(tag)));
        TWayline::Key(QStringLiteral("Escape"));
        QVERIFY(wayline.WaitFor(NoModal));
        // Lit as the pointer says: it is still over the button.
        QVERIFY(wayline.WaitFor([&](const QJsonObject&) {
            return wayline.Button(tag) == QStringLiteral("highlighted");
        }));
    }

private Q_SLOTS:
    void LoadAndSaveTakeTheNextClickAfterTheirDialog() {
        TWayline wayline;
        TShotOnFailure shot(QStringLiteral("click-after-dialog"));
        QVERIFY(wayline.ChooseMode(false));
        ClickAgainAfterEscape(wayline, Load, FileDialog, false);
        QVERIFY(wayline.Append(MoveForward));
        ClickAgainAfterEscape(wayline, Save, FileDialog, true);
        // Quit's question whether to save, answered with Cancel.
        ClickAgainAfterEscape(wayline, Quit, MessageBox, true);
        QVERIFY(wayline.Program.state() == QProcess::Running);
    }

    void LoadTakesTheNextClickAfterABadFilesMessage() {
        TWayline wayline;
        TShotOnFailure shot(QStringLiteral("click-after-message"));
        QFile bad(wayline.HomeFolder() + QStringLiteral("/bad.wyl"));
        QVERIFY(bad.open(QIODevice::WriteOnly));
        bad.write(QByteArray(9240, 'x'));
        bad.close();
        QVERIFY(wayline.ChooseMode(false));
        QVERIFY(wayline.ClickButton(Load));
        QVERIFY(wayline.WaitFor([](const QJsonObject& s) { return ModalIs(s, FileDialog); }));
        TWayline::Type(bad.fileName());
        TWayline::Key(QStringLiteral("Return"));
        QVERIFY(wayline.WaitFor([](const QJsonObject& s) { return ModalIs(s, MessageBox); }));
        TWayline::Key(QStringLiteral("Return"));
        QVERIFY(wayline.WaitFor(NoModal));
        Xdotool({"click", "1"});
        QVERIFY(wayline.WaitFor([&](const QJsonObject& s) {
            return wayline.Clicks(Load) == 2 && ModalIs(s, FileDialog);
        }));
        TWayline::Key(QStringLiteral("Escape"));
    }

    // Saved in a folder of the pupil's: the next run's Load opens there.
    // The first dialog of all opens at home, not in the program's folder.
    void DialogsOpenInTheLastFilesFolderAcrossARestart() {
        QTemporaryDir pupil; // the home of both runs
        const QString home = pupil.path();
        const QString lessons = home + QStringLiteral("/lessons");
        QVERIFY(QDir(home).mkpath(QStringLiteral("lessons")));
        {
            TWayline first(home);
            TShotOnFailure shot(QStringLiteral("folder-first-run"));
            QVERIFY(first.ChooseMode(false));
            QVERIFY(first.Append(MoveForward));
            QVERIFY(first.ClickButton(Save));
            QVERIFY(first.WaitFor([&](const QJsonObject& s) {
                return ModalIs(s, FileDialog) && s["dialogFolder"].toString() == home;
            }));
            TWayline::Type(lessons + QStringLiteral("/lesson1.wyl"));
            TWayline::Key(QStringLiteral("Return"));
            QVERIFY(first.WaitFor(
                [](const QJsonObject& s) { return NoModal(s) && !s["modified"].toBool(); }));
            QVERIFY(QFile::exists(lessons + QStringLiteral("/lesson1.wyl")));
            QVERIFY(first.ClickButton(Quit));
            QVERIFY(first.Program.waitForFinished(StateTimeoutMs));
        }
        QFile::remove(home + QStringLiteral("/state.json"));
        TWayline second(home);
        TShotOnFailure shot(QStringLiteral("folder-second-run"));
        QVERIFY(second.ChooseMode(false));
        QVERIFY(second.ClickButton(Load));
        QVERIFY(second.WaitFor([&](const QJsonObject& s) {
            return ModalIs(s, FileDialog) && s["dialogFolder"].toString() == lessons;
        }));
        TWayline::Key(QStringLiteral("Escape"));
        QVERIFY(second.WaitFor(NoModal));
    }

    void DecimalCommaIsTheDecimalPointAndOtherCharactersAreRefused() {
        TWayline wayline;
        TShotOnFailure shot(QStringLiteral("decimal-comma"));
        QVERIFY(wayline.ChooseMode(false));
        QVERIFY(wayline.Append(MoveForward));
        TWayline::Click(wayline.EditOf(1));
        TWayline::Key(QStringLiteral("ctrl+a"));
        TWayline::Type(QStringLiteral("1,5"));
        TWayline::Key(QStringLiteral("Return"));
        QVERIFY(wayline.WaitFor([&](const QJsonObject&) { return wayline.Value(1) == 15; }));
        // A letter is refused where it is typed, and said so: the box shows
        // "2", then "25", and holds 25 seconds.
        TWayline::Click(wayline.EditOf(1));
        TWayline::Key(QStringLiteral("ctrl+a"));
        TWayline::Type(QStringLiteral("2x"));
        QVERIFY(wayline.WaitFor(
            [](const QJsonObject& s) { return s["help"].toString() == SecondsRefused; }));
        TWayline::Type(QStringLiteral("5"));
        TWayline::Key(QStringLiteral("Return"));
        QVERIFY(wayline.WaitFor([&](const QJsonObject&) { return wayline.Value(1) == 250; }));
    }

    void TheModeSwitchKeepsTheListsWithoutARestart() {
        TWayline wayline;
        TShotOnFailure shot(QStringLiteral("mode-switch"));
        QVERIFY(wayline.ChooseMode(false));
        QVERIFY(wayline.Append(MoveForward));
        QVERIFY(wayline.Append(TurnLeft));
        KeepShot(QStringLiteral("mode-switch-beginner"));
        TWayline::Click(Centre(wayline.Places()["modeSwitch"]));
        QVERIFY(wayline.WaitFor([](const QJsonObject& s) {
            return s["advanced"].toBool() && s["places"].toObject()["plusPanel"].toArray().size() == 4;
        }));
        QCOMPARE(wayline.Kinds(), QStringLiteral("02"));
        QTest::qWait(300);
        KeepShot(QStringLiteral("mode-switch-advanced"));
        TWayline::Click(Centre(wayline.Places()["modeSwitch"]));
        QVERIFY(wayline.WaitFor([](const QJsonObject& s) { return !s["advanced"].toBool(); }));
        QCOMPARE(wayline.Kinds(), QStringLiteral("02"));
    }

    // Palette, list, port box and Save reached with Tab, the actions added
    // with the arrows and Enter, the file saved: no mouse after the start.
    void AListBuiltChosenAndSavedWithTheKeyboardOnly() {
        TWayline wayline;
        TShotOnFailure shot(QStringLiteral("keyboard-only"));
        QVERIFY(wayline.ChooseMode(false));
        QVERIFY(wayline.WaitFor(
            [](const QJsonObject& s) { return s["focus"].toString() == "ToDoList"; }));
        TWayline::Key(QStringLiteral("shift+Tab"));
        QVERIFY(wayline.WaitFor(
            [](const QJsonObject& s) { return s["focus"].toString() == "ActionScrollBox"; }));
        TWayline::Key(QStringLiteral("Return")); // Move Forward
        TWayline::Key(QStringLiteral("Right"));  // Move Backward
        TWayline::Key(QStringLiteral("Return"));
        TWayline::Key(QStringLiteral("Down")); // Turn Right
        TWayline::Key(QStringLiteral("space"));
        QVERIFY(wayline.WaitFor([&](const QJsonObject&) { return wayline.Kinds() == "013"; }));
        // The frame shows which action has the keyboard.
        QVERIFY(wayline.WaitFor([&](const QJsonObject& s) {
            const QJsonArray frame = s["places"].toObject()["focusFrame"].toArray();
            const QPoint centre = Centre(frame);
            const QJsonArray turnRight = At(s["places"].toObject()["palette"], 3).toArray();
            return frame.size() == 4 &&
                   QRect(turnRight[0].toInt(), turnRight[1].toInt(), turnRight[2].toInt(),
                         turnRight[3].toInt())
                       .contains(centre);
        }));
        KeepShot(QStringLiteral("keyboard-palette"));
        // Into the list, then the new step's duration: 0.7 sec.
        TWayline::Key(QStringLiteral("Tab"));
        QVERIFY(wayline.WaitFor(
            [](const QJsonObject& s) { return s["focus"].toString() == "ToDoList"; }));
        TWayline::Key(QStringLiteral("Tab"));
        QVERIFY(wayline.WaitFor(
            [](const QJsonObject& s) { return s["focus"].toString().startsWith("BotActionEdit"); }));
        TWayline::Key(QStringLiteral("ctrl+a"));
        TWayline::Type(QStringLiteral("0,7"));
        TWayline::Key(QStringLiteral("Tab"));
        QVERIFY(wayline.WaitFor([&](const QJsonObject& s) {
            return wayline.Value(3) == 7 && s["focus"].toString() == "COMPortComboBox";
        }));
        KeepShot(QStringLiteral("keyboard-list"));
        // The virtual robot is the last port.
        TWayline::Key(QStringLiteral("End"));
        QVERIFY(wayline.WaitFor([](const QJsonObject& s) {
            return s["port"].toString() == "Virtual robot" &&
                   s["focus"].toString() == "COMPortComboBox";
        }));
        // On round the settings and the buttons, one stop at a time.
        for (int i = 0; i < 16 && wayline.State()["focus"].toString() != "SaveButton"; ++i) {
            const QString before = wayline.State()["focus"].toString();
            TWayline::Key(QStringLiteral("Tab"));
            QVERIFY(wayline.WaitFor(
                [&](const QJsonObject& s) { return s["focus"].toString() != before; }));
        }
        QCOMPARE(wayline.State()["focus"].toString(), QStringLiteral("SaveButton"));
        TWayline::Key(QStringLiteral("Return"));
        QVERIFY(wayline.WaitFor([](const QJsonObject& s) { return ModalIs(s, FileDialog); }));
        const QString file = wayline.HomeFolder() + QStringLiteral("/keys.wyl");
        TWayline::Type(file);
        TWayline::Key(QStringLiteral("Return"));
        QVERIFY(wayline.WaitFor(
            [](const QJsonObject& s) { return NoModal(s) && !s["modified"].toBool(); }));
        QCOMPARE(QFileInfo(file).size(), 9240);
        QCOMPARE(wayline.Kinds(), QStringLiteral("013"));
    }
};

WAYLINE_USER_SUITE(ClassroomSuite);

#include "ClassroomSuite.moc"
