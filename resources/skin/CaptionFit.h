#pragma once

// How a caption is set on a skin picture, shared by the skin painter (which
// draws it) and the fit test (which checks every edition's captions). A
// caption keeps the size the design gives it when it fits; a longer one, as
// translations often are, is set smaller, and a button's caption goes below
// its glyph when the two no longer fit side by side. Below MinPixels a
// caption is too small for a child to read: then it does not fit at all,
// and the edition needs a shorter text or a wider picture (its own layout
// record).

#include <QFont>
#include <QFontMetricsF>
#include <QString>

#include <optional>

namespace skin {

inline constexpr int MinPixels = 10;
inline constexpr int GlyphSize = 14;
inline constexpr double GlyphGap = 5;   // between glyph and caption side by side
inline constexpr double StackGap = 1;   // between glyph and caption stacked
inline constexpr double ButtonPad = 4;  // kept free inside a button's border
inline constexpr int CardCaptionPixels = 13;
inline constexpr int CardCaptionHeight = 26;
inline constexpr double CardCaptionInset = 20; // 10 on each side
inline constexpr int TaglinePixels = 13;

inline QFont CaptionFont(const QString& family, int pixels, bool bold = true) {
    QFont font(family);
    font.setPixelSize(pixels);
    font.setBold(bold);
    font.setHintingPreference(QFont::PreferNoHinting);
    return font;
}

struct TButtonCaption {
    int Pixels = 0;
    bool Stacked = false; // the glyph above the caption
};

// The largest size from `basePixels` down at which `caption` fits a button
// of `width` x `height` (with its glyph, when it has one), side by side
// before stacked at each size.
inline std::optional<TButtonCaption> FitButtonCaption(const QString& family,
                                                      const QString& caption, double width,
                                                      double height, int basePixels,
                                                      bool glyph) {
    const double roomW = width - 2 - 2 * ButtonPad;
    const double roomH = height - 3 - 2;
    for (int pixels = basePixels; pixels >= MinPixels; --pixels) {
        const QFontMetricsF metrics(CaptionFont(family, pixels));
        const double text = metrics.horizontalAdvance(caption);
        const double line = metrics.ascent() + metrics.descent();
        const double beside = text + (glyph ? GlyphSize + GlyphGap : 0);
        if (beside <= roomW && line <= roomH) {
            return TButtonCaption{pixels, false};
        }
        if (glyph && text <= roomW && GlyphSize + StackGap + line <= roomH) {
            return TButtonCaption{pixels, true};
        }
    }
    return std::nullopt;
}

// The largest size from `basePixels` down at which a one-line caption fits
// `width`.
inline std::optional<int> FitLineCaption(const QString& family, const QString& caption,
                                         double width, int basePixels, bool bold = true) {
    for (int pixels = basePixels; pixels >= MinPixels; --pixels) {
        if (QFontMetricsF(CaptionFont(family, pixels, bold)).horizontalAdvance(caption) <= width) {
            return pixels;
        }
    }
    return std::nullopt;
}

// The title band: the program's name, then the tagline, which must end
// before the mascot of the narrower (beginner) window.
inline constexpr int TitleNamePixels = 23;
inline constexpr double TitleNameLeft = 56;
inline constexpr double TaglineGap = 10;
inline constexpr double TaglineMascotGap = 8;

inline double TaglineLeft(const QString& family) {
    return TitleNameLeft + TaglineGap +
           QFontMetricsF(CaptionFont(family, TitleNamePixels))
               .horizontalAdvance(QStringLiteral("Wayline"));
}

} // namespace skin
