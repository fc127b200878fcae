// The language as a user meets it: the desktop's locale chooses it, the
// start window changes it, and the next start keeps that choice.

#include "UserDriver.h"

using namespace wayline::user;

class LanguageSuite : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void TheLocaleChoosesTheStartWindowChangesTheNextStartKeeps() {
        const QMap<QString, QString> german{{QStringLiteral("LANG"), QStringLiteral("de_DE.UTF-8")}};
        TWayline wayline(QString(), german);
        {
            TShotOnFailure shot(QStringLiteral("language-from-locale"));
            QVERIFY(wayline.WaitFor(
                [](const QJsonObject& s) { return s["active"].toString() == "IntroForm"; },
                StartTimeoutMs));
            QCOMPARE(wayline.State()["language"].toString(), QStringLiteral("de"));
            QCOMPARE(wayline.State()["intro"].toObject()["title"].toString(),
                     QStringLiteral("Wayline v1.3.1 - Wähle einen Modus"));

            // Alt+S ("&Sprache:") goes to the list; the next language down
            // is Spanish.
            TWayline::Key(QStringLiteral("alt+s"));
            TWayline::Key(QStringLiteral("Down"));
            QVERIFY(wayline.WaitFor([](const QJsonObject& s) {
                return s["language"].toString() == "es" &&
                       s["intro"].toObject()["title"].toString() ==
                           QStringLiteral("Wayline v1.3.1 - Elige un modo");
            }));
            QVERIFY(wayline.ChooseMode(false));
            QCOMPARE(wayline.State()["hyperHelpText"].toString(), QStringLiteral("Ayuda activada"));
            QVERIFY(wayline.ClickButton(Quit));
            QVERIFY(wayline.Program.waitForFinished(StartTimeoutMs));
        }
        // Started again in the German desktop: the choice stands.
        TWayline again(wayline.HomeFolder(), german);
        TShotOnFailure shot(QStringLiteral("language-kept"));
        QVERIFY(again.WaitFor(
            [](const QJsonObject& s) { return s["active"].toString() == "IntroForm"; },
            StartTimeoutMs));
        QCOMPARE(again.State()["language"].toString(), QStringLiteral("es"));
    }
};

WAYLINE_USER_SUITE(LanguageSuite);
#include "LanguageSuite.moc"
