#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <array>
#include <optional>

class QWidget;

namespace wayline {

class TSkinImage;

// Number of skin pictures of the main window (1 = background, 2..65 GIFs).
inline constexpr int SkinImageCount = 65;
using TSkinImages = std::array<TSkinImage*, SkinImageCount + 1>; // index 1..65; [0] unused

// A control layout record: where a control goes on the main window.
struct TControlRecord {
    int Left = 0;
    int Top = 0;
    int Width = 0;
    int Height = 0;
};

// A picture layout record: where a skin picture goes and how it shows.
struct TPictureRecord {
    int Tag = 0;
    int Left = 0;
    int Top = 0;
    int Width = 0;
    int Height = 0;
    bool Stretch = false;
    bool Transparent = false;
    bool Visible = false;
};

// The language of the English resources, which every edition falls back to.
inline const QString EnglishLanguage = QStringLiteral("en");

// Everything the program reads from its own resources: interface texts
// (WSDATA), layout records and configuration bytes (DATA), skin pictures
// (BMP, GIF) and the embedded HBASIC programs. All lookups go through Find,
// so a test can root the object at a folder of its own and check how
// missing resources are tolerated.
//
// A language is an edition of the resources: a folder named by its code
// (":/de/WSDATA/366", ":/de/DATA/361", ":/de/GIF/222") holding whatever
// differs from the English resources. While a language is set, every lookup
// tries its edition first and falls back to English, so a text it lacks
// shows in English and a record it does not move stays where English puts
// it.
class TResources {
public:
    explicit TResources(QString root = QStringLiteral(":/"));

    // The bytes of resource `type`/`number` (":/WSDATA/366"), if present:
    // the language's own first, else the English one.
    std::optional<QByteArray> Find(const QString& type, int number) const;
    // Record n, or in Advanced Mode record n+90 where the edition has one.
    std::optional<QByteArray> LayoutRecord(int record, bool advanced) const;
    // Only in the edition `language` ("en": only the English resources).
    std::optional<QByteArray> FindIn(const QString& language, const QString& type,
                                     int number) const;

    // The edition the lookups prefer; "en" by default. A code the resources
    // do not hold leaves only English.
    void SetLanguage(const QString& language);
    const QString& Language() const { return Lang; }
    // "en" and every edition that has texts, English first.
    QStringList Languages() const;
    // The language's name in the language itself (its text 900), for the
    // list to choose from; the code when it has none.
    QString LanguageName(const QString& language) const;

    // Interface text `id`; empty when there is no such text.
    QString LoadText(int id) const;

    // First byte of DATA 360, else 0.
    int LoadCharset() const;
    // The 12 characters of DATA 361, else "DCTPUGVRELSQ".
    QString LoadAltLetters() const;

    // Record n + 90 first in advanced mode, then n.
    std::optional<TControlRecord> ControlRecord(int record, bool advanced) const;
    std::optional<TPictureRecord> PictureRecord(int record, bool advanced) const;

    // Sets left, top, width and height from the record; without a record
    // the control keeps its geometry.
    void PlaceControl(int record, QWidget* control, bool advanced) const;

    // The picture resource of skin picture n (BMP 181 / GIF n + 180; in
    // advanced mode BMP 271 / GIF n + 270 first).
    std::optional<QByteArray> SkinPicture(int n, bool advanced) const;

    // Creates the 65 skin pictures as children of `parent`, in order (later
    // ones above earlier ones), loads each picture and applies its record.
    void CreateSkin(QWidget* parent, bool advanced, TSkinImages& images) const;
    // Loads picture n and applies its record for the mode, to a picture
    // that exists already (a switch of mode). Without a record in this
    // mode it is emptied and hidden, as a picture no mode has.
    void ApplySkinPicture(TSkinImage* image, int n, bool advanced) const;

private:
    QString Root;
    QString Lang = EnglishLanguage;
};

// The program's own resources, rooted at ":/". One object for the whole
// program: the language set on it is the one every window speaks.
TResources& Resources();

} // namespace wayline
