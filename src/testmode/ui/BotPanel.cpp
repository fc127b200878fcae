#include "testmode/ui/BotPanel.h"

#include <QLabel>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>

namespace wayline {

namespace {

// The drawing is made on a panel of this size and scaled to the real one;
// the bottom band holds the "Back" label.
constexpr qreal DrawingWidth = 180;
constexpr qreal DrawingHeight = 230;
constexpr int BackLabelHeight = 20;

const QColor PanelColor(0xe4, 0xe9, 0xef);
const QColor BodyColor(0xc9, 0xce, 0xd6);
const QColor OutlineColor(0x6e, 0x76, 0x82);
const QColor BoardColor(0xf4, 0xf1, 0xe8);
const QColor ModuleColor(0x2f, 0x5d, 0x3c);
const QColor TyreColor(0x2d, 0x2f, 0x33);
const QColor WireColor(0x55, 0x5b, 0x63);

// One side's sensor shapes and whisker; the right side is the left one
// mirrored about the robot's centre line.
struct TSideShapes {
    QPointF LensCentre;
    QRectF Detector;
    QPainterPath Straight;
    QPainterPath Bent;
};

TSideShapes LeftSide() {
    TSideShapes side;
    side.LensCentre = QPointF(60, 47);
    side.Detector = QRectF(68, 42, 10, 9);
    // A whisker leaves the body's side, reaches forward and out, and ends
    // in a small loop; pressed, its front half folds back toward the body.
    side.Straight.moveTo(42, 76);
    side.Straight.lineTo(30, 58);
    side.Straight.cubicTo(24, 44, 18, 28, 14, 12);
    side.Straight.addEllipse(QPointF(14, 12), 2.5, 2.5);
    side.Bent.moveTo(42, 76);
    side.Bent.lineTo(30, 58);
    side.Bent.lineTo(24, 40);
    side.Bent.quadTo(22, 30, 30, 27);
    side.Bent.lineTo(46, 31);
    side.Bent.addEllipse(QPointF(46, 31), 2.5, 2.5);
    return side;
}

TSideShapes Mirrored(const TSideShapes& side) {
    QTransform mirror;
    mirror.translate(DrawingWidth, 0);
    mirror.scale(-1, 1);
    TSideShapes out;
    out.LensCentre = mirror.map(side.LensCentre);
    out.Detector = mirror.mapRect(side.Detector);
    out.Straight = mirror.map(side.Straight);
    out.Bent = mirror.map(side.Bent);
    return out;
}

void DrawWhisker(QPainter& painter, const QPainterPath& path) {
    painter.setPen(QPen(WireColor, 2.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(path);
}

void DrawSensors(QPainter& painter, const TSideShapes& side, const QColor& lens,
                 const QColor& detector) {
    painter.setPen(QPen(OutlineColor, 1.0));
    painter.setBrush(detector);
    painter.drawRoundedRect(side.Detector, 2, 2);
    painter.setBrush(lens);
    painter.drawEllipse(side.LensCentre, 6, 6);
}

void DrawWheel(QPainter& painter, const QRectF& wheel) {
    painter.setPen(QPen(Qt::black, 1.0));
    painter.setBrush(TyreColor);
    painter.drawRoundedRect(wheel, 4, 4);
    painter.setPen(QPen(QColor(0x5a, 0x5e, 0x65), 1.0));
    for (qreal y = wheel.top() + 5; y < wheel.bottom() - 2; y += 6) {
        painter.drawLine(QPointF(wheel.left() + 3, y), QPointF(wheel.right() - 3, y));
    }
}

} // namespace

TBotPanel::TBotPanel(QWidget* parent) : QWidget(parent), Back(new QLabel(this)) {
    setObjectName(QStringLiteral("BotPanel"));
    Back->setObjectName(QStringLiteral("BackLabel"));
    Back->setAlignment(Qt::AlignCenter);
    setAutoFillBackground(false);
}

void TBotPanel::SetLooks(const TSensorLooks& looks) {
    if (looks == FLooks) {
        return;
    }
    FLooks = looks;
    update();
}

void TBotPanel::resizeEvent(QResizeEvent* event) {
    Back->setGeometry(0, height() - BackLabelHeight - 2, width(), BackLabelHeight);
    QWidget::resizeEvent(event);
}

void TBotPanel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(OutlineColor, 1.0));
    painter.setBrush(PanelColor);
    painter.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 6, 6);

    // The drawing keeps its proportions, centred in the panel above the
    // label.
    const qreal areaHeight = height() - BackLabelHeight;
    const qreal scale =
        std::min(width() / DrawingWidth, areaHeight / (DrawingHeight - BackLabelHeight));
    painter.translate((width() - DrawingWidth * scale) / 2, 0);
    painter.scale(scale, scale);

    const TSideShapes left = LeftSide();
    const TSideShapes right = Mirrored(left);

    // Whiskers first: their mounts lie under the body's edge.
    if (FLooks.LeftWhisker1) {
        DrawWhisker(painter, left.Straight);
    }
    if (FLooks.LeftWhisker2) {
        DrawWhisker(painter, left.Bent);
    }
    if (FLooks.RightWhisker1) {
        DrawWhisker(painter, right.Straight);
    }
    if (FLooks.RightWhisker2) {
        DrawWhisker(painter, right.Bent);
    }

    DrawWheel(painter, QRectF(22, 98, 16, 60));
    DrawWheel(painter, QRectF(142, 98, 16, 60));

    // Body with the tail wheel showing under its back edge.
    painter.setPen(QPen(OutlineColor, 1.0));
    painter.setBrush(QColor(0x55, 0x58, 0x5e));
    painter.drawEllipse(QPointF(90, 190), 8, 8);
    painter.setBrush(BodyColor);
    painter.drawRoundedRect(QRectF(40, 48, 100, 140), 18, 18);

    // The board on top: breadboard at the front, the controller behind it.
    painter.setBrush(BoardColor);
    painter.drawRoundedRect(QRectF(52, 56, 76, 44), 4, 4);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0xc8, 0xc2, 0xb0));
    for (int row = 0; row < 5; ++row) {
        for (int col = 0; col < 10; ++col) {
            painter.drawRect(QRectF(58 + col * 7, 64 + row * 7, 2.5, 2.5));
        }
    }
    painter.setPen(QPen(OutlineColor, 1.0));
    painter.setBrush(ModuleColor);
    painter.drawRoundedRect(QRectF(64, 112, 52, 56), 3, 3);
    painter.setBrush(QColor(0x22, 0x22, 0x24));
    painter.drawRect(QRectF(76, 126, 28, 26));

    DrawSensors(painter, left, FLooks.LeftIrSensorLens, FLooks.LeftIrSensor);
    DrawSensors(painter, right, FLooks.RightIrSensorLens, FLooks.RightIrSensor);
}

} // namespace wayline
