#include "app/AppState.h"

#include "uikit/Resources.h"

#include <QLocale>

namespace wayline {

namespace {

constexpr int RobotTextId = 411;
constexpr int ChooseModeTextId = 368;

// Only the first character of the locale's symbol is used; an empty
// symbol keeps the default.
QChar FirstCharOr(const QString& text, QChar fallback) {
    return text.isEmpty() ? fallback : text.front();
}

} // namespace

TAppState& App() {
    static TAppState state;
    return state;
}

void InitialiseApp(TAppState& state, const TResources& resources, const QLocale& locale) {
    state.SelectedPort = QStringLiteral("AUTO");
    state.FontCharset = resources.LoadCharset();
    state.AltLetters = resources.LoadAltLetters();
    state.RobotText = resources.LoadText(RobotTextId);
    state.DecimalSeparator = FirstCharOr(locale.decimalPoint(), u'.');
    state.NegativeSign = FirstCharOr(locale.negativeSign(), u'-');
    InitialiseDocument(state.Editor);
    state.StepClipboard = TStepClipboard();
    state.UndoRing.Clear();
}

QString IntroCaption(const QString& productVersion, const TResources& resources) {
    return QStringLiteral("Wayline v") + productVersion + QStringLiteral(" - ") +
           resources.LoadText(ChooseModeTextId);
}

QString ProductVersion() {
    return QStringLiteral(WAYLINE_VERSION);
}

} // namespace wayline
