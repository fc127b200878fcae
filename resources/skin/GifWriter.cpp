#include "GifWriter.h"

#include <gif_lib.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <unordered_map>

namespace skin {

namespace {

struct TColourCount {
    uint32_t Rgb;
    uint64_t Count;
};

int Channel(uint32_t rgb, int c) {
    return static_cast<int>((rgb >> (16 - 8 * c)) & 0xFF);
}

// Median cut: split the box with the widest channel range at its weighted
// median until there are `limit` boxes; each box gives its weighted mean.
std::vector<uint32_t> MedianCut(std::vector<TColourCount> colours, size_t limit) {
    struct TBox {
        size_t Begin, End;
    };
    std::vector<TBox> boxes{{0, colours.size()}};
    auto range = [&](const TBox& b, int& channel) {
        int best = -1;
        for (int c = 0; c < 3; ++c) {
            int lo = 255, hi = 0;
            for (size_t i = b.Begin; i < b.End; ++i) {
                lo = std::min(lo, Channel(colours[i].Rgb, c));
                hi = std::max(hi, Channel(colours[i].Rgb, c));
            }
            if (hi - lo > best) {
                best = hi - lo;
                channel = c;
            }
        }
        return best;
    };
    while (boxes.size() < limit) {
        int bestRange = 0, bestChannel = 0;
        size_t bestBox = boxes.size();
        for (size_t i = 0; i < boxes.size(); ++i) {
            if (boxes[i].End - boxes[i].Begin < 2)
                continue;
            int channel = 0;
            int r = range(boxes[i], channel);
            if (r > bestRange) {
                bestRange = r;
                bestChannel = channel;
                bestBox = i;
            }
        }
        if (bestBox == boxes.size())
            break;
        TBox b = boxes[bestBox];
        std::sort(colours.begin() + static_cast<long>(b.Begin),
                  colours.begin() + static_cast<long>(b.End),
                  [&](const TColourCount& x, const TColourCount& y) {
                      return Channel(x.Rgb, bestChannel) < Channel(y.Rgb, bestChannel);
                  });
        uint64_t total = 0;
        for (size_t i = b.Begin; i < b.End; ++i)
            total += colours[i].Count;
        uint64_t half = 0;
        size_t split = b.Begin + 1;
        for (size_t i = b.Begin; i < b.End - 1; ++i) {
            half += colours[i].Count;
            split = i + 1;
            if (half * 2 >= total)
                break;
        }
        boxes[bestBox] = {b.Begin, split};
        boxes.push_back({split, b.End});
    }
    std::vector<uint32_t> palette;
    for (const auto& b : boxes) {
        uint64_t sum[3] = {0, 0, 0}, n = 0;
        for (size_t i = b.Begin; i < b.End; ++i) {
            for (int c = 0; c < 3; ++c)
                sum[c] += static_cast<uint64_t>(Channel(colours[i].Rgb, c)) * colours[i].Count;
            n += colours[i].Count;
        }
        palette.push_back(
            static_cast<uint32_t>((sum[0] / n) << 16 | (sum[1] / n) << 8 | (sum[2] / n)));
    }
    return palette;
}

} // namespace

QString WriteGif(const QString& path, const std::vector<QImage>& frames, QColor matte,
                 int delayCs) {
    if (frames.empty())
        return QStringLiteral("no frames");
    const int w = frames[0].width(), h = frames[0].height();
    constexpr uint32_t TransparentPixel = 0xFF000000u; // no opaque pixel has this value

    // Flatten every frame to opaque colours or the transparent marker.
    std::vector<std::vector<uint32_t>> pixels;
    std::unordered_map<uint32_t, uint64_t> histogram;
    bool anyTransparent = false;
    for (const QImage& frame : frames) {
        QImage img = frame.convertToFormat(QImage::Format_ARGB32);
        if (img.width() != w || img.height() != h)
            return QStringLiteral("frames differ in size");
        std::vector<uint32_t> p(static_cast<size_t>(w) * h);
        for (int y = 0; y < h; ++y) {
            const auto* line = reinterpret_cast<const QRgb*>(img.constScanLine(y));
            for (int x = 0; x < w; ++x) {
                QRgb c = line[x];
                int a = qAlpha(c);
                uint32_t v = TransparentPixel;
                if (a >= 128) {
                    auto mix = [a](int fg, int bg) { return (fg * a + bg * (255 - a)) / 255; };
                    v = static_cast<uint32_t>(mix(qRed(c), matte.red()) << 16 |
                                              mix(qGreen(c), matte.green()) << 8 |
                                              mix(qBlue(c), matte.blue()));
                    ++histogram[v];
                } else {
                    anyTransparent = true;
                }
                p[static_cast<size_t>(y) * w + x] = v;
            }
        }
        pixels.push_back(std::move(p));
    }

    const size_t limit = anyTransparent ? 255 : 256;
    std::vector<TColourCount> colours;
    for (auto [rgb, n] : histogram)
        colours.push_back({rgb, n});
    std::sort(colours.begin(), colours.end(),
              [](const TColourCount& a, const TColourCount& b) { return a.Rgb < b.Rgb; });
    std::vector<uint32_t> palette;
    if (colours.size() <= limit) {
        for (const auto& c : colours)
            palette.push_back(c.Rgb);
    } else {
        palette = MedianCut(colours, limit);
    }
    if (palette.empty())
        palette.push_back(0);

    // Index 0 is the transparent colour when there is one.
    const int first = anyTransparent ? 1 : 0;
    std::unordered_map<uint32_t, uint8_t> index;
    for (const auto& c : colours) {
        int best = 0;
        long bestDistance = -1;
        for (size_t i = 0; i < palette.size(); ++i) {
            long d = 0;
            for (int k = 0; k < 3; ++k) {
                long e = Channel(c.Rgb, k) - Channel(palette[i], k);
                d += e * e;
            }
            if (bestDistance < 0 || d < bestDistance) {
                bestDistance = d;
                best = static_cast<int>(i);
            }
        }
        index[c.Rgb] = static_cast<uint8_t>(best + first);
    }

    std::array<GifColorType, 256> entries{};
    for (size_t i = 0; i < palette.size(); ++i) {
        entries[i + first].Red = static_cast<GifByteType>(Channel(palette[i], 0));
        entries[i + first].Green = static_cast<GifByteType>(Channel(palette[i], 1));
        entries[i + first].Blue = static_cast<GifByteType>(Channel(palette[i], 2));
    }
    if (anyTransparent)
        entries[0] = {static_cast<GifByteType>(matte.red()),
                      static_cast<GifByteType>(matte.green()),
                      static_cast<GifByteType>(matte.blue())};

    int error = 0;
    GifFileType* gif = EGifOpenFileName(path.toLocal8Bit().constData(), false, &error);
    if (!gif)
        return QStringLiteral("cannot create %1: %2").arg(path, GifErrorString(error));
    ColorMapObject* map = GifMakeMapObject(256, entries.data());
    auto fail = [&](const char* what) {
        GifFreeMapObject(map);
        EGifCloseFile(gif, &error);
        return QStringLiteral("%1: %2").arg(path, what);
    };
    EGifSetGifVersion(gif, true);
    if (EGifPutScreenDesc(gif, w, h, 8, 0, map) == GIF_ERROR)
        return fail("screen descriptor");
    if (frames.size() > 1) {
        // Loop for ever.
        const GifByteType loop[3] = {1, 0, 0};
        if (EGifPutExtensionLeader(gif, APPLICATION_EXT_FUNC_CODE) == GIF_ERROR ||
            EGifPutExtensionBlock(gif, 11, "NETSCAPE2.0") == GIF_ERROR ||
            EGifPutExtensionBlock(gif, 3, loop) == GIF_ERROR ||
            EGifPutExtensionTrailer(gif) == GIF_ERROR)
            return fail("loop extension");
    }
    std::vector<GifPixelType> line(static_cast<size_t>(w));
    for (const auto& p : pixels) {
        if (anyTransparent || frames.size() > 1) {
            GraphicsControlBlock gcb{};
            gcb.DisposalMode = anyTransparent ? DISPOSE_BACKGROUND : DISPOSE_DO_NOT;
            gcb.UserInputFlag = false;
            gcb.DelayTime = frames.size() > 1 ? delayCs : 0;
            gcb.TransparentColor = anyTransparent ? 0 : NO_TRANSPARENT_COLOR;
            GifByteType ext[4];
            EGifGCBToExtension(&gcb, ext);
            if (EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, 4, ext) == GIF_ERROR)
                return fail("graphics control");
        }
        if (EGifPutImageDesc(gif, 0, 0, w, h, false, nullptr) == GIF_ERROR)
            return fail("image descriptor");
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x) {
                uint32_t v = p[static_cast<size_t>(y) * w + x];
                line[static_cast<size_t>(x)] = v == TransparentPixel ? 0 : index[v];
            }
            if (EGifPutLine(gif, line.data(), w) == GIF_ERROR)
                return fail("pixel data");
        }
    }
    GifFreeMapObject(map);
    if (EGifCloseFile(gif, &error) == GIF_ERROR)
        return QStringLiteral("%1: %2").arg(path, GifErrorString(error));
    return {};
}

} // namespace skin
