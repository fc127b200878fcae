#include "comm/ui/Gauge.h"

#include <QPainter>

#include <algorithm>

namespace wayline {

TGauge::TGauge(QWidget* parent) : QWidget(parent), Back(palette().color(QPalette::Window)) {
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void TGauge::SetMaxValue(int value) {
    Maximum = std::max(value, Minimum);
    Value = std::min(Value, Maximum);
    RepaintIfChanged();
}

void TGauge::SetProgress(int value) {
    Value = std::clamp(value, Minimum, Maximum);
    RepaintIfChanged();
}

int TGauge::PercentDone() const {
    if (Maximum == Minimum) {
        return 0;
    }
    // 64-bit: a range near the int limits must not overflow the product.
    const long long done = static_cast<long long>(Value) - Minimum;
    const long long range = static_cast<long long>(Maximum) - Minimum;
    return static_cast<int>(done * 100 / range);
}

QString TGauge::PercentText() const {
    return QStringLiteral("%1%").arg(PercentDone());
}

void TGauge::SetForeColor(const QColor& color) {
    Fill = color;
    update();
}

void TGauge::SetBackColor(const QColor& color) {
    Back = color;
    update();
}

void TGauge::RepaintIfChanged() {
    if (PercentDone() == PaintedPercent) {
        return;
    }
    if (isVisible()) {
        repaint();
    } else {
        // Painted when it is next shown.
        PaintedPercent = -1;
    }
}

namespace {

QColor Inverted(const QColor& color) {
    return QColor(255 - color.red(), 255 - color.green(), 255 - color.blue());
}

} // namespace

void TGauge::paintEvent(QPaintEvent*) {
    PaintedPercent = PercentDone();
    QPainter painter(this);
    const QRect frame = rect();
    const QRect inner = frame.adjusted(1, 1, -1, -1);
    int filled = 0;
    if (Maximum > Minimum && inner.width() > 0) {
        const long long done = static_cast<long long>(Value) - Minimum;
        const long long range = static_cast<long long>(Maximum) - Minimum;
        filled = static_cast<int>(inner.width() * done / range);
    }
    const QRect fillRect(inner.left(), inner.top(), filled, inner.height());
    const QRect backRect(inner.left() + filled, inner.top(), inner.width() - filled,
                         inner.height());
    painter.fillRect(fillRect, Fill);
    painter.fillRect(backRect, Back);
    painter.setPen(palette().color(QPalette::Dark));
    painter.drawRect(frame.adjusted(0, 0, -1, -1));

    // The percentage in the inverse of what lies below it: one pass clipped
    // to the fill, one to the rest.
    painter.setFont(font());
    const QString text = PercentText();
    painter.setClipRect(fillRect);
    painter.setPen(Inverted(Fill));
    painter.drawText(inner, Qt::AlignCenter, text);
    painter.setClipRect(backRect);
    painter.setPen(Inverted(Back));
    painter.drawText(inner, Qt::AlignCenter, text);
}

} // namespace wayline
