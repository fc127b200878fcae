#pragma once

#include "codegen/core/CompileStep.h"
#include "comm/core/PortScan.h"

#include <QDialog>
#include <QString>
#include <QStringList>

class QLabel;
class QPushButton;

namespace wayline {

class TGauge;
class TMsClock;
class TPortDiscovery;
class TResources;
class TShape;
class TStringGrid;

// The window that accompanies every download. Shown without waiting, it
// holds a grid with one row per serial port that the identification threads
// fill, a "Scanning..." label, a gauge that counts the packets sent and a
// blinking dot beside the port in use. Shown modally with a warning icon, a
// message and a Download button, it lets the user pick the module to load
// when more than one qualifies.
class TProgressForm : public QDialog, public TScanDisplay {
    Q_OBJECT
public:
    // The result of the choice dialog's Download button.
    static constexpr int DownloadResult = 4;

    // Port grid columns; 5 and 6 lie beyond the grid's width.
    static constexpr int PortColumn = 0;
    static constexpr int DeviceColumn = 1;
    static constexpr int VersionColumn = 2;
    static constexpr int LoopbackColumn = 3;
    static constexpr int EchoColumn = 4;
    static constexpr int TypeColumn = 5;
    static constexpr int ChoiceColumn = 6;
    static constexpr int ColumnCount = 7;

    // Where the window's frame-independent pieces go.
    static constexpr int GridLeft = 40;
    static constexpr int RowsShown = 6; // port rows the grid shows before it scrolls
    // The window's width and height follow the layout as outer sizes of a
    // dialog with 3-pixel borders and a 19-pixel caption; the program sets
    // the inside, so it takes the nominal frame off.
    static constexpr int NominalFrameWidth = 6;
    static constexpr int NominalFrameHeight = 25;

    TProgressForm(const TResources& resources, QWidget* parent = nullptr);
    ~TProgressForm() override;

    // The port list the window rebuilds on every showing; without one the
    // window shows no ports.
    void SetPortDiscovery(TPortDiscovery* discovery) { Discovery = discovery; }
    // The clock the pause on closing waits on (the host's by default).
    void SetClock(TMsClock* clock);
    // The images the next download sends: the gauges count their packets.
    void SetDownloadImages(const TDownloadImages& images) { Images = images; }
    // The port the next download looks at ("AUTO" or a name): AUTO lists
    // the host's ports only, a chosen port every port.
    void SetSelectedPort(const QString& port) { SelectedPort = port; }

    // Prepares and shows the window. With an empty message it is shown
    // without waiting and the result is -1; otherwise it is the modal
    // choice dialog and the result is how it ended (DownloadResult for
    // the Download button).
    int Open(bool clearRows, const QString& message);
    // Closes the window the way the download does: painted, a pause of
    // 500 ms so the last state can be read, then hidden. Without `pause`
    // it is hidden at once.
    void CloseWindow(bool pause = true);

    // Rebuilds the port list and the rows and lays the window out.
    void RefreshDisplay();
    // Prepares the gauges for the program images to send.
    void AssignProgressBars();
    // One more packet of image `imageIndex` was accepted.
    void StepIt(int imageIndex);

    // The port names the rows show: the list of the last showing that
    // cleared the rows. A showing that keeps the rows keeps these, so a row
    // always names the port it was filled for.
    const QStringList& RowPortNames() const { return RowNames; }

    // Places the transmit indicator beside grid row `row`, shows and paints it.
    void PlaceIndicator(int row);
    // The indicator's fill: lime or green.
    void ToggleIndicator(bool lime);
    // Scrolls the grid so that `row` is among the rows shown.
    void ScrollRowIntoView(int row);

    // A port the scan skips because another port is selected.
    void ShowIgnoring(int row);
    // A port's identification in its row, the row scrolled into view and
    // painted.
    void ShowPortResult(int row, const TIdentifyResult& result);

    // TScanDisplay: "Scanning..." shown and painted with the hourglass
    // cursor, each port's row (grid row portIndex + 1), the normal cursor
    // once the last running thread has reported, "Scanning..." hidden.
    void ScanStarted() override;
    void ShowRow(int portIndex, const TPortScanRow& row) override;
    void AllThreadsReported() override;
    void ScanFinished() override;

    // The controls by their window-definition names.
    TShape* TXStatus() const { return Indicator; }
    QLabel* WarningImage() const { return Warning; }
    QLabel* ScanningLabel() const { return Scanning; }
    QWidget* DownloadStatus() const { return StatusPanel; }
    QLabel* DownloadStatusLabel() const { return StatusLabel; }
    TGauge* ProgressBar0() const { return Gauge0; }
    QLabel* EMessage() const { return Message; }
    QPushButton* DownloadButton() const { return Download; }
    TStringGrid* PortStatus() const { return Grid; }
    QLabel* PortStatusLabel() const { return GridLabel; }
    // "Connection help", under the gauge: asks for the connection help once
    // the download has ended.
    QPushButton* ConnectionHelpButton() const { return Help; }

    // The window's outer size as laid out (the inside plus the nominal frame).
    QSize OuterSize() const;

    // The grid's selection and mouse rules of the choice dialog.
    bool PortStatusSelectCell(int col, int row) const;
    void PortStatusMouseDown(int x, int y);

Q_SIGNALS:
    // The user asked for the connection help.
    void ConnectionHelpRequested();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;

public Q_SLOTS:
    void done(int result) override;
    void reject() override;

private:
    void FormShow();
    void ApplyTexts();
    void FormClose();
    void PortStatusDrawCell(QPainter& painter, int col, int row, const QRect& rect);
    bool IsChoiceDialog() const;
    bool RowIsChoice(int row) const;
    void UpdateDownloadButton();

    const TResources& Res;
    TPortDiscovery* Discovery = nullptr;
    TMsClock* Clock;
    TDownloadImages Images;
    bool ClearRowsOnShow = false;
    bool PauseOnClose = true;
    bool ScrollToFirstChoice = false;
    QStringList RowNames;
    QString SelectedPort = QStringLiteral("AUTO");

    TShape* Indicator;
    QLabel* Warning;
    QLabel* Scanning;
    QWidget* StatusPanel;
    QLabel* StatusLabel;
    TGauge* Gauge0;
    QLabel* Message;
    QPushButton* Download;
    TStringGrid* Grid;
    QLabel* GridLabel;
    QPushButton* Help;
};

} // namespace wayline
