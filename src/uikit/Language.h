#pragma once

#include <QLocale>
#include <QString>
#include <QStringList>

#include <optional>

namespace wayline {

// The language the program speaks: the one the user chose on the start
// window (kept in the settings) when the resources hold it; else the first
// of the user's languages (QLocale::system().uiLanguages(), which Qt takes
// from LANGUAGE, LC_ALL, LC_MESSAGES and LANG) that they hold, by its full
// code ("pt_BR") or its language ("de" for "de-AT"); else English.
QString ChooseLanguage(const std::optional<QString>& chosen, const QStringList& userLanguages,
                       const QStringList& available);

// The locale whose number characters the language writes: "1,5" in German,
// Spanish and French, "1.5" in English.
QLocale LanguageLocale(const QString& language);

// `value` with `decimals` decimals as the language writes it ("1,5" in
// German), without group separators.
QString DecimalText(double value, int decimals, const QString& language);

// Qt's own texts (the file dialogs' labels, the standard buttons) in the
// language, from the system's Qt translations when they are installed; in
// English when not.
void InstallQtTranslations(const QString& language);

// Tells every window that the language changed (a QEvent::LanguageChange
// each), so that those already made set their texts again.
void AnnounceLanguageChange();

} // namespace wayline
