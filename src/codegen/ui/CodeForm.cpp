#include "codegen/ui/CodeForm.h"

#include "uikit/Resources.h"

#include <QEvent>
#include <QFontDatabase>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

namespace wayline {

namespace {

constexpr int CaptionTextId = 907; // "Wayline Code"
constexpr int CloseTextId = 607;
constexpr QSize CloseButtonSize(75, 25);

} // namespace

TCodeForm::TCodeForm(const TResources& resources, QWidget* parent)
    : QDialog(parent), Res(resources), Memo(new QPlainTextEdit(this)),
      BottomPanel(new QWidget(this)), Close(new QPushButton(BottomPanel)) {
    setObjectName(QStringLiteral("CodeForm"));
    resize(640, 520);

    Memo->setObjectName(QStringLiteral("BASICMemo"));
    QFont courier(QStringLiteral("Courier"));
    courier.setStyleHint(QFont::TypeWriter);
    courier.setFixedPitch(true);
    // Debian has no "Courier"; Liberation Mono is its metric twin.
    if (!QFontDatabase::families().contains(courier.family())) {
        courier.setFamily(QStringLiteral("Liberation Mono"));
    }
    courier.setPointSize(10);
    Memo->setFont(courier);
    Memo->setLineWrapMode(QPlainTextEdit::NoWrap);
    Memo->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);

    BottomPanel->setFixedHeight(41);
    Close->setObjectName(QStringLiteral("CloseButton"));
    Close->setDefault(true);
    ApplyTexts();
    connect(Close, &QPushButton::clicked, this, &QDialog::reject);
    BottomPanel->installEventFilter(this);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(Memo);
    layout->addWidget(BottomPanel);
}

bool TCodeForm::eventFilter(QObject* watched, QEvent* event) {
    if (watched == BottomPanel && event->type() == QEvent::Resize) {
        CentreCloseButton();
    }
    return QDialog::eventFilter(watched, event);
}

void TCodeForm::ApplyTexts() {
    setWindowTitle(Res.LoadText(CaptionTextId));
    Close->setText(Res.LoadText(CloseTextId));
    // A longer word than "Close" widens the button rather than being cut.
    Close->resize(std::max(CloseButtonSize.width(), Close->sizeHint().width()),
                  CloseButtonSize.height());
    CentreCloseButton();
}

void TCodeForm::changeEvent(QEvent* event) {
    if (event->type() == QEvent::LanguageChange) {
        ApplyTexts();
    }
    QDialog::changeEvent(event);
}

void TCodeForm::CentreCloseButton() {
    Close->move(BottomPanel->width() / 2 - Close->width() / 2,
                (BottomPanel->height() - Close->height()) / 2);
}

} // namespace wayline
