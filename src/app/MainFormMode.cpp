// Beginner and Advanced Mode on the running window: the switch lays the
// window out again from the mode's records and keeps every list.

#include "app/AppState.h"
#include "uikit/SkinImage.h"
#include "codegen/ui/MemoryGauge.h"
#include "editor/core/VisibleActions.h"
#include "editor/ui/BotAction.h"
#include "editor/ui/DrawGrid.h"
#include "editor/ui/SuperSpinEdit.h"
#include "app/MainForm.h"

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTabBar>
#include <QToolTip>

namespace wayline {

namespace {

constexpr int MainGridRecord = 88;
constexpr int MemoryGaugeRecord = 90;
constexpr int FirstPalettePicture = 14;
constexpr int LastPalettePicture = 21;
constexpr int SecondsRefusedText = 457;
constexpr int StepRefusedText = 458;

} // namespace

void TMainForm::ReplaceSkinPicture(int n) {
    if (TSkinImage* picture = Images[static_cast<std::size_t>(n)]) {
        Res.ApplySkinPicture(picture, n, State.Editor.AdvancedMode);
    }
}

void TMainForm::SwitchMode(bool advanced) {
    if (!SetUp || advanced == State.Editor.AdvancedMode) {
        return;
    }
    State.Editor.AdvancedMode = advanced;
    // The sensor lists stay in the document in Beginner Mode, unseen; only
    // the main list can be edited there.
    if (!advanced) {
        State.Editor.CurrentList = MainList;
    }

    // The skin from the mode's picture records (n + 90 first in Advanced
    // Mode, then n). The palette pictures belong to the palette and keep
    // their places.
    for (int n = 1; n <= SkinImageCount; ++n) {
        if (n < FirstPalettePicture || n > LastPalettePicture) {
            ReplaceSkinPicture(n);
        }
    }
    for (int n : {6, 13}) {
        ShowPicture(n, false);
    }
    ShowPicture(12, true);
    // The controls from theirs; the window keeps its place on the screen.
    PlaceControls(true);
    Res.PlaceControl(MemoryGaugeRecord, MemoryGauge, advanced);

    // The main grid: five columns in Advanced Mode, two in Beginner Mode.
    TDrawGrid* main = Grids[MainList];
    Res.PlaceControl(MainGridRecord, main, advanced);
    main->SetColCount(advanced ? 5 : 2);
    SetColumnWidths(main);
    const TDrawGrid::TSelection selection = main->Selection();
    main->SetSelection({1, selection.Top, main->ColCount() - 1, selection.Bottom});
    ApplyMode();
    ConnectSensorPanel();

    // The rows' values lie beside the Actions column, whose width changed.
    CreateRows(MainList);
    DisplayVisibleActions(MainList, 1);
    const int shownSet = SensorTabBar->currentIndex() + 2;
    for (int list = 2; list <= ListCount; ++list) {
        Grids[static_cast<std::size_t>(list)]->setVisible(advanced && list == shownSet);
    }
    if (advanced) {
        DisplayVisibleActions(shownSet, 1);
    } else {
        for (int slot = 1; slot <= SensorListSlots; ++slot) {
            RowControl(2, slot)->Show(false);
        }
    }

    // Help on or off sizes and shapes the window for its new width.
    HyperHelpClick();
    AutoEnableDisable();
    ClearHighlights();
    main->update();
    ModeSwitch->setFocus(Qt::OtherFocusReason);
    Q_EMIT ModeChanged(advanced);
}

void TMainForm::RowInputRefused(TSuperSpinEdit* spin) {
    QApplication::beep();
    const QString text = Res.LoadText(spin->Decimals() > 0 ? SecondsRefusedText : StepRefusedText);
    Help->setPlainText(text);
    QLineEdit* edit = spin->Edit();
    QToolTip::showText(edit->mapToGlobal(QPoint(0, edit->height())), text, edit);
}

} // namespace wayline
