// The compiled resources: texts, layout records, configuration bytes and the
// skin pictures, and how their lookup tolerates missing pieces.
#include "uikit/Resources.h"
#include "uikit/SkinImage.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImageReader>
#include <QRect>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>

#include <memory>
#include <set>
#include <vector>

using namespace wayline;

namespace {

constexpr int HelpOnHeight = 527;

struct TButton {
    const char* Name;
    int Tag;
    int Normal;
    bool InitiallyDisabled;
};

// The eleven picture buttons: tag, first of their four pictures, and whether
// the window starts with them greyed out.
const TButton Buttons[] = {
    {"Go", 1, 42, true},   {"Clear", 2, 46, true},  {"Test", 3, 50, false},  {"Load", 4, 54, false},
    {"Save", 5, 58, true}, {"Quit", 6, 62, false},  {"Delete", 7, 22, true}, {"Copy", 8, 26, true},
    {"Cut", 9, 30, true},  {"Paste", 10, 34, true}, {"Undo", 11, 38, true},
};

QRect Rect(const TControlRecord& r) {
    return {r.Left, r.Top, r.Width, r.Height};
}
QRect Rect(const TPictureRecord& r) {
    return {r.Left, r.Top, r.Width, r.Height};
}

QRect Control(int record, bool advanced) {
    auto r = Resources().ControlRecord(record, advanced);
    if (!r)
        return {};
    return Rect(*r);
}

QRect Picture(int record, bool advanced) {
    auto r = Resources().PictureRecord(record, advanced);
    if (!r)
        return {};
    return Rect(*r);
}

QImage Decode(const QByteArray& bytes, int* frames = nullptr) {
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    QImage image = reader.read();
    if (frames)
        *frames = reader.imageCount();
    return image;
}

bool HasTransparentPixels(const QImage& image) {
    if (!image.hasAlphaChannel())
        return false;
    QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < argb.height(); ++y)
        for (int x = 0; x < argb.width(); ++x)
            if (qAlpha(argb.pixel(x, y)) < 128)
                return true;
    return false;
}

void WriteFile(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

QByteArray U16Record(std::initializer_list<int> fields) {
    QByteArray bytes;
    for (int f : fields) {
        bytes.append(static_cast<char>(f & 0xFF));
        bytes.append(static_cast<char>((f >> 8) & 0xFF));
    }
    return bytes;
}

} // namespace

class TResourcesTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void TextsAreExactIncludingBlanksAndDoubleSpaces();
    void TextsAreUtf16WithoutTerminator();
    void EveryTextOfTheReleaseExists();
    void UnknownTextIsEmpty();
    void CharsetAndAltLettersComeFromTheirRecords();
    void MissingResourcesLeaveTheDefaults();
    void TruncatedRecordsCountAsMissing();
    void ReplacedAltLettersAreUsed();
    void MainWindowSizeFollowsTheMode();
    void AdvancedOverridesExistWhereListed();
    void AdvancedDeleteButtonUsesRecords112To115();
    void EveryRecordedPictureExistsWithItsSize();
    void PicturesWithoutAnyRecordAreTheAdvancedOnes();
    void PalettePicturesAreAnimatedInFiveFrames();
    void PalettePicturesCarryTheirKindsInTwoColumns();
    void EveryButtonHasFourPicturesAtOnePlace();
    void ButtonStatesLookDifferentAndDisabledIsGrey();
    void TransparencyFlagMatchesThePicture();
    void ControlsAndPicturesLieInsideTheWindow();
    void NothingImportantOverlaps();
    void PanelsFrameTheirControls();
    void GridsShowTheirStepRows();
    void HelpBoxAndBottomEdgeFitTheWindowHeight();
    void ButtonRowsAreAligned();
    void TestWindowControlsFitWithoutOverlapping();
};

void TResourcesTest::TextsAreExactIncludingBlanksAndDoubleSpaces() {
    const auto& r = Resources();
    QCOMPARE(r.LoadText(366), QStringLiteral("Beginner Mode"));
    QCOMPARE(r.LoadText(368), QStringLiteral("Please choose a mode"));
    QCOMPARE(r.LoadText(374), QStringLiteral(" sec"));
    QCOMPARE(r.LoadText(375), QStringLiteral("step "));
    QCOMPARE(r.LoadText(377), QStringLiteral(" "));
    QCOMPARE(r.LoadText(379), QStringLiteral("Auto"));
    QCOMPARE(r.LoadText(390), QStringLiteral("can't open port; in use"));
    QCOMPARE(
        r.LoadText(393),
        QStringLiteral("Hardware communication failure!  Check serial cable and power supply."));
    QCOMPARE(r.LoadText(405), QStringLiteral("Loop Back to a Step"));
    QCOMPARE(r.LoadText(427), QStringLiteral("Current action list is not saved.  Save it now?"));
    QCOMPARE(r.LoadText(429), QStringLiteral(" "));
    QCOMPARE(r.LoadText(431), QStringLiteral("Click and drag this action to the 'Actions To Be "
                                             "Performed' or 'Sensor Actions' list to insert it."));
    QCOMPARE(r.LoadText(446),
             QStringLiteral("Click the Test button to start the test mode.  After you build your "
                            "robot, the test mode allows you to find each servo's center point and "
                            "test the IR LED and Whisker sensors."));
    QCOMPARE(r.LoadText(451), QStringLiteral("Click the Undo button to undo the previous "
                                             "modification."));
}

void TResourcesTest::TextsAreUtf16WithoutTerminator() {
    auto bytes = Resources().Find(QStringLiteral("WSDATA"), 366);
    QVERIFY(bytes);
    QCOMPARE(bytes->size(), 2 * 13);
    QCOMPARE(bytes->left(4), QByteArray("B\0e\0", 4));
    QCOMPARE(Resources().Find(QStringLiteral("WSDATA"), 377)->size(), 2);
}

void TResourcesTest::EveryTextOfTheReleaseExists() {
    // 452 and 453: the memory gauge's help text and caption.
    for (int id = 366; id <= 453; ++id) {
        auto bytes = Resources().Find(QStringLiteral("WSDATA"), id);
        QVERIFY2(bytes && !bytes->isEmpty(), qPrintable(QString::number(id)));
    }
    // 454 to 483: the mode box, refused characters and what a screen
    // reader reads; the rest of that block is still free.
    for (int id = 454; id <= 483; ++id) {
        auto bytes = Resources().Find(QStringLiteral("WSDATA"), id);
        QVERIFY2(bytes && !bytes->isEmpty(), qPrintable(QString::number(id)));
    }
    QVERIFY(!Resources().Find(QStringLiteral("WSDATA"), 499));
}

void TResourcesTest::UnknownTextIsEmpty() {
    QCOMPARE(Resources().LoadText(1), QString());
    QCOMPARE(Resources().LoadText(365), QString());
}

void TResourcesTest::CharsetAndAltLettersComeFromTheirRecords() {
    QCOMPARE(Resources().Find(QStringLiteral("DATA"), 360)->size(), 1);
    QCOMPARE(Resources().LoadCharset(), 0);
    QCOMPARE(*Resources().Find(QStringLiteral("DATA"), 361), QByteArray("DCTPUGVRELSQ"));
    QCOMPARE(Resources().LoadAltLetters(), QStringLiteral("DCTPUGVRELSQ"));
}

void TResourcesTest::MissingResourcesLeaveTheDefaults() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    // Only a text and one control record are there.
    WriteFile(dir.filePath("WSDATA/366"), *Resources().Find(QStringLiteral("WSDATA"), 366));
    WriteFile(dir.filePath("DATA/66"), U16Record({10, 20, 30, 40}));
    WriteFile(dir.filePath("DATA/360"), QByteArray());
    TResources r(dir.path());

    QCOMPARE(r.LoadText(366), QStringLiteral("Beginner Mode"));
    QCOMPARE(r.LoadText(367), QString());
    QCOMPARE(r.LoadCharset(), 0);
    QCOMPARE(r.LoadAltLetters(), QStringLiteral("DCTPUGVRELSQ"));
    QVERIFY(!r.SkinPicture(42, false));

    QWidget window;
    QWidget placed(&window), kept(&window);
    kept.setGeometry(1, 2, 3, 4);
    r.PlaceControl(66, &placed, true); // no 156: falls back to 66
    r.PlaceControl(75, &kept, false);
    QCOMPARE(placed.geometry(), QRect(10, 20, 30, 40));
    QCOMPARE(kept.geometry(), QRect(1, 2, 3, 4));

    TSkinImages images{};
    r.CreateSkin(&window, false, images);
    for (int n = 1; n <= SkinImageCount; ++n) {
        QVERIFY(images[n]);
        QVERIFY(!images[n]->HasPicture());
        QCOMPARE(images[n]->geometry(), QRect(0, 0, 0, 0));
        QCOMPARE(images[n]->Tag(), 0);
    }
}

void TResourcesTest::TruncatedRecordsCountAsMissing() {
    QTemporaryDir dir;
    WriteFile(dir.filePath("DATA/66"), U16Record({10, 20, 30}));
    WriteFile(dir.filePath("DATA/22"), U16Record({7, 1, 2, 3, 4, 0, 1}));
    WriteFile(dir.filePath("DATA/361"), QByteArray("ABC"));
    WriteFile(dir.filePath("WSDATA/400"), QByteArray("A\0B", 3));
    TResources r(dir.path());
    QVERIFY(!r.ControlRecord(66, false));
    QVERIFY(!r.PictureRecord(22, false));
    QCOMPARE(r.LoadAltLetters(), QStringLiteral("DCTPUGVRELSQ"));
    QCOMPARE(r.LoadText(400), QStringLiteral("A"));
}

void TResourcesTest::ReplacedAltLettersAreUsed() {
    QTemporaryDir dir;
    WriteFile(dir.filePath("DATA/361"), QByteArray("ZYXWVUTSRQPONM"));
    WriteFile(dir.filePath("DATA/360"), QByteArray("\xA2", 1));
    TResources r(dir.path());
    QCOMPARE(r.LoadAltLetters(), QStringLiteral("ZYXWVUTSRQPO"));
    QCOMPARE(r.LoadCharset(), 162);
}

void TResourcesTest::MainWindowSizeFollowsTheMode() {
    QCOMPARE(Control(75, false).size(), QSize(526, 527));
    QCOMPARE(Control(75, true).size(), QSize(797, 527));
    QVERIFY(Resources().Find(QStringLiteral("DATA"), 165));
}

void TResourcesTest::AdvancedOverridesExistWhereListed() {
    std::set<int> overridden = {3,  4,  6,  8,  9,  10, 11, 12, 13, 66,
                                67, 68, 69, 70, 71, 72, 74, 75, 88};
    for (int n = 22; n <= 65; ++n)
        overridden.insert(n);
    for (int n = 1; n <= 89; ++n) {
        const bool present = Resources().Find(QStringLiteral("DATA"), n + 90).has_value();
        QVERIFY2(present == (overridden.count(n) == 1), qPrintable(QString::number(n + 90)));
    }
    // The sensor tabs, the "+" panel and the sensor frame exist only in
    // advanced mode.
    for (int n : {10, 71, 72})
        QVERIFY2(!Resources().Find(QStringLiteral("DATA"), n), qPrintable(QString::number(n)));
    for (int n = 1; n <= 89; ++n)
        if (n != 10 && n != 71 && n != 72)
            QVERIFY2(Resources().Find(QStringLiteral("DATA"), n), qPrintable(QString::number(n)));
}

void TResourcesTest::AdvancedDeleteButtonUsesRecords112To115() {
    for (int i = 0; i < 4; ++i) {
        auto advanced = Resources().PictureRecord(22 + i, true);
        auto raw = Resources().Find(QStringLiteral("DATA"), 112 + i);
        QVERIFY(advanced && raw);
        QCOMPARE(U16Record({advanced->Tag, advanced->Left, advanced->Top, advanced->Width,
                            advanced->Height, advanced->Stretch, advanced->Transparent,
                            advanced->Visible}),
                 *raw);
    }
    // The same lookup on records that tell the modes apart.
    QTemporaryDir dir;
    WriteFile(dir.filePath("DATA/22"), U16Record({7, 1, 2, 62, 32, 0, 1, 1}));
    WriteFile(dir.filePath("DATA/112"), U16Record({7, 500, 2, 62, 32, 0, 1, 0}));
    TResources r(dir.path());
    QWidget window;
    TSkinImages beginner{}, advanced{};
    r.CreateSkin(&window, false, beginner);
    r.CreateSkin(&window, true, advanced);
    QCOMPARE(beginner[22]->geometry(), QRect(1, 2, 62, 32));
    QCOMPARE(advanced[22]->geometry(), QRect(500, 2, 62, 32));
    QVERIFY(!advanced[22]->isVisibleTo(&window));
    QVERIFY(beginner[22]->isVisibleTo(&window));
}

void TResourcesTest::EveryRecordedPictureExistsWithItsSize() {
    for (bool advanced : {false, true}) {
        for (int n = 1; n <= SkinImageCount; ++n) {
            auto record = Resources().PictureRecord(n, advanced);
            if (!record)
                continue;
            const QString what =
                QStringLiteral("picture %1%2").arg(n).arg(advanced ? " advanced" : "");
            auto bytes = Resources().SkinPicture(n, advanced);
            QVERIFY2(bytes, qPrintable(what));
            QImage image = Decode(*bytes);
            QVERIFY2(!image.isNull(), qPrintable(what));
            if (record->Stretch)
                continue;
            if (!advanced && (n == 3 || n == 4)) {
                // Drawn for the wider window and cut by the narrower one.
                QCOMPARE(image.height(), record->Height);
                QVERIFY2(image.width() >= record->Width, qPrintable(what));
            } else {
                QVERIFY2(image.size() == QSize(record->Width, record->Height), qPrintable(what));
            }
        }
    }
    auto background = Resources().Find(QStringLiteral("BMP"), 181);
    QVERIFY(background);
    QCOMPARE(Decode(*background).size(), QSize(801, 577));
}

void TResourcesTest::PicturesWithoutAnyRecordAreTheAdvancedOnes() {
    QVERIFY(!Resources().PictureRecord(10, false));
    QVERIFY(!Resources().SkinPicture(10, false));
    QVERIFY(Resources().SkinPicture(10, true));
    for (int gif : {278, 279, 280})
        QVERIFY(Resources().Find(QStringLiteral("GIF"), gif));
    // Only those three pictures differ between the modes.
    for (int n = 2; n <= SkinImageCount; ++n)
        if (n < 8 || n > 10)
            QVERIFY2(!Resources().Find(QStringLiteral("GIF"), n + 270),
                     qPrintable(QString::number(n)));
}

void TResourcesTest::PalettePicturesAreAnimatedInFiveFrames() {
    for (int n = 14; n <= 21; ++n) {
        int frames = 0;
        QImage first = Decode(*Resources().SkinPicture(n, false), &frames);
        QCOMPARE(frames, 5);
        QCOMPARE(first.size(), QSize(54, 54));
    }
    // The frames of a picture show motion, not five copies.
    QBuffer buffer;
    buffer.setData(*Resources().SkinPicture(14, false));
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    QImage a = reader.read(), b = reader.read();
    QVERIFY(a != b);
    QVERIFY(!Decode(*Resources().SkinPicture(42, false), nullptr).isNull());
}

void TResourcesTest::PalettePicturesCarryTheirKindsInTwoColumns() {
    const int kinds[8] = {0, 1, 2, 3, 4, 5, 7, 6};
    const QPoint places[8] = {{5, 12},  {69, 12},  {5, 76},  {69, 76},
                              {5, 140}, {69, 140}, {5, 204}, {69, 204}};
    const QRect box = Control(73, false);
    for (int i = 0; i < 8; ++i) {
        auto r = Resources().PictureRecord(14 + i, false);
        QVERIFY(r);
        QCOMPARE(r->Tag, kinds[i]);
        QCOMPARE(QPoint(r->Left, r->Top), places[i]);
        QVERIFY(r->Visible);
        // Relative to the palette box, and inside it.
        QVERIFY(QRect(QPoint(0, 0), box.size()).contains(Rect(*r)));
    }
}

void TResourcesTest::EveryButtonHasFourPicturesAtOnePlace() {
    for (bool advanced : {false, true}) {
        for (const auto& b : Buttons) {
            const QString what =
                QStringLiteral("%1%2").arg(b.Name).arg(advanced ? " advanced" : "");
            auto normal = Resources().PictureRecord(b.Normal, advanced);
            auto highlighted = Resources().PictureRecord(b.Normal + 1, advanced);
            auto pressed = Resources().PictureRecord(b.Normal + 2, advanced);
            auto disabled = Resources().PictureRecord(b.Normal + 3, advanced);
            QVERIFY2(normal && highlighted && pressed && disabled, qPrintable(what));
            QVERIFY2(Rect(*highlighted) == Rect(*normal), qPrintable(what));
            QVERIFY2(Rect(*pressed) == Rect(*normal), qPrintable(what));
            QVERIFY2(Rect(*disabled) == Rect(*normal), qPrintable(what));
            QCOMPARE(normal->Tag, b.Tag);
            QCOMPARE(highlighted->Tag, b.Tag);
            QCOMPARE(pressed->Tag, b.Tag >= 7 ? b.Tag : 0);
            QCOMPARE(disabled->Tag, 0);
            QVERIFY2(normal->Visible && !highlighted->Visible && !pressed->Visible,
                     qPrintable(what));
            QVERIFY2(disabled->Visible == b.InitiallyDisabled, qPrintable(what));
            for (int state = 0; state < 4; ++state)
                QVERIFY2(Resources().SkinPicture(b.Normal + state, advanced), qPrintable(what));
        }
    }
}

void TResourcesTest::ButtonStatesLookDifferentAndDisabledIsGrey() {
    for (const auto& b : Buttons) {
        QImage states[4];
        for (int s = 0; s < 4; ++s)
            states[s] = Decode(*Resources().SkinPicture(b.Normal + s, false))
                            .convertToFormat(QImage::Format_ARGB32);
        for (int s = 0; s < 4; ++s)
            for (int t = s + 1; t < 4; ++t)
                QVERIFY2(states[s] != states[t], b.Name);
        // Colour saturation, averaged over the opaque pixels.
        auto saturation = [](const QImage& img) {
            double sum = 0;
            int n = 0;
            for (int y = 0; y < img.height(); ++y)
                for (int x = 0; x < img.width(); ++x) {
                    QColor c = QColor::fromRgba(img.pixel(x, y));
                    if (c.alpha() > 128) {
                        sum += c.hsvSaturationF();
                        ++n;
                    }
                }
            return n ? sum / n : 0.0;
        };
        QVERIFY2(saturation(states[3]) < 0.1, b.Name);
        QVERIFY2(saturation(states[0]) > 0.3, b.Name);
    }
}

void TResourcesTest::TransparencyFlagMatchesThePicture() {
    for (bool advanced : {false, true})
        for (int n = 1; n <= SkinImageCount; ++n) {
            auto record = Resources().PictureRecord(n, advanced);
            if (!record)
                continue;
            QImage image = Decode(*Resources().SkinPicture(n, advanced));
            QVERIFY2(HasTransparentPixels(image) == record->Transparent,
                     qPrintable(QString::number(n)));
        }
}

void TResourcesTest::ControlsAndPicturesLieInsideTheWindow() {
    for (bool advanced : {false, true}) {
        const QRect window(QPoint(0, 0), Control(75, advanced).size());
        std::vector<int> controls = {66, 67, 68, 69, 73, 74, 88, 90};
        if (advanced)
            controls.insert(controls.end(), {71, 72});
        else
            controls.push_back(70);
        for (int c : controls) {
            QRect r = Control(c, advanced);
            QVERIFY2(!r.isEmpty() && window.contains(r), qPrintable(QString::number(c)));
        }
        for (int n = 2; n <= SkinImageCount; ++n) {
            if (n >= 14 && n <= 21)
                continue; // inside the palette box
            QRect r = Picture(n, advanced);
            if (r.isNull())
                continue;
            QVERIFY2(window.contains(r), qPrintable(QString::number(n)));
        }
    }
}

void TResourcesTest::NothingImportantOverlaps() {
    for (bool advanced : {false, true}) {
        std::vector<std::pair<QString, QRect>> parts;
        std::vector<int> controls = {66, 67, 68, 69, 73, 74, 88, 90};
        if (advanced)
            controls.insert(controls.end(), {71, 72});
        else
            controls.push_back(70);
        for (int c : controls)
            parts.emplace_back(QStringLiteral("control %1").arg(c), Control(c, advanced));
        for (const auto& b : Buttons)
            parts.emplace_back(QString::fromLatin1(b.Name), Picture(b.Normal, advanced));
        parts.emplace_back(QStringLiteral("mascot"), Picture(12, advanced));
        for (size_t i = 0; i < parts.size(); ++i)
            for (size_t j = i + 1; j < parts.size(); ++j)
                QVERIFY2(!parts[i].second.intersects(parts[j].second),
                         qPrintable(parts[i].first + " / " + parts[j].first +
                                    (advanced ? " advanced" : "")));
        // The palette pictures do not overlap one another either.
        for (int a = 14; a <= 21; ++a)
            for (int b = a + 1; b <= 21; ++b)
                QVERIFY(!Picture(a, advanced).intersects(Picture(b, advanced)));
    }
}

void TResourcesTest::PanelsFrameTheirControls() {
    for (bool advanced : {false, true}) {
        QVERIFY(Picture(7, advanced).contains(Control(73, advanced)));
        QVERIFY(Picture(8, advanced).contains(Control(88, advanced)));
        std::vector<int> settings = {66, 67, 68, 69, 90};
        if (!advanced)
            settings.push_back(70);
        for (int c : settings)
            QVERIFY2(Picture(9, advanced).contains(Control(c, advanced)),
                     qPrintable(QString::number(c)));
    }
    QVERIFY(Picture(10, true).contains(Control(71, true)));
    QVERIFY(Picture(10, true).contains(Control(72, true)));
    // The list panel grows with the grid's three extra columns.
    QVERIFY(Control(88, true).width() > Control(88, false).width() + 3 * 30);
}

void TResourcesTest::GridsShowTheirStepRows() {
    // 28 pixels a row including its grid line: the title row and 7 step rows
    // in list 1, the title row and 6 step rows in a sensor grid.
    const QRect main = Control(88, false);
    QVERIFY(main.height() >= 8 * 28 && main.height() < 9 * 28);
    QCOMPARE(Control(88, true).height(), main.height());
    const QRect sensor = Control(89, true);
    QVERIFY(sensor.height() >= 7 * 28 && sensor.height() < 8 * 28);
    // The tab control holds the sensor grid below its tab bar.
    const QRect tabs = Control(71, true);
    QVERIFY(sensor.top() >= 22);
    QVERIFY(tabs.height() >= sensor.bottom() + 1);
    QVERIFY(tabs.width() >= sensor.right() + 1);
    // The "+" panel is the size of a row picture's cell.
    QCOMPARE(Control(72, true).size(), QSize(25, 25));
}

void TResourcesTest::HelpBoxAndBottomEdgeFitTheWindowHeight() {
    for (bool advanced : {false, true}) {
        const QRect go = Picture(42, advanced);
        const QRect help = Control(74, advanced);
        const QRect window = Control(75, advanced);
        // Window height with help on: Go's bottom + help height + 30.
        QCOMPARE(go.top() + go.height() + help.height() + 30, HelpOnHeight);
        QCOMPARE(window.height(), HelpOnHeight);
        QVERIFY(help.top() > go.bottom());
        for (int edge : {2, 4}) {
            const QRect r = Picture(edge, advanced);
            QCOMPARE(r.top(), HelpOnHeight - r.height() - 1);
            QVERIFY(r.top() > help.bottom());
        }
        // The two edge pieces join and run across the window.
        QCOMPARE(Picture(2, advanced).left(), 0);
        QCOMPARE(Picture(4, advanced).left(), Picture(2, advanced).right() + 1);
        QCOMPARE(Picture(4, advanced).right() + 1, window.width());
        QCOMPARE(Picture(2, advanced).height(), Picture(4, advanced).height());
    }
}

void TResourcesTest::ButtonRowsAreAligned() {
    for (bool advanced : {false, true}) {
        const QRect go = Picture(42, advanced);
        int gap = -1;
        for (int i = 0; i < 11; ++i) {
            const QRect r = Picture(Buttons[i].Normal, advanced);
            QVERIFY2(r.bottom() <= go.bottom(), Buttons[i].Name); // Go is in the lowest row
            const bool sameRow = i != 6 && i != 0;
            if (!sameRow)
                continue;
            const QRect previous = Picture(Buttons[i - 1].Normal, advanced);
            QCOMPARE(r.top(), previous.top());
            QCOMPARE(r.size(), previous.size());
            if (i < 6) {
                const int g = r.left() - previous.right() - 1;
                if (gap < 0)
                    gap = g;
                QCOMPARE(g, gap);
            }
        }
        // The edit buttons sit under the list panel, inside its width.
        const QRect list = Picture(8, advanced);
        QCOMPARE(Picture(22, advanced).left(), list.left());
        QVERIFY(Picture(38, advanced).right() <=
                (advanced ? list.right() : Picture(9, false).right()));
    }
}

void TResourcesTest::TestWindowControlsFitWithoutOverlapping() {
    const QRect window(QPoint(0, 0), Control(76, false).size());
    QVERIFY(window.width() >= 300 && window.height() >= 200);
    for (int a = 77; a <= 87; ++a) {
        QVERIFY2(window.contains(Control(a, false)), qPrintable(QString::number(a)));
        for (int b = a + 1; b <= 87; ++b)
            QVERIFY2(!Control(a, false).intersects(Control(b, false)),
                     qPrintable(QStringLiteral("%1 / %2").arg(a).arg(b)));
    }
}

std::vector<std::unique_ptr<QObject>> MakeResourcesTests() {
    std::vector<std::unique_ptr<QObject>> tests;
    tests.push_back(std::make_unique<TResourcesTest>());
    return tests;
}

#include "ResourcesTest.moc"
