// Build-time tool: draws the main window's skin.
//
//   wayline-skinpainter <outdir> <manifest> <fontdir> <layout.txt> <texts.txt>
//                       [<code> <texts.code.txt> <layout.code.txt | ->]...
//
// Writes BMP/181 (the background) and the GIFs of pictures 2 to 65 (GIF
// n + 180) and of the advanced pictures 8, 9 and 10 (GIF 278 to 280), and a
// manifest of what it wrote. Each picture is drawn at the size of its
// layout record, read from layout.txt, so the pictures always fit the
// layout; the title band and the right part of the bottom edge are drawn at
// the advanced width and cut by the narrower beginner window.
//
// The captions on the pictures are interface texts (texts.txt). Every
// edition (language) is drawn again with its own texts and records; a
// picture that comes out different from the English one is written under
// <code>/GIF, the others the program takes from the English skin. A caption
// that does not fit its picture even at the smallest size stops the build
// (CaptionFit.h).

#include "CaptionFit.h"
#include "GifWriter.h"
#include "Icons.h"

#include <QDir>
#include <QFile>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QTextStream>

#include <cstdio>
#include <map>
#include <vector>

namespace {

using skin::WriteGif;

// The skin's colours: a deep blue frame around a pale sky-blue window,
// white cards with blue caption strips, and one colour per button.
const QColor Background(0xdc, 0xe8, 0xf5);
const QColor BackgroundDot(0xd0, 0xdf, 0xef);
const QColor Frame(0x2c, 0x51, 0x90);
const QColor FrameLight(0x5a, 0x86, 0xc8);
const QColor FrameDark(0x1b, 0x36, 0x66);
const QColor TitleTop(0x44, 0x79, 0xc6);
const QColor TitleBottom(0x2a, 0x51, 0x96);
const QColor CardBorder(0x9d, 0xb8, 0xdc);
const QColor CaptionTop(0x44, 0x80, 0xd4);
const QColor CaptionBottom(0x2d, 0x62, 0xb4);
const QColor Ink(0x2d, 0x37, 0x48);

constexpr int CaptionHeight = skin::CardCaptionHeight; // the controls start right below it
constexpr int CardRadius = 10;

// Interface texts drawn on the pictures.
constexpr int FirstEditCaptionText = 472; // Delete, Copy, Cut, Paste, Undo: the buttons' names
constexpr int FirstCommandCaptionText = 466; // Go, Clear, Test, Load, Save, Quit
constexpr int SettingsCaptionText = 902;
constexpr int ActionsCaptionText = 370; // the palette's, as the list's column says it
constexpr int ListCaptionText = 903;
constexpr int SensorCaptionText = 904;
constexpr int TaglineText = 905;
constexpr int MascotRecord = 12; // the beginner window's mascot ends the tagline's room

QString FontFamily;

struct TSize {
    int W = 0, H = 0;
    int Left = 0; // where the record places the picture
};

struct TSkinPainter {
    QString OutDir;
    std::map<int, TSize> Records; // picture record sizes by record number
    std::map<int, QString> Texts; // interface texts by number
    QStringList Manifest;
    bool Failed = false;
    // While an edition is drawn: its code, and the English pictures it is
    // compared with (by "GIF/n").
    QString Edition;
    std::map<QString, std::vector<QImage>> English;

    TSize Size(int record) const {
        auto it = Records.find(record);
        if (it == Records.end()) {
            std::fprintf(stderr, "skin: no picture record %d in the layout\n", record);
            std::exit(1);
        }
        return it->second;
    }

    QString Text(int id) const {
        auto it = Texts.find(id);
        if (it == Texts.end()) {
            std::fprintf(stderr, "skin: no text %d in the text table\n", id);
            std::exit(1);
        }
        return it->second;
    }

    void NotFitting(const QString& what, const QString& caption) {
        std::fprintf(stderr, "skin%s: %s: \"%s\" does not fit; shorten the text or widen %s\n",
                     Edition.isEmpty() ? "" : qPrintable(" (" + Edition + ")"), qPrintable(what),
                     qPrintable(caption), "its picture record");
        Failed = true;
    }

    // The edition's pictures go under <code>/ and only where they differ.
    bool Skip(const QString& key, const std::vector<QImage>& frames) {
        if (Edition.isEmpty()) {
            English[key] = frames;
            return false;
        }
        auto it = English.find(key);
        return it != English.end() && it->second == frames;
    }

    QString Folder(const QString& type) const {
        return Edition.isEmpty() ? type : Edition + "/" + type;
    }

    void Gif(int number, const std::vector<QImage>& frames, QColor matte, int delayCs = 0) {
        if (Skip(QStringLiteral("GIF/%1").arg(number), frames))
            return;
        QDir().mkpath(OutDir + "/" + Folder("GIF"));
        QString path = OutDir + "/" + Folder("GIF") + "/" + QString::number(number);
        QString error = WriteGif(path, frames, matte, delayCs);
        if (!error.isEmpty()) {
            std::fprintf(stderr, "skin: %s\n", qPrintable(error));
            Failed = true;
        }
        Manifest << QStringLiteral("%1 %2 %3").arg(Folder("GIF")).arg(number).arg(path);
    }

    void Bmp(int number, const QImage& image) {
        if (Skip(QStringLiteral("BMP/%1").arg(number), {image}))
            return;
        QDir().mkpath(OutDir + "/" + Folder("BMP"));
        QString path = OutDir + "/" + Folder("BMP") + "/" + QString::number(number);
        if (!image.save(path, "BMP")) {
            std::fprintf(stderr, "skin: cannot write %s\n", qPrintable(path));
            Failed = true;
        }
        Manifest << QStringLiteral("%1 %2 %3").arg(Folder("BMP")).arg(number).arg(path);
    }
};

QFont Font(int pixels, bool bold = true) {
    return skin::CaptionFont(FontFamily, pixels, bold);
}

QImage Canvas(TSize s, QColor fill = Qt::transparent) {
    QImage img(s.W, s.H, QImage::Format_ARGB32);
    img.fill(fill);
    return img;
}

void Begin(QPainter& p) {
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
}

// ---- Frame ---------------------------------------------------------------

QImage BackgroundPicture() {
    QImage img(801, 577, QImage::Format_RGB32);
    img.fill(Background);
    QPainter p(&img);
    // A faint dot grid gives the window some texture without disturbing
    // anything drawn over it.
    p.setPen(Qt::NoPen);
    p.setBrush(BackgroundDot);
    for (int y = 6; y < img.height(); y += 14)
        for (int x = 6 + (y / 14 % 2) * 7; x < img.width(); x += 14)
            p.drawEllipse(QPointF(x, y), 0.9, 0.9);
    return img;
}

QImage TitleBand(TSkinPainter& out, TSize s) {
    QImage img = Canvas(s, Frame);
    QPainter p(&img);
    Begin(p);
    QLinearGradient g(0, 0, 0, s.H);
    g.setColorAt(0, TitleTop);
    g.setColorAt(1, TitleBottom);
    p.fillRect(img.rect(), g);
    p.fillRect(QRect(0, s.H - 2, s.W, 1), FrameDark);
    p.fillRect(QRect(0, s.H - 1, s.W, 1), FrameLight);
    // The logo: the robot in a white disc, then the name.
    p.setPen(QPen(QColor(0xff, 0xc7, 0x2c), 2));
    p.setBrush(Qt::white);
    p.drawEllipse(QPointF(34, 20), 14, 14);
    skin::DrawRobotAt(p, QPointF(34, 21), 0.85, 0);
    p.setFont(Font(23));
    p.setPen(QColor(0x14, 0x2c, 0x55));
    p.drawText(QPoint(57, 29), QStringLiteral("Wayline"));
    p.setPen(Qt::white);
    p.drawText(QPoint(56, 28), QStringLiteral("Wayline"));
    // The tagline ends before the mascot of the narrower beginner window,
    // which cuts this band.
    const QString tagline = out.Text(TaglineText);
    const double left = skin::TaglineLeft(FontFamily);
    const double room = out.Size(MascotRecord).Left - skin::TaglineMascotGap - left;
    const auto pixels = skin::FitLineCaption(FontFamily, tagline, room, skin::TaglinePixels, false);
    if (!pixels)
        out.NotFitting(QStringLiteral("the title band's tagline"), tagline);
    p.setFont(Font(pixels.value_or(skin::MinPixels), false));
    p.setPen(QColor(0xd3, 0xe3, 0xf8));
    p.drawText(QPointF(left, 28), tagline);
    return img;
}

QImage Band(TSize s, bool lightEdgeRight, bool lit) {
    QImage img = Canvas(s, lit ? FrameLight : Frame);
    QPainter p(&img);
    p.fillRect(QRect(lightEdgeRight ? s.W - 1 : 0, 0, 1, s.H), lit ? Qt::white : FrameLight);
    p.fillRect(QRect(lightEdgeRight ? 0 : s.W - 1, 0, 1, s.H), FrameDark);
    return img;
}

QImage BottomEdge(TSize s) {
    QImage img = Canvas(s, Frame);
    QPainter p(&img);
    p.fillRect(QRect(0, 0, s.W, 1), FrameLight);
    p.fillRect(QRect(0, s.H - 1, s.W, 1), FrameDark);
    return img;
}

QImage Mascot(TSize s, bool secondFace) {
    QImage img = Canvas(s);
    QPainter p(&img);
    Begin(p);
    const double cx = s.W / 2.0;
    // Antenna.
    p.setPen(QPen(QColor(0xe4, 0xea, 0xf2), 2));
    p.drawLine(QPointF(cx, 8), QPointF(cx, 3.5));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xff, 0x5a, 0x4f));
    p.drawEllipse(QPointF(cx, 3.5), 2.8, 2.8);
    // Head and face plate.
    p.setPen(QPen(QColor(0x1b, 0x36, 0x66), 1.5));
    p.setBrush(QColor(0xe9, 0xef, 0xf7));
    p.drawRoundedRect(QRectF(3, 8, s.W - 6, s.H - 10), 7, 7);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x23, 0x3f, 0x70));
    p.drawRoundedRect(QRectF(7, 12, s.W - 14, s.H - 18), 5, 5);
    if (secondFace) {
        p.setPen(QPen(QColor(0x7d, 0xe0, 0xff), 2, Qt::SolidLine, Qt::RoundCap));
        p.setBrush(Qt::NoBrush);
        p.drawArc(QRectF(cx - 10, 16, 7, 6), 0, 180 * 16);
        p.drawArc(QRectF(cx + 3, 16, 7, 6), 0, 180 * 16);
    } else {
        p.setBrush(QColor(0x7d, 0xe0, 0xff));
        p.drawEllipse(QPointF(cx - 6, 19.5), 3, 3);
        p.drawEllipse(QPointF(cx + 6, 19.5), 3, 3);
    }
    p.setPen(QPen(QColor(0x7d, 0xe0, 0xff), 2, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(cx - 6, 21, 12, 6), 200 * 16, 140 * 16);
    return img;
}

// ---- Cards ---------------------------------------------------------------

// A white card with rounded corners and, if `caption` is given, a blue
// caption strip across its top.
QImage Card(TSkinPainter& out, int record, const QString& caption) {
    const TSize s = out.Size(record);
    QImage img = Canvas(s);
    QPainter p(&img);
    Begin(p);
    QRectF r(0.5, 0.5, s.W - 1, s.H - 1);
    p.setPen(QPen(CardBorder, 1));
    p.setBrush(Qt::white);
    p.drawRoundedRect(r, CardRadius, CardRadius);
    if (!caption.isEmpty()) {
        QPainterPath strip;
        strip.addRoundedRect(r, CardRadius, CardRadius);
        QPainterPath top;
        top.addRect(QRectF(0, 0, s.W, CaptionHeight));
        QLinearGradient g(0, 0, 0, CaptionHeight);
        g.setColorAt(0, CaptionTop);
        g.setColorAt(1, CaptionBottom);
        p.setPen(Qt::NoPen);
        p.setBrush(g);
        p.drawPath(strip.intersected(top));
        const auto pixels = skin::FitLineCaption(FontFamily, caption,
                                                 s.W - skin::CardCaptionInset,
                                                 skin::CardCaptionPixels);
        if (!pixels)
            out.NotFitting(QStringLiteral("the caption of picture record %1").arg(record),
                           caption);
        p.setFont(Font(pixels.value_or(skin::MinPixels)));
        p.setPen(QColor(0x1a, 0x3d, 0x7a));
        p.drawText(QRect(11, 1, s.W - 20, CaptionHeight), Qt::AlignVCenter, caption);
        p.setPen(Qt::white);
        p.drawText(QRect(10, 0, s.W - 20, CaptionHeight), Qt::AlignVCenter, caption);
    }
    return img;
}

// The beginner settings card: caption, room for the port box and the check
// boxes, and below them the robot tied to the computer by its cable.
QImage SettingsCard(TSkinPainter& out, int record) {
    const TSize s = out.Size(record);
    QImage img = Card(out, record, out.Text(SettingsCaptionText));
    QPainter p(&img);
    Begin(p);
    const double y = s.H - 48;
    // The computer's plug on the left, the robot on the right.
    p.setPen(QPen(Ink, 1.2));
    p.setBrush(QColor(0xc9, 0xd6, 0xe8));
    p.drawRoundedRect(QRectF(14, y - 10, 24, 18), 3, 3);
    p.setBrush(QColor(0x7d, 0xb4, 0xf0));
    p.drawRect(QRectF(17, y - 7, 18, 11));
    p.setBrush(QColor(0xc9, 0xd6, 0xe8));
    p.drawRect(QRectF(22, y + 8, 8, 4));
    QPainterPath cable;
    cable.moveTo(38, y);
    cable.cubicTo(60, y + 22, s.W - 62, y - 22, s.W - 38, y);
    p.setPen(QPen(QColor(0x2d, 0x62, 0xb4), 2.5, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    p.drawPath(cable);
    skin::DrawRobotAt(p, QPointF(s.W - 26, y), 1.05, -90);
    return img;
}

// ---- Buttons -------------------------------------------------------------

enum TState { bsNormal, bsHighlighted, bsPressed, bsDisabled };

// Small pictures beside the main buttons' captions, for those who do not
// read yet.
enum TGlyph { gNone, gGo, gClear, gTest, gLoad, gSave, gQuit };

constexpr int GlyphSize = skin::GlyphSize;

// Draws `glyph` in a GlyphSize square at the origin.
void DrawGlyph(QPainter& p, TGlyph glyph, QColor colour) {
    p.save();
    const double k = GlyphSize;
    QPen pen(colour, 2.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    switch (glyph) {
    case gGo:
        p.setPen(Qt::NoPen);
        p.setBrush(colour);
        p.drawPolygon(QPolygonF({QPointF(2, 0.5), QPointF(k, k / 2), QPointF(2, k - 0.5)}));
        break;
    case gClear:
        p.drawLine(QPointF(2, 2), QPointF(k - 2, k - 2));
        p.drawLine(QPointF(k - 2, 2), QPointF(2, k - 2));
        break;
    case gTest:
        p.drawEllipse(QPointF(k / 2, k / 2), k / 2 - 1, k / 2 - 1);
        p.drawPolyline(QPolygonF({QPointF(3.8, 7.2), QPointF(6.2, 9.6), QPointF(10.4, 4.6)}));
        break;
    case gLoad:
        p.drawPolyline(QPolygonF({QPointF(1, 3), QPointF(5, 3), QPointF(6.5, 5), QPointF(k - 1, 5),
                                  QPointF(k - 1, k - 2), QPointF(1, k - 2), QPointF(1, 3)}));
        break;
    case gSave:
        p.drawRect(QRectF(1.5, 1.5, k - 3, k - 3));
        p.setPen(Qt::NoPen);
        p.setBrush(colour);
        p.drawRect(QRectF(4, 1.5, k - 8, 4));
        p.drawRect(QRectF(4, 8.5, k - 8, 4));
        break;
    case gQuit:
        p.drawArc(QRectF(1.5, 2, k - 3, k - 3), 125 * 16, 290 * 16);
        p.drawLine(QPointF(k / 2, 0.5), QPointF(k / 2, 6.5));
        break;
    case gNone:
        break;
    }
    p.restore();
}

QImage Button(TSize s, QColor colour, const QString& caption, skin::TButtonCaption fit,
              TState state, TGlyph glyph = gNone) {
    QImage img = Canvas(s);
    QPainter p(&img);
    Begin(p);
    const double radius = s.H > 40 ? 10 : 8;
    QRectF r(1, 1, s.W - 2, s.H - 3);
    QColor top = colour.lighter(125), bottom = colour.darker(112), border = colour.darker(150);
    QColor text = Qt::white;
    double shift = 0;
    switch (state) {
    case bsNormal:
        break;
    case bsHighlighted:
        top = colour.lighter(150);
        bottom = colour.lighter(108);
        break;
    case bsPressed:
        top = colour.darker(140);
        bottom = colour.darker(115);
        border = colour.darker(190);
        shift = 2;
        break;
    case bsDisabled:
        top = QColor(0xd9, 0xdd, 0xe3);
        bottom = QColor(0xc8, 0xcd, 0xd4);
        border = QColor(0xa9, 0xb0, 0xba);
        text = QColor(0x8f, 0x96, 0xa1);
        break;
    }
    // A soft shadow below, except when pressed down onto the window or off.
    if (state == bsNormal || state == bsHighlighted) {
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0x1b, 0x36, 0x66, 70));
        p.drawRoundedRect(r.translated(0, 2), radius, radius);
    }
    r.translate(0, shift);
    QLinearGradient g(0, r.top(), 0, r.bottom());
    g.setColorAt(0, top);
    g.setColorAt(1, bottom);
    p.setPen(QPen(border, 1.2));
    p.setBrush(g);
    p.drawRoundedRect(r, radius, radius);
    if (state == bsHighlighted) {
        // A warm ring says "you can press me".
        p.setPen(QPen(QColor(0xff, 0xd8, 0x4a), 2.4));
        p.setBrush(Qt::NoBrush);
        p.drawRoundedRect(r.adjusted(1.5, 1.5, -1.5, -1.5), radius - 1.5, radius - 1.5);
    }
    if (state == bsNormal || state == bsHighlighted) {
        // Gloss on the upper half.
        QPainterPath gloss;
        gloss.addRoundedRect(r.adjusted(2, 2, -2, -r.height() / 2), radius - 2, radius - 2);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(255, 255, 255, 45));
        p.drawPath(gloss);
    }
    p.setFont(Font(fit.Pixels));
    // Caption and glyph are centred together, beside or above each other.
    const QFontMetricsF metrics(p.font());
    const double gap = skin::GlyphGap;
    const double width =
        metrics.horizontalAdvance(caption) + (glyph == gNone ? 0 : GlyphSize + gap);
    QRectF textBox = r;
    if (glyph != gNone && fit.Stacked) {
        const double line = metrics.ascent() + metrics.descent();
        const double top = r.top() + (r.height() - GlyphSize - skin::StackGap - line) / 2;
        const QPointF at(r.left() + (r.width() - GlyphSize) / 2, top);
        if (state != bsDisabled) {
            p.translate(at + QPointF(0, 1));
            DrawGlyph(p, glyph, QColor(0, 0, 0, 90));
            p.resetTransform();
        }
        p.translate(at);
        DrawGlyph(p, glyph, text);
        p.resetTransform();
        textBox = QRectF(r.left(), top + GlyphSize + skin::StackGap, r.width(), line);
    } else if (glyph != gNone) {
        const double left = r.left() + (r.width() - width) / 2;
        textBox.setLeft(left + GlyphSize + gap);
        textBox.setWidth(metrics.horizontalAdvance(caption) + 2);
        const QPointF at(left, r.top() + (r.height() - GlyphSize) / 2);
        if (state != bsDisabled) {
            p.translate(at + QPointF(0, 1));
            DrawGlyph(p, glyph, QColor(0, 0, 0, 90));
            p.resetTransform();
        }
        p.translate(at);
        DrawGlyph(p, glyph, text);
        p.resetTransform();
    }
    if (state != bsDisabled) {
        p.setPen(QColor(0, 0, 0, 90));
        p.drawText(textBox.translated(0, 1), Qt::AlignCenter, caption);
    }
    p.setPen(text);
    p.drawText(textBox, Qt::AlignCenter, caption);
    return img;
}

void ButtonSet(TSkinPainter& out, int firstPicture, QColor colour, const QString& caption,
               int fontPixels, TGlyph glyph = gNone) {
    TSize s = out.Size(firstPicture);
    const auto fit =
        skin::FitButtonCaption(FontFamily, caption, s.W, s.H, fontPixels, glyph != gNone);
    if (!fit)
        out.NotFitting(QStringLiteral("button picture %1").arg(firstPicture), caption);
    for (int state = 0; state < 4; ++state)
        out.Gif(firstPicture + state + 180,
                {Button(s, colour, caption, fit.value_or(skin::TButtonCaption{skin::MinPixels}),
                        static_cast<TState>(state), glyph)},
                Background);
}

// The interface texts of a table (number, then the text between the first
// and the last double quote), over those already in `texts`.
bool ReadTexts(const QString& path, std::map<int, QString>& texts) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    for (const QByteArray& raw : file.readAll().split('\n')) {
        const QString line = QString::fromUtf8(raw);
        const QString trimmed = line.trimmed();
        if (trimmed.isEmpty() || trimmed.startsWith(u'#'))
            continue;
        const int first = line.indexOf(u'"');
        const int last = line.lastIndexOf(u'"');
        bool ok = false;
        const int id = line.left(first).trimmed().toInt(&ok);
        if (ok && first >= 0 && last > first)
            texts[id] = line.mid(first + 1, last - first - 1);
    }
    return true;
}

bool ReadLayout(const QString& path, std::map<int, TSize>& records) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return false;
    QTextStream in(&file);
    while (!in.atEnd()) {
        const QStringList f = in.readLine().simplified().split(u' ');
        if (f.size() >= 7 && f[0] == QLatin1String("pic"))
            records[f[1].toInt()] = {f[5].toInt(), f[6].toInt(), f[3].toInt()};
    }
    return true;
}

// Draws every picture of the skin into `out`.
void PaintSkin(TSkinPainter& out) {
    out.Bmp(181, BackgroundPicture());
    out.Gif(182, {BottomEdge(out.Size(2))}, Frame);
    out.Gif(183, {TitleBand(out, out.Size(93))}, Frame);
    out.Gif(184, {BottomEdge(out.Size(94))}, Frame);
    out.Gif(185, {Band(out.Size(5), true, false)}, Frame);
    out.Gif(186, {Band(out.Size(6), false, true)}, Frame);
    out.Gif(187, {Card(out, 7, out.Text(ActionsCaptionText))}, Background);
    out.Gif(188, {Card(out, 8, out.Text(ListCaptionText))}, Background);
    out.Gif(278, {Card(out, 98, out.Text(ListCaptionText))}, Background);
    out.Gif(189, {SettingsCard(out, 9)}, Background);
    out.Gif(279, {Card(out, 99, out.Text(SettingsCaptionText))}, Background);
    out.Gif(280, {Card(out, 100, out.Text(SensorCaptionText))}, Background);
    out.Gif(191, {Band(out.Size(11), false, false)}, Frame);
    out.Gif(192, {Mascot(out.Size(12), false)}, TitleBottom);
    out.Gif(193, {Mascot(out.Size(13), true)}, TitleBottom);

    // The palette pictures in picture order; the kind is each picture's tag.
    const int kinds[8] = {0, 1, 2, 3, 4, 5, 7, 6};
    for (int i = 0; i < 8; ++i) {
        std::vector<QImage> frames;
        for (int f = 0; f < skin::IconFrames; ++f)
            frames.push_back(skin::ActionTile(kinds[i], f));
        out.Gif(194 + i, frames, Qt::white, 20);
    }

    const QColor edit(0x4f, 0x76, 0xb0);
    for (int i = 0; i < 5; ++i)
        ButtonSet(out, 22 + 4 * i, edit, out.Text(FirstEditCaptionText + i), 13);

    // Go, Clear, Test, Load, Save, Quit.
    const QColor commandColours[6] = {QColor(0x2f, 0xa8, 0x4f), QColor(0xe8, 0x7d, 0x1e),
                                      QColor(0x8a, 0x55, 0xc8), QColor(0x2b, 0x7c, 0xd3),
                                      QColor(0x14, 0x9c, 0x95), QColor(0xd6, 0x3c, 0x3c)};
    for (int i = 0; i < 6; ++i)
        ButtonSet(out, 42 + 4 * i, commandColours[i], out.Text(FirstCommandCaptionText + i),
                  i == 0 ? 20 : 16, static_cast<TGlyph>(gGo + i));
}

} // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    if (argc < 6 || (argc - 6) % 3 != 0) {
        std::fprintf(stderr, "usage: wayline-skinpainter <outdir> <manifest> <fontdir> "
                             "<layout.txt> <texts.txt> [<code> <texts.code.txt> "
                             "<layout.code.txt | ->]...\n");
        return 2;
    }
    const QString fonts = QString::fromLocal8Bit(argv[3]);
    int regular = QFontDatabase::addApplicationFont(fonts + "/LiberationSans-Regular.ttf");
    int bold = QFontDatabase::addApplicationFont(fonts + "/LiberationSans-Bold.ttf");
    if (regular < 0 || bold < 0) {
        std::fprintf(stderr, "skin: Liberation Sans not found in %s\n", argv[3]);
        return 1;
    }
    FontFamily = QFontDatabase::applicationFontFamilies(bold).value(0);

    TSkinPainter out;
    out.OutDir = QString::fromLocal8Bit(argv[1]);
    if (!ReadLayout(QString::fromLocal8Bit(argv[4]), out.Records)) {
        std::fprintf(stderr, "skin: cannot read %s\n", argv[4]);
        return 1;
    }
    if (!ReadTexts(QString::fromLocal8Bit(argv[5]), out.Texts)) {
        std::fprintf(stderr, "skin: cannot read %s\n", argv[5]);
        return 1;
    }
    const auto englishTexts = out.Texts;
    const auto englishRecords = out.Records;

    // English first: an edition writes only the pictures that differ.
    PaintSkin(out);
    for (int i = 6; i + 2 < argc; i += 3) {
        out.Edition = QString::fromLocal8Bit(argv[i]);
        const QString layout = QString::fromLocal8Bit(argv[i + 2]);
        if (!ReadTexts(QString::fromLocal8Bit(argv[i + 1]), out.Texts) ||
            (layout != QStringLiteral("-") && !ReadLayout(layout, out.Records))) {
            std::fprintf(stderr, "skin: cannot read the tables of %s\n", argv[i]);
            return 1;
        }
        PaintSkin(out);
        // The next edition starts from English again.
        out.Texts = englishTexts;
        out.Records = englishRecords;
    }

    QFile manifest(QString::fromLocal8Bit(argv[2]));
    if (!manifest.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text)) {
        std::fprintf(stderr, "skin: cannot write %s\n", argv[2]);
        return 1;
    }
    manifest.write((out.Manifest.join(u'\n') + u'\n').toUtf8());
    return out.Failed ? 1 : 0;
}
