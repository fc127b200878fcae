#pragma once

#include "editor/core/ActionDocument.h"
#include "editor/core/StepClipboard.h"
#include "editor/core/UndoRing.h"

#include <QChar>
#include <QString>

class QLocale;

namespace wayline {

class TResources;

// Process-wide state prepared before any window exists.
struct TAppState {
    TDocumentState Editor{};
    TStepClipboard StepClipboard;
    TUndoRing UndoRing;
    QString SelectedPort = QStringLiteral("AUTO");
    int FontCharset = 0;
    QString AltLetters = QStringLiteral("DCTPUGVRELSQ");
    QChar DecimalSeparator = u'.';
    QChar NegativeSign = u'-';
    QString RobotText; // text 411, the port grid's name for a module
    // The language every window speaks, and whether the user chose it on
    // the start window (only a choice is kept in the settings).
    QString Language = QStringLiteral("en");
    bool LanguageChosen = false;
};

// The one instance the program owns; tests may build their own TAppState.
TAppState& App();

// Module initialisation: port name, mode, character set and Alt letters
// from the resources, the spin edits' number characters from the locale,
// and a fresh action document.
void InitialiseApp(TAppState& state, const TResources& resources, const QLocale& locale);

// The program speaks `language` from now on: the resources look in its
// edition first, the state takes its Alt letters, robot text and number
// characters, Qt's own dialogs follow, and the windows already made are
// told to set their texts again. `chosen`: the user chose it.
void SetProgramLanguage(TAppState& state, TResources& resources, const QString& language,
                        bool chosen);

// "Wayline v1.3.1 - Please choose a mode": the start window's caption.
QString IntroCaption(const QString& productVersion, const TResources& resources);

// The program's product version, taken from the build's project version.
QString ProductVersion();

} // namespace wayline
