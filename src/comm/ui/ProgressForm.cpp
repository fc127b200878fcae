#include "comm/ui/ProgressForm.h"

#include "uikit/Resources.h"
#include "comm/core/MsClock.h"
#include "comm/ui/BusyCursor.h"
#include "comm/ui/Gauge.h"
#include "comm/ui/PortDiscovery.h"
#include "comm/ui/Shape.h"
#include "comm/ui/StringGrid.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFontMetrics>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QStyle>

#include <algorithm>

namespace wayline {

namespace {

// Interface texts.
constexpr int FirstColumnTitleText = 381; // "Port:", then 382..385
constexpr int IgnoringText = 386;
constexpr int NoRobotFoundText = 412;
constexpr int DownloadButtonText = 906;
// What the "Device Type:" column can say of a port: its column is as wide
// as the widest of them.
constexpr int DeviceColumnTexts[] = {386, 389, 390, 391, 411, NoRobotFoundText};
constexpr int DownloadProgressText = 423;
constexpr int PortStatusText = 424;
constexpr int DownloadStatusText = 425;
constexpr int ScanningText = 426;
constexpr int ConnectionHelpText = 600;

// Design values of the controls.
constexpr QRect WarningImageRect(22, 10, 32, 32);
constexpr QRect ScanningLabelRect(109, 39, 161, 13);
constexpr QSize DownloadStatusSize(336, 89);
constexpr QRect DownloadStatusLabelRect(3, 5, 200, 14);
constexpr QRect ProgressBar0Rect(3, 25, 324, 19);
constexpr QRect EMessageRect(63, 12, 282, 39);
constexpr QSize DownloadButtonSize(75, 25);
// On the line of the "Download Status:" title, right-aligned above the
// gauge: the window's height leaves no room below it.
constexpr int HelpButtonTop = 1;
constexpr int HelpButtonHeight = 22;
constexpr int IndicatorSize = 10;
constexpr int IndicatorLeft = TProgressForm::GridLeft - 16;
// The gauge lines up with the grid's left edge.
constexpr int DownloadStatusLeft = TProgressForm::GridLeft - ProgressBar0Rect.left();

// Layout arithmetic.
constexpr int LabelGapBelowMessage = 25;
constexpr int LabelTopWithoutMessage = 10;
constexpr int GridFrameAndLines = 9; // two 2-pixel borders and five column lines
constexpr int ScrollingRowCount = 7; // more rows than this: a scroll bar
constexpr int TallRowCount = 6;      // more rows than this: the grid stops growing
constexpr int TallGridHeight = 137;
constexpr int GridHeightExtra = 4; // the two borders
constexpr int DownloadStatusGap = 9;
constexpr int DownloadButtonGap = 15;
constexpr int WindowRightExtra = 26;
constexpr int WindowBottomExtra = 37;
constexpr int IndicatorRowOffset = 25;
constexpr int ClosingPauseMs = 500;

const QColor IndicatorGreen(0, 128, 0);
const QColor IndicatorLime(0, 255, 0);
const QString ChoiceMark = QStringLiteral("+");

QFont DialogFont(bool bold = false) {
    QFont font(QStringLiteral("Liberation Sans"));
    font.setPixelSize(11);
    font.setBold(bold);
    return font;
}

} // namespace

TProgressForm::TProgressForm(const TResources& resources, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint),
      Res(resources), Clock(&SystemClock()), Indicator(new TShape(this)), Warning(new QLabel(this)),
      Scanning(new QLabel(this)), StatusPanel(new QWidget(this)),
      StatusLabel(new QLabel(StatusPanel)), Gauge0(new TGauge(StatusPanel)),
      Message(new QLabel(this)), Download(new QPushButton(this)),
      Grid(new TStringGrid(ColumnCount, this)), GridLabel(new QLabel(this)),
      Help(new QPushButton(StatusPanel)) {
    setObjectName(QStringLiteral("ProgressForm"));
    setFont(DialogFont());

    Indicator->setObjectName(QStringLiteral("TXStatus"));
    Indicator->resize(IndicatorSize, IndicatorSize);
    Indicator->SetBrushColor(IndicatorGreen);
    Indicator->hide();

    Warning->setObjectName(QStringLiteral("WarningImage"));
    Warning->setGeometry(WarningImageRect);
    Warning->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxWarning).pixmap(32, 32));
    Warning->hide();

    Scanning->setObjectName(QStringLiteral("ScanningLabel"));
    Scanning->setGeometry(ScanningLabelRect);
    Scanning->hide();

    StatusPanel->setObjectName(QStringLiteral("DownloadStatus"));
    StatusPanel->resize(DownloadStatusSize);
    StatusPanel->move(DownloadStatusLeft, 0);
    StatusLabel->setObjectName(QStringLiteral("DownloadStatusLabel"));
    StatusLabel->setFont(DialogFont(true));
    StatusLabel->setGeometry(DownloadStatusLabelRect);
    Gauge0->setObjectName(QStringLiteral("ProgressBar0"));
    Gauge0->setGeometry(ProgressBar0Rect);
    Gauge0->SetBackColor(palette().color(QPalette::Window));
    Gauge0->SetForeColor(IndicatorGreen);
    Gauge0->SetTag(0);

    Message->setObjectName(QStringLiteral("EMessage"));
    Message->setGeometry(EMessageRect);
    Message->setWordWrap(true);
    Message->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Message->setAutoFillBackground(true);
    Message->setBackgroundRole(QPalette::Button);
    Message->hide();

    Download->setObjectName(QStringLiteral("DownloadButton"));
    Download->resize(DownloadButtonSize);
    Download->setDefault(true);
    Download->setEnabled(false);
    Download->hide();
    connect(Download, &QPushButton::clicked, this, [this] { done(DownloadResult); });

    Grid->setObjectName(QStringLiteral("PortStatus"));
    Grid->move(GridLeft, 0);
    Grid->SetSelectCell([this](int col, int row) { return PortStatusSelectCell(col, row); });
    Grid->SetDrawCell([this](QPainter& painter, int col, int row, const QRect& rect) {
        PortStatusDrawCell(painter, col, row, rect);
    });
    connect(Grid, &TStringGrid::MousePressed, this, [this](QMouseEvent* event) {
        const QPoint client = event->position().toPoint() - Grid->ClientRect().topLeft();
        PortStatusMouseDown(client.x(), client.y());
    });
    connect(Grid, &TStringGrid::SelectionChanged, this, [this] { UpdateDownloadButton(); });

    GridLabel->setObjectName(QStringLiteral("PortStatusLabel"));
    GridLabel->setFont(DialogFont(true));
    GridLabel->move(GridLeft, LabelTopWithoutMessage);

    Help->setObjectName(QStringLiteral("ConnectionHelpButton"));
    Help->setAutoDefault(false);
    Help->setFocusPolicy(Qt::NoFocus);
    ApplyTexts();
    connect(Help, &QPushButton::clicked, this, [this] {
        // Taken note of: the window cannot show another while the download
        // holds the program, so the help follows when it has ended.
        Help->setEnabled(false);
        Q_EMIT ConnectionHelpRequested();
    });
}

TProgressForm::~TProgressForm() = default;

void TProgressForm::SetClock(TMsClock* clock) {
    Clock = clock ? clock : &SystemClock();
}

bool TProgressForm::IsChoiceDialog() const {
    return !Message->isHidden();
}

bool TProgressForm::RowIsChoice(int row) const {
    return Grid->Cell(ChoiceColumn, row) == ChoiceMark;
}

QSize TProgressForm::OuterSize() const {
    return size() + QSize(NominalFrameWidth, NominalFrameHeight);
}

int TProgressForm::Open(bool clearRows, const QString& message) {
    ClearRowsOnShow = clearRows;
    Message->setText(message);
    Grid->ClearSelection();
    if (message.isEmpty()) {
        Message->hide();
        Warning->hide();
        ScrollToFirstChoice = false;
        // Shown without waiting, but the rest of the program takes no
        // input while the download runs.
        setWindowModality(Qt::ApplicationModal);
        if (isVisible()) {
            FormShow();
        } else {
            show();
        }
        return -1;
    }
    Message->show();
    Warning->show();
    ScrollToFirstChoice = true;
    Download->setEnabled(false);
    QApplication::beep();
    if (isVisible()) {
        hide(); // exec() shows it again, modally
    }
    return exec();
}

void TProgressForm::CloseWindow(bool pause) {
    PauseOnClose = pause;
    done(QDialog::Rejected);
    PauseOnClose = true;
}

void TProgressForm::showEvent(QShowEvent* event) {
    FormShow();
    QDialog::showEvent(event);
}

void TProgressForm::ApplyTexts() {
    setWindowTitle(Res.LoadText(DownloadProgressText));
    GridLabel->setText(Res.LoadText(PortStatusText));
    GridLabel->adjustSize();
    StatusLabel->setText(Res.LoadText(DownloadStatusText));
    Scanning->setText(Res.LoadText(ScanningText));
    Help->setText(Res.LoadText(ConnectionHelpText));
    Help->resize(Help->sizeHint().width(), HelpButtonHeight);
    Download->setText(Res.LoadText(DownloadButtonText));
    // A longer word than the design's widens the button rather than being cut.
    Download->resize(std::max(DownloadButtonSize.width(), Download->sizeHint().width()),
                     DownloadButtonSize.height());

    for (int col = PortColumn; col <= EchoColumn; ++col) {
        Grid->SetCell(col, 0, Res.LoadText(FirstColumnTitleText + col));
    }
    const QFontMetrics metrics(Grid->font());
    int deviceWidth = 0;
    for (int text : DeviceColumnTexts) {
        deviceWidth = std::max(deviceWidth, metrics.horizontalAdvance(Res.LoadText(text)));
    }
    Grid->SetColWidth(DeviceColumn, deviceWidth + 15);
    for (int col = VersionColumn; col <= EchoColumn; ++col) {
        Grid->SetColWidth(col, metrics.horizontalAdvance(Grid->Cell(col, 0)) + 10);
    }
}

void TProgressForm::changeEvent(QEvent* event) {
    if (event->type() == QEvent::LanguageChange) {
        ApplyTexts();
    }
    QDialog::changeEvent(event);
}

void TProgressForm::FormShow() {
    ApplyTexts();

    RefreshDisplay();

    // Centred over the main window once the size is known.
    if (QWidget* owner = parentWidget()) {
        const QRect main = owner->frameGeometry();
        const QSize own = OuterSize();
        move(main.left() + main.width() / 2 - own.width() / 2,
             main.top() + main.height() / 2 - own.height() / 2);
    }
    if (ScrollToFirstChoice) {
        ScrollToFirstChoice = false;
        for (int row = 1; row < Grid->RowCount(); ++row) {
            if (RowIsChoice(row)) {
                Grid->SetTopRow(row);
                break;
            }
        }
    }
}

void TProgressForm::RefreshDisplay() {
    Indicator->hide();
    QStringList names;
    if (Discovery) {
        Discovery->RefreshPortCombo();
        names = Discovery->PortNames();
    }
    if (ClearRowsOnShow) {
        RowNames.clear();
        const std::string selected = SelectedPort.toStdString();
        for (const QString& name : names) {
            if (PortIsListed(name.toStdString(), selected)) {
                RowNames.append(name);
            }
        }
    }

    // Room for "COM99:", or for the longest name where the host's names
    // are longer (ttyUSB0, ttyACM10), or for the column's title, which a
    // language may make the widest ("Anschluss:").
    const QFontMetrics metrics(Grid->font());
    int nameWidth = std::max(metrics.horizontalAdvance(QStringLiteral("COM99:")),
                             metrics.horizontalAdvance(Grid->Cell(PortColumn, 0)));
    const auto shown = [this](const QString& name) {
        return Discovery ? Discovery->ShownName(name) : name;
    };
    for (const QString& name : RowNames) {
        nameWidth = std::max(nameWidth, metrics.horizontalAdvance(shown(name) + u':'));
    }
    Grid->SetColWidth(PortColumn, nameWidth + 5);

    const int rowCount = std::max(static_cast<int>(RowNames.size()) + 1, 2);
    Grid->SetRowCount(rowCount);
    for (int row = 1; row < rowCount; ++row) {
        if (ClearRowsOnShow) {
            Grid->ClearRow(row);
        }
        if (row - 1 < RowNames.size()) {
            Grid->SetCell(PortColumn, row, shown(RowNames[row - 1]) + u':');
        }
    }

    const bool choice = IsChoiceDialog();
    const int labelTop =
        choice ? Message->y() + Message->height() + LabelGapBelowMessage : LabelTopWithoutMessage;
    GridLabel->move(GridLabel->x(), labelTop);
    Scanning->move(Scanning->x(), labelTop);
    const int gridTop = labelTop + GridLabel->height();

    int gridWidth = GridFrameAndLines;
    for (int col = PortColumn; col <= EchoColumn; ++col) {
        gridWidth += Grid->ColWidth(col);
    }
    if (rowCount > ScrollingRowCount) {
        gridWidth += TStringGrid::ScrollBarWidth;
    }
    const int windowWidth = Grid->x() + gridWidth + WindowRightExtra;
    const int gridHeight = rowCount > TallRowCount
                               ? TallGridHeight
                               : rowCount * TStringGrid::RowPitch + GridHeightExtra;
    Grid->setGeometry(Grid->x(), gridTop, gridWidth, gridHeight);

    StatusPanel->move(StatusPanel->x(), gridTop + gridHeight + DownloadStatusGap);
    Gauge0->resize(gridWidth, Gauge0->height());
    StatusPanel->resize(gridWidth + 8, StatusPanel->height());
    StatusPanel->setVisible(!choice);
    Help->move(Gauge0->x() + Gauge0->width() - Help->width(), HelpButtonTop);
    if (ClearRowsOnShow) {
        Help->setEnabled(true); // a new download: the help may be asked for again
    }

    AssignProgressBars();

    Download->setVisible(choice);
    Download->move(windowWidth / 2 - Download->width() / 2,
                   gridTop + gridHeight + DownloadButtonGap);

    const int windowHeight = choice ? Download->y() + Download->height() + WindowBottomExtra
                                    : StatusPanel->y() + StatusPanel->height();
    setFixedSize(windowWidth - NominalFrameWidth, windowHeight - NominalFrameHeight);
}

void TProgressForm::AssignProgressBars() {
    for (TGauge* gauge : {Gauge0}) {
        const int tag = gauge->Tag();
        if (tag < 0) {
            continue;
        }
        if (tag > Images.ProgramImageCount - 1 ||
            tag >= static_cast<int>(Images.ImagePacketCounts.size())) {
            gauge->hide();
            continue;
        }
        gauge->show();
        gauge->SetProgress(0);
        gauge->SetMaxValue(Images.ImagePacketCounts[static_cast<std::size_t>(tag)]);
    }
}

void TProgressForm::StepIt(int imageIndex) {
    for (TGauge* gauge : {Gauge0}) {
        if (gauge->Tag() == imageIndex) {
            gauge->AddProgress(1);
        }
    }
}

void TProgressForm::PlaceIndicator(int row) {
    Indicator->move(IndicatorLeft, Grid->y() + IndicatorRowOffset +
                                       (row - Grid->TopRow()) * TStringGrid::RowPitch);
    Indicator->show();
    Indicator->repaint();
}

void TProgressForm::ToggleIndicator(bool lime) {
    Indicator->SetBrushColor(lime ? IndicatorLime : IndicatorGreen);
    Indicator->repaint();
}

void TProgressForm::ScrollRowIntoView(int row) {
    const int top = Grid->TopRow();
    if (row >= top && row <= top + RowsShown - 1) {
        return;
    }
    Grid->SetTopRow(row > top ? row - (RowsShown - 1) : row);
}

void TProgressForm::ScanStarted() {
    Scanning->show();
    repaint();
    SetHourglassCursor(true);
}

void TProgressForm::ScanFinished() {
    Scanning->hide();
}

void TProgressForm::ShowRow(int portIndex, const TPortScanRow& row) {
    if (row.Ignored) {
        ShowIgnoring(portIndex + 1);
    } else {
        ShowPortResult(portIndex + 1, row.Result);
    }
}

void TProgressForm::ShowIgnoring(int row) {
    Grid->SetCell(DeviceColumn, row, Res.LoadText(IgnoringText));
}

void TProgressForm::ShowPortResult(int row, const TIdentifyResult& result) {
    Grid->SetCell(DeviceColumn, row, QString::fromStdString(result.DeviceText));
    Grid->SetCell(VersionColumn, row, QString::fromStdString(result.VersionText));
    Grid->SetCell(LoopbackColumn, row, QString::fromStdString(result.LoopbackText));
    Grid->SetCell(EchoColumn, row, QString::fromStdString(result.EchoText));
    Grid->SetCell(TypeColumn, row, QString::number(result.DeviceType));
    ScrollRowIntoView(row);
    Grid->repaint();
}

void TProgressForm::AllThreadsReported() {
    SetHourglassCursor(false);
}

bool TProgressForm::PortStatusSelectCell(int, int row) const {
    return IsChoiceDialog() && RowIsChoice(row);
}

void TProgressForm::PortStatusMouseDown(int x, int y) {
    if (IsChoiceDialog() && x >= 0 && x <= Grid->ColWidth(PortColumn) &&
        y >= TStringGrid::RowPitch) {
        const int row = y / TStringGrid::RowPitch + Grid->TopRow() - 1;
        if (row < Grid->RowCount() && RowIsChoice(row)) {
            Grid->SelectRow(row);
        }
    }
    UpdateDownloadButton();
}

void TProgressForm::UpdateDownloadButton() {
    Download->setEnabled(!Grid->Selection().IsEmpty());
}

void TProgressForm::PortStatusDrawCell(QPainter& painter, int col, int row, const QRect& rect) {
    if (row < 1 || !IsChoiceDialog() || RowIsChoice(row)) {
        return;
    }
    // A row that cannot be chosen looks disabled: its text again in grey,
    // over the black.
    const bool fixed = col < TStringGrid::FixedCols;
    painter.fillRect(fixed ? rect.adjusted(1, 1, 0, 0) : rect,
                     palette().color(fixed ? QPalette::Button : QPalette::Base));
    painter.setPen(palette().color(QPalette::Disabled, QPalette::Text));
    painter.drawText(rect.adjusted(2, 2, 0, 0), Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine,
                     Grid->Cell(col, row));
}

void TProgressForm::FormClose() {
    // The last state (the full gauge, the last row) stays readable a moment.
    repaint();
    if (PauseOnClose) {
        Clock->WaitMs(ClosingPauseMs);
    }
}

void TProgressForm::done(int result) {
    if (isVisible()) {
        FormClose();
    }
    QDialog::done(result);
}

void TProgressForm::reject() {
    // Escape ends the choice dialog; the download's own window closes
    // when the download is over.
    if (IsChoiceDialog()) {
        QDialog::reject();
    }
}

void TProgressForm::closeEvent(QCloseEvent* event) {
    if (!IsChoiceDialog() && event->spontaneous()) {
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

} // namespace wayline
