#include "codegen/ui/CodeForm.h"

#include <QEvent>
#include <QFontDatabase>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace wayline {

TCodeForm::TCodeForm(QWidget* parent)
    : QDialog(parent), Memo(new QPlainTextEdit(this)), BottomPanel(new QWidget(this)),
      Close(new QPushButton(QStringLiteral("Close"), BottomPanel)) {
    setObjectName(QStringLiteral("CodeForm"));
    setWindowTitle(QStringLiteral("Wayline Code"));
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
    Close->resize(75, 25);
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

void TCodeForm::CentreCloseButton() {
    Close->move(BottomPanel->width() / 2 - Close->width() / 2,
                (BottomPanel->height() - Close->height()) / 2);
}

} // namespace wayline
