// The editor window in a classroom: the mode switch, a file of the other
// mode, what a screen reader reads, the keyboard's way round the window, a
// refused character and the buttons after a window they opened.

#include "app/MainForm.h"
#include "codegen/core/ActionListFile.h"
#include "editor/ui/BotAction.h"
#include "editor/ui/DrawGrid.h"
#include "editor/ui/FocusFrame.h"
#include "editor/ui/SuperSpinEdit.h"

#include "MainFormTestSupport.h"
#include "TestEnvironment.h"

#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QLineEdit>
#include <QTabBar>
#include <QTemporaryDir>
#include <QTest>

using namespace wayline;
using namespace wayline::test;

namespace {

QString Name(QObject* object) {
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(object);
    return iface ? iface->text(QAccessible::Name) : QStringLiteral("<none>");
}

QString FocusName() {
    const QWidget* focus = QApplication::focusWidget();
    return focus ? (focus->objectName().isEmpty() ? QString::fromLatin1(focus->metaObject()->className())
                                                  : focus->objectName())
                 : QString();
}

} // namespace

class ClassroomTest : public QObject {
    Q_OBJECT

    TTestEnvironment Environment;

private Q_SLOTS:
    void initTestCase() { Environment.QuietWindowMasks(); }

    // The window lays itself out from the other mode's records and keeps
    // every list, the sensor sets and the set columns included.
    void SwitchingModeKeepsTheListsAndTakesTheModesLayout() {
        TProgram program(true);
        program.AddSteps(1, 3);
        program.AddSteps(3, 2);
        program.State.Editor.Step(1, 2).LeftSet = 2;
        program.State.Editor.ListModified = false;
        TMainForm& main = program.Main();
        const QPoint place = main.pos();

        main.SwitchMode(false);
        QVERIFY(!program.State.Editor.AdvancedMode);
        QCOMPARE(main.Grid(1)->ColCount(), 2);
        QVERIFY(main.SensorTabbedNotebook()->isHidden());
        QVERIFY(main.SensorActionPanel()->isHidden());
        QVERIFY(!main.SensorsEnabled()->isHidden());
        QCOMPARE(main.width(), 526);
        QCOMPARE(main.pos(), place);
        QCOMPARE(main.ModeSwitchBox()->geometry(), QRect(382, 279, 120, 20));
        QCOMPARE(main.ModeSwitchBox()->text(), QStringLiteral("Advanced Mode"));
        QVERIFY(!main.ModeSwitchBox()->isChecked());
        QVERIFY(main.Image(10)->isHidden()); // the sensor panel's frame
        for (int slot = 1; slot <= 6; ++slot)
            QVERIFY(!main.RowControl(2, slot)->SpinEdit()->Edit()->isVisible());
        QCOMPARE(program.State.Editor.StepCount(1), 3);
        QCOMPARE(program.State.Editor.StepCount(3), 2);
        QCOMPARE(int(program.State.Editor.Step(1, 2).LeftSet), 2);
        QVERIFY(!program.State.Editor.ListModified);
        // The rows' values still lie beside the wider Actions column.
        QCOMPARE(main.RowControl(1, 1)->SpinEdit()->Geometry().width(),
                 main.Grid(1)->ColWidth(1) - TBotAction::IconSize - TBotAction::IconGap);

        main.SwitchMode(true);
        QCOMPARE(main.Grid(1)->ColCount(), 5);
        QCOMPARE(main.width(), 797);
        QVERIFY(main.SensorTabbedNotebook()->isVisible());
        QVERIFY(main.SensorsEnabled()->isHidden());
        QVERIFY(main.Image(10)->isVisible());
        QCOMPARE(main.Image(10)->geometry(), QRect(520, 46, 261, 256));
        QCOMPARE(main.ModeSwitchBox()->geometry(), QRect(653, 315, 118, 20));
        QVERIFY(main.ModeSwitchBox()->isChecked());
        QCOMPARE(int(program.State.Editor.Step(1, 2).LeftSet), 2);
        QCOMPARE(program.State.Editor.StepCount(3), 2);
        // The file now says Advanced Mode: what it holds opens back as it was.
        QTemporaryDir dir;
        program.Dialogs.SaveName = dir.filePath("sets.wyl");
        QVERIFY(main.SaveFile());
        QFile saved(program.Dialogs.SaveName);
        QVERIFY(saved.open(QIODevice::ReadOnly));
        QCOMPARE(int(saved.readAll().at(21)), 1);
    }

    // Beginner Mode meets a file made in Advanced Mode: Yes switches and
    // opens it; No keeps the lists and says why the file was refused.
    void AnAdvancedFileOffersTheSwitch() {
        QTemporaryDir dir;
        const QString file = dir.filePath("advanced.wyl");
        {
            TProgram program(true);
            program.AddSteps(1, 2);
            program.AddSteps(2, 1);
            program.Dialogs.SaveName = file;
            QVERIFY(program.Main().SaveFile());
        }
        TProgram program(false);
        program.AddSteps(1, 4);
        program.Dialogs.Answers = {TBoxAnswer::No, TBoxAnswer::No};
        program.Dialogs.OpenName = file;
        program.Main().LoadFile();
        QCOMPARE(program.Dialogs.Questions,
                 QStringList{"This Wayline file was saved in Advanced Mode.  Switch to Advanced "
                             "Mode now and open it?"});
        QCOMPARE(program.Dialogs.Errors.size(), 1);
        QCOMPARE(program.State.Editor.StepCount(1), 4);
        QVERIFY(!program.State.Editor.AdvancedMode);

        program.Dialogs.YesNoAnswers = {true};
        program.Main().LoadFile();
        QCOMPARE(program.Dialogs.Errors.size(), 1);
        QVERIFY(program.State.Editor.AdvancedMode);
        QCOMPARE(program.State.Editor.StepCount(1), 2);
        QCOMPARE(program.State.Editor.StepCount(2), 1);
        QCOMPARE(program.Main().Grid(1)->ColCount(), 5);
        QVERIFY(!program.State.Editor.ListModified);
    }

    void AScreenReaderReadsNamesRowsAndDescriptions() {
        TProgram program(true);
        program.AddSteps(1, 2);
        program.State.Editor.Step(1, 2).Value = 8;
        program.State.Editor.Step(1, 2).LeftSet = 1;
        program.State.Editor.Step(1, 2).RightSet = 4;
        TMainForm& main = program.Main();

        QAccessibleInterface* go =
            QAccessible::queryAccessibleInterface(main.Image(TMainForm::NormalPicture(1)));
        QVERIFY(go);
        QCOMPARE(go->role(), QAccessible::Button);
        QCOMPARE(go->text(QAccessible::Name), QStringLiteral("Go"));
        QCOMPARE(go->text(QAccessible::Description), Resources().LoadText(444));
        const QStringList buttons{"Go",     "Clear", "Test", "Load",  "Save", "Quit",
                                  "Delete", "Copy",  "Cut",  "Paste", "Undo"};
        for (int tag = 1; tag <= TMainForm::ButtonCount; ++tag) {
            QCOMPARE(Name(main.Image(TMainForm::NormalPicture(tag))), buttons[tag - 1]);
        }
        QCOMPARE(Name(main.Image(14)), QStringLiteral("Move Forward"));
        QCOMPARE(Name(main.Image(20)), QStringLiteral("Loop Back to a Step"));
        QCOMPARE(QAccessible::queryAccessibleInterface(main.Image(14))->role(), QAccessible::Button);
        QCOMPARE(Name(main.ActionScrollBox()), QStringLiteral("Actions"));
        QCOMPARE(Name(main.HyperHelp()), QStringLiteral("Help Enabled"));
        QCOMPARE(QAccessible::queryAccessibleInterface(main.HyperHelp())
                     ->text(QAccessible::Description),
                 Resources().LoadText(441));
        QCOMPARE(Name(main.SensorsEnabled()), QStringLiteral("Sensors Enabled"));
        QCOMPARE(QAccessible::queryAccessibleInterface(main.COMPortComboBox())
                     ->text(QAccessible::Description),
                 Resources().LoadText(477));

        QAccessibleInterface* list = QAccessible::queryAccessibleInterface(main.Grid(1));
        QCOMPARE(list->role(), QAccessible::List);
        QCOMPARE(list->text(QAccessible::Name), QStringLiteral("Actions to be performed"));
        QCOMPARE(list->childCount(), 3); // two steps and the end of the list
        QCOMPARE(list->child(1)->role(), QAccessible::ListItem);
        QCOMPARE(list->child(1)->text(QAccessible::Name),
                 QStringLiteral("Step 2: Move Forward, 0.8 sec, Both: All, Left: Set1, Right: Set4"));
        QCOMPARE(list->child(2)->text(QAccessible::Name),
                 QStringLiteral("Step 3: the end of the list"));
        QCOMPARE(Name(main.Grid(3)), QStringLiteral("Sensor actions Set1"));
        QCOMPARE(Name(main.ModeSwitchBox()), QStringLiteral("Advanced Mode"));
        // Whatever the keyboard reaches also says what it does.
        std::vector<QObject*> described{main.ActionScrollBox(), main.HyperHelp(),
                                        main.COMPortComboBox(), main.ModeSwitchBox(),
                                        main.Grid(1), main.Grid(2)};
        for (int n = 14; n <= 21; ++n)
            described.push_back(main.Image(n));
        for (int tag = 1; tag <= TMainForm::ButtonCount; ++tag)
            described.push_back(main.Image(TMainForm::NormalPicture(tag)));
        for (QObject* object : described) {
            QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(object);
            QVERIFY2(iface && !iface->text(QAccessible::Name).isEmpty() &&
                         !iface->text(QAccessible::Description).isEmpty(),
                     qPrintable(object->objectName()));
        }

        main.SwitchMode(false);
        QCOMPARE(list->child(1)->text(QAccessible::Name),
                 QStringLiteral("Step 2: Move Forward, 0.8 sec"));
    }

    // Tab goes round the window in the order it is laid out; Shift+Tab
    // goes back. In the palette the arrows choose and Enter adds after the
    // selected step.
    void TheKeyboardGoesRoundTheWindowAndAddsFromThePalette() {
        TProgram program(false);
        program.AddSteps(1, 2);
        program.SelectRows(1, 1);
        TMainForm& main = program.Main();
        main.DisplayVisibleActions(1, 1);
        main.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&main));
        main.Grid(1)->setFocus();
        QStringList order;
        for (int i = 0; i < 12; ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            order << FocusName();
        }
        // Paste is greyed (nothing to paste) and no Tab stop; Undo is not,
        // since the value passed through took a snapshot.
        QVERIFY(!main.IsButtonEnabled(10));
        QCOMPARE(order, (QStringList{"BotActionEdit1", "COMPortComboBox", "HyperHelp",
                                     "SensorsEnabled", "ModeSwitch", "DeleteButton", "CopyButton",
                                     "CutButton", "UndoButton", "GoButton", "ClearButton",
                                     "TestButton"}));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
        QCOMPARE(FocusName(), QStringLiteral("ClearButton"));
        // The focus is framed wherever it is.
        QVERIFY(main.FocusFrame()->isVisible());
        QCOMPARE(main.FocusFrame()->Framed(), main.Image(TMainForm::NormalPicture(2))->geometry());

        main.ActionScrollBox()->setFocus(Qt::TabFocusReason);
        QTest::keyClick(main.ActionScrollBox(), Qt::Key_Down); // Turn Left
        QCOMPARE(main.HelpMemo()->toPlainText(), Resources().LoadText(463)); // the keys' help
        QTest::keyClick(main.ActionScrollBox(), Qt::Key_Return);
        QCOMPARE(program.State.Editor.StepCount(1), 3);
        QCOMPARE(int(program.State.Editor.Step(1, 2).Kind), int(akTurnLeft));
        QCOMPARE(main.Grid(1)->Selection().Top, 2);
        QVERIFY(program.State.UndoRing.CanUndo());
        QCOMPARE(main.FocusFrame()->Framed(),
                 QRect(main.Image(16)->mapTo(&main, QPoint(0, 0)), main.Image(16)->size()));
        // Enter on a picture button runs it.
        main.Image(TMainForm::NormalPicture(2))->setFocus(Qt::TabFocusReason);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QCOMPARE(program.State.Editor.StepCount(1), 0);
    }

    // In Advanced Mode the set columns of the selected step are Tab stops:
    // the arrows choose the set, as a drop of the "+" panel would.
    void SetColumnsTakeTheirSetFromTheKeyboard() {
        TProgram program(true);
        program.AddSteps(1, 2);
        program.SelectRows(2, 2);
        TMainForm& main = program.Main();
        main.DisplayVisibleActions(1, 1);
        main.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&main));
        main.Grid(1)->setFocus();
        QTest::keyClick(main.Grid(1), Qt::Key_Tab); // the selected step's value
        QCOMPARE(QApplication::focusWidget(),
                 static_cast<QWidget*>(main.RowControl(1, 2)->SpinEdit()->Edit()));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab); // Both
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab); // Left
        QCOMPARE(main.Grid(1)->KeyColumn(), 3);
        QTest::keyClick(main.Grid(1), Qt::Key_Right);
        QTest::keyClick(main.Grid(1), Qt::Key_Right);
        QCOMPARE(int(program.State.Editor.Step(1, 2).LeftSet), 2);
        QTest::keyClick(main.Grid(1), Qt::Key_Left);
        QCOMPARE(int(program.State.Editor.Step(1, 2).LeftSet), 1);
        QCOMPARE(int(program.State.Editor.Step(1, 1).LeftSet), 0);
        QCOMPARE(main.FocusFrame()->Framed(),
                 QRect(main.Grid(1)->mapTo(&main, main.Grid(1)->CellRect(3, 2).topLeft()),
                       main.Grid(1)->CellRect(3, 2).size()));
        QTest::keyClick(main.Grid(1), Qt::Key_Tab); // Right
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(main.SensorTabs()));
    }

    // A letter in a value is refused where it is typed, so is a paste that
    // would leave anything but a number; the box keeps what it had.
    void ARefusedCharacterLeavesTheBoxAsItWas() {
        TProgram program(false);
        program.AddSteps(1, 1);
        TMainForm& main = program.Main();
        main.DisplayVisibleActions(1, 1);
        main.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&main));
        TSuperSpinEdit* spin = main.RowControl(1, 1)->SpinEdit();
        int refused = 0;
        connect(spin, &TSuperSpinEdit::InputRefused, this, [&refused] { ++refused; });
        spin->Edit()->setFocus();
        spin->Edit()->selectAll();
        QTest::keyClicks(spin->Edit(), QStringLiteral("1a"));
        QCOMPARE(spin->Text(), QStringLiteral("1"));
        QCOMPARE(refused, 1);
        QCOMPARE(main.HelpMemo()->toPlainText(), Resources().LoadText(457));
        QApplication::clipboard()->setText(QStringLiteral(",5x"));
        spin->Edit()->paste();
        QCOMPARE(spin->Text(), QStringLiteral("1"));
        QCOMPARE(refused, 2);
        QApplication::clipboard()->setText(QStringLiteral(",5"));
        spin->Edit()->paste();
        QTest::keyClick(spin->Edit(), Qt::Key_Return);
        QCOMPARE(int{program.State.Editor.Step(1, 1).Value}, 15);
    }

    // After its dialog, Load shows no pressed picture and holds nothing:
    // the next press on it is a press.
    void AButtonIsFreeAgainAfterTheWindowItOpened() {
        TProgram program(false);
        TMainForm& main = program.Main();
        main.ButtonClick(4); // Load: the dialog is answered with Cancel
        QVERIFY(!main.Image(TMainForm::PressedPicture(4))->isVisible());
        QVERIFY(!main.Image(TMainForm::HighlightedPicture(4))->isVisible());
    }
};

QTEST_MAIN(ClassroomTest)
#include "ClassroomTest.moc"
