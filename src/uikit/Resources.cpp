#include "uikit/Resources.h"

#include "uikit/SkinImage.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QWidget>

#include <algorithm>

// The resources are compiled into the static wayline_ui library; naming
// their initialiser here makes every program that uses TResources link
// them in. It has to be called outside any namespace.
static void InitCompiledResources() {
    Q_INIT_RESOURCE(wayline_resources);
}

namespace wayline {

namespace {

constexpr int AdvancedRecordOffset = 90;
constexpr int ControlRecordSize = 8;
constexpr int PictureRecordSize = 16;
constexpr int BeginnerBackground = 181;
constexpr int AdvancedBackground = 271;
constexpr int BeginnerGifBase = 180;
constexpr int AdvancedGifBase = 270;
constexpr int AltLetterCount = 12;
constexpr int LanguageNameText = 900;

// An edition's folder: a language ("de") or a language and region ("pt_BR").
bool IsLanguageCode(const QString& name) {
    static const QRegularExpression code(QStringLiteral("^[a-z]{2,3}(_[A-Z]{2})?$"));
    return code.match(name).hasMatch();
}

int U16(const QByteArray& bytes, int field) {
    const auto lo = static_cast<unsigned char>(bytes[2 * field]);
    const auto hi = static_cast<unsigned char>(bytes[2 * field + 1]);
    return lo | (hi << 8);
}

// UTF-16 little-endian, size / 2 characters; an odd last byte is no
// character and is left out.
QString Utf16LeText(const QByteArray& bytes) {
    QString text;
    const int count = static_cast<int>(bytes.size() / 2);
    text.reserve(count);
    for (int i = 0; i < count; ++i)
        text.append(QChar(static_cast<char16_t>(U16(bytes, i))));
    return text;
}

} // namespace

TResources::TResources(QString root) : Root(std::move(root)) {
    if (Root.startsWith(u':'))
        InitCompiledResources();
    if (!Root.endsWith(u'/'))
        Root += u'/';
}

std::optional<QByteArray> TResources::FindIn(const QString& language, const QString& type,
                                             int number) const {
    const QString edition = language == EnglishLanguage ? QString() : language + u'/';
    QFile file(Root + edition + type + u'/' + QString::number(number));
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return file.readAll();
}

std::optional<QByteArray> TResources::Find(const QString& type, int number) const {
    if (Lang != EnglishLanguage) {
        if (auto own = FindIn(Lang, type, number))
            return own;
    }
    return FindIn(EnglishLanguage, type, number);
}

void TResources::SetLanguage(const QString& language) {
    Lang = Languages().contains(language) ? language : EnglishLanguage;
}

QStringList TResources::Languages() const {
    QStringList editions;
    for (const QString& name : QDir(Root).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        if (name != EnglishLanguage && IsLanguageCode(name) &&
            QDir(Root + name + QStringLiteral("/WSDATA")).exists()) {
            editions << name;
        }
    }
    std::sort(editions.begin(), editions.end());
    editions.prepend(EnglishLanguage);
    return editions;
}

QString TResources::LanguageName(const QString& language) const {
    auto bytes = FindIn(language, QStringLiteral("WSDATA"), LanguageNameText);
    if (!bytes || bytes->size() < 2)
        return language;
    return Utf16LeText(*bytes);
}

QString TResources::LoadText(int id) const {
    auto bytes = Find(QStringLiteral("WSDATA"), id);
    if (!bytes)
        return {};
    return Utf16LeText(*bytes);
}

int TResources::LoadCharset() const {
    auto bytes = Find(QStringLiteral("DATA"), 360);
    if (!bytes || bytes->isEmpty())
        return 0;
    return static_cast<unsigned char>(bytes->at(0));
}

QString TResources::LoadAltLetters() const {
    auto bytes = Find(QStringLiteral("DATA"), 361);
    // A short record would leave commands without a letter: keep the
    // default string whole instead.
    if (!bytes || bytes->size() < AltLetterCount)
        return QStringLiteral("DCTPUGVRELSQ");
    return QString::fromLatin1(bytes->constData(), AltLetterCount);
}

std::optional<QByteArray> TResources::LayoutRecord(int record, bool advanced) const {
    std::optional<QByteArray> bytes;
    if (advanced)
        bytes = Find(QStringLiteral("DATA"), record + AdvancedRecordOffset);
    if (!bytes)
        bytes = Find(QStringLiteral("DATA"), record);
    return bytes;
}

std::optional<TControlRecord> TResources::ControlRecord(int record, bool advanced) const {
    const std::optional<QByteArray> bytes = LayoutRecord(record, advanced);
    // A truncated record is treated as missing rather than read past its end.
    if (!bytes || bytes->size() < ControlRecordSize)
        return std::nullopt;
    return TControlRecord{U16(*bytes, 0), U16(*bytes, 1), U16(*bytes, 2), U16(*bytes, 3)};
}

std::optional<TPictureRecord> TResources::PictureRecord(int record, bool advanced) const {
    const std::optional<QByteArray> bytes = LayoutRecord(record, advanced);
    if (!bytes || bytes->size() < PictureRecordSize)
        return std::nullopt;
    const QByteArray& b = *bytes;
    return TPictureRecord{U16(b, 0), U16(b, 1),      U16(b, 2),      U16(b, 3),
                          U16(b, 4), U16(b, 5) != 0, U16(b, 6) != 0, U16(b, 7) != 0};
}

void TResources::PlaceControl(int record, QWidget* control, bool advanced) const {
    if (!control)
        return;
    if (auto r = ControlRecord(record, advanced))
        control->setGeometry(r->Left, r->Top, r->Width, r->Height);
}

std::optional<QByteArray> TResources::SkinPicture(int n, bool advanced) const {
    const QString type = n == 1 ? QStringLiteral("BMP") : QStringLiteral("GIF");
    const int beginner = n == 1 ? BeginnerBackground : n + BeginnerGifBase;
    const int advancedNumber = n == 1 ? AdvancedBackground : n + AdvancedGifBase;
    std::optional<QByteArray> bytes;
    if (advanced)
        bytes = Find(type, advancedNumber);
    if (!bytes)
        bytes = Find(type, beginner);
    return bytes;
}

void TResources::ApplySkinPicture(TSkinImage* image, int n, bool advanced) const {
    const std::optional<QByteArray> bytes = SkinPicture(n, advanced);
    // An empty byte array empties the picture.
    image->SetPicture(bytes.value_or(QByteArray()));
    image->resize(image->PictureSize());
    if (auto r = PictureRecord(n, advanced)) {
        image->SetTag(r->Tag);
        image->setGeometry(r->Left, r->Top, r->Width, r->Height);
        image->SetStretch(r->Stretch);
        image->SetTransparent(r->Transparent);
        image->setVisible(r->Visible);
    } else {
        image->move(0, 0);
        image->hide();
    }
}

void TResources::CreateSkin(QWidget* parent, bool advanced, TSkinImages& images) const {
    images[0] = nullptr;
    for (int n = 1; n <= SkinImageCount; ++n) {
        auto* image = new TSkinImage(parent);
        images[n] = image;
        // Created in order, each new picture lies above the earlier ones.
        image->raise();
        // Without a record a loaded picture shows at its own size.
        if (auto bytes = SkinPicture(n, advanced); bytes && image->SetPicture(*bytes))
            image->resize(image->PictureSize());
        if (auto r = PictureRecord(n, advanced)) {
            image->SetTag(r->Tag);
            image->setGeometry(r->Left, r->Top, r->Width, r->Height);
            image->SetStretch(r->Stretch);
            image->SetTransparent(r->Transparent);
            image->setVisible(r->Visible);
        }
    }
}

TResources& Resources() {
    static TResources resources;
    return resources;
}

} // namespace wayline
