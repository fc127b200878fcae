// The main window's memory gauge and the check Go makes before it compiles:
// do the lists still fit beside the robot program?

#include "app/AppState.h"
#include "uikit/UserDialogs.h"
#include "codegen/core/BuildCode.h"
#include "codegen/core/MemoryUse.h"
#include "app/MainForm.h"
#include "app/Messages.h"
#include "codegen/ui/MemoryGauge.h"
#include "tokenizer/Tokenizer.h"

#include <QByteArray>
#include <QGuiApplication>

#include <memory>

namespace wayline {

namespace {

constexpr int MemoryGaugeRecord = 90; // 180 in advanced mode
constexpr int MemoryGaugeHelpText = 452;
constexpr int MemoryGaugeCaptionText = 453;

} // namespace

void TMainForm::SetUpMemoryGauge() {
    MemoryGauge = new TMemoryGauge(this);
    Res.PlaceControl(MemoryGaugeRecord, MemoryGauge, State.Editor.AdvancedMode);
    MemoryGauge->SetCaption(Res.LoadText(MemoryGaugeCaptionText));
    MemoryGauge->raise();
    connect(MemoryGauge, &TMemoryGauge::Hovered, this, [this] {
        GeneralMouseMove(QGuiApplication::mouseButtons());
        ShowHelp(MemoryGaugeHelpText);
    });

    // The robot program takes the same room whatever the lists hold, so
    // one compile of it with empty lists tells where the room for the lists
    // ends; every edit after that only counts the lists. A tokenizer of its
    // own keeps the program's compile record untouched.
    const QByteArray templateText =
        Res.Find(QStringLiteral("DATA"), RobotProgramResource).value_or(QByteArray());
    const auto tokenizer = std::make_unique<TTokenizer>();
    ProgramStart = RobotProgramStart(
        *tokenizer, std::string_view(templateText.constData(), templateText.size()));
    MemoryGauge->setVisible(ProgramStart.has_value());
    UpdateMemoryGauge();
}

void TMainForm::UpdateMemoryGauge() {
    if (MemoryGauge && ProgramStart) {
        MemoryGauge->SetUse(MeasureMemoryUse(State.Editor, *ProgramStart));
    }
}

bool TMainForm::ListsFitTheRobot() {
    if (!ProgramStart) {
        return true; // unknown: the compile decides
    }
    const TMemoryUse use = MeasureMemoryUse(State.Editor, *ProgramStart);
    if (use.Fits()) {
        return true;
    }
    Dialogs->ShowErrorBox(this, ListsTooLargeText(use, Res));
    return false;
}

} // namespace wayline
