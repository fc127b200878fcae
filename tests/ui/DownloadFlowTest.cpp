// Go from the editor to the module: compile, scan every port with the
// identification threads, choose, transfer, close, against simulated
// modules in simulated time. Every row of the failure table shows its exact
// message, and every serial slot is free afterwards.

#include "comm/ui/DownloadFlow.h"
#include "app/AppState.h"
#include "app/IntroForm.h"
#include "app/MainWindows.h"
#include "uikit/Resources.h"
#include "uikit/UserDialogs.h"
#include "codegen/ui/CodeForm.h"
#include "comm/core/Serial.h"
#include "comm/ui/BusyCursor.h"
#include "comm/ui/ErrorBoxBridge.h"
#include "comm/ui/Gauge.h"
#include "comm/ui/PortDiscovery.h"
#include "comm/ui/ProgressForm.h"
#include "comm/ui/Shape.h"
#include "comm/ui/StringGrid.h"
#include "doctor/ui/ConnectionHelpForm.h"
#include "editor/core/EditOperations.h"
#include "app/MainForm.h"
#include "tokenizer/Tokenizer.h"

#include "FakeClock.h"
#include "TestEnvironment.h"
#include "comm/core/SimulatedPorts.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QLabel>
#include <QLocale>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QTimer>

#include <functional>
#include <thread>
#include <utility>

using namespace wayline;

namespace {

// Error boxes recorded with the window they were shown over.
class TRecordingDialogs : public TUserDialogs {
public:
    QStringList Errors;
    QList<QWidget*> Parents;
    bool OffThread = false;

    void ShowErrorBox(QWidget* parent, const QString& text) override {
        OffThread |= QThread::currentThread() != qApp->thread();
        Errors.append(text);
        Parents.append(parent);
    }
};

const QString NoRobotFound = QStringLiteral("No robot found.");
const QString WrongVersion = QStringLiteral("Cannot download to this version of the device.");
const QString VerifyFailure = QStringLiteral("EEPROM Verify Failure!");
const QString CommunicationFailure =
    QStringLiteral("Hardware communication failure!  Check serial cable and power supply.");

// The program with simulated modules on named ports; the progress
// window's pause runs on a fake clock.
struct TProgram {
    TAppState State;
    TMainWindows Windows;
    TRecordingDialogs Dialogs;
    TSimulatedPorts Ports;
    TSerialSlots Slots{Ports.Factory()};
    TFakeClock Clock;
    QStringList HostPorts;
    // Each time the connection help was offered, what the scan had seen.
    std::vector<std::vector<TScannedPort>> HelpOffered;

    TProgram() {
        InitialiseApp(State, Resources(), QLocale::c());
        CreateWindows(Windows, State, Resources());
        Main().SetDialogs(&Dialogs);
        Main().Ports().SetEnumerator([this] { return HostPorts; });
        Windows.ProgressForm->SetClock(&Clock);
        Flow().SetSerialSlots(Slots);
        Flow().SetConnectionHelp(
            [this](const std::vector<TScannedPort>& scan) { HelpOffered.push_back(scan); });
        Windows.IntroForm->show();
        Windows.IntroForm->BeginnerButton()->click();
        for (int i = 0; i < 5; ++i) {
            InsertIntoList(State.Editor, MainList, i + 1, i % 2 ? akTurnLeft : akMoveForward, 15);
        }
    }

    TMainForm& Main() { return *Windows.MainForm; }
    TDownloadFlow& Flow() { return *Main().Downloads(); }
    TProgressForm& Form() { return *Windows.ProgressForm; }
    TStringGrid& Grid() { return *Form().PortStatus(); }

    sim::TSimulatedModule& Robot(const std::string& name, std::uint8_t version = 0x10) {
        sim::TModuleConfig config;
        config.VersionByte = version;
        HostPorts << QString::fromStdString(name);
        return *Ports.Add(name, config);
    }
    sim::TSimulatedModule& Robot(const std::string& name, const sim::TModuleFaults& faults) {
        HostPorts << QString::fromStdString(name);
        return *Ports.Add(name, {}, faults);
    }
    void Silent(const std::string& name) {
        HostPorts << QString::fromStdString(name);
        Ports.AddSilent(name);
    }

    // Go as the button runs it, with the result DownloadTokenization gave.
    int Go(bool keepOpen = false) {
        if (!Main().BuildProgram()) {
            return -100;
        }
        return Main().DownloadTokenization(keepOpen);
    }

    // The packets the compile produced, as the module should have them.
    std::vector<std::array<std::uint8_t, 18>> CompiledPackets() {
        const TTokenizerResult& result = TheTokenizer().Result;
        std::vector<std::array<std::uint8_t, 18>> packets(result.PacketCount);
        for (int k = 0; k < result.PacketCount; ++k) {
            std::copy_n(result.PacketBuffer[k], 18, packets[static_cast<std::size_t>(k)].begin());
        }
        return packets;
    }
    static std::vector<std::array<std::uint8_t, 18>> Received(sim::TSimulatedModule& module) {
        std::vector<std::array<std::uint8_t, 18>> packets;
        for (const sim::TReceivedPacket& packet : module.Firmware().Packets()) {
            packets.push_back(packet.Bytes);
        }
        return packets;
    }

    bool AllSlotsFree() const {
        for (int slot = FirstSlot; slot <= LastSlot; ++slot) {
            if (!Slots.IsFree(slot)) {
                return false;
            }
        }
        return true;
    }
    QString RowText(int col, int row) { return Grid().Cell(col, row); }
};

// Runs `during` once the choice dialog is up, inside its modal loop; the
// dialog is closed afterwards if `during` left it open (a failed check
// must not leave the test waiting for a click).
class TChoiceScript : public QObject {
public:
    TChoiceScript(TProgressForm& form, std::function<void()> during)
        : Form(form), During(std::move(during)) {
        Form.installEventFilter(this);
    }
    bool Ran = false;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Show && !Form.EMessage()->isHidden() && !Ran) {
            Ran = true;
            QTimer::singleShot(0, this, [this] {
                During();
                if (Form.isVisible() && Form.isModal()) {
                    Form.reject();
                }
            });
        }
        return false;
    }

private:
    TProgressForm& Form;
    std::function<void()> During;
};

// Runs `then` the first time `widget` is hidden.
class TOnHide : public QObject {
public:
    TOnHide(QWidget& widget, std::function<void()> then) : Then(std::move(then)) {
        widget.installEventFilter(this);
    }

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Hide && Then) {
            std::exchange(Then, nullptr)();
        }
        return false;
    }

private:
    std::function<void()> Then;
};

} // namespace

class DownloadFlowTest : public QObject {
    Q_OBJECT

    TTestEnvironment Environment;

private Q_SLOTS:
    void initTestCase() { Environment.QuietWindowMasks(); }

    void OneRobotReceivesTheExactPacketsOfTheCompiledProgram() {
        TProgram program;
        program.Silent("ttyS0");
        sim::TSimulatedModule& robot = program.Robot("ttyUSB0");
        const int slot = program.Go();

        QVERIFY2(program.Dialogs.Errors.isEmpty(), qPrintable(program.Dialogs.Errors.join('\n')));
        QVERIFY(slot >= FirstSlot && slot <= LastSlot);
        const auto expected = program.CompiledPackets();
        QVERIFY(expected.size() > 1);
        QCOMPARE(TProgram::Received(robot), expected);
        for (const sim::TReceivedPacket& packet : robot.Firmware().Packets()) {
            QCOMPARE(packet.Status, 0);
        }
        // Each packet's block is in the EEPROM, and the closing 0 ended it.
        for (const auto& packet : expected) {
            const int block = packet[0] - 0x80;
            for (int i = 0; i < 16; ++i) {
                QCOMPARE(robot.Eeprom().Read(block * 16 + i),
                         packet[static_cast<std::size_t>(1 + i)]);
            }
        }
        // The closing 0 reaches the module once its time moves on.
        robot.RunUntil(robot.NowUs() + 10'000);
        QCOMPARE(robot.Firmware().TransferCount(), 1);

        // The window showed the scan and counted every packet, then closed.
        QCOMPARE(program.RowText(0, 1), QStringLiteral("ttyS0:"));
        QCOMPARE(program.RowText(1, 1), QString());
        QCOMPARE(program.RowText(4, 1), QStringLiteral("No"));
        QCOMPARE(program.RowText(1, 2), QStringLiteral("Robot"));
        QCOMPARE(program.RowText(2, 2), QStringLiteral("v1.0"));
        QCOMPARE(program.RowText(3, 2), QStringLiteral("Yes"));
        QCOMPARE(program.RowText(4, 2), QStringLiteral("Yes"));
        QCOMPARE(program.Form().ProgressBar0()->Progress(), static_cast<int>(expected.size()));
        QCOMPARE(program.Form().ProgressBar0()->PercentText(), QStringLiteral("100%"));
        QVERIFY(!program.Form().isVisible());
        QVERIFY(!program.Form().ScanningLabel()->isVisible());
        QCOMPARE(program.Clock.Waits, std::vector<std::uint32_t>{500});
        QVERIFY(program.AllSlotsFree());
        QVERIFY(!HourglassCursorShown());
        QVERIFY(!QGuiApplication::overrideCursor());
    }

    void NoRobotOnAnyPortSaysSoAndClosesTheWindow() {
        TProgram program;
        program.Silent("ttyS0");
        program.Silent("ttyS1");
        program.HostPorts << QStringLiteral("ttyS7"); // listed but not there
        QCOMPARE(program.Go(), -4);
        QCOMPARE(program.Dialogs.Errors, QStringList{NoRobotFound});
        // Shown over the progress window, which then closed.
        QCOMPARE(program.Dialogs.Parents.front(), static_cast<QWidget*>(&program.Form()));
        QVERIFY(!program.Form().isVisible());
        QCOMPARE(program.RowText(1, 3), QStringLiteral("invalid port"));
        QVERIFY(program.AllSlotsFree());
    }

    // The help is offered once the progress window has closed, with what
    // the scan saw on every port it looked at, in the grid's order.
    void NoRobotFoundOffersTheConnectionHelpWithTheScan() {
        TProgram program;
        program.Silent("ttyS0");
        program.HostPorts << QStringLiteral("ttyS7"); // listed but not there
        program.Silent("ttyS1");
        QCOMPARE(program.Go(), -4);
        QCOMPARE(program.HelpOffered.size(), std::size_t{1});
        const std::vector<TScannedPort>& scan = program.HelpOffered.front();
        QCOMPARE(scan.size(), std::size_t{3});
        QCOMPARE(scan[0].PortName, std::string("ttyS0"));
        QCOMPARE(scan[0].Result.EchoText, std::string("No"));
        QCOMPARE(scan[1].PortName, std::string("ttyS7"));
        QCOMPARE(scan[1].Result.OpenError, OpenErrorNoSuchPort);
        QCOMPARE(scan[2].PortName, std::string("ttyS1"));
    }

    // Success, a closed choice and a failed transfer are not connection
    // trouble: no help unless asked for.
    void ADownloadThatReachedTheRobotOffersNoHelp() {
        TProgram program;
        program.Robot("ttyUSB0");
        QVERIFY(program.Go() != -4);
        program.Robot("ttyUSB1");
        TChoiceScript closeIt(program.Form(), [] {});
        QCOMPARE(program.Go(), -4);
        QVERIFY(closeIt.Ran);
        QVERIFY(program.HelpOffered.empty());
    }

    // The module answered the scan, then its port would not open again:
    // the help says why, from the open error of that second try.
    void APortThatWouldNotOpenAgainOffersTheHelpWithItsError() {
        TProgram program;
        program.Robot("ttyUSB0");
        program.Ports.Faults("ttyUSB0").OpensBeforeInUse = 1; // the scan's open only
        QCOMPARE(program.Go(), -4);
        QCOMPARE(program.HelpOffered.size(), std::size_t{1});
        QCOMPARE(program.HelpOffered.front().size(), std::size_t{1});
        QCOMPARE(program.HelpOffered.front()[0].Result.OpenError, OpenErrorInUse);
        QCOMPARE(program.HelpOffered.front()[0].Result.DeviceType, 2);
    }

    // Asked for on the progress window while the scan runs: shown after
    // the download, also a successful one, and only once.
    void TheHelpAskedForDuringTheScanFollowsTheDownload() {
        TProgram program;
        sim::TSimulatedModule& robot = program.Robot("ttyUSB0");
        QPushButton* help = program.Form().ConnectionHelpButton();
        QTimer::singleShot(0, help, [help] {
            QVERIFY(help->isVisible() && help->isEnabled());
            help->click();
        });
        QVERIFY(program.Go() != -4);
        QVERIFY(!TProgram::Received(robot).empty());
        QCOMPARE(program.HelpOffered.size(), std::size_t{1});
        QVERIFY(program.Go() != -4);
        QCOMPARE(program.HelpOffered.size(), std::size_t{1});
    }

    // The program's own wiring: the help window opens, modal so that it
    // takes input even over the test window, and its virtual-robot button
    // goes to the port box.
    void TheProgramOpensItsConnectionHelpWindow() {
        TProgram program;
        program.Main().SetConnectionHelp(program.Windows.ConnectionHelp.get());
        program.Silent("ttyS0");
        QCOMPARE(program.Go(), -4);
        TConnectionHelpForm& help = *program.Windows.ConnectionHelp;
        QVERIFY(help.isVisible());
        QCOMPARE(help.windowModality(), Qt::ApplicationModal);
        help.close();
    }

    void TwoRobotsLetTheUserChooseAndTheChosenOneIsLoaded() {
        TProgram program;
        program.Silent("ttyS0");
        sim::TSimulatedModule& first = program.Robot("ttyUSB0");
        program.Silent("ttyS1");
        sim::TSimulatedModule& second = program.Robot("ttyUSB1");
        bool sawDialog = false;
        TChoiceScript script(program.Form(), [&] {
            TProgressForm& form = program.Form();
            sawDialog = form.isModal() && form.EMessage()->isVisible();
            QCOMPARE(form.EMessage()->text(), Resources().LoadText(413));
            QVERIFY(!form.DownloadButton()->isEnabled());
            // The silent port cannot be chosen; the second robot can.
            QTest::mouseClick(&program.Grid(), Qt::LeftButton, {},
                              program.Grid().CellRect(0, 1).center());
            QVERIFY(!form.DownloadButton()->isEnabled());
            QTest::mouseClick(&program.Grid(), Qt::LeftButton, {},
                              program.Grid().CellRect(0, 4).center());
            QVERIFY(form.DownloadButton()->isEnabled());
            QTest::mouseClick(form.DownloadButton(), Qt::LeftButton);
        });
        const int slot = program.Go();
        QVERIFY(sawDialog);
        QVERIFY(program.Dialogs.Errors.isEmpty());
        QVERIFY(slot != -4);
        QVERIFY(TProgram::Received(first).empty());
        QCOMPARE(TProgram::Received(second), program.CompiledPackets());
        QCOMPARE(program.RowText(6, 2), QStringLiteral("+"));
        QCOMPARE(program.RowText(6, 4), QStringLiteral("+"));
        QCOMPARE(program.RowText(6, 1), QString());
        QVERIFY(program.AllSlotsFree());
        // Closed for the choice, closed after it, closed after the transfer.
        QCOMPARE(program.Clock.Waits.size(), std::size_t{3});
    }

    void ClosingTheChoiceSendsNothingAndSaysNothing() {
        TProgram program;
        sim::TSimulatedModule& first = program.Robot("ttyUSB0");
        sim::TSimulatedModule& second = program.Robot("ttyUSB1");
        TChoiceScript script(program.Form(), [&] { program.Form().close(); });
        QCOMPARE(program.Go(), -4);
        QVERIFY(program.Dialogs.Errors.isEmpty());
        QVERIFY(TProgram::Received(first).empty());
        QVERIFY(TProgram::Received(second).empty());
        QVERIFY(!program.Form().isVisible());
        QVERIFY(program.AllSlotsFree());
        QVERIFY(!QGuiApplication::overrideCursor());
    }

    void APortGoneFromTheHostBeforeTheChoiceStillLoadsTheChosenPort() {
        TProgram program;
        program.Silent("ttyS0");
        program.Robot("ttyUSB0");
        sim::TSimulatedModule& second = program.Robot("ttyUSB1");
        // ttyS0 disappears from the host's list right after the scan.
        TOnHide scanEnded(*program.Form().ScanningLabel(),
                          [&] { program.HostPorts.removeFirst(); });
        TChoiceScript script(program.Form(), [&] {
            // The rows still name the ports they were filled for.
            QCOMPARE(program.RowText(0, 3), QStringLiteral("ttyUSB1:"));
            program.Grid().SelectRow(3);
            program.Form().DownloadButton()->click();
        });
        program.Go();
        QCOMPARE(program.HostPorts.size(), 2); // gone before the choice
        QVERIFY(program.Dialogs.Errors.isEmpty());
        QCOMPARE(TProgram::Received(second), program.CompiledPackets());
        QVERIFY(program.AllSlotsFree());
    }

    void AnotherVersionIsRefusedBeforeAnyPacket() {
        TProgram program;
        sim::TSimulatedModule& robot = program.Robot("ttyUSB0", 0x11);
        QCOMPARE(program.Go(), -4);
        QCOMPARE(program.Dialogs.Errors, QStringList{WrongVersion});
        QCOMPARE(program.RowText(2, 1), QStringLiteral("v1.1"));
        QVERIFY(TProgram::Received(robot).empty());
        QVERIFY(!program.Form().isVisible());
        QVERIFY(program.AllSlotsFree());
    }

    void StatusTwoIsAnEepromVerifyFailureAndTheRestIsNotSent() {
        TProgram program;
        sim::TModuleFaults faults;
        faults.StatusTwoAtPacket = 1;
        sim::TSimulatedModule& robot = program.Robot("ttyUSB0", faults);
        const int slot = program.Go();
        QCOMPARE(program.Dialogs.Errors, QStringList{VerifyFailure});
        QVERIFY(slot >= FirstSlot && slot <= LastSlot); // the transfer was attempted
        QCOMPARE(robot.Firmware().Packets().size(), std::size_t{2});
        robot.RunUntil(robot.NowUs() + 10'000);
        QCOMPARE(robot.Firmware().TransferCount(), 1); // the closing 0 went out all the same
        QCOMPARE(program.Form().ProgressBar0()->Progress(), 1);
        QVERIFY(program.AllSlotsFree());
    }

    void SilenceAfterAPacketIsACommunicationFailure() {
        TProgram program;
        sim::TModuleFaults faults;
        faults.SilenceAtPacket = 2;
        sim::TSimulatedModule& robot = program.Robot("ttyUSB0", faults);
        const int slot = program.Go();
        QCOMPARE(program.Dialogs.Errors, QStringList{CommunicationFailure});
        QVERIFY(slot != -4);
        QCOMPARE(robot.Firmware().Packets().size(), std::size_t{3});
        QVERIFY(program.AllSlotsFree());
    }

    void GarbageInsteadOfTheStatusIsACommunicationFailure() {
        TProgram program;
        sim::TModuleFaults faults;
        faults.GarbageAtPacket = 0;
        program.Robot("ttyUSB0", faults);
        QVERIFY(program.Go() != -4);
        QCOMPARE(program.Dialogs.Errors, QStringList{CommunicationFailure});
        QVERIFY(program.AllSlotsFree());
    }

    void ACablePulledMidDownloadEndsWithAFreeSlot() {
        TProgram program;
        sim::TModuleFaults faults;
        faults.DisconnectAtPacket = 1;
        program.Robot("ttyUSB0", faults);
        QVERIFY(program.Go() != -4);
        QCOMPARE(program.Dialogs.Errors, QStringList{CommunicationFailure});
        QVERIFY(!program.Form().isVisible());
        QVERIFY(program.AllSlotsFree());
        QVERIFY(!QGuiApplication::overrideCursor());
    }

    void APortTakenBetweenScanAndTransferEndsSilently() {
        TProgram program;
        sim::TSimulatedModule& robot = program.Robot("ttyUSB0");
        program.Ports.Faults("ttyUSB0").OpensBeforeInUse = 1; // the scan's open only
        QCOMPARE(program.Go(), -4);
        QVERIFY(program.Dialogs.Errors.isEmpty());
        QVERIFY(TProgram::Received(robot).empty());
        QVERIFY(!program.Form().isVisible());
        QVERIFY(program.AllSlotsFree());
    }

    void KeepOpenLeavesExactlyTheReturnedSlotOpen() {
        TProgram program;
        program.Silent("ttyS0");
        sim::TSimulatedModule& robot = program.Robot("ttyUSB0");
        const int slot = program.Go(true);
        QVERIFY(program.Dialogs.Errors.isEmpty());
        QVERIFY(slot >= FirstSlot && slot <= LastSlot);
        for (int other = FirstSlot; other <= LastSlot; ++other) {
            QCOMPARE(program.Slots.IsFree(other), other != slot);
        }
        QCOMPARE(program.Slots.Slot(slot).ComName, std::string("ttyUSB0"));
        QCOMPARE(TProgram::Received(robot), program.CompiledPackets());
        program.Slots.ClosePort(slot);
        QVERIFY(program.AllSlotsFree());
    }

    void ASelectedPortIsTheOnlyOneScanned() {
        TProgram program;
        sim::TSimulatedModule& first = program.Robot("ttyUSB0");
        sim::TSimulatedModule& second = program.Robot("ttyUSB1");
        program.State.SelectedPort = QStringLiteral("ttyUSB1");
        QVERIFY(program.Go() != -4);
        QVERIFY(program.Dialogs.Errors.isEmpty());
        QCOMPARE(program.RowText(1, 1), QStringLiteral("ignoring"));
        QCOMPARE(program.Form().RowPortNames(),
                 (QStringList{"ttyUSB0", "ttyUSB1", "Virtual robot"})); // the others, ignored
        QCOMPARE(first.Firmware().ResetCount(), 0); // never opened
        QCOMPARE(TProgram::Received(second), program.CompiledPackets());
    }

    void PortsThatDoNotOpenSayWhy() {
        TProgram program;
        program.Robot("ttyUSB0");
        program.Silent("ttyUSB1");
        program.Ports.Faults("ttyUSB1").OpenError = OpenErrorInUse;
        program.Silent("ttyUSB2");
        program.Ports.Faults("ttyUSB2").OpenError = OpenErrorPermission;
        program.Silent("ttyUSB3");
        program.Ports.Faults("ttyUSB3").OpenError = OpenErrorOther;
        program.HostPorts << QStringLiteral("ttyUSB4"); // no such device
        QVERIFY(program.Go() != -4);
        QCOMPARE(program.RowText(1, 2), QStringLiteral("can't open port; in use"));
        QCOMPARE(program.RowText(1, 3), QStringLiteral("no access")); // no such device to ask about
        QCOMPARE(program.RowText(1, 4), QStringLiteral("can't open port"));
        QCOMPARE(program.RowText(1, 5), QStringLiteral("invalid port"));
        // AUTO lists the host's ports only, not the virtual robot it passes by.
        QCOMPARE(program.Form().RowPortNames(), program.HostPorts);
        for (int row = 2; row <= 5; ++row) {
            QCOMPARE(program.RowText(4, row), QString()); // nothing else in the row
            QCOMPARE(program.RowText(5, row), QStringLiteral("0"));
        }
        QVERIFY(program.AllSlotsFree());
    }

    // A port another program reads answers nothing: its row names that
    // program instead of looking empty.
    void ASilentPortHeldByAnotherProgramNamesItInItsRow() {
        QTemporaryDir system;
        QVERIFY(QDir(system.path()).mkpath(QStringLiteral("proc/321/fd")));
        QFile comm(system.filePath(QStringLiteral("proc/321/comm")));
        QVERIFY(comm.open(QIODevice::WriteOnly) && comm.write("cutecom\n") == 8);
        comm.close();
        QVERIFY(QFile::link(QStringLiteral("/dev/ttyUSB1"),
                            system.filePath(QStringLiteral("proc/321/fd/3"))));
        TProgram program;
        program.Flow().SetSystemRoot(TSystemRoot(system.path().toStdString()));
        program.Robot("ttyUSB0");
        program.Silent("ttyUSB1");
        QVERIFY(program.Go() != -4);
        QCOMPARE(program.RowText(1, 2), QStringLiteral("in use by cutecom (process 321)"));
        QCOMPARE(program.RowText(1, 1), QStringLiteral("Robot"));
    }

    void AProgramThatDoesNotCompileIsReportedAndNothingIsScanned() {
        TProgram program;
        sim::TSimulatedModule& robot = program.Robot("ttyUSB0");
        program.Windows.CodeForm->BASICMemo()->setPlainText(
            QStringLiteral("'{$KEYSTONE KM2}\nGOTO Nowhere\n"));
        QCOMPARE(program.Main().DownloadTokenization(false), -4);
        QCOMPARE(program.Dialogs.Errors,
                 QStringList{QStringLiteral("Error! Tokenization Failed!")});
        QCOMPARE(robot.Firmware().ResetCount(), 0);
        QVERIFY(!program.Form().isVisible());
    }

    void TheIndicatorBlinksBesideTheTargetRow() {
        TProgram program;
        for (int i = 0; i < 8; ++i) {
            program.Silent("ttyS" + std::to_string(i));
        }
        program.Robot("ttyUSB0"); // row 9, below the rows first shown
        // The indicator's state each time the gauge paints a new count.
        struct TPaintProbe : QObject {
            std::function<void()> OnPaint;
            bool eventFilter(QObject*, QEvent* event) override {
                if (event->type() == QEvent::Paint) {
                    OnPaint();
                }
                return false;
            }
        } probe;
        QList<QColor> colours;
        TShape* indicator = program.Form().TXStatus();
        int indicatorTop = -1;
        int topRow = -1;
        bool shown = false;
        probe.OnPaint = [&] {
            colours.append(indicator->BrushColor());
            indicatorTop = indicator->y();
            topRow = program.Grid().TopRow();
            shown = indicator->isVisible();
        };
        program.Form().ProgressBar0()->installEventFilter(&probe);
        QVERIFY(program.Go() != -4);
        QVERIFY(!colours.isEmpty());
        QCOMPARE(topRow, 9 - 5);
        QCOMPARE(indicatorTop, program.Grid().y() + 25 + (9 - topRow) * 19);
        QVERIFY(shown);
        QVERIFY(colours.contains(QColor(0, 255, 0)));
    }
};

class ErrorBoxBridgeTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void ABoxFromAnIdentificationThreadIsShownOnTheWindowThread() {
        TRecordingDialogs dialogs;
        InstallSerialErrorBox(dialogs);
        bool done = false;
        std::thread worker([&done] {
            ShowErrorBox("Unable to set configuration on serial port.");
            QMetaObject::invokeMethod(qApp, [&done] { done = true; });
        });
        while (!done) {
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        }
        worker.join();
        ShowErrorBox("from the window thread");
        RemoveSerialErrorBox();
        QCOMPARE(dialogs.Errors,
                 QStringList({QStringLiteral("Unable to set configuration on serial port."),
                              QStringLiteral("from the window thread")}));
        QVERIFY(!dialogs.OffThread);
    }
};

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    int failed = 0;
    DownloadFlowTest flow;
    failed += QTest::qExec(&flow, argc, argv);
    ErrorBoxBridgeTest bridge;
    failed += QTest::qExec(&bridge, argc, argv);
    return failed == 0 ? 0 : 1;
}

#include "DownloadFlowTest.moc"
