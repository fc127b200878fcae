#include "editor/ui/FocusFrame.h"

#include <QPainter>

namespace wayline {

TFocusFrame::TFocusFrame(QWidget* window) : QWidget(window) {
    setObjectName(QStringLiteral("FocusFrame"));
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
    setAttribute(Qt::WA_TranslucentBackground);
    setFocusPolicy(Qt::NoFocus);
    hide();
}

void TFocusFrame::Surround(const QWidget* target, const QRect& area) {
    if (!target || !parentWidget()) {
        hide();
        return;
    }
    const QRect inTarget = area.isNull() ? target->rect() : area;
    const QPoint topLeft = target->mapTo(parentWidget(), inTarget.topLeft());
    setGeometry(QRect(topLeft, inTarget.size()).adjusted(-Margin, -Margin, Margin, Margin));
    raise();
    show();
    update();
}

QRect TFocusFrame::Framed() const {
    return isVisible() ? geometry().adjusted(Margin, Margin, -Margin, -Margin) : QRect();
}

void TFocusFrame::paintEvent(QPaintEvent*) {
    // A dark blue band with a white line inside: seen on the light skin
    // and on the pictures alike.
    QPainter painter(this);
    painter.setPen(QPen(QColor(0x10, 0x3c, 0xc8), 2));
    painter.drawRect(QRectF(rect()).adjusted(1, 1, -1, -1));
    painter.setPen(QPen(Qt::white, 1));
    painter.drawRect(rect().adjusted(2, 2, -3, -3));
}

} // namespace wayline
