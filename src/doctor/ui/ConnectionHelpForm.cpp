#include "doctor/ui/ConnectionHelpForm.h"

#include "uikit/Resources.h"
#include "doctor/core/SystemRoot.h"

#include <QApplication>
#include <QClipboard>
#include <QFontDatabase>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QStyle>
#include <QVBoxLayout>

#include <algorithm>

namespace wayline {

namespace {

// Texts of the window in the text table.
constexpr int TitleTextId = 600;
constexpr int IntroTextId = 601;
constexpr int NothingFoundTextId = 602;
constexpr int CopyTextId = 603;
constexpr int CopiedTextId = 604;
constexpr int VirtualRobotTextId = 605;
constexpr int CheckAgainTextId = 606;
constexpr int CloseTextId = 607;
constexpr int BlockingTextId = 608;
constexpr int WarningTextId = 609;
constexpr int InformationTextId = 610;
constexpr int IntroWithoutCommandsTextId = 650;
constexpr int YesTextId = 387;
constexpr int NoTextId = 388;

QString TextOr(const TResources& resources, int id, const char* fallback) {
    const QString text = resources.LoadText(id);
    return text.isEmpty() ? QString::fromUtf8(fallback) : text;
}

QStyle::StandardPixmap SeverityIcon(TFindingSeverity severity) {
    switch (severity) {
    case fsBlocking:
        return QStyle::SP_MessageBoxCritical;
    case fsWarning:
        return QStyle::SP_MessageBoxWarning;
    case fsInformation:
        break;
    }
    return QStyle::SP_MessageBoxInformation;
}

} // namespace

TDoctorTexts LoadDoctorTexts(const TResources& resources) {
    TDoctorTexts texts;
    for (int kind = 0; kind < FindingKindCount; ++kind) {
        const QString text = resources.LoadText(FirstFindingTextId + kind);
        if (!text.isEmpty()) {
            texts.Sentences[static_cast<std::size_t>(kind)] = text.toStdString();
        }
    }
    return texts;
}

TIdentifyTexts LoadScanTexts(const TResources& resources) {
    TIdentifyTexts texts;
    texts.Yes = TextOr(resources, YesTextId, "Yes").toStdString();
    texts.No = TextOr(resources, NoTextId, "No").toStdString();
    return texts;
}

TConnectionHelpForm::TConnectionHelpForm(const TResources& resources, QWidget* parent)
    : QDialog(parent), Res(resources), Texts(LoadDoctorTexts(resources)),
      IdentifyTexts(LoadScanTexts(resources)), Intro(new QLabel(this)),
      Scroll(new QScrollArea(this)),
      VirtualRobot(
          new QPushButton(TextOr(resources, VirtualRobotTextId, "Use the virtual robot"), this)),
      CheckAgain(new QPushButton(TextOr(resources, CheckAgainTextId, "Check again"), this)),
      Close(new QPushButton(TextOr(resources, CloseTextId, "Close"), this)) {
    setObjectName(QStringLiteral("ConnectionHelpForm"));
    setWindowTitle(TextOr(resources, TitleTextId, "Connection help"));
    resize(600, 540);

    Intro->setObjectName(QStringLiteral("IntroLabel"));
    Intro->setWordWrap(true);
    Scroll->setObjectName(QStringLiteral("FindingList"));
    Scroll->setWidgetResizable(true);
    Scroll->setFrameShape(QFrame::NoFrame);
    VirtualRobot->setObjectName(QStringLiteral("VirtualRobotButton"));
    CheckAgain->setObjectName(QStringLiteral("CheckAgainButton"));
    Close->setObjectName(QStringLiteral("CloseButton"));
    Close->setDefault(true);

    connect(VirtualRobot, &QPushButton::clicked, this, [this] {
        Q_EMIT UseVirtualRobotRequested();
        accept();
    });
    connect(CheckAgain, &QPushButton::clicked, this, [this] {
        if (Diagnose) {
            Shown = Diagnose();
            BuildRows();
        }
    });
    connect(Close, &QPushButton::clicked, this, &QDialog::reject);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(VirtualRobot);
    buttons->addStretch(1);
    buttons->addWidget(CheckAgain);
    buttons->addWidget(Close);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Intro);
    layout->addWidget(Scroll, 1);
    layout->addLayout(buttons);
    BuildRows();
}

void TConnectionHelpForm::ApplyTexts() {
    Texts = LoadDoctorTexts(Res);
    IdentifyTexts = LoadScanTexts(Res);
    setWindowTitle(TextOr(Res, TitleTextId, "Connection help"));
    VirtualRobot->setText(TextOr(Res, VirtualRobotTextId, "Use the virtual robot"));
    CheckAgain->setText(TextOr(Res, CheckAgainTextId, "Check again"));
    Close->setText(TextOr(Res, CloseTextId, "Close"));
    BuildRows();
}

void TConnectionHelpForm::changeEvent(QEvent* event) {
    if (event->type() == QEvent::LanguageChange) {
        ApplyTexts();
    }
    QDialog::changeEvent(event);
}

void TConnectionHelpForm::SetDiagnosis(std::function<std::vector<TFinding>()> diagnose) {
    Diagnose = std::move(diagnose);
    CheckAgain->setEnabled(static_cast<bool>(Diagnose));
}

void TConnectionHelpForm::ShowFindings(const std::vector<TFinding>& findings) {
    Shown = findings;
    BuildRows();
    show();
    raise();
    activateWindow();
}

void TConnectionHelpForm::ShowDiagnosis(const std::vector<TScannedPort>& lastScan) {
    SetDiagnosis([this, lastScan] {
        return DiagnoseSystem(TSystemRoot("/"), lastScan, Texts, IdentifyTexts);
    });
    ShowFindings(Diagnose());
}

QPushButton* TConnectionHelpForm::CopyButton(int index) const {
    if (index < 0 || index >= static_cast<int>(CopyButtons.size())) {
        return nullptr;
    }
    return CopyButtons[static_cast<std::size_t>(index)];
}

void TConnectionHelpForm::Copy(int index) {
    const TFinding& finding = Shown[static_cast<std::size_t>(index)];
    // Exactly the command: no prompt, no line end, so that pasting it into
    // a terminal runs nothing before the user presses Enter.
    QApplication::clipboard()->setText(QString::fromStdString(finding.Command));
    for (QPushButton* button : CopyButtons) {
        if (button != nullptr) {
            button->setText(TextOr(Res, CopyTextId, "Copy"));
        }
    }
    CopyButtons[static_cast<std::size_t>(index)]->setText(TextOr(Res, CopiedTextId, "Copied"));
}

void TConnectionHelpForm::BuildRows() {
    CopyButtons.assign(Shown.size(), nullptr);
    // The intro tells how to type the commands only when there are some.
    const bool commands = std::any_of(Shown.begin(), Shown.end(),
                                      [](const TFinding& finding) { return !finding.Command.empty(); });
    Intro->setText(Shown.empty() ? TextOr(Res, NothingFoundTextId, "")
                   : commands    ? TextOr(Res, IntroTextId, "")
                                 : TextOr(Res, IntroWithoutCommandsTextId, ""));

    auto* list = new QWidget;
    list->setObjectName(QStringLiteral("Findings"));
    auto* rows = new QVBoxLayout(list);
    rows->setContentsMargins(0, 0, 0, 0);

    QFont mono = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    const int iconSize = style()->pixelMetric(QStyle::PM_MessageBoxIconSize, nullptr, this);
    for (std::size_t i = 0; i < Shown.size(); ++i) {
        const TFinding& finding = Shown[i];
        auto* frame = new QFrame(list);
        frame->setObjectName(QStringLiteral("Finding%1").arg(i));
        frame->setFrameShape(QFrame::StyledPanel);
        auto* grid = new QGridLayout(frame);

        auto* icon = new QLabel(frame);
        icon->setPixmap(style()
                            ->standardIcon(SeverityIcon(finding.Severity), nullptr, this)
                            .pixmap(iconSize, iconSize));
        icon->setAlignment(Qt::AlignTop);
        grid->addWidget(icon, 0, 0, 3, 1);

        const int severityId = finding.Severity == fsBlocking  ? BlockingTextId
                               : finding.Severity == fsWarning ? WarningTextId
                                                               : InformationTextId;
        auto* severity = new QLabel(TextOr(Res, severityId, ""), frame);
        severity->setObjectName(QStringLiteral("Severity"));
        QFont bold = severity->font();
        bold.setBold(true);
        severity->setFont(bold);
        grid->addWidget(severity, 0, 1, 1, 2);

        auto* sentence = new QLabel(QString::fromStdString(finding.Text), frame);
        sentence->setObjectName(QStringLiteral("Sentence"));
        sentence->setWordWrap(true);
        sentence->setTextInteractionFlags(Qt::TextSelectableByMouse);
        grid->addWidget(sentence, 1, 1, 1, 2);

        if (!finding.Command.empty()) {
            auto* command = new QLineEdit(QString::fromStdString(finding.Command), frame);
            command->setObjectName(QStringLiteral("Command"));
            command->setReadOnly(true);
            command->setFont(mono);
            command->setCursorPosition(0);
            grid->addWidget(command, 2, 1);

            auto* copy = new QPushButton(TextOr(Res, CopyTextId, "Copy"), frame);
            copy->setObjectName(QStringLiteral("CopyButton"));
            copy->setAutoDefault(false);
            const int index = static_cast<int>(i);
            connect(copy, &QPushButton::clicked, this, [this, index] { Copy(index); });
            grid->addWidget(copy, 2, 2);
            CopyButtons[i] = copy;
        }
        grid->setColumnStretch(1, 1);
        rows->addWidget(frame);
    }
    rows->addStretch(1);
    Scroll->setWidget(list); // deletes the previous list
}

} // namespace wayline
