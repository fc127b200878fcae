#include "app/AppState.h"

#include "uikit/Language.h"
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

void SetProgramLanguage(TAppState& state, TResources& resources, const QString& language,
                        bool chosen) {
    resources.SetLanguage(language);
    state.Language = resources.Language();
    state.LanguageChosen = state.LanguageChosen || chosen;
    state.AltLetters = resources.LoadAltLetters();
    state.RobotText = resources.LoadText(RobotTextId);
    const QLocale locale = LanguageLocale(state.Language);
    state.DecimalSeparator = FirstCharOr(locale.decimalPoint(), u'.');
    state.NegativeSign = FirstCharOr(locale.negativeSign(), u'-');
    InstallQtTranslations(state.Language);
    AnnounceLanguageChange();
}

QString IntroCaption(const QString& productVersion, const TResources& resources) {
    return QStringLiteral("Wayline v") + productVersion + QStringLiteral(" - ") +
           resources.LoadText(ChooseModeTextId);
}

QString ProductVersion() {
    return QStringLiteral(WAYLINE_VERSION);
}

} // namespace wayline
