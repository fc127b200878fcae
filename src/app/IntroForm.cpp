#include "app/IntroForm.h"

#include "app/AppState.h"
#include "uikit/Resources.h"
#include "uikit/WindowDecorations.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QLinearGradient>
#include <QPainter>
#include <QPushButton>
#include <QScreen>

namespace wayline {

namespace {

constexpr int ClientWidth = 266;
constexpr int ClientHeight = 112;
constexpr int BeginnerTextId = 366;
constexpr int AdvancedTextId = 367;

} // namespace

TIntroForm::TIntroForm(const TResources& resources, QWidget* parent)
    : QWidget(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint), Res(resources),
      Beginner(new QPushButton(this)), Advanced(new QPushButton(this)) {
    setObjectName(QStringLiteral("IntroForm"));
    setFixedSize(ClientWidth, ClientHeight);
    Beginner->setObjectName(QStringLiteral("BeginnerButton"));
    Advanced->setObjectName(QStringLiteral("AdvancedButton"));
    Beginner->setGeometry(18, 62, 108, 32);
    Advanced->setGeometry(140, 62, 108, 32);
    connect(Beginner, &QPushButton::clicked, this, [this] { Choose(false); });
    connect(Advanced, &QPushButton::clicked, this, [this] { Choose(true); });
}

void TIntroForm::showEvent(QShowEvent* event) {
    Beginner->setText(Res.LoadText(BeginnerTextId));
    Advanced->setText(Res.LoadText(AdvancedTextId));
    setWindowTitle(IntroCaption(ProductVersion(), Res));
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
