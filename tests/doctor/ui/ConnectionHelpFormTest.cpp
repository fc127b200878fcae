// The "Connection help" window: one row per finding with its severity, the
// copy buttons, "Check again" and the request for the virtual robot.

#include "doctor/ui/ConnectionHelpForm.h"
#include "uikit/Resources.h"

#include "ui/TestEnvironment.h"

#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTest>

using namespace wayline;

namespace {

std::vector<TFinding> SampleFindings() {
    return {
        {fkNotInGroup, fsBlocking, "ttyUSB0", "The user pupil may not open the port ttyUSB0.",
         "sudo usermod -aG dialout pupil"},
        {fkNoModuleAnswers, fsBlocking, "ttyUSB0", "The robot does not answer.", ""},
        {fkFtdiLatency, fsInformation, "ttyUSB1", "The FTDI adapter holds replies back.",
         "echo 1 | sudo tee /sys/bus/usb-serial/devices/ttyUSB1/latency_timer"},
    };
}

QString RowText(const TConnectionHelpForm& form, int row, const char* name) {
    const auto* frame = form.findChild<QWidget*>(QStringLiteral("Finding%1").arg(row));
    if (frame == nullptr) {
        return QStringLiteral("<no row>");
    }
    if (const auto* label = frame->findChild<QLabel*>(QString::fromLatin1(name))) {
        return label->text();
    }
    if (const auto* edit = frame->findChild<QLineEdit*>(QString::fromLatin1(name))) {
        return edit->text();
    }
    return QStringLiteral("<none>");
}

} // namespace

class ConnectionHelpFormTest : public QObject {
    Q_OBJECT

    TTestEnvironment Environment;

private Q_SLOTS:
    void initTestCase() { Environment.QuietWindowMasks(); }

    void FindingsAreListedWithSeverityTextAndCommand() {
        TConnectionHelpForm form(Resources());
        form.ShowFindings(SampleFindings());
        QVERIFY(form.isVisible());
        QCOMPARE(form.windowTitle(), QStringLiteral("Connection help"));
        QCOMPARE(form.FindingCount(), 3);
        QCOMPARE(RowText(form, 0, "Severity"), QStringLiteral("Blocks downloads"));
        QCOMPARE(RowText(form, 0, "Sentence"),
                 QStringLiteral("The user pupil may not open the port ttyUSB0."));
        QCOMPARE(RowText(form, 0, "Command"), QStringLiteral("sudo usermod -aG dialout pupil"));
        QCOMPARE(RowText(form, 1, "Command"), QStringLiteral("<none>"));
        QCOMPARE(RowText(form, 2, "Severity"), QStringLiteral("Note"));
        QVERIFY(form.CopyButton(0) != nullptr);
        QVERIFY(form.CopyButton(1) == nullptr);
        QVERIFY(form.CopyButton(2) != nullptr);
        QVERIFY(form.CopyButton(3) == nullptr);
        QVERIFY(form.IntroLabel()->text().startsWith(QStringLiteral("Wayline looked at")));
    }

    // Findings without a command to type: the intro does not tell how to
    // type commands.
    void TheIntroMentionsCommandsOnlyWhenThereAreSome() {
        TConnectionHelpForm form(Resources());
        form.ShowFindings({{fkNoUsbAdapter, fsBlocking, "",
                            "No USB serial adapter is plugged in.", ""}});
        QCOMPARE(form.IntroLabel()->text(),
                 QStringLiteral("Wayline looked at this computer to find out why the robot "
                                "cannot be reached."));
        form.ShowFindings(SampleFindings());
        QVERIFY(form.IntroLabel()->text().contains(QStringLiteral("Type each command")));
    }

    void CopyPutsExactlyTheCommandOnTheClipboard() {
        TConnectionHelpForm form(Resources());
        form.ShowFindings(SampleFindings());
        QApplication::clipboard()->setText(QStringLiteral("something else"));
        QTest::mouseClick(form.CopyButton(2), Qt::LeftButton);
        QCOMPARE(QApplication::clipboard()->text(),
                 QStringLiteral("echo 1 | sudo tee /sys/bus/usb-serial/devices/ttyUSB1/"
                                "latency_timer"));
        QCOMPARE(form.CopyButton(2)->text(), QStringLiteral("Copied"));
        QTest::mouseClick(form.CopyButton(0), Qt::LeftButton);
        QCOMPARE(QApplication::clipboard()->text(),
                 QStringLiteral("sudo usermod -aG dialout pupil"));
        QCOMPARE(form.CopyButton(0)->text(), QStringLiteral("Copied"));
        QCOMPARE(form.CopyButton(2)->text(), QStringLiteral("Copy"));
    }

    void VirtualRobotButtonAsksForItAndCloses() {
        TConnectionHelpForm form(Resources());
        QSignalSpy requested(&form, &TConnectionHelpForm::UseVirtualRobotRequested);
        form.ShowFindings(SampleFindings());
        QCOMPARE(form.VirtualRobotButton()->text(), QStringLiteral("Use the virtual robot"));
        QTest::mouseClick(form.VirtualRobotButton(), Qt::LeftButton);
        QCOMPARE(requested.count(), 1);
        QVERIFY(!form.isVisible());
    }

    void CheckAgainShowsTheNewDiagnosis() {
        TConnectionHelpForm form(Resources());
        int runs = 0;
        std::vector<TFinding> next = SampleFindings();
        form.SetDiagnosis([&] {
            ++runs;
            return next;
        });
        form.ShowFindings(SampleFindings());
        next.resize(1);
        QTest::mouseClick(form.CheckAgainButton(), Qt::LeftButton);
        QCOMPARE(runs, 1);
        QCOMPARE(form.FindingCount(), 1);
        QVERIFY(form.findChild<QWidget*>(QStringLiteral("Finding1")) == nullptr);

        // Everything mended: the window says so instead of an empty list.
        next.clear();
        QTest::mouseClick(form.CheckAgainButton(), Qt::LeftButton);
        QCOMPARE(form.FindingCount(), 0);
        QVERIFY(form.IntroLabel()->text().startsWith(QStringLiteral("Wayline found nothing")));
    }

    // A person's click through the X server, with the pointer moved there
    // by xdotool. The doctor_ui_x11_tests entry runs this under Xvfb; on the
    // offscreen platform it is skipped.
    void ClickOnCopyThroughTheXServer() {
        if (QGuiApplication::platformName() != QStringLiteral("xcb")) {
            QSKIP("needs an X server");
        }
        const QString xdotool = QStandardPaths::findExecutable(QStringLiteral("xdotool"));
        if (xdotool.isEmpty()) {
            QSKIP("xdotool is not installed");
        }
        TConnectionHelpForm form(Resources());
        form.ShowFindings(SampleFindings());
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QApplication::clipboard()->setText(QStringLiteral("before"));
        QPushButton* copy = form.CopyButton(2);
        const QPoint centre = copy->mapToGlobal(copy->rect().center());
        QCOMPARE(
            QProcess::execute(xdotool, {QStringLiteral("mousemove"), QString::number(centre.x()),
                                        QString::number(centre.y()), QStringLiteral("click"),
                                        QStringLiteral("1")}),
            0);
        QTRY_COMPARE(QApplication::clipboard()->text(),
                     QStringLiteral("echo 1 | sudo tee /sys/bus/usb-serial/devices/ttyUSB1/"
                                    "latency_timer"));
        QCOMPARE(copy->text(), QStringLiteral("Copied"));
    }

    void WithoutADiagnosisCheckAgainIsOff() {
        TConnectionHelpForm form(Resources());
        form.SetDiagnosis(nullptr);
        QVERIFY(!form.CheckAgainButton()->isEnabled());
    }

    // The window and the command line must say the same: the text table's
    // sentences are the diagnosis's own.
    void TextTableHoldsTheDiagnosisSentences() {
        const TDoctorTexts table = LoadDoctorTexts(Resources());
        const TDoctorTexts defaults;
        for (int kind = 0; kind < FindingKindCount; ++kind) {
            QCOMPARE(QString::fromStdString(table.Sentences[static_cast<std::size_t>(kind)]),
                     QString::fromStdString(defaults.Sentences[static_cast<std::size_t>(kind)]));
        }
        const TIdentifyTexts scan = LoadScanTexts(Resources());
        QCOMPARE(QString::fromStdString(scan.Yes), QStringLiteral("Yes"));
        QCOMPARE(QString::fromStdString(scan.No), QStringLiteral("No"));
    }

    void DiagnosisOfThisComputerShowsWithoutFailing() {
        TConnectionHelpForm form(Resources());
        TScannedPort scanned;
        scanned.PortName = QStringLiteral("ttyUSB7").toStdString();
        scanned.Result.EchoText = "No";
        form.ShowDiagnosis({scanned});
        QVERIFY(form.isVisible());
        QVERIFY(form.CheckAgainButton()->isEnabled());
        bool sawScan = false;
        for (const TFinding& finding : form.Findings()) {
            sawScan = sawScan || (finding.Kind == fkNoEcho && finding.Port == "ttyUSB7");
        }
        QVERIFY(sawScan);
    }
};

QTEST_MAIN(ConnectionHelpFormTest)
#include "ConnectionHelpFormTest.moc"
