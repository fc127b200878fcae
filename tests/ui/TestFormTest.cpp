// The test window as a user drives it: the pulse controls, calibration, the
// exchange with a fake test program on a port slot of the test's own table,
// and closing.

#include "testmode/ui/TestForm.h"
#include "app/AppState.h"
#include "app/MainWindows.h"
#include "uikit/Resources.h"
#include "codegen/core/BuildCode.h"
#include "codegen/ui/CodeForm.h"
#include "comm/core/Serial.h"
#include "editor/core/ActionDocument.h"
#include "testmode/ui/BotPanel.h"
#include "testmode/core/FakeTestModule.h"
#include "testmode/core/TestExchange.h"

#include "TestEnvironment.h"

#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QLocale>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSpinBox>
#include <QTest>
#include <QTimer>

#include <memory>
#include <string>
#include <vector>

using namespace wayline;
using wayline::testing::TFakeTestModule;

namespace {

// The window with a slot table of its own, whose ports all lead to the fake
// test program, and a download that claims the next free slot.
struct TRig {
    TDocumentState State;
    TSerialSlots Slots;
    TFakeTestModule* Module = nullptr; // the device of the port opened last
    std::unique_ptr<TTestForm> Form;
    std::vector<int> LoadedPrograms;
    std::vector<int> OpenSlotsAtDownload; // slots open when each download began
    bool DownloadFails = false;
    bool KeptOpen = false;

    TRig() {
        InitialiseDocument(State);
        Slots.SetDeviceFactory([this](const std::string&) {
            auto device = std::make_unique<TFakeTestModule>();
            Module = device.get();
            return device;
        });
        Form = std::make_unique<TTestForm>(Resources(), State.Document, Slots);
        Form->SetProgramLoader([this](int id) { LoadedPrograms.push_back(id); });
        Form->SetDownloader([this](bool keepOpen) {
            KeptOpen = keepOpen;
            OpenSlotsAtDownload.push_back(OpenSlots());
            if (DownloadFails) {
                return NoSlot;
            }
            std::uint32_t error = 0;
            return Slots.OpenFreeSlot("COM1", error);
        });
    }
    ~TRig() { Form.reset(); }

    int OpenSlots() const {
        int open = 0;
        for (int slot = FirstSlot; slot <= LastSlot; ++slot) {
            open += Slots.IsFree(slot) ? 0 : 1;
        }
        return open;
    }

    void ShowActive() {
        Form->show();
        QApplication::setActiveWindow(Form.get());
        QVERIFY(QTest::qWaitForWindowActive(Form.get()));
    }

    // The bytes one tick sends.
    std::vector<std::uint8_t> Tick() {
        Module->Written.clear();
        Form->TestOnTimer();
        return Module->Written;
    }
};

bool LeftSide(const TSensorLooks& looks, const QColor& color, bool bent) {
    return looks.LeftIrSensorLens == color && looks.LeftIrSensor == color &&
           looks.LeftWhisker2 == bent && looks.LeftWhisker1 == !bent;
}

bool RightSide(const TSensorLooks& looks, const QColor& color, bool bent) {
    return looks.RightIrSensorLens == color && looks.RightIrSensor == color &&
           looks.RightWhisker2 == bent && looks.RightWhisker1 == !bent;
}

const QColor Red(255, 0, 0);
const QColor Black(0, 0, 0);

} // namespace

class TestFormTest : public QObject {
    Q_OBJECT

    TTestEnvironment Environment;

private Q_SLOTS:
    void initTestCase() { Environment.QuietWindowMasks(); }

    void OpeningShowsTheCalibrationAbove650InSpinEditAndScrollBar() {
        TRig rig;
        rig.Form->show();
        QCOMPARE(rig.Form->LServoSpinEdit()->value(), 750);
        QCOMPARE(rig.Form->RServoSpinEdit()->value(), 750);
        rig.Form->close();

        rig.State.Document.LeftServoCenter = 110;
        rig.State.Document.RightServoCenter = 95;
        rig.Form->show();
        QCOMPARE(rig.Form->LServoSpinEdit()->value(), 760);
        QCOMPARE(rig.Form->RServoSpinEdit()->value(), 745);
        // The bars stand where the spin edits do, so their next step starts
        // from the width being sent.
        QCOMPARE(rig.Form->LeftTireSpeed()->value(), 760);
        QCOMPARE(rig.Form->RightTireSpeed()->value(), 745);
        rig.Form->close();

        // A byte beyond the range (from an old settings value) stops at 850.
        rig.State.Document.LeftServoCenter = 255;
        rig.Form->show();
        QCOMPARE(rig.Form->LServoSpinEdit()->value(), 850);
        QCOMPARE(rig.Form->LeftTireSpeed()->value(), 850);
    }

    void TextsComeFromTheTextTable() {
        TRig rig;
        rig.Form->show();
        QCOMPARE(rig.Form->windowTitle(), QStringLiteral("Test Mode"));
        QCOMPARE(rig.Form->LeftPulseLabel()->text(), QStringLiteral("Pulse Width"));
        QCOMPARE(rig.Form->RightPulseLabel()->text(), QStringLiteral("Pulse Width"));
        QCOMPARE(rig.Form->LeftCheckBox()->text(), QStringLiteral("Left Servo Enabled"));
        QCOMPARE(rig.Form->RightCheckBox()->text(), QStringLiteral("Right Servo Enabled"));
        QCOMPARE(rig.Form->BotPanel()->BackLabel()->text(), QStringLiteral("Back"));
        QCOMPARE(rig.Form->RunTestButton()->text(), QStringLiteral("Run Test"));
        QCOMPARE(rig.Form->DefaultButton()->text(), QStringLiteral("Set Defaults"));
        QCOMPARE(rig.Form->SetCalibrationButton()->text(), QStringLiteral("Calibrate Servos"));
        QCOMPARE(rig.Form->ExitButton()->text(), QStringLiteral("Cancel"));
    }

    void ControlsLieInsideTheWindowWithoutOverlapping() {
        TRig rig;
        rig.Form->show();
        const QList<QWidget*> controls = {
            rig.Form->BotPanel(),        rig.Form->LeftTireSpeed(),
            rig.Form->RightTireSpeed(),  rig.Form->LServoSpinEdit(),
            rig.Form->RServoSpinEdit(),  rig.Form->LeftPulseLabel(),
            rig.Form->RightPulseLabel(), rig.Form->LeftCheckBox(),
            rig.Form->RightCheckBox(),   rig.Form->RunTestButton(),
            rig.Form->DefaultButton(),   rig.Form->SetCalibrationButton(),
            rig.Form->ExitButton(),      rig.Form->CalibrationLabel()};
        for (int i = 0; i < controls.size(); ++i) {
            const QRect a = controls[i]->geometry();
            QVERIFY2(rig.Form->rect().contains(a), qPrintable(controls[i]->objectName()));
            for (int j = i + 1; j < controls.size(); ++j) {
                QVERIFY2(!a.intersects(controls[j]->geometry()),
                         qPrintable(controls[i]->objectName() + " / " + controls[j]->objectName()));
            }
        }
        // Every text fits its control (a check box's text sits beside its box).
        for (QPushButton* button : {rig.Form->RunTestButton(), rig.Form->DefaultButton(),
                                    rig.Form->SetCalibrationButton(), rig.Form->ExitButton()}) {
            QVERIFY2(button->fontMetrics().horizontalAdvance(button->text()) < button->width() - 8,
                     qPrintable(button->text()));
        }
        for (QCheckBox* box : {rig.Form->LeftCheckBox(), rig.Form->RightCheckBox()}) {
            QVERIFY2(box->fontMetrics().horizontalAdvance(box->text()) < box->width() - 24,
                     qPrintable(box->text()));
        }
        for (QLabel* label : {rig.Form->LeftPulseLabel(), rig.Form->RightPulseLabel(),
                              rig.Form->BotPanel()->BackLabel()}) {
            QVERIFY2(label->fontMetrics().horizontalAdvance(label->text()) < label->width(),
                     qPrintable(label->text()));
        }
    }

    void SetDefaultsThenCalibrateStores100And100() {
        TRig rig;
        rig.State.Document.LeftServoCenter = 20;
        rig.State.Document.RightServoCenter = 180;
        rig.Form->show();
        rig.Form->DefaultButton()->click();
        QCOMPARE(rig.Form->LServoSpinEdit()->value(), 750);
        QCOMPARE(rig.Form->RightTireSpeed()->value(), 750);
        // Not stored until Calibrate Servos.
        QCOMPARE(rig.State.Document.LeftServoCenter, 20);
        rig.Form->SetCalibrationButton()->click();
        QCOMPARE(rig.State.Document.LeftServoCenter, 100);
        QCOMPARE(rig.State.Document.RightServoCenter, 100);
    }

    void CalibrateStoresEachSideAndCancelKeepsIt() {
        TRig rig;
        rig.Form->show();
        rig.Form->LeftTireSpeed()->setValue(712);
        rig.Form->RightTireSpeed()->setValue(803);
        QCOMPARE(rig.Form->CalibrationLabel()->text(), QString());
        rig.Form->SetCalibrationButton()->click();
        QCOMPARE(rig.State.Document.LeftServoCenter, 62);
        QCOMPARE(rig.State.Document.RightServoCenter, 153);
        // It says what it stored, in the window's own words.
        QCOMPARE(rig.Form->CalibrationLabel()->text(),
                 QStringLiteral("Calibration stored: left 62, right 153"));
        QVERIFY(rig.Form->CalibrationLabel()->isVisible());
        rig.Form->LeftTireSpeed()->setValue(650);
        rig.Form->ExitButton()->click();
        QVERIFY(!rig.Form->isVisible());
        QCOMPARE(rig.State.Document.LeftServoCenter, 62);
        // Opened again, nothing is said before the next Calibrate Servos.
        rig.Form->show();
        QCOMPARE(rig.Form->CalibrationLabel()->text(), QString());
    }

    void TypingInTheSpinEditAndEnterMovesTheScrollBar() {
        TRig rig;
        rig.ShowActive();
        QSpinBox* spin = rig.Form->LServoSpinEdit();
        spin->setFocus();
        spin->selectAll();
        QTest::keyClicks(spin, QStringLiteral("760"));
        QCOMPARE(rig.Form->LeftTireSpeed()->value(), 750); // not applied while typing
        QTest::keyClick(spin, Qt::Key_Return);
        QCOMPARE(rig.Form->LeftTireSpeed()->value(), 760);
        QVERIFY(rig.Form->LeftTireSpeed()->hasFocus());
        // Enter pressed no button of the dialog.
        QVERIFY(rig.OpenSlotsAtDownload.empty());
        QVERIFY(rig.Form->isVisible());
        // The other side is untouched; a fourth digit does not fit.
        QCOMPARE(rig.Form->RightTireSpeed()->value(), 750);
        QSpinBox* right = rig.Form->RServoSpinEdit();
        right->setFocus();
        right->selectAll();
        QTest::keyClicks(right, QStringLiteral("8011"));
        QTest::keyClick(right, Qt::Key_Enter);
        QCOMPARE(rig.Form->RightTireSpeed()->value(), 801);
        QVERIFY(rig.Form->RightTireSpeed()->hasFocus());
    }

    void TheScrollBarMovesTheSpinEditAndTakesTheFocus() {
        TRig rig;
        rig.ShowActive();
        rig.Form->RServoSpinEdit()->setFocus();
        QScrollBar* bar = rig.Form->RightTireSpeed();
        bar->triggerAction(QAbstractSlider::SliderPageStepAdd);
        QCOMPARE(bar->value(), 760);
        QCOMPARE(rig.Form->RServoSpinEdit()->value(), 760);
        QVERIFY(bar->hasFocus());
        bar->triggerAction(QAbstractSlider::SliderSingleStepSub);
        QCOMPARE(rig.Form->RServoSpinEdit()->value(), 759);
        bar->triggerAction(QAbstractSlider::SliderToMaximum);
        QCOMPARE(rig.Form->RServoSpinEdit()->value(), 850);
        QCOMPARE(rig.Form->LServoSpinEdit()->value(), 750);
    }

    void RunTestDownloadsTheTestProgramAndKeepsThePort() {
        TRig rig;
        rig.Form->show();
        rig.Form->RunTestButton()->click();
        QCOMPARE(rig.LoadedPrograms, std::vector<int>{364});
        QVERIFY(rig.KeptOpen);
        QVERIFY(rig.Form->PortSlot() != NoSlot);
        QVERIFY(!rig.Slots.IsFree(rig.Form->PortSlot()));
        QVERIFY(rig.Form->Timer()->isActive());
        QCOMPARE(rig.Form->Timer()->interval(), 10);
        // The timer drives the exchange: right width first, low byte first.
        QTRY_VERIFY(rig.Module->Written.size() >= 4);
        QCOMPARE(
            std::vector<std::uint8_t>(rig.Module->Written.begin(), rig.Module->Written.begin() + 4),
            (std::vector<std::uint8_t>{0xEE, 0x02, 0xEE, 0x02}));
    }

    void AnUntickedSideSendsNoPulseAndIsDisabled() {
        TRig rig;
        rig.Form->show();
        rig.Form->RunTestButton()->click();
        rig.Form->Timer()->stop(); // ticks run by hand from here
        rig.Form->RightTireSpeed()->setValue(770);
        rig.Form->LeftCheckBox()->click();
        QVERIFY(!rig.Form->LServoSpinEdit()->isEnabled());
        QVERIFY(!rig.Form->LeftTireSpeed()->isEnabled());
        QVERIFY(rig.Form->RServoSpinEdit()->isEnabled());
        QVERIFY(rig.Form->RightTireSpeed()->isEnabled());
        QCOMPARE(rig.Tick(), (std::vector<std::uint8_t>{0x02, 0x03, 0x00, 0x00}));

        rig.Form->RightCheckBox()->click();
        rig.Form->LeftCheckBox()->click();
        QVERIFY(!rig.Form->RightTireSpeed()->isEnabled());
        QVERIFY(rig.Form->LeftTireSpeed()->isEnabled());
        QCOMPARE(rig.Tick(), (std::vector<std::uint8_t>{0x00, 0x00, 0xEE, 0x02}));
    }

    void TheSensorDisplayFollowsTheAnswer() {
        TRig rig;
        rig.Form->show();
        const TSensorLooks& looks = rig.Form->BotPanel()->Looks();
        QVERIFY(LeftSide(looks, Black, false) && RightSide(looks, Black, false));
        rig.Form->RunTestButton()->click();
        rig.Form->Timer()->stop();

        rig.Module->Answer = LeftIrBit | LeftWhiskerBit;
        rig.Tick();
        QVERIFY(LeftSide(looks, Red, true));
        QVERIFY(RightSide(looks, Black, false));

        rig.Module->Answer = RightIrBit;
        rig.Tick();
        QVERIFY(LeftSide(looks, Black, false));
        QVERIFY(RightSide(looks, Red, false));

        rig.Module->Answer = RightWhiskerBit;
        rig.Tick();
        QVERIFY(RightSide(looks, Black, true));

        // The module stops answering: every sensor shows as triggered.
        rig.Module->Answer.reset();
        rig.Tick();
        QVERIFY(LeftSide(looks, Red, true) && RightSide(looks, Red, true));
    }

    void RunTestAgainClosesTheFirstPortBeforeTheNextDownload() {
        TRig rig;
        rig.Form->show();
        rig.Form->RunTestButton()->click();
        rig.Form->RunTestButton()->click();
        QCOMPARE(rig.OpenSlotsAtDownload, (std::vector<int>{0, 0}));
        QCOMPARE(rig.OpenSlots(), 1);
        QVERIFY(!rig.Slots.IsFree(rig.Form->PortSlot()));
        QVERIFY(rig.Form->Timer()->isActive());

        rig.Form->close();
        QCOMPARE(rig.OpenSlots(), 0);
        QCOMPARE(rig.Form->PortSlot(), NoSlot);
        QVERIFY(!rig.Form->Timer()->isActive());
        QVERIFY(!rig.Form->LServoSpinEdit()->isEnabled());
        QVERIFY(!rig.Form->RightTireSpeed()->isEnabled());
        QVERIFY(rig.Form->RunTestButton()->isEnabled());
        // Shown again: the ticked sides are enabled again, no port in use.
        rig.Form->show();
        QVERIFY(rig.Form->LServoSpinEdit()->isEnabled());
        QVERIFY(rig.Form->RightTireSpeed()->isEnabled());
        QVERIFY(!rig.Form->Timer()->isActive());
    }

    void AFailedDownloadLeavesTheTimerStoppedAndNoPortBehind() {
        TRig rig;
        rig.Form->show();
        rig.Form->RunTestButton()->click();
        rig.DownloadFails = true;
        rig.Form->RunTestButton()->click();
        QCOMPARE(rig.LoadedPrograms, (std::vector<int>{364, 364}));
        QVERIFY(!rig.Form->Timer()->isActive());
        QCOMPARE(rig.Form->PortSlot(), NoSlot);
        QCOMPARE(rig.OpenSlots(), 0);

        // The slot the first test had now belongs to someone else; closing
        // the window must not take it away.
        std::uint32_t error = 0;
        const int other = rig.Slots.OpenFreeSlot("COM2", error);
        QVERIFY(other != NoSlot);
        rig.Form->close();
        QVERIFY(!rig.Slots.IsFree(other));
    }

    void ClosingDuringTheDownloadGivesItsPortBack() {
        // The download lets window messages through while it runs; the user
        // clicks Run Test again, then closes the window before it ends.
        TRig rig;
        rig.Form->show();
        int downloads = 0;
        rig.Form->SetDownloader([&rig, &downloads](bool) {
            ++downloads;
            rig.Form->RunTestButtonClick();
            rig.Form->ExitButton()->click();
            std::uint32_t error = 0;
            return rig.Slots.OpenFreeSlot("COM1", error);
        });
        rig.Form->RunTestButton()->click();
        QCOMPARE(downloads, 1);
        QCOMPARE(rig.OpenSlots(), 0);
        QCOMPARE(rig.Form->PortSlot(), NoSlot);
        QVERIFY(!rig.Form->Timer()->isActive());
        QVERIFY(rig.Form->RunTestButton()->isEnabled());
    }

    void ClosingWithoutADownloadClosesNoPort() {
        TRig rig;
        std::uint32_t error = 0;
        const int other = rig.Slots.OpenFreeSlot("COM2", error);
        QVERIFY(other != NoSlot);
        rig.ShowActive();
        rig.Form->ExitButton()->click();
        QVERIFY(!rig.Form->isVisible());
        QVERIFY(!rig.Slots.IsFree(other));
        // Escape closes the window the same way.
        rig.ShowActive();
        QTest::keyClick(rig.Form.get(), Qt::Key_Escape);
        QVERIFY(!rig.Form->isVisible());
        QVERIFY(!rig.Slots.IsFree(other));
        QVERIFY(!rig.Form->LServoSpinEdit()->isEnabled());
    }

    void TheProgramWindowsLoadTheTestProgramIntoTheCodeWindow() {
        QFile file(QString::fromLocal8Bit(qgetenv("WAYLINE_SOURCE_DIR")) +
                   QStringLiteral("/resources/programs/test.bas"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray program = file.readAll();
        QCOMPARE(
            Resources().Find(QStringLiteral("DATA"), TestProgramResource).value_or(QByteArray()),
            program);

        TAppState state;
        InitialiseApp(state, Resources(), QLocale::c());
        TMainWindows windows;
        CreateWindows(windows, state, Resources());
        windows.CodeForm->BASICMemo()->setPlainText(QStringLiteral("left over"));
        windows.TestForm->SetDownloader([](bool) { return NoSlot; });
        windows.TestForm->RunTestButtonClick();
        const QString text = windows.CodeForm->BASICMemo()->toPlainText();
        QVERIFY(text.startsWith(QStringLiteral("'{$KEYSTONE KM2}\n")));
        QCOMPARE(text.split(u'\n').size(), QString::fromLatin1(program).split(u'\n').size() - 1);
        QVERIFY(text.contains(QStringLiteral("SEROUT 16,16468,[Sensors]")));
    }
};

QTEST_MAIN(TestFormTest)
#include "TestFormTest.moc"
