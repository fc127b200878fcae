#include "testmode/ui/TestForm.h"

#include "uikit/Resources.h"
#include "codegen/core/BuildCode.h"
#include "comm/core/Serial.h"
#include "editor/core/ActionDocument.h"
#include "testmode/core/TestExchange.h"

#include <QCheckBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QShowEvent>
#include <QSpinBox>
#include <QTimer>

#include <algorithm>

namespace wayline {

namespace {

// Interface texts of the window.
constexpr int CaptionTextId = 414;
constexpr int PulseWidthTextId = 415;
constexpr int LeftEnabledTextId = 416;
constexpr int RightEnabledTextId = 417;
constexpr int BackTextId = 418;
constexpr int RunTestTextId = 419;
constexpr int DefaultsTextId = 420;
constexpr int CalibrateTextId = 421;
constexpr int CancelTextId = 422;
constexpr int CalibrationStoredTextId = 745;

// Layout records of the window and its controls.
constexpr int WindowRecord = 76;
constexpr int BotPanelRecord = 77;
constexpr int LeftTireSpeedRecord = 78;
constexpr int RightTireSpeedRecord = 79;
constexpr int LServoSpinEditRecord = 80;
constexpr int RServoSpinEditRecord = 81;
constexpr int LeftCheckBoxRecord = 82;
constexpr int RightCheckBoxRecord = 83;
constexpr int RunTestButtonRecord = 84;
constexpr int DefaultButtonRecord = 85;
constexpr int SetCalibrationButtonRecord = 86;
constexpr int ExitButtonRecord = 87;

// The spin edits take at most three characters: 650 to 850.
constexpr int SpinEditMaxLength = 3;
// The "Pulse Width" labels stand above their spin edits.
constexpr int PulseLabelHeight = 18;
constexpr int PulseLabelGap = 4;
constexpr int PulseLabelMargin = 8;
// The line that says what Calibrate Servos stored, under the buttons.
constexpr int StoredLineHeight = 22;

// The fill of a triggered infra-red shape: colour value 255.
const QColor TriggeredColor(255, 0, 0);

QScrollBar* MakeTireSpeed(QWidget* parent, const QString& name) {
    auto* bar = new QScrollBar(Qt::Vertical, parent);
    bar->setObjectName(name);
    bar->setRange(MinTestPulse, MaxTestPulse);
    bar->setPageStep(TestPulseLargeStep);
    bar->setSingleStep(1);
    bar->setValue(DefaultTestPulse);
    bar->setFocusPolicy(Qt::StrongFocus);
    return bar;
}

QSpinBox* MakeSpinEdit(QWidget* parent, const QString& name) {
    auto* spin = new QSpinBox(parent);
    spin->setObjectName(name);
    spin->setRange(MinTestPulse, MaxTestPulse);
    spin->setValue(DefaultTestPulse);
    if (auto* edit = spin->findChild<QLineEdit*>()) {
        edit->setMaxLength(SpinEditMaxLength);
    }
    spin->setEnabled(false);
    return spin;
}

QCheckBox* MakeCheckBox(QWidget* parent, const QString& name) {
    auto* box = new QCheckBox(parent);
    box->setObjectName(name);
    box->setChecked(true);
    return box;
}

QPushButton* MakeButton(QWidget* parent, const QString& name) {
    auto* button = new QPushButton(parent);
    button->setObjectName(name);
    // Enter in a spin edit hands the value to its scroll bar; it must not
    // press a button of the dialog as well.
    button->setAutoDefault(false);
    button->setDefault(false);
    return button;
}

} // namespace

TTestForm::TTestForm(const TResources& resources, TActionDocument& document, TSerialSlots& slots,
                     QWidget* parent)
    : QDialog(parent), Res(resources), Document(document), Slots(slots), Port(NoSlot) {
    setObjectName(QStringLiteral("TestForm"));
    setWindowTitle(Res.LoadText(CaptionTextId));
    resize(440, 340);

    Bot = new TBotPanel(this);
    Stored = new QLabel(this);
    Stored->setObjectName(QStringLiteral("CalibrationLabel"));
    Stored->setStyleSheet(QStringLiteral("QLabel { color: #1e5a1e; font-weight: bold; }"));
    Left.TireSpeed = MakeTireSpeed(this, QStringLiteral("LeftTireSpeed"));
    Right.TireSpeed = MakeTireSpeed(this, QStringLiteral("RightTireSpeed"));
    Left.SpinEdit = MakeSpinEdit(this, QStringLiteral("LServoSpinEdit"));
    Right.SpinEdit = MakeSpinEdit(this, QStringLiteral("RServoSpinEdit"));
    Left.PulseLabel = new QLabel(this);
    Left.PulseLabel->setObjectName(QStringLiteral("LeftPulseLabel"));
    Right.PulseLabel = new QLabel(this);
    Right.PulseLabel->setObjectName(QStringLiteral("RightPulseLabel"));
    Left.CheckBox = MakeCheckBox(this, QStringLiteral("LeftCheckBox"));
    Right.CheckBox = MakeCheckBox(this, QStringLiteral("RightCheckBox"));
    RunTest = MakeButton(this, QStringLiteral("RunTestButton"));
    Defaults = MakeButton(this, QStringLiteral("DefaultButton"));
    Calibrate = MakeButton(this, QStringLiteral("SetCalibrationButton"));
    Exit = MakeButton(this, QStringLiteral("ExitButton"));
    for (QLabel* label : {Left.PulseLabel, Right.PulseLabel}) {
        label->setAlignment(Qt::AlignCenter);
    }
    PlaceControls();

    connect(Left.TireSpeed, &QScrollBar::valueChanged, this, [this] { LeftPulseChange(false); });
    connect(Right.TireSpeed, &QScrollBar::valueChanged, this, [this] { RightPulseChange(false); });
    // The spin edit's value is applied when it loses the focus (Enter moves
    // the focus to the scroll bar, see SpinEditKeyUp); while it keeps the
    // focus, editingFinished is only the Enter key itself.
    connect(Left.SpinEdit, &QSpinBox::editingFinished, this, [this] {
        if (!Left.SpinEdit->hasFocus()) {
            LeftPulseChange(true);
        }
    });
    connect(Right.SpinEdit, &QSpinBox::editingFinished, this, [this] {
        if (!Right.SpinEdit->hasFocus()) {
            RightPulseChange(true);
        }
    });
    Left.SpinEdit->installEventFilter(this);
    Right.SpinEdit->installEventFilter(this);
    connect(Left.CheckBox, &QCheckBox::toggled, this, [this] { CheckBoxClick(); });
    connect(Right.CheckBox, &QCheckBox::toggled, this, [this] { CheckBoxClick(); });
    connect(RunTest, &QPushButton::clicked, this, [this] { RunTestButtonClick(); });
    connect(Defaults, &QPushButton::clicked, this, [this] { DefaultButtonClick(); });
    connect(Calibrate, &QPushButton::clicked, this, [this] { SetCalibrationButtonClick(); });
    connect(Exit, &QPushButton::clicked, this, [this] { ExitButtonClick(); });

    FormCreate();
}

// A window destroyed while still open (the program ending) gives its port
// back too.
TTestForm::~TTestForm() {
    TestTimer->stop();
    Slots.ClosePort(Port);
}

void TTestForm::FormCreate() {
    TestTimer = new QTimer(this);
    TestTimer->setObjectName(QStringLiteral("Timer"));
    TestTimer->setInterval(TimerIntervalMs);
    connect(TestTimer, &QTimer::timeout, this, [this] { TestOnTimer(); });
}

void TTestForm::PlaceControls() {
    Res.PlaceControl(WindowRecord, this, false);
    Res.PlaceControl(BotPanelRecord, Bot, false);
    Res.PlaceControl(LeftTireSpeedRecord, Left.TireSpeed, false);
    Res.PlaceControl(RightTireSpeedRecord, Right.TireSpeed, false);
    Res.PlaceControl(LServoSpinEditRecord, Left.SpinEdit, false);
    Res.PlaceControl(RServoSpinEditRecord, Right.SpinEdit, false);
    Res.PlaceControl(LeftCheckBoxRecord, Left.CheckBox, false);
    Res.PlaceControl(RightCheckBoxRecord, Right.CheckBox, false);
    Res.PlaceControl(RunTestButtonRecord, RunTest, false);
    Res.PlaceControl(DefaultButtonRecord, Defaults, false);
    Res.PlaceControl(SetCalibrationButtonRecord, Calibrate, false);
    Res.PlaceControl(ExitButtonRecord, Exit, false);
    // The labels have no records of their own: each stands centred above
    // its spin edit, a little wider than it.
    for (const TSide* side : {&Left, &Right}) {
        const QRect spin = side->SpinEdit->geometry();
        side->PulseLabel->setGeometry(spin.left() - PulseLabelMargin,
                                      spin.top() - PulseLabelHeight - PulseLabelGap,
                                      spin.width() + 2 * PulseLabelMargin, PulseLabelHeight);
    }
    // The record gives the window's size, and the line under the buttons
    // adds to its height; the user does not resize it.
    const QRect exit = Exit->geometry();
    Stored->setGeometry(Left.TireSpeed->x(), exit.bottom() + 6,
                        Right.TireSpeed->geometry().right() - Left.TireSpeed->x(), StoredLineHeight);
    setFixedSize(width(), std::max(height(), Stored->geometry().bottom() + 8));
}

void TTestForm::showEvent(QShowEvent* event) {
    // A window coming back from being minimised is not shown anew.
    if (!event->spontaneous()) {
        FormShow();
    }
    QDialog::showEvent(event);
}

void TTestForm::FormShow() {
    setWindowTitle(Res.LoadText(CaptionTextId));
    Left.PulseLabel->setText(Res.LoadText(PulseWidthTextId));
    Right.PulseLabel->setText(Res.LoadText(PulseWidthTextId));
    Left.CheckBox->setText(Res.LoadText(LeftEnabledTextId));
    Right.CheckBox->setText(Res.LoadText(RightEnabledTextId));
    Bot->BackLabel()->setText(Res.LoadText(BackTextId));
    RunTest->setText(Res.LoadText(RunTestTextId));
    Defaults->setText(Res.LoadText(DefaultsTextId));
    Calibrate->setText(Res.LoadText(CalibrateTextId));
    Exit->setText(Res.LoadText(CancelTextId));
    Stored->clear();
    PlaceControls();
    CheckBoxClick();
    Port = NoSlot;
    SetPulse(Right, PulseFromCalibration(Document.RightServoCenter));
    SetPulse(Left, PulseFromCalibration(Document.LeftServoCenter));
}

void TTestForm::RunTestButtonClick() {
    // The download shows its progress window and lets window messages
    // through while it scans the ports; a second click meanwhile must not
    // start a second download.
    if (Downloading) {
        return;
    }
    TestTimer->stop();
    if (Port != NoSlot) {
        Slots.ClosePort(Port);
        Port = NoSlot;
    }
    if (LoadProgram) {
        LoadProgram(TestProgramResource);
    }
    Downloading = true;
    ClosedWhileDownloading = false;
    RunTest->setEnabled(false);
    const int slot = DownloadTokenization ? DownloadTokenization(true) : NoSlot;
    Downloading = false;
    RunTest->setEnabled(true);
    if (slot < FirstSlot || slot > LastSlot) {
        return;
    }
    if (ClosedWhileDownloading) {
        // Nobody is left to talk to the test program: give the port back.
        Slots.ClosePort(slot);
        return;
    }
    Port = slot;
    CheckBoxClick();
    TestTimer->start();
}

void TTestForm::TestOnTimer() {
    if (Port == NoSlot) {
        return;
    }
    const std::uint16_t right = PulseToSend(Right.SpinEdit->value(), Right.CheckBox->isChecked());
    const std::uint16_t left = PulseToSend(Left.SpinEdit->value(), Left.CheckBox->isChecked());
    ShowSensors(ExchangeTestPulses(Slots.Slot(Port), right, left));
}

void TTestForm::ShowSensors(int sensors) {
    const TSensorState state = DecodeSensors(sensors);
    TSensorLooks looks;
    const QColor leftIr = state.LeftIr ? TriggeredColor : QColor(Qt::black);
    const QColor rightIr = state.RightIr ? TriggeredColor : QColor(Qt::black);
    looks.LeftIrSensorLens = leftIr;
    looks.LeftIrSensor = leftIr;
    looks.RightIrSensorLens = rightIr;
    looks.RightIrSensor = rightIr;
    looks.LeftWhisker2 = state.LeftWhisker;
    looks.LeftWhisker1 = !state.LeftWhisker;
    looks.RightWhisker2 = state.RightWhisker;
    looks.RightWhisker1 = !state.RightWhisker;
    Bot->SetLooks(looks);
}

void TTestForm::CheckBoxClick() {
    for (const TSide* side : {&Left, &Right}) {
        const bool enabled = side->CheckBox->isChecked();
        side->SpinEdit->setEnabled(enabled);
        side->TireSpeed->setEnabled(enabled);
    }
}

void TTestForm::LeftPulseChange(bool fromSpinEdit) {
    PulseChange(Left, fromSpinEdit);
}

void TTestForm::RightPulseChange(bool fromSpinEdit) {
    PulseChange(Right, fromSpinEdit);
}

void TTestForm::PulseChange(TSide& side, bool fromSpinEdit) {
    if (!side.Guard) {
        side.Guard = true;
        if (fromSpinEdit) {
            side.TireSpeed->setValue(side.SpinEdit->value());
        } else {
            side.SpinEdit->setValue(side.TireSpeed->value());
        }
        side.Guard = false;
    }
    side.TireSpeed->setFocus();
}

void TTestForm::SetPulse(TSide& side, int pulse) {
    side.Guard = true;
    side.SpinEdit->setValue(pulse);
    side.TireSpeed->setValue(side.SpinEdit->value());
    side.Guard = false;
}

bool TTestForm::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyRelease) {
        auto* spin = qobject_cast<QSpinBox*>(watched);
        if (spin == Left.SpinEdit || spin == Right.SpinEdit) {
            SpinEditKeyUp(spin, static_cast<QKeyEvent*>(event)->key());
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TTestForm::SpinEditKeyUp(QSpinBox* spinEdit, int key) {
    if (key != Qt::Key_Return && key != Qt::Key_Enter) {
        return;
    }
    // Leaving the spin edit applies its value (its exit handler).
    if (spinEdit->objectName() == QStringLiteral("LServoSpinEdit")) {
        Left.TireSpeed->setFocus();
    } else {
        Right.TireSpeed->setFocus();
    }
}

void TTestForm::DefaultButtonClick() {
    SetPulse(Left, DefaultTestPulse);
    SetPulse(Right, DefaultTestPulse);
}

void TTestForm::SetCalibrationButtonClick() {
    Document.RightServoCenter = CalibrationFromPulse(Right.SpinEdit->value());
    Document.LeftServoCenter = CalibrationFromPulse(Left.SpinEdit->value());
    // Nothing moves when the calibration is stored: say what it is.
    Stored->setText(Res.LoadText(CalibrationStoredTextId)
                        .replace(QStringLiteral("{left}"), QString::number(Document.LeftServoCenter))
                        .replace(QStringLiteral("{right}"),
                                 QString::number(Document.RightServoCenter)));
}

void TTestForm::ExitButtonClick() {
    close();
}

void TTestForm::done(int result) {
    FormClose();
    QDialog::done(result);
}

void TTestForm::FormClose() {
    for (const TSide* side : {&Left, &Right}) {
        side->TireSpeed->setEnabled(false);
        side->SpinEdit->setEnabled(false);
    }
    TestTimer->stop();
    RunTest->setEnabled(true);
    ClosedWhileDownloading = Downloading;
    if (Port != NoSlot) {
        Slots.ClosePort(Port);
        Port = NoSlot;
    }
}

} // namespace wayline
