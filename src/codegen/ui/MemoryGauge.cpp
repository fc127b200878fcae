#include "codegen/ui/MemoryGauge.h"

#include <QFont>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>

namespace wayline {

namespace {

QColor FillColour(TMemoryGauge::TLevel level) {
    switch (level) {
    case TMemoryGauge::glFine:
        return QColor(0x4c, 0xaf, 0x50);
    case TMemoryGauge::glWarning:
        return QColor(0xf0, 0xa0, 0x20);
    case TMemoryGauge::glFull:
        break;
    }
    return QColor(0xd8, 0x3a, 0x2e);
}

} // namespace

TMemoryGauge::TMemoryGauge(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("MemoryGauge"));
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent, false);
}

void TMemoryGauge::SetCaption(const QString& caption) {
    Caption = caption;
    update();
}

void TMemoryGauge::SetUse(const TMemoryUse& use) {
    if (use.DataBytes == Measured.DataBytes && use.ProgramStart == Measured.ProgramStart) {
        return;
    }
    Measured = use;
    update();
}

QString TMemoryGauge::Text() const {
    return QStringLiteral("%1 %2%").arg(Caption).arg(Measured.Percent());
}

TMemoryGauge::TLevel TMemoryGauge::Level() const {
    if (!Measured.Fits()) {
        return glFull;
    }
    return Measured.Percent() >= WarningPercent ? glWarning : glFine;
}

void TMemoryGauge::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF frame = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    const qreal radius = 4;
    painter.setPen(QColor(0x1f, 0x4e, 0x8c));
    painter.setBrush(QColor(0xff, 0xff, 0xff));
    painter.drawRoundedRect(frame, radius, radius);

    const int percent = std::min(Measured.Percent(), 100);
    if (percent > 0) {
        QRectF filled = frame.adjusted(1.5, 1.5, -1.5, -1.5);
        filled.setWidth(filled.width() * percent / 100.0);
        painter.setPen(Qt::NoPen);
        painter.setBrush(FillColour(Level()));
        painter.drawRoundedRect(filled, radius - 1, radius - 1);
    }

    QFont font(QStringLiteral("Liberation Sans"));
    font.setPixelSize(std::max(9, height() - 8));
    font.setBold(true);
    painter.setFont(font);
    painter.setPen(QColor(0x20, 0x30, 0x40));
    painter.drawText(rect(), Qt::AlignCenter, Text());
}

void TMemoryGauge::mouseMoveEvent(QMouseEvent* event) {
    // Taken here: passed on, the window background would put its own
    // (blank) help text over the gauge's.
    event->accept();
    Q_EMIT Hovered();
}

} // namespace wayline
