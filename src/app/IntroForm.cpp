#include "app/IntroForm.h"

#include "app/AppState.h"
#include "uikit/Resources.h"
#include "uikit/WindowDecorations.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QLabel>
#include <QLinearGradient>
#include <QPainter>
#include <QPushButton>
#include <QScreen>

namespace wayline {

namespace {

constexpr int BeginnerTextId = 366;
constexpr int AdvancedTextId = 367;
constexpr int LanguageTextId = 901;

// Layout records of the window (its size) and its controls; a language
// whose texts need other places carries its own.
constexpr int WindowRecord = 195;
constexpr int BeginnerButtonRecord = 196;
constexpr int AdvancedButtonRecord = 197;
constexpr int LanguageLabelRecord = 198;
constexpr int LanguageBoxRecord = 199;

} // namespace

TIntroForm::TIntroForm(const TResources& resources, QWidget* parent)
    : QWidget(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint), Res(resources),
      Beginner(new QPushButton(this)), Advanced(new QPushButton(this)),
      LanguageCaption(new QLabel(this)), Languages(new QComboBox(this)) {
    setObjectName(QStringLiteral("IntroForm"));
    Beginner->setObjectName(QStringLiteral("BeginnerButton"));
    Advanced->setObjectName(QStringLiteral("AdvancedButton"));
    LanguageCaption->setObjectName(QStringLiteral("LanguageLabel"));
    LanguageCaption->setBuddy(Languages);
    Languages->setObjectName(QStringLiteral("LanguageBox"));
    // Each language by its own name, so that anyone finds theirs.
    for (const QString& language : Res.Languages()) {
        Languages->addItem(Res.LanguageName(language), language);
    }
    PlaceControls();
    connect(Beginner, &QPushButton::clicked, this, [this] { Choose(false); });
    connect(Advanced, &QPushButton::clicked, this, [this] { Choose(true); });
    connect(Languages, &QComboBox::activated, this, [this](int index) {
        const QString language = Languages->itemData(index).toString();
        if (language != Res.Language()) {
            Q_EMIT LanguageChosen(language);
        }
    });
    ApplyTexts();
}

void TIntroForm::PlaceControls() {
    Res.PlaceControl(BeginnerButtonRecord, Beginner, false);
    Res.PlaceControl(AdvancedButtonRecord, Advanced, false);
    Res.PlaceControl(LanguageLabelRecord, LanguageCaption, false);
    Res.PlaceControl(LanguageBoxRecord, Languages, false);
    // The record gives the size; the window is centred when shown.
    if (auto window = Res.ControlRecord(WindowRecord, false)) {
        setFixedSize(window->Width, window->Height);
    }
}

void TIntroForm::ApplyTexts() {
    Beginner->setText(Res.LoadText(BeginnerTextId));
    Advanced->setText(Res.LoadText(AdvancedTextId));
    LanguageCaption->setText(Res.LoadText(LanguageTextId));
    setWindowTitle(IntroCaption(ProductVersion(), Res));
    const int shown = Languages->findData(Res.Language());
    if (shown >= 0) {
        Languages->setCurrentIndex(shown);
    }
}

void TIntroForm::changeEvent(QEvent* event) {
    if (event->type() == QEvent::LanguageChange) {
        // A language may place the controls otherwise.
        PlaceControls();
        ApplyTexts();
    }
    QWidget::changeEvent(event);
}

void TIntroForm::showEvent(QShowEvent* event) {
    ApplyTexts();
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        move(area.center() - QPoint(width() / 2, height() / 2));
    }
    // No buttons in the caption: the mode must be chosen with the two
    // buttons of the window itself.
    RequestTitleOnlyFrame(this);
    QWidget::showEvent(event);
}

void TIntroForm::paintEvent(QPaintEvent*) {
    // The background picture: a calm gradient with the program's name.
    QPainter painter(this);
    QLinearGradient gradient(0, 0, 0, height());
    gradient.setColorAt(0.0, QColor(0x2b, 0x6c, 0xb0));
    gradient.setColorAt(1.0, QColor(0x9c, 0xd3, 0xf0));
    painter.fillRect(rect(), gradient);
    QFont font(QStringLiteral("Liberation Sans"));
    font.setPixelSize(26);
    font.setBold(true);
    painter.setFont(font);
    painter.setPen(Qt::white);
    painter.drawText(QRect(0, 8, width(), 44), Qt::AlignCenter, QStringLiteral("Wayline"));
}

void TIntroForm::closeEvent(QCloseEvent* event) {
    // Closed through the window manager before a mode was chosen: there is
    // nothing to go on to, so the program ends instead of running on
    // without a window.
    QWidget::closeEvent(event);
    if (!Chosen) {
        QCoreApplication::quit();
    }
}

void TIntroForm::Choose(bool advanced) {
    Chosen = true;
    hide();
    Q_EMIT ModeChosen(advanced);
}

} // namespace wayline
