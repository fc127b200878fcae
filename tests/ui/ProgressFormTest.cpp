// The progress window: its layout arithmetic, the choice dialog's
// selection rules, the indicator, the gauge and the pause on closing.

#include "comm/ui/ProgressForm.h"
#include "uikit/Resources.h"
#include "comm/ui/Gauge.h"
#include "comm/ui/PortDiscovery.h"
#include "comm/ui/Shape.h"
#include "comm/ui/StringGrid.h"

#include "FakeClock.h"
#include "TestEnvironment.h"

#include <QComboBox>
#include <QFontMetrics>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <functional>
#include <memory>

using namespace wayline;

namespace {

// A main window, the port box and a progress window over it, with a port
// list the test sets.
struct TWindow {
    QWidget Main;
    QComboBox Box;
    QStringList HostPorts;
    TPortDiscovery Discovery{&Box, QStringLiteral("AUTO"), [this] { return HostPorts; }};
    TFakeClock Clock;
    TProgressForm Form{Resources(), &Main};

    explicit TWindow(int ports = 0) {
        Main.setGeometry(100, 80, 600, 500);
        for (int i = 1; i <= ports; ++i) {
            HostPorts << QStringLiteral("ttyS%1").arg(i);
        }
        Form.SetPortDiscovery(&Discovery);
        Form.SetClock(&Clock);
        TDownloadImages images;
        images.DownloadTargetType = 2;
        images.ProgramImageCount = 1;
        images.ImagePacketCounts[0] = 3;
        Form.SetDownloadImages(images);
    }

    TStringGrid& Grid() { return *Form.PortStatus(); }
    // Marks rows as choosable, as the download does after a scan.
    void MarkChoices(std::initializer_list<int> rows) {
        for (int row : rows) {
            Grid().SetCell(TProgressForm::ChoiceColumn, row, QStringLiteral("+"));
        }
    }
    // Opens the choice dialog and runs `during` inside its modal loop.
    int OpenChoice(const std::function<void()>& during) {
        QTimer::singleShot(0, &Form, during);
        return Form.Open(false, Resources().LoadText(413));
    }
    void ClickCell(int col, int row) {
        QTest::mouseClick(&Grid(), Qt::LeftButton, {}, Grid().CellRect(col, row).center());
    }
    int GridColumnsWidth() {
        int width = 0;
        for (int col = 0; col <= 4; ++col) {
            width += Grid().ColWidth(col);
        }
        return width;
    }
};

} // namespace

class ProgressFormTest : public QObject {
    Q_OBJECT

    TTestEnvironment Environment;

private Q_SLOTS:
    void initTestCase() { Environment.QuietWindowMasks(); }

    void NoPortsLeaveOneEmptyRowInAGrid42PixelsHigh() {
        TWindow window(0);
        QCOMPARE(window.Form.Open(true, QString()), -1);
        QVERIFY(window.Form.isVisible());
        QCOMPARE(window.Grid().RowCount(), 2);
        QCOMPARE(window.Grid().height(), 42);
        for (int col = 0; col < TProgressForm::ColumnCount; ++col) {
            QCOMPARE(window.Grid().Cell(col, 1), QString());
        }
        QVERIFY(window.Form.RowPortNames().isEmpty());
        window.Form.CloseWindow();
    }

    void SevenPortsMakeTheGrid137HighAnd16WiderThanSix() {
        TWindow six(6);
        six.Form.Open(true, QString());
        TWindow seven(7);
        seven.Form.Open(true, QString());
        QCOMPARE(six.Grid().RowCount(), 7);
        QCOMPARE(six.Grid().height(), 137);
        QVERIFY(!six.Grid().ScrollBarShown());
        QCOMPARE(seven.Grid().RowCount(), 8);
        QCOMPARE(seven.Grid().height(), 137);
        QCOMPARE(seven.Grid().width(), six.Grid().width() + 16);
        QVERIFY(seven.Grid().ScrollBarShown());
        QCOMPARE(seven.Grid().VisibleRowCount(), 6);
        // Five ports: six rows, each 19 pixels apart, and the borders.
        TWindow five(5);
        five.Form.Open(true, QString());
        QCOMPARE(five.Grid().height(), 6 * 19 + 4);
    }

    void TheWindowFollowsTheGridAndIsCentredOverTheMainWindow() {
        TWindow window(3);
        window.Form.Open(true, QString());
        TProgressForm& form = window.Form;
        const QFontMetrics metrics(window.Grid().font());
        QCOMPARE(window.Grid().ColWidth(0),
                 metrics.horizontalAdvance(QStringLiteral("COM99:")) + 5);
        // As wide as the longest thing the column says of a port, "can't
        // open port; in use", not only "No robot found.", which is shorter.
        QCOMPARE(window.Grid().ColWidth(1),
                 metrics.horizontalAdvance(QStringLiteral("can't open port; in use")) + 15);
        QCOMPARE(window.Grid().ColWidth(3),
                 metrics.horizontalAdvance(QStringLiteral("Loopback:")) + 10);
        QCOMPARE(window.Grid().Cell(0, 0), QStringLiteral("Port:"));
        QCOMPARE(window.Grid().Cell(4, 0), QStringLiteral("Echo:"));
        QCOMPARE(window.Grid().Cell(0, 2), QStringLiteral("ttyS2:"));

        const int gridWidth = 9 + window.GridColumnsWidth();
        QCOMPARE(window.Grid().width(), gridWidth);
        QCOMPARE(form.PortStatusLabel()->y(), 10);
        QCOMPARE(form.ScanningLabel()->y(), 10);
        QCOMPARE(window.Grid().y(), 10 + form.PortStatusLabel()->height());
        const int statusTop = window.Grid().y() + window.Grid().height() + 9;
        QCOMPARE(form.DownloadStatus()->y(), statusTop);
        QCOMPARE(form.DownloadStatus()->width(), gridWidth + 8);
        QCOMPARE(form.ProgressBar0()->width(), gridWidth);
        QVERIFY(form.DownloadStatus()->isVisible());
        QVERIFY(!form.DownloadButton()->isVisible());
        QVERIFY(!form.EMessage()->isVisible());
        QCOMPARE(form.OuterSize(), QSize(TProgressForm::GridLeft + gridWidth + 26, statusTop + 89));

        const QSize outer = form.OuterSize();
        QCOMPARE(form.x(), 100 + 600 / 2 - outer.width() / 2);
        QCOMPARE(form.y(), 80 + 500 / 2 - outer.height() / 2);
        QCOMPARE(form.windowTitle(), QStringLiteral("Download Progress"));
        QCOMPARE(form.PortStatusLabel()->text(), QStringLiteral("Port Status:"));
        QCOMPARE(form.DownloadStatusLabel()->text(), QStringLiteral("Download Status:"));
        QCOMPARE(form.ScanningLabel()->text(), QStringLiteral("Scanning..."));
        // A longer host name widens the first column to fit it.
        window.Form.CloseWindow();
        window.HostPorts << QStringLiteral("ttyACM10");
        window.Form.Open(true, QString());
        QCOMPARE(window.Grid().ColWidth(0),
                 metrics.horizontalAdvance(QStringLiteral("ttyACM10:")) + 5);
    }

    void TheChoiceDialogShowsItsMessageAndButtonAndHidesTheGauge() {
        TWindow window(3);
        window.Form.Open(true, QString());
        window.Form.CloseWindow();
        window.MarkChoices({1, 3});
        TProgressForm& form = window.Form;
        bool checked = false;
        const int result = window.OpenChoice([&] {
            QVERIFY(form.isModal());
            QVERIFY(form.EMessage()->isVisible());
            QVERIFY(form.WarningImage()->isVisible());
            QVERIFY(!form.DownloadStatus()->isVisible());
            QVERIFY(form.DownloadButton()->isVisible());
            QCOMPARE(form.EMessage()->text(), Resources().LoadText(413));
            const int labelTop = 12 + 39 + 25;
            QCOMPARE(form.PortStatusLabel()->y(), labelTop);
            const int gridBottom = window.Grid().y() + window.Grid().height();
            QCOMPARE(window.Grid().y(), labelTop + form.PortStatusLabel()->height());
            QCOMPARE(form.DownloadButton()->y(), gridBottom + 15);
            const QPushButton* button = form.DownloadButton();
            QCOMPARE(button->x(), form.OuterSize().width() / 2 - button->width() / 2);
            QCOMPARE(form.OuterSize().height(), button->y() + button->height() + 37);
            checked = true;
            form.close(); // the close box
        });
        QVERIFY(checked);
        QVERIFY(result != TProgressForm::DownloadResult);
        QVERIFY(!form.isVisible());
    }

    void GreyedRowsCannotBeChosenAndAPlusRowEnablesDownload() {
        TWindow window(4);
        window.Form.Open(true, QString());
        window.Form.CloseWindow();
        window.MarkChoices({2, 4});
        TProgressForm& form = window.Form;
        const int result = window.OpenChoice([&] {
            QVERIFY(!form.DownloadButton()->isEnabled());
            window.ClickCell(0, 1); // a greyed row's port name
            window.ClickCell(2, 3); // a greyed row's version
            QVERIFY(window.Grid().Selection().IsEmpty());
            QVERIFY(!form.DownloadButton()->isEnabled());
            window.ClickCell(0, 4); // the port name of a "+" row
            QCOMPARE(window.Grid().Selection().Top, 4);
            QCOMPARE(window.Grid().Selection().Left, 1);
            QCOMPARE(window.Grid().Selection().Right, 4);
            QVERIFY(form.DownloadButton()->isEnabled());
            window.ClickCell(3, 2); // any cell of the other "+" row
            QCOMPARE(window.Grid().Selection().Top, 2);
            window.ClickCell(1, 3); // a greyed row keeps the choice
            QCOMPARE(window.Grid().Selection().Top, 2);
            QTest::mouseClick(form.DownloadButton(), Qt::LeftButton);
        });
        QCOMPARE(result, TProgressForm::DownloadResult);
        QCOMPARE(window.Grid().Selection().Top, 2);
        // The closing paused once, after painting.
        QCOMPARE(window.Clock.Waits, std::vector<std::uint32_t>({500, 500}));
    }

    void TheArrowKeysStepOverGreyedRows() {
        TWindow window(5);
        window.Form.Open(true, QString());
        window.Form.CloseWindow();
        window.MarkChoices({2, 5});
        window.OpenChoice([&] {
            window.Grid().setFocus();
            QTest::keyClick(&window.Grid(), Qt::Key_Down);
            QCOMPARE(window.Grid().Selection().Top, 2);
            QTest::keyClick(&window.Grid(), Qt::Key_Down);
            QCOMPARE(window.Grid().Selection().Top, 5);
            QTest::keyClick(&window.Grid(), Qt::Key_Down);
            QCOMPARE(window.Grid().Selection().Top, 5);
            QTest::keyClick(&window.Grid(), Qt::Key_Up);
            QCOMPARE(window.Grid().Selection().Top, 2);
            QVERIFY(window.Form.DownloadButton()->isEnabled());
            QTest::keyClick(&window.Form, Qt::Key_Escape);
        });
        QVERIFY(!window.Form.isVisible());
    }

    void OpeningTheChoiceScrollsTheFirstPlusRowToTheTop() {
        TWindow window(12);
        window.Form.Open(true, QString());
        window.Form.CloseWindow();
        window.MarkChoices({5, 9});
        int topRow = 0;
        window.OpenChoice([&] {
            topRow = window.Grid().TopRow();
            window.Form.reject();
        });
        QCOMPARE(topRow, 5);
    }

    void ReopeningWithoutClearingKeepsTheRowsAndTheirPortNames() {
        TWindow window(3);
        window.Form.Open(true, QString());
        window.Grid().SetCell(1, 2, QStringLiteral("Robot"));
        window.Form.CloseWindow();
        // A port goes away between the scan and the transfer.
        window.HostPorts = {QStringLiteral("ttyS1"), QStringLiteral("ttyS3")};
        window.Form.Open(false, QString());
        QCOMPARE(window.Grid().RowCount(), 4);
        QCOMPARE(window.Grid().Cell(0, 2), QStringLiteral("ttyS2:"));
        QCOMPARE(window.Grid().Cell(1, 2), QStringLiteral("Robot"));
        QCOMPARE(window.Form.RowPortNames(),
                 QStringList(
                     {QStringLiteral("ttyS1"), QStringLiteral("ttyS2"), QStringLiteral("ttyS3")}));
        // The port box follows the host all the same.
        QCOMPARE(window.Discovery.PortNames(), window.HostPorts);
        window.Form.CloseWindow();
        // The next download starts from the host's list, rows cleared.
        window.Form.Open(true, QString());
        QCOMPARE(window.Grid().RowCount(), 3);
        QCOMPARE(window.Grid().Cell(1, 2), QString());
        QCOMPARE(window.Grid().Cell(0, 2), QStringLiteral("ttyS3:"));
    }

    void AResultScrollsItsRowIntoView() {
        TWindow window(12);
        window.Form.Open(true, QString());
        TIdentifyResult result;
        result.DeviceText = "Robot";
        result.VersionText = "v1.0";
        result.LoopbackText = "No";
        result.EchoText = "Yes";
        result.DeviceType = 2;
        window.Form.ShowPortResult(9, result);
        QCOMPARE(window.Grid().TopRow(), 4); // row 9 is the last one shown
        QCOMPARE(window.Grid().Cell(1, 9), QStringLiteral("Robot"));
        QCOMPARE(window.Grid().Cell(2, 9), QStringLiteral("v1.0"));
        QCOMPARE(window.Grid().Cell(3, 9), QStringLiteral("No"));
        QCOMPARE(window.Grid().Cell(4, 9), QStringLiteral("Yes"));
        QCOMPARE(window.Grid().Cell(5, 9), QStringLiteral("2"));
        window.Form.ShowPortResult(6, result); // shown already: no scrolling
        QCOMPARE(window.Grid().TopRow(), 4);
        window.Form.ShowPortResult(2, result);
        QCOMPARE(window.Grid().TopRow(), 2);
        window.Form.ShowIgnoring(3);
        QCOMPARE(window.Grid().Cell(1, 3), QStringLiteral("ignoring"));
    }

    void TheIndicatorSitsBesideItsRow() {
        TWindow window(10);
        window.Form.Open(true, QString());
        window.Grid().SetTopRow(3);
        window.Form.PlaceIndicator(5);
        TShape* indicator = window.Form.TXStatus();
        QVERIFY(indicator->isVisible());
        QCOMPARE(indicator->y(), window.Grid().y() + 25 + (5 - 3) * 19);
        // Vertically centred on the row's cells.
        const QRect cell = window.Grid().CellRect(1, 5).translated(window.Grid().pos());
        QCOMPARE(indicator->geometry().center().y(), cell.center().y());
        QVERIFY(indicator->geometry().right() < window.Grid().x());
        window.Form.ToggleIndicator(true);
        QCOMPARE(indicator->BrushColor(), QColor(0, 255, 0));
        window.Form.ToggleIndicator(false);
        QCOMPARE(indicator->BrushColor(), QColor(0, 128, 0));
        // The next opening hides it again.
        window.Form.CloseWindow();
        window.Form.Open(true, QString());
        QVERIFY(!indicator->isVisible());
    }

    void TheGaugeCountsThePacketsOfItsImage() {
        TWindow window(1);
        window.Form.Open(true, QString());
        TGauge* gauge = window.Form.ProgressBar0();
        QVERIFY(gauge->isVisible());
        QCOMPARE(gauge->MaxValue(), 3);
        QCOMPARE(gauge->PercentText(), QStringLiteral("0%"));
        window.Form.StepIt(0);
        QCOMPARE(gauge->PercentText(), QStringLiteral("33%"));
        window.Form.StepIt(1); // another image: not this gauge
        window.Form.StepIt(0);
        QCOMPARE(gauge->PercentText(), QStringLiteral("66%"));
        window.Form.StepIt(0);
        QCOMPARE(gauge->PercentText(), QStringLiteral("100%"));
        window.Form.StepIt(0);
        QCOMPARE(gauge->Progress(), 3);
        window.Form.CloseWindow();
        // Without an image to send the gauge is hidden.
        window.Form.SetDownloadImages(TDownloadImages{});
        window.Form.Open(true, QString());
        QVERIFY(!gauge->isVisible());
    }

    void ClosingPaintsThenPausesHalfASecond() {
        TWindow window(1);
        window.Form.Open(true, QString());
        window.Form.CloseWindow();
        QVERIFY(!window.Form.isVisible());
        QCOMPARE(window.Clock.Waits, std::vector<std::uint32_t>{500});
        // Closing a hidden window does not pause again.
        window.Form.CloseWindow();
        QCOMPARE(window.Clock.Waits.size(), std::size_t{1});
    }

    void EscapeDoesNotCloseTheWindowOfARunningDownload() {
        TWindow window(1);
        window.Form.Open(true, QString());
        QTest::keyClick(&window.Form, Qt::Key_Escape);
        QVERIFY(window.Form.isVisible());
        window.Form.CloseWindow();
    }
};

// A gauge that counts its paintings.
class TCountingGauge : public TGauge {
public:
    using TGauge::TGauge;
    int Paints = 0;

protected:
    void paintEvent(QPaintEvent* event) override {
        ++Paints;
        TGauge::paintEvent(event);
    }
};

class GaugeTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void PercentIsTruncatedAndZeroForAnEmptyRange() {
        TGauge gauge;
        gauge.SetMaxValue(3);
        gauge.SetProgress(2);
        QCOMPARE(gauge.PercentDone(), 66);
        gauge.SetMaxValue(0);
        QCOMPARE(gauge.PercentDone(), 0);
        QCOMPARE(gauge.Progress(), 0);
        gauge.SetMaxValue(7);
        gauge.SetProgress(-4);
        QCOMPARE(gauge.Progress(), 0);
        gauge.SetProgress(99);
        QCOMPARE(gauge.Progress(), 7);
        QCOMPARE(gauge.PercentText(), QStringLiteral("100%"));
    }

    void ItRepaintsOnlyWhenTheWholePercentChanges() {
        TCountingGauge gauge;
        gauge.resize(200, 19);
        gauge.SetMaxValue(1000);
        gauge.show();
        QVERIFY(QTest::qWaitForWindowExposed(&gauge));
        const int before = gauge.Paints;
        for (int i = 0; i < 9; ++i) {
            gauge.AddProgress(1); // 0.9%: still 0%
        }
        QCOMPARE(gauge.Paints, before);
        gauge.AddProgress(1); // 1%
        QCOMPARE(gauge.Paints, before + 1);
    }

    void ThePercentageIsDrawnInverseToWhatLiesBelow() {
        TGauge gauge;
        gauge.resize(100, 20);
        gauge.SetBackColor(QColor(255, 255, 255));
        gauge.SetForeColor(QColor(0, 128, 0));
        gauge.SetMaxValue(2);
        gauge.SetProgress(1); // "50%" straddles the edge of the fill
        const QImage image = gauge.grab().toImage();
        bool onFill = false;
        bool onBack = false;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 1; x < image.width() - 1; ++x) {
                const QColor pixel = image.pixelColor(x, y);
                onFill |= pixel == QColor(255, 127, 255);
                onBack |= pixel == QColor(0, 0, 0);
            }
        }
        QVERIFY(onFill);
        QVERIFY(onBack);
    }
};

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    int failed = 0;
    ProgressFormTest form;
    failed += QTest::qExec(&form, argc, argv);
    GaugeTest gauge;
    failed += QTest::qExec(&gauge, argc, argv);
    return failed == 0 ? 0 : 1;
}

#include "ProgressFormTest.moc"
