// Languages as editions of the resources: lookup with fallback to English,
// the choice of language, numbers as a language writes them, and every
// table of the program checked against the English one.
#include "uikit/Language.h"
#include "uikit/Resources.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>

#include <memory>
#include <vector>

using namespace wayline;

namespace {

void Write(const QTemporaryDir& dir, const QString& path, const QByteArray& bytes) {
    const QString full = dir.filePath(path);
    QDir().mkpath(QFileInfo(full).path());
    QFile file(full);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

QByteArray Utf16(const QString& text) {
    QByteArray bytes;
    for (QChar c : text) {
        bytes.append(static_cast<char>(c.unicode() & 0xFF));
        bytes.append(static_cast<char>(c.unicode() >> 8));
    }
    return bytes;
}

QByteArray Record(std::initializer_list<int> fields) {
    QByteArray bytes;
    for (int f : fields) {
        bytes.append(static_cast<char>(f & 0xFF));
        bytes.append(static_cast<char>((f >> 8) & 0xFF));
    }
    return bytes;
}

// The {name} parts of a text, as the program fills them in.
QSet<QString> Placeholders(const QString& text) {
    static const QRegularExpression name(QStringLiteral("\\{[A-Za-z0-9_]+\\}"));
    QSet<QString> names;
    for (const auto& match : name.globalMatch(text)) {
        names.insert(match.captured());
    }
    return names;
}

QList<int> EnglishTextNumbers() {
    QList<int> numbers;
    for (const QString& name : QDir(QStringLiteral(":/WSDATA")).entryList(QDir::Files)) {
        numbers << name.toInt();
    }
    std::sort(numbers.begin(), numbers.end());
    return numbers;
}

// Restores the program's resources to English after a test changed them.
struct TEnglishAfterwards {
    ~TEnglishAfterwards() { Resources().SetLanguage(EnglishLanguage); }
};

// The commands of the Alt-letter record in its order, with the text of the
// button that shows each (0: View, which has no button).
constexpr int AltCommandCaptions[12] = {472, 473, 474, 475, 476, 466, 0, 467, 468, 469, 470, 471};

} // namespace

class TLanguageTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void AnEditionIsLookedUpFirstAndEnglishFillsItsGaps();
    void LanguagesAreTheEditionsWithTexts();
    void ChoiceFromSettingsThenUserLanguagesThenEnglish();
    void NumbersAreWrittenAsTheLanguageWritesThem();
    void EveryLanguageHasEveryTextWithTheSamePlaceholders();
    void EveryLanguageNamesItselfAndHasItsOwnAltLetters();
};

void TLanguageTest::AnEditionIsLookedUpFirstAndEnglishFillsItsGaps() {
    QTemporaryDir dir;
    Write(dir, "WSDATA/366", Utf16("Beginner Mode"));
    Write(dir, "WSDATA/367", Utf16("Advanced Mode"));
    Write(dir, "WSDATA/900", Utf16("English"));
    Write(dir, "de/WSDATA/366", Utf16(QStringLiteral("Anfänger-Modus")));
    Write(dir, "de/WSDATA/900", Utf16("Deutsch"));
    Write(dir, "DATA/66", Record({1, 2, 3, 4}));
    Write(dir, "DATA/156", Record({5, 6, 7, 8}));
    Write(dir, "DATA/361", "DCTPUGVRELSQ");
    Write(dir, "de/DATA/66", Record({11, 12, 13, 14}));
    Write(dir, "de/DATA/361", "EKNFZLVRTASB");
    TResources r(dir.path());

    QCOMPARE(r.Language(), EnglishLanguage);
    QCOMPARE(r.LoadText(366), QStringLiteral("Beginner Mode"));
    r.SetLanguage(QStringLiteral("de"));
    QCOMPARE(r.Language(), QStringLiteral("de"));
    QCOMPARE(r.LoadText(366), QStringLiteral("Anfänger-Modus"));
    // A text the edition lacks shows in English; one nobody has stays empty.
    QCOMPARE(r.LoadText(367), QStringLiteral("Advanced Mode"));
    QCOMPARE(r.LoadText(368), QString());
    QCOMPARE(r.LoadAltLetters(), QStringLiteral("EKNFZLVRTASB"));
    // Records are replaced one by one: the edition's 66 in beginner mode;
    // in advanced mode the English override 156 still comes first.
    QCOMPARE(r.ControlRecord(66, false)->Left, 11);
    QCOMPARE(r.ControlRecord(66, true)->Left, 5);
    QCOMPARE(r.FindIn(EnglishLanguage, QStringLiteral("DATA"), 66), Record({1, 2, 3, 4}));

    // A language the resources do not hold leaves English alone.
    r.SetLanguage(QStringLiteral("it"));
    QCOMPARE(r.Language(), EnglishLanguage);
    QCOMPARE(r.LoadText(366), QStringLiteral("Beginner Mode"));
    QCOMPARE(r.LoadAltLetters(), QStringLiteral("DCTPUGVRELSQ"));
}

void TLanguageTest::LanguagesAreTheEditionsWithTexts() {
    QTemporaryDir dir;
    Write(dir, "WSDATA/900", Utf16("English"));
    Write(dir, "fr/WSDATA/900", Utf16(QStringLiteral("Français")));
    Write(dir, "de/WSDATA/366", Utf16("Anfänger-Modus"));
    Write(dir, "es/DATA/361", "BCTPDVEIRAGS");    // records, but no texts
    Write(dir, "GIF/222", "picture");             // not a language
    Write(dir, "Deutsch/WSDATA/900", Utf16("x")); // not a language code
    TResources r(dir.path());
    QCOMPARE(r.Languages(), (QStringList{"en", "de", "fr"}));
    QCOMPARE(r.LanguageName(QStringLiteral("fr")), QStringLiteral("Français"));
    QCOMPARE(r.LanguageName(EnglishLanguage), QStringLiteral("English"));
    // Without its own name a language is listed by its code.
    QCOMPARE(r.LanguageName(QStringLiteral("de")), QStringLiteral("de"));

    QCOMPARE(Resources().Languages(), (QStringList{"en", "de", "es", "fr"}));
}

void TLanguageTest::ChoiceFromSettingsThenUserLanguagesThenEnglish() {
    const QStringList available{"en", "de", "es", "fr"};
    // What the user chose on the start window comes first.
    QCOMPARE(ChooseLanguage(QStringLiteral("fr"), {"de-DE", "de"}, available), QStringLiteral("fr"));
    QCOMPARE(ChooseLanguage(QStringLiteral("en"), {"de-DE"}, available), QStringLiteral("en"));
    // A choice the program no longer holds leaves it to the user's languages.
    QCOMPARE(ChooseLanguage(QStringLiteral("it"), {"es-ES"}, available), QStringLiteral("es"));
    // The user's languages in their order (LANGUAGE=fr:de), by full code or
    // by language.
    QCOMPARE(ChooseLanguage(std::nullopt, {"fr-CA", "de-DE"}, available), QStringLiteral("fr"));
    QCOMPARE(ChooseLanguage(std::nullopt, {"it-IT", "de-AT", "en-GB"}, available), QStringLiteral("de"));
    QCOMPARE(ChooseLanguage(std::nullopt, {"pt_BR"}, {"en", "pt", "pt_BR"}), QStringLiteral("pt_BR"));
    QCOMPARE(ChooseLanguage(std::nullopt, {"pt-PT"}, {"en", "pt", "pt_BR"}), QStringLiteral("pt"));
    // Nothing held: English.
    QCOMPARE(ChooseLanguage(std::nullopt, {"ja-JP", "C"}, available), QStringLiteral("en"));
    QCOMPARE(ChooseLanguage(std::nullopt, {}, available), QStringLiteral("en"));
}

void TLanguageTest::NumbersAreWrittenAsTheLanguageWritesThem() {
    QCOMPARE(DecimalText(1.5, 1, QStringLiteral("en")), QStringLiteral("1.5"));
    for (const char* code : {"de", "es", "fr"}) {
        QCOMPARE(DecimalText(1.5, 1, QString::fromLatin1(code)), QStringLiteral("1,5"));
        QCOMPARE(LanguageLocale(QString::fromLatin1(code)).decimalPoint(), QStringLiteral(","));
        // No group separator in a robot's time.
        QCOMPARE(DecimalText(1234.5, 1, QString::fromLatin1(code)), QStringLiteral("1234,5"));
    }
    QCOMPARE(LanguageLocale(EnglishLanguage).decimalPoint(), QStringLiteral("."));
}

void TLanguageTest::EveryLanguageHasEveryTextWithTheSamePlaceholders() {
    const TEnglishAfterwards english;
    const QList<int> numbers = EnglishTextNumbers();
    QVERIFY(numbers.size() > 150);
    QStringList problems;
    for (const QString& language : Resources().Languages()) {
        for (int id : numbers) {
            const auto own = Resources().FindIn(language, QStringLiteral("WSDATA"), id);
            if (!own) {
                problems << QStringLiteral("%1: text %2 is missing").arg(language).arg(id);
                continue;
            }
            Resources().SetLanguage(language);
            const QString text = Resources().LoadText(id);
            Resources().SetLanguage(EnglishLanguage);
            const QString englishText = Resources().LoadText(id);
            if (Placeholders(text) != Placeholders(englishText)) {
                problems << QStringLiteral("%1: text %2 fills in other {names} than English")
                                .arg(language)
                                .arg(id);
            }
            // Blank texts (a single space) stay blank: they clear a box.
            if ((englishText.trimmed().isEmpty()) != (text.trimmed().isEmpty())) {
                problems << QStringLiteral("%1: text %2 is blank in one language only")
                                .arg(language)
                                .arg(id);
            }
        }
    }
    QVERIFY2(problems.isEmpty(), qPrintable(problems.join(u'\n')));
}

void TLanguageTest::EveryLanguageNamesItselfAndHasItsOwnAltLetters() {
    const TEnglishAfterwards english;
    QSet<QString> names;
    for (const QString& language : Resources().Languages()) {
        Resources().SetLanguage(language);
        const QString name = Resources().LanguageName(language);
        QVERIFY2(name != language && !names.contains(name), qPrintable(language));
        names.insert(name);

        // Twelve letters A to Z, each once, each in the caption of the
        // button it presses.
        const QString letters = Resources().LoadAltLetters();
        QCOMPARE(letters.size(), 12);
        QSet<QChar> seen;
        for (int i = 0; i < 12; ++i) {
            const QChar letter = letters[i];
            QVERIFY2(letter >= u'A' && letter <= u'Z', qPrintable(language + ": " + letters));
            QVERIFY2(!seen.contains(letter), qPrintable(language + ": twice " + QString(letter)));
            seen.insert(letter);
            if (AltCommandCaptions[i] != 0) {
                const QString caption = Resources().LoadText(AltCommandCaptions[i]);
                QVERIFY2(caption.contains(letter, Qt::CaseInsensitive),
                         qPrintable(language + ": " + QString(letter) + " not in " + caption));
            }
        }
    }
}

std::vector<std::unique_ptr<QObject>> MakeLanguageTests() {
    std::vector<std::unique_ptr<QObject>> tests;
    tests.push_back(std::make_unique<TLanguageTest>());
    return tests;
}

#include "LanguageTest.moc"
