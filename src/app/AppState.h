#pragma once

#include "editor/core/ActionDocument.h"

#include <QChar>
#include <QString>

namespace wayline {

// Process-wide state prepared before any window exists.
struct TAppState {
    TDocumentState Editor{};
    QString SelectedPort = QStringLiteral("AUTO");
    int FontCharset = 0;
    QString AltLetters = QStringLiteral("DCTPUGVRELSQ");
    QChar DecimalSeparator = u'.';
    QChar NegativeSign = u'-';
};

// The one instance the program owns; tests may build their own TAppState.
TAppState& App();

} // namespace wayline
