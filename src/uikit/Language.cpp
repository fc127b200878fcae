#include "uikit/Language.h"

#include "uikit/Resources.h"

#include <QApplication>
#include <QEvent>
#include <QLibraryInfo>
#include <QTranslator>
#include <QWidget>

#include <memory>

namespace wayline {

namespace {

// "de-DE" and "de_DE" name the same thing; the resources use "_".
QString Normalised(QString code) {
    return code.replace(u'-', u'_');
}

} // namespace

QString ChooseLanguage(const std::optional<QString>& chosen, const QStringList& userLanguages,
                       const QStringList& available) {
    if (chosen && available.contains(*chosen)) {
        return *chosen;
    }
    for (const QString& user : userLanguages) {
        const QString code = Normalised(user);
        if (available.contains(code)) {
            return code;
        }
        const QString language = code.section(u'_', 0, 0);
        if (available.contains(language)) {
            return language;
        }
    }
    return EnglishLanguage;
}

QLocale LanguageLocale(const QString& language) {
    return language == EnglishLanguage ? QLocale(QLocale::English, QLocale::UnitedStates)
                                       : QLocale(language);
}

QString DecimalText(double value, int decimals, const QString& language) {
    QLocale locale = LanguageLocale(language);
    locale.setNumberOptions(QLocale::OmitGroupSeparator);
    return locale.toString(value, 'f', decimals);
}

void InstallQtTranslations(const QString& language) {
    static std::unique_ptr<QTranslator> installed;
    if (installed) {
        QCoreApplication::removeTranslator(installed.get());
        installed.reset();
    }
    if (language == EnglishLanguage) {
        return;
    }
    auto translator = std::make_unique<QTranslator>();
    if (translator->load(QLocale(language), QStringLiteral("qtbase"), QStringLiteral("_"),
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        QCoreApplication::installTranslator(translator.get());
        installed = std::move(translator);
    }
}

void AnnounceLanguageChange() {
    // A window passes the event on to its children, windows owned by it
    // among them.
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (window->parentWidget() == nullptr) {
            QEvent changed(QEvent::LanguageChange);
            QCoreApplication::sendEvent(window, &changed);
        }
    }
}

} // namespace wayline
