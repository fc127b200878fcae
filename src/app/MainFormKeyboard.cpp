// The main window without a mouse: the Tab order over the palette, the
// lists, their values and set columns, the settings and the picture
// buttons; the palette's arrow keys; the focus frame; and the names a
// screen reader reads.

#include "app/AppState.h"
#include "uikit/SkinImage.h"
#include "comm/ui/PortDiscovery.h"
#include "editor/core/DropRules.h"
#include "editor/core/SpinRules.h"
#include "editor/core/VisibleActions.h"
#include "editor/ui/BotAction.h"
#include "editor/ui/DrawGrid.h"
#include "editor/ui/FocusFrame.h"
#include "editor/ui/Palette.h"
#include "editor/ui/SuperSpinEdit.h"
#include "app/MainForm.h"

#include <QApplication>
#include <QCheckBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTabBar>

#include <algorithm>
#include <array>

namespace wayline {

namespace {

constexpr int PaletteHelpText = 431;
constexpr int MainGridHelpText = 434;
constexpr int AllSetHelpText = 438;
constexpr int SensorsEnabledHelpText = 440;
constexpr int HyperHelpHelpText = 441;
constexpr int PortLabelText = 378;
constexpr int SensorSetsHelpText = 439;
constexpr int StepText = 459;
constexpr int RowSetsText = 460;
constexpr int AppendRowText = 461;
constexpr int PaletteNameText = 462;
constexpr int PaletteKeysText = 463;
constexpr int MainGridNameText = 464;
constexpr int SensorGridNameText = 465;
constexpr int FirstButtonNameText = 466; // Go .. Undo by tag
constexpr int PortHelpText = 477;
constexpr int ModeSwitchHelpText = 478;
constexpr int SetColumnKeysText = 479;
constexpr int SensorTabsNameText = 480;
constexpr int LoopBackOnlyMainText = 481;
constexpr int HelpNameText = 482;
constexpr int SetCellText = 483;
constexpr int ColumnTitleText = 369; // + column
constexpr int FirstSetNameText = 406;
constexpr int FirstActionNameText = 398;

constexpr std::array<int, 12> ButtonHelpText{0, 444, 445, 446, 447, 448, 449, 450, 450, 450, 450, 451};
// Tab reaches the editing buttons under the list first, then the command
// buttons below them: the order they stand on the window.
constexpr std::array<int, 11> ButtonTabOrder{7, 8, 9, 10, 11, 1, 2, 3, 4, 5, 6};
constexpr int PaletteColumns = 2;

QString Fill(QString text, const QString& key, const QString& value) {
    return text.replace(QLatin1Char('{') + key + QLatin1Char('}'), value);
}

} // namespace

void TMainForm::SetUpKeyboard() {
    Frame = new TFocusFrame(this);
    connect(qApp, &QApplication::focusChanged, this, [this] { UpdateFocusFrame(); });

    // The palette is one Tab stop; its arrows move between the actions.
    Palette->setFocusPolicy(Qt::TabFocus);
    Palette->installEventFilter(this);
    Palette->setAccessibleName(Res.LoadText(PaletteNameText));
    Palette->setAccessibleDescription(Res.LoadText(PaletteKeysText));
    if (PaletteControl) {
        for (TSkinImage* picture : PaletteControl->Pictures()) {
            picture->SetAccessibleRole(QAccessible::Button);
            picture->setAccessibleName(Res.LoadText(FirstActionNameText + picture->Tag()));
            picture->setAccessibleDescription(Res.LoadText(PaletteHelpText));
        }
    }
    // Each picture button is a Tab stop on its normal picture, the one
    // picture of the four that is always there.
    for (int tag = 1; tag <= ButtonCount; ++tag) {
        for (int n = NormalPicture(tag); n <= DisabledPicture(tag); ++n) {
            TSkinImage* picture = Images[static_cast<std::size_t>(n)];
            if (!picture)
                continue;
            picture->SetAccessibleRole(n == NormalPicture(tag) ? QAccessible::Button
                                                                : QAccessible::Graphic);
            picture->setAccessibleName(Res.LoadText(FirstButtonNameText + tag - 1));
            picture->setAccessibleDescription(Res.LoadText(ButtonHelpText[static_cast<std::size_t>(tag)]));
        }
        if (TSkinImage* normal = Images[static_cast<std::size_t>(NormalPicture(tag))]) {
            static const char* const names[] = {"",       "GoButton",    "ClearButton",
                                                "TestButton", "LoadButton",  "SaveButton",
                                                "QuitButton", "DeleteButton", "CopyButton",
                                                "CutButton",  "PasteButton", "UndoButton"};
            normal->setObjectName(QString::fromLatin1(names[tag]));
            normal->setFocusPolicy(Qt::TabFocus);
            normal->installEventFilter(this);
        }
    }
    HyperHelpBox->setFocusPolicy(Qt::StrongFocus);
    SensorsEnabledBox->setFocusPolicy(Qt::StrongFocus);
    SensorTabBar->setFocusPolicy(Qt::StrongFocus);
    HyperHelpBox->setAccessibleName(HyperHelpBox->text());
    HyperHelpBox->setAccessibleDescription(Res.LoadText(HyperHelpHelpText));
    SensorsEnabledBox->setAccessibleName(SensorsEnabledBox->text());
    SensorsEnabledBox->setAccessibleDescription(Res.LoadText(SensorsEnabledHelpText));
    PortCombo->setAccessibleName(Res.LoadText(PortLabelText));
    PortCombo->setAccessibleDescription(Res.LoadText(PortHelpText));
    ModeSwitch->setAccessibleDescription(Res.LoadText(ModeSwitchHelpText));
    SensorTabBar->setAccessibleName(Res.LoadText(SensorTabsNameText));
    SensorTabBar->setAccessibleDescription(Res.LoadText(SensorSetsHelpText));
    Help->setAccessibleName(Res.LoadText(HelpNameText));
    for (int list = 1; list <= ListCount; ++list) {
        TDrawGrid* grid = Grid(list);
        grid->setAccessibleName(
            list == MainList ? Res.LoadText(MainGridNameText)
                             : Fill(Res.LoadText(SensorGridNameText), QStringLiteral("set"),
                                    Res.LoadText(FirstSetNameText + list - 2)));
        grid->setAccessibleDescription(
            Res.LoadText(list == MainList ? MainGridHelpText : AllSetHelpText));
        grid->SetRowText(
            [this, list](int row, int keyColumn) { return RowText(list, row, keyColumn); });
    }
}

QString TMainForm::RowText(int list, int row, int keyColumn) const {
    if (row < 1 || row > State.Editor.StepCount(list)) {
        return Fill(Res.LoadText(AppendRowText), QStringLiteral("step"), QString::number(row));
    }
    const TActionStep& step = State.Editor.Step(list, row);
    const TSpinLimits limits = SpinLimitsFor(step.Kind, row);
    TNumberFormat format;
    format.DecimalSeparator = QString(State.DecimalSeparator).toStdString();
    const QString value = QString::fromStdString(SpinDisplayText(
        step.Value, limits.Decimals, Res.LoadText(limits.PrefixTextId).toStdString(),
        Res.LoadText(limits.SuffixTextId).toStdString(), true, format));
    const std::array<int, 3> sets{step.BothSet, step.LeftSet, step.RightSet};
    const auto setName = [&](int column) {
        const int set = sets[static_cast<std::size_t>(column - 2)];
        return set < SensorSetCount ? Res.LoadText(FirstSetNameText + set) : QString();
    };
    if (keyColumn >= 2 && keyColumn <= 4) {
        QString text = Fill(Res.LoadText(SetCellText), QStringLiteral("column"),
                            Res.LoadText(ColumnTitleText + keyColumn));
        text = Fill(text, QStringLiteral("step"), QString::number(row));
        return Fill(text, QStringLiteral("set"), setName(keyColumn));
    }
    QString text = Fill(Res.LoadText(StepText), QStringLiteral("step"), QString::number(row));
    text = Fill(text, QStringLiteral("action"),
                step.Kind < ActionKindCount ? Res.LoadText(FirstActionNameText + step.Kind)
                                            : QString());
    text = Fill(text, QStringLiteral("value"), value);
    if (list == MainList && State.Editor.AdvancedMode) {
        QString withSets = Fill(Res.LoadText(RowSetsText), QStringLiteral("row"), text);
        withSets = Fill(withSets, QStringLiteral("both"), setName(2));
        withSets = Fill(withSets, QStringLiteral("left"), setName(3));
        text = Fill(withSets, QStringLiteral("right"), setName(4));
    }
    return text;
}

std::vector<TMainForm::TKeyStop> TMainForm::KeyStops() const {
    std::vector<TKeyStop> stops;
    const auto add = [&stops](QWidget* widget, int column = 0) {
        if (widget && widget->isVisible() && widget->isEnabled())
            stops.push_back({widget, column});
    };
    const auto addList = [&](int list) {
        TDrawGrid* grid = Grid(list);
        if (!grid || !grid->isVisible())
            return;
        add(grid);
        const int top = grid->Selection().Top;
        if (top < 1 || top > State.Editor.StepCount(list))
            return;
        // The selected step's value, when its row is in view.
        if (TBotAction* row = RowControl(list, top - grid->TopRow() + 1);
            row && row->IsShown() && row->Grid() == grid) {
            add(row->SpinEdit()->Edit());
        }
        if (list == MainList && State.Editor.AdvancedMode) {
            for (int column = 2; column <= 4; ++column)
                add(grid, column);
        }
    };
    add(Palette);
    addList(MainList);
    if (State.Editor.AdvancedMode) {
        add(SensorTabBar);
        addList(State.Editor.CurrentList >= 2 ? State.Editor.CurrentList
                                              : SensorTabBar->currentIndex() + 2);
    }
    add(PortCombo);
    add(HyperHelpBox);
    add(SensorsEnabledBox);
    add(ModeSwitch);
    for (int tag : ButtonTabOrder) {
        add(Images[static_cast<std::size_t>(NormalPicture(tag))]);
    }
    return stops;
}

int TMainForm::CurrentKeyStop(const std::vector<TKeyStop>& stops) const {
    QWidget* focus = QApplication::focusWidget();
    for (std::size_t i = 0; i < stops.size(); ++i) {
        const TKeyStop& stop = stops[i];
        if (stop.Widget != focus)
            continue;
        const auto* grid = qobject_cast<const TDrawGrid*>(focus);
        if (!grid || grid->KeyColumn() == stop.Column)
            return static_cast<int>(i);
    }
    // In a row's value that is not the selected row's: where that value's
    // list stands.
    for (int list : {MainList, 2}) {
        for (int slot = 1; slot <= SlotCount(list); ++slot) {
            const TBotAction* row = RowControl(list, slot);
            if (row && (focus == row->SpinEdit()->Edit() || focus == row->SpinEdit()->UpDown())) {
                for (std::size_t i = 0; i < stops.size(); ++i) {
                    if (stops[i].Widget == row->Grid())
                        return static_cast<int>(i);
                }
            }
        }
    }
    return -1;
}

bool TMainForm::focusNextPrevChild(bool next) {
    if (!SetUp) {
        return QWidget::focusNextPrevChild(next);
    }
    const std::vector<TKeyStop> stops = KeyStops();
    if (stops.empty()) {
        return false;
    }
    const int count = static_cast<int>(stops.size());
    const int current = CurrentKeyStop(stops);
    const int target = current < 0 ? (next ? 0 : count - 1) : (current + (next ? 1 : -1) + count) % count;
    const TKeyStop& stop = stops[static_cast<std::size_t>(target)];
    for (int list = 1; list <= ListCount; ++list) {
        if (TDrawGrid* grid = Grid(list); grid && (grid != stop.Widget || stop.Column == 0))
            grid->SetKeyColumn(0);
    }
    if (auto* grid = qobject_cast<TDrawGrid*>(stop.Widget)) {
        grid->SetKeyColumn(stop.Column);
        State.Editor.CurrentList = grid->Tag();
        if (stop.Column >= 2) {
            ShowHelp(SetColumnKeysText);
        }
    }
    if (stop.Widget == Palette) {
        ShowHelp(PaletteKeysText);
    }
    stop.Widget->setFocus(next ? Qt::TabFocusReason : Qt::BacktabFocusReason);
    UpdateFocusFrame();
    return true;
}

void TMainForm::UpdateFocusFrame() {
    if (!Frame) {
        return;
    }
    QWidget* focus = QApplication::focusWidget();
    if (!focus || focus->window() != this || focus == Help) {
        Frame->hide();
        return;
    }
    if (focus == Palette && PaletteControl && !PaletteControl->Pictures().empty()) {
        const auto& pictures = PaletteControl->Pictures();
        PaletteFocus = std::clamp(PaletteFocus, 0, static_cast<int>(pictures.size()) - 1);
        TSkinImage* picture = pictures[static_cast<std::size_t>(PaletteFocus)];
        Frame->Surround(picture);
        return;
    }
    if (auto* grid = qobject_cast<TDrawGrid*>(focus)) {
        const int top = grid->Selection().Top;
        if (grid->KeyColumn() >= 2 && top >= 1) {
            Frame->Surround(grid, grid->CellRect(grid->KeyColumn(), top));
        } else {
            Frame->Surround(grid);
        }
        return;
    }
    Frame->Surround(focus);
}

bool TMainForm::KeyboardEvent(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress) {
        return false;
    }
    auto* key = static_cast<QKeyEvent*>(event);
    if (key->modifiers() & (Qt::ControlModifier | Qt::AltModifier)) {
        return false;
    }
    const bool activate =
        key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter || key->key() == Qt::Key_Space;
    if (watched == Palette) {
        return PaletteKey(key->key());
    }
    for (int tag = 1; tag <= ButtonCount; ++tag) {
        if (watched == Images[static_cast<std::size_t>(NormalPicture(tag))] && activate) {
            if (IsButtonEnabled(tag)) {
                ButtonClick(tag);
            }
            return true;
        }
    }
    return false;
}

bool TMainForm::PaletteKey(int key) {
    if (!PaletteControl || PaletteControl->Pictures().empty()) {
        return false;
    }
    const int count = static_cast<int>(PaletteControl->Pictures().size());
    int focus = PaletteFocus;
    switch (key) {
    case Qt::Key_Left:
        focus -= focus % PaletteColumns > 0 ? 1 : 0;
        break;
    case Qt::Key_Right:
        focus += focus % PaletteColumns < PaletteColumns - 1 && focus + 1 < count ? 1 : 0;
        break;
    case Qt::Key_Up:
        focus -= focus >= PaletteColumns ? PaletteColumns : 0;
        break;
    case Qt::Key_Down:
        focus += focus + PaletteColumns < count ? PaletteColumns : 0;
        break;
    case Qt::Key_Home:
        focus = 0;
        break;
    case Qt::Key_End:
        focus = count - 1;
        break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space:
        AddPaletteAction(PaletteControl->Pictures()[static_cast<std::size_t>(PaletteFocus)]->Tag());
        return true;
    default:
        return false;
    }
    if (focus != PaletteFocus) {
        PaletteFocus = focus;
        TSkinImage* picture = PaletteControl->Pictures()[static_cast<std::size_t>(focus)];
        ShowHelp(PaletteKeysText); // the keys, not the mouse's drag
        UpdateFocusFrame();
        if (QAccessible::isActive()) {
            QAccessibleEvent moved(picture, QAccessible::Focus);
            QAccessible::updateAccessibility(&moved);
        }
    }
    return true;
}

void TMainForm::AddPaletteAction(int kind) {
    const int list = State.Editor.CurrentList;
    TDrawGrid* grid = CurrentGrid();
    if (!grid) {
        return;
    }
    if (!DoubleClickAppends(static_cast<std::uint8_t>(kind), list)) {
        QApplication::beep();
        ShowHelp(LoopBackOnlyMainText);
        return;
    }
    const int row = KeyboardInsertRow(grid->Selection().Top, grid->RowCount());
    const TDropResult result = DropAction(State.Editor, State.UndoRing, list, row,
                                          static_cast<std::uint8_t>(kind), grid->TopRow());
    if (result.Inserted) {
        grid->SetRowCount(State.Editor.RowCount(list));
        grid->SetTopRow(TopRowShowing(result.Row, result.TopRow, SlotCount(list)));
        // The new step is selected: the next one goes after it.
        grid->SetSelection({1, result.Row, grid->ColCount() - 1, result.Row});
        DisplayVisibleActions(list, 1);
        grid->update();
    }
    AutoEnableDisable();
}

bool TMainForm::SetColumnKey(TDrawGrid* grid, QKeyEvent* event) {
    const int column = grid->KeyColumn();
    if (column < 2 || grid->Tag() != MainList) {
        return false;
    }
    const int row = grid->Selection().Top;
    int step = 0;
    switch (event->key()) {
    case Qt::Key_Left:
        step = -1;
        break;
    case Qt::Key_Right:
    case Qt::Key_Space:
        step = 1;
        break;
    case Qt::Key_Up:
    case Qt::Key_Down:
        // The grid has moved the selection: the frame follows the row.
        UpdateFocusFrame();
        return false;
    default:
        return false;
    }
    if (row >= 1 && row <= State.Editor.StepCount(MainList)) {
        const TActionStep& current = State.Editor.Step(MainList, row);
        const int set = column == 2 ? current.BothSet : column == 3 ? current.LeftSet : current.RightSet;
        // The same as dropping that set's "+" panel on the cell.
        DropSensorSet(State.Editor, State.UndoRing, MainList, column, row, NextSensorSet(set, step));
        grid->SetKeyColumn(column); // tells a screen reader the new set
        grid->update();
        AutoEnableDisable();
    }
    return true;
}

} // namespace wayline
