// Finding texts their controls would cut: each kind of control against the
// room it gives, measured with its own font.
#include "uikit/TextFit.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QTabBar>
#include <QTest>
#include <QWidget>

#include <memory>
#include <vector>

using namespace wayline;

namespace {

QStringList Clipped(const QWidget& window) {
    QStringList texts;
    for (const TClippedText& clipped : FindClippedTexts(&window)) {
        texts << clipped.Where + u':' + clipped.Text;
    }
    return texts;
}

} // namespace

class TTextFitTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void TextsWiderThanTheirControlsAreFound();
    void WrappedLabelsNeedTheirHeightAndEveryWordItsWidth();
    void MnemonicsAndHiddenControlsAreNotMeasured();
};

void TTextFitTest::TextsWiderThanTheirControlsAreFound() {
    QWidget window;
    window.setObjectName(QStringLiteral("Window"));
    const QString longText = QStringLiteral("Servos einstellen und kalibrieren");
    auto makeAll = [&](int width, const QString& suffix) {
        auto* label = new QLabel(longText, &window);
        label->setObjectName("Label" + suffix);
        auto* button = new QPushButton(longText, &window);
        button->setObjectName("Button" + suffix);
        auto* box = new QCheckBox(longText, &window);
        box->setObjectName("Box" + suffix);
        auto* combo = new QComboBox(&window);
        combo->setObjectName("Combo" + suffix);
        combo->addItems({QStringLiteral("Kurz"), longText});
        for (QWidget* w : std::initializer_list<QWidget*>{label, button, box, combo}) {
            w->resize(width, 30);
        }
    };
    makeAll(60, QStringLiteral("Narrow"));
    makeAll(600, QStringLiteral("Wide"));
    QCOMPARE(Clipped(window), (QStringList{"Window/LabelNarrow:" + longText,
                                           "Window/ButtonNarrow:" + longText,
                                           "Window/BoxNarrow:" + longText,
                                           "Window/ComboNarrow:" + longText}));
    const TClippedText first = FindClippedTexts(&window).front();
    QVERIFY(first.Needed > first.Room);
    QCOMPARE(first.Room, 60);

    // A button's room is inside its frame, less a margin: a caption exactly
    // as wide as the button is cut.
    QWidget tight;
    auto* button = new QPushButton(QStringLiteral("Abbrechen"), &tight);
    button->resize(TextWidth(button->font(), button->text()), 30);
    QCOMPARE(FindClippedTexts(&tight).size(), std::size_t{1});
    button->resize(TextWidth(button->font(), button->text()) + 2 * ButtonTextMargin + 8, 30);
    QCOMPARE(FindClippedTexts(&tight).size(), std::size_t{0});
}

void TTextFitTest::WrappedLabelsNeedTheirHeightAndEveryWordItsWidth() {
    QWidget window;
    auto* label = new QLabel(QStringLiteral("Ein Sensor hat ausgelöst: zurück, dann links drehen"),
                             &window);
    label->setWordWrap(true);
    const int line = QFontMetrics(label->font()).height();
    label->resize(140, 4 * line);
    QVERIFY(FindClippedTexts(&window).empty());
    label->resize(140, line); // one line for three lines of words
    QCOMPARE(FindClippedTexts(&window).size(), std::size_t{1});
    QVERIFY(FindClippedTexts(&window).front().Needed > line);

    label->setText(QStringLiteral("Übertragungsgeschwindigkeit"));
    label->resize(60, 10 * line); // tall enough, but the word is wider
    QCOMPARE(FindClippedTexts(&window).size(), std::size_t{1});
}

void TTextFitTest::MnemonicsAndHiddenControlsAreNotMeasured() {
    QWidget window;
    auto* button = new QPushButton(QStringLiteral("&&&Senden"), &window);
    // "&&&Senden" shows "&Senden": the marks take no room.
    QCOMPARE(TextWidth(button->font(), button->text()),
             QFontMetrics(button->font()).horizontalAdvance(QStringLiteral("&Senden")));
    button->resize(TextWidth(button->font(), button->text()) + 2 * ButtonTextMargin + 8, 30);
    QVERIFY(FindClippedTexts(&window).empty());

    auto* hidden = new QLabel(QStringLiteral("Ein sehr langer Text, der nirgends hinpasst"), &window);
    hidden->resize(10, 10);
    hidden->hide();
    QVERIFY(FindClippedTexts(&window).empty());

    QTabBar* tabs = new QTabBar(&window);
    tabs->setObjectName(QStringLiteral("Tabs"));
    for (const char* name : {"Alle", "Gruppe1", "Gruppe2", "Gruppe3", "Gruppe4"}) {
        tabs->addTab(QString::fromLatin1(name));
    }
    tabs->resize(tabs->sizeHint());
    QVERIFY(FindClippedTexts(&window).empty());
    tabs->resize(tabs->sizeHint().width() / 2, tabs->sizeHint().height());
    QVERIFY(!FindClippedTexts(&window).empty());
}

std::vector<std::unique_ptr<QObject>> MakeTextFitTests() {
    std::vector<std::unique_ptr<QObject>> tests;
    tests.push_back(std::make_unique<TTextFitTest>());
    return tests;
}

#include "TextFitTest.moc"
