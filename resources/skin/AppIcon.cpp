// Build-time tool: draws the program's icon in the sizes desktops ask for.
//
//   wayline-iconpainter <outdir> <manifest>
//
// Writes <outdir>/ICON/<size> (PNG) for 16, 32, 48, 64, 128 and 256 pixels
// and a manifest of them: the installation puts them under
// share/icons/hicolor, the program shows them as its window icon. The icon
// is the skin's robot on the blue of the window frame, following a dotted
// way line; each size is drawn from the vector shapes, not scaled down.

#include "Icons.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include <cstdio>

namespace {

const QColor FrameTop(0x44, 0x79, 0xc6);
const QColor FrameBottom(0x1b, 0x36, 0x66);
const QColor Line(0xff, 0xc7, 0x2c);

QImage Icon(int size) {
    QImage image(size, size, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    // Everything is laid out on 256 units.
    p.scale(size / 256.0, size / 256.0);

    QLinearGradient sky(0, 0, 0, 256);
    sky.setColorAt(0, FrameTop);
    sky.setColorAt(1, FrameBottom);
    p.setPen(Qt::NoPen);
    p.setBrush(sky);
    const double margin = size <= 16 ? 0 : 8;
    p.drawRoundedRect(QRectF(margin, margin, 256 - 2 * margin, 256 - 2 * margin), 44, 44);

    // The way the robot goes: from the lower left round to the top right,
    // with the steps of its list as dots. Too fine to read below 32 pixels.
    QPainterPath way;
    way.moveTo(48, 220);
    way.cubicTo(150, 210, 110, 100, 208, 48);
    if (size >= 32) {
        QPen dashes(Line, 14, Qt::DashLine, Qt::RoundCap);
        dashes.setDashPattern({0.8, 1.8});
        p.setPen(dashes);
        p.setBrush(Qt::NoBrush);
        p.drawPath(way);
        p.setPen(Qt::NoPen);
        p.setBrush(Qt::white);
        p.drawEllipse(way.pointAtPercent(1.0), 16, 16);
    }
    // The robot on its way, turned along the line.
    const double at = 0.5;
    const double angle = 90 - way.angleAtPercent(at);
    skin::DrawRobotAt(p, way.pointAtPercent(at), size <= 16 ? 6.0 : 4.4, angle);
    p.end();
    return image;
}

} // namespace

int main(int argc, char* argv[]) {
    QGuiApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: wayline-iconpainter <outdir> <manifest>\n");
        return 2;
    }
    const QString dir = QString::fromLocal8Bit(argv[1]) + QStringLiteral("/ICON");
    QDir().mkpath(dir);
    QStringList manifest;
    for (int size : {16, 32, 48, 64, 128, 256}) {
        const QString path = dir + QLatin1Char('/') + QString::number(size);
        if (!Icon(size).save(path, "PNG")) {
            std::fprintf(stderr, "icon: cannot write %s\n", qPrintable(path));
            return 1;
        }
        manifest << QStringLiteral("ICON %1 %2").arg(size).arg(path);
    }
    QFile file(QString::fromLocal8Bit(argv[2]));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text)) {
        std::fprintf(stderr, "icon: cannot write %s\n", argv[2]);
        return 1;
    }
    file.write((manifest.join(u'\n') + u'\n').toUtf8());
    return 0;
}
