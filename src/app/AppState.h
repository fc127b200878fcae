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
};

// The one instance the program owns; tests may build their own TAppState.
TAppState& App();

// Module initialisation: port name, mode, character set and Alt letters
// from the resources, the spin edits' number characters from the locale,
// and a fresh action document.
void InitialiseApp(TAppState& state, const TResources& resources, const QLocale& locale);

// "Wayline v1.3.1 - Please choose a mode": the start window's caption.
QString IntroCaption(const QString& productVersion, const TResources& resources);

// The program's product version, taken from the build's project version.
QString ProductVersion();

} // namespace wayline
