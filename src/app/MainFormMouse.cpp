// The main window's mouse handling: grids, help texts, controls, moving.

#include "app/AppState.h"
#include "uikit/SkinImage.h"
#include "comm/ui/PortDiscovery.h"
#include "editor/core/DragRules.h"
#include "editor/core/EditOperations.h"
#include "editor/core/GridSelection.h"
#include "editor/core/SpinRules.h"
#include "editor/core/VisibleActions.h"
#include "editor/ui/BotAction.h"
#include "editor/ui/DrawGrid.h"
#include "app/KeyTranslation.h"
#include "app/MainForm.h"
#include "editor/ui/Palette.h"
#include "editor/ui/SuperSpinEdit.h"

#include <QApplication>
#include <QCheckBox>
#include <QEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QTabBar>
#include <QTimer>
#include <QWheelEvent>

#include <algorithm>
#include <utility>

namespace wayline {

namespace {

// Help texts (shown whether or not the help box is visible).
constexpr int BlankHelpText = 429;
constexpr int MainGridHelpText = 434;  // columns 0 and 1, or no cell
constexpr int SetColumnHelpBase = 433; // + column 2, 3, 4: Both, Left, Right
constexpr int AllSetHelpText = 438;    // the "All" tab is shown
constexpr int OtherSetHelpText = 439;  // Set1..Set4
constexpr int SensorsEnabledHelpText = 440;
constexpr int HyperHelpHelpText = 441;
constexpr int SensorPanelHelpText = 443;
constexpr int ModeSwitchHelpText = 455;

// Pictures whose mouse-over shows the blank help text.
constexpr std::array<int, 9> BlankHelpPictures{1, 2, 3, 4, 8, 10, 25, 29, 37};

} // namespace

void TMainForm::ConnectControls() {
    connect(HyperHelpBox, &QCheckBox::clicked, this, [this] { HyperHelpClick(); });
    connect(SensorsEnabledBox, &QCheckBox::clicked, this, [this] {
        SensorPanel->setEnabled(SensorsEnabledBox->isChecked());
        if (TDrawGrid* grid = CurrentGrid())
            grid->setFocus();
    });
    connect(PortCombo, &TPortComboBox::DroppingDown, this, [this] {
        PortKeyChoice = false;
        PortList->RefreshPortCombo();
    });
    connect(PortCombo, &QComboBox::activated, this, [this] {
        State.SelectedPort = PortList->GetSelectedPort();
        PortChosen = true;
        // A choice from the list sends the focus back to the list being
        // edited; one made with the arrow keys on the closed box keeps it
        // there, so the keyboard can go on through the ports.
        if (std::exchange(PortKeyChoice, false)) {
            return;
        }
        if (TDrawGrid* grid = CurrentGrid())
            grid->setFocus();
    });
    PortCombo->installEventFilter(this);
    connect(SensorTabBar, &QTabBar::currentChanged, this, &TMainForm::SensorTabChanged);
    for (QWidget* control : std::initializer_list<QWidget*>{
             HyperHelpBox, SensorsEnabledBox, SensorNotebook, SensorTabBar, SensorPanel, ModeSwitch}) {
        control->setMouseTracking(true);
        control->installEventFilter(this);
    }
}

void TMainForm::ConnectGrid(TDrawGrid* grid) {
    connect(grid, &TDrawGrid::MousePressed, this, &TMainForm::DrawGridMouseDown);
    connect(grid, &TDrawGrid::MouseMoved, this, &TMainForm::DrawGridMouseMove);
    connect(grid, &TDrawGrid::MouseReleased, this, &TMainForm::DrawGridMouseUp);
    connect(grid, &TDrawGrid::TopLeftChanged, this, &TMainForm::DrawGridTopLeftChanged);
    connect(grid, &TDrawGrid::KeyPressed, this, &TMainForm::GridKeyPressed);
}

void TMainForm::ConnectHelpPictures() {
    for (int n : BlankHelpPictures) {
        if (TSkinImage* picture = Images[static_cast<std::size_t>(n)]) {
            picture->setMouseTracking(true);
            connect(picture, &TSkinImage::MouseMoved, this, [this](TSkinImage*, QMouseEvent* e) {
                GeneralMouseMove(e->buttons());
                ShowHelp(BlankHelpText);
            });
        }
    }
}

bool TMainForm::ForwardWheelToGrid(QObject* watched, QEvent* event) {
    // The row controls lie over the grids, so a wheel turned over them is
    // meant for the list below.
    for (int list : {MainList, 2}) {
        for (int slot = 1; slot <= SlotCount(list); ++slot) {
            TBotAction* row = RowControl(list, slot);
            if (row &&
                (watched == row->SpinEdit()->Edit() || watched == row->SpinEdit()->UpDown())) {
                auto* wheel = static_cast<QWheelEvent*>(event);
                TDrawGrid* grid = row->Grid();
                QWidget* from = static_cast<QWidget*>(watched);
                const QPoint inGrid =
                    grid->mapFromGlobal(from->mapToGlobal(wheel->position().toPoint()));
                QWheelEvent forwarded(QPointF(inGrid), wheel->globalPosition(), wheel->pixelDelta(),
                                      wheel->angleDelta(), wheel->buttons(), wheel->modifiers(),
                                      wheel->phase(), wheel->inverted());
                QApplication::sendEvent(grid, &forwarded);
                return true;
            }
        }
    }
    return false;
}

bool TMainForm::IsRowEdit(const QWidget* widget) const {
    if (!widget) {
        return false;
    }
    for (int list : {MainList, 2}) {
        for (int slot = 1; slot <= SlotCount(list); ++slot) {
            const TBotAction* row = RowControl(list, slot);
            if (row && row->SpinEdit()->Edit() == widget)
                return true;
        }
    }
    return false;
}

bool TMainForm::ForwardTypedNumber(TSuperSpinEdit* spin, QKeyEvent* event) {
    if (!spin || !spin->Edit()->isVisible() ||
        (event->modifiers() & (Qt::ControlModifier | Qt::AltModifier)) ||
        !StartsTypedNumber(event->text().toStdString(),
                           {QString(State.DecimalSeparator).toStdString(),
                            QString(State.NegativeSign).toStdString()})) {
        return false;
    }
    ArrowSpin = nullptr;
    // Entering the edit shows the bare number; the typed character replaces it.
    QLineEdit* edit = spin->Edit();
    edit->setFocus(Qt::OtherFocusReason);
    edit->selectAll();
    QKeyEvent typed(event->type(), event->key(), event->modifiers(), event->text(),
                    event->isAutoRepeat(), static_cast<ushort>(event->count()));
    QApplication::sendEvent(edit, &typed);
    return true;
}

void TMainForm::GridKeyPressed(TDrawGrid* grid, QKeyEvent* event) {
    if (SetColumnKey(grid, event)) {
        return;
    }
    if (ForwardTypedNumber(ArrowSpin, event)) {
        return;
    }
    ArrowSpin = nullptr;
    ToDoListKeyDown(grid, ProgramKeyCode(event->key()), ProgramModifiers(event->modifiers()));
}

bool TMainForm::eventFilter(QObject* watched, QEvent* event) {
    if (KeyboardEvent(watched, event)) {
        return true;
    }
    if (watched == PortCombo && event->type() == QEvent::KeyPress) {
        PortKeyChoice = true;
    }
    if (event->type() == QEvent::Wheel && ForwardWheelToGrid(watched, event)) {
        return true;
    }
    // An arrow held at its limit keeps the focus on the arrows; a number
    // typed there goes into the value as well.
    if (event->type() == QEvent::KeyPress && ArrowSpin && watched == ArrowSpin->UpDown() &&
        ForwardTypedNumber(ArrowSpin, static_cast<QKeyEvent*>(event))) {
        return true;
    }
    if (event->type() == QEvent::MouseMove || event->type() == QEvent::Enter) {
        if (watched == HyperHelpBox) {
            ShowHelp(HyperHelpHelpText);
        } else if (watched == SensorsEnabledBox) {
            ShowHelp(SensorsEnabledHelpText);
        } else if (watched == SensorNotebook || watched == SensorTabBar) {
            ShowHelp(SensorTabBar->currentIndex() == 0 ? AllSetHelpText : OtherSetHelpText);
        } else if (watched == SensorPanel) {
            ShowHelp(SensorPanelHelpText);
        } else if (watched == ModeSwitch) {
            ShowHelp(ModeSwitchHelpText);
        }
    }
    return QWidget::eventFilter(watched, event);
}

void TMainForm::ShowHelp(int textId) {
    Help->setPlainText(Res.LoadText(textId));
}

void TMainForm::ClearEditingHighlights() {
    for (int tag = 7; tag <= ButtonCount; ++tag) {
        ShowPicture(HighlightedPicture(tag), false);
        ShowPicture(PressedPicture(tag), false);
    }
}

bool TMainForm::HasOwnHelp(const QWidget* widget) const {
    for (; widget && widget != this; widget = widget->parentWidget()) {
        if (widget == HyperHelpBox || widget == SensorsEnabledBox || widget == SensorNotebook ||
            widget == SensorTabBar || widget == SensorPanel || widget == ModeSwitch) {
            return true;
        }
    }
    return false;
}

void TMainForm::GeneralMouseMove(Qt::MouseButtons buttons) {
    if (const int abandoned = ButtonPress.MoveSeen(buttons & Qt::LeftButton)) {
        EndButtonPress(abandoned);
    }
    if (ButtonPress.Held() == 0) {
        ClearHighlights();
    }
    // Only the hovered palette picture moves; over anything else none does.
    if (PaletteControl) {
        PaletteControl->StopAll();
    }
}

void TMainForm::DrawGridMouseDown(TDrawGrid* grid, QMouseEvent* event) {
    State.Editor.CurrentList = grid->Tag();
    ArrowSpin = nullptr;
    int col = 0;
    int row = 0;
    const bool onCell = grid->CellAt(event->position().toPoint(), col, row);
    StopRowDrag();
    grid->SetKeyColumn(0);
    if (event->button() == Qt::LeftButton) {
        grid->setFocus();
        if (onCell && row > 0) {
            // Whole rows; Shift extends from the top row in every column.
            const TRowSelection rows =
                PressSelection(row, event->modifiers() & Qt::ShiftModifier, grid->Selection().Top);
            grid->SetSelection({1, rows.Top, grid->ColCount() - 1, rows.Bottom});
            // A step number held down may be dragged to another row.
            if (col == 0 && row < grid->RowCount() - 1) {
                RowDragFrom = row;
                RowDragGrid = grid;
            }
        }
    }
    AutoEnableDisable();
}

void TMainForm::DrawGridMouseMove(TDrawGrid* grid, QMouseEvent* event) {
    GeneralMouseMove(event->buttons());
    if (RowDragFrom > 0 && grid == RowDragGrid && (event->buttons() & Qt::LeftButton)) {
        // At the top or bottom edge the grid scrolls until the cursor leaves it.
        RowDragDirection = RowDragScroll(event->position().toPoint().y(), grid->height());
        if (RowDragDirection == 0) {
            RowDragScroller->stop();
        } else if (!RowDragScroller->isActive()) {
            RowDragScrollStep();
            RowDragScroller->start();
        }
    }
    if (grid->Tag() == MainList) {
        int col = 0;
        int row = 0;
        const bool onCell = grid->CellAt(event->position().toPoint(), col, row);
        ShowHelp(onCell && col >= 2 ? SetColumnHelpBase + col : MainGridHelpText);
    } else {
        ShowHelp(SensorTabBar->currentIndex() == 0 ? AllSetHelpText : OtherSetHelpText);
    }
}

void TMainForm::DrawGridMouseUp(TDrawGrid* grid, QMouseEvent* event) {
    const int from = grid == RowDragGrid ? RowDragFrom : 0;
    StopRowDrag();
    if (from > 0 && event->button() == Qt::LeftButton) {
        const QPoint at = event->position().toPoint();
        // The rows end where the scroll bar begins.
        const QRect rows(0, 0, grid->width() - grid->ScrollBarWidth(), grid->height());
        int col = 0;
        int row = -1;
        if (!grid->CellAt(at, col, row)) {
            row = -1;
        }
        const int to =
            RowMoveTarget(from, rows.contains(at), row, grid->TopRow(), grid->RowCount());
        if (to > 0) {
            ToDoListRowMoved(grid, from, to);
        }
    }
    grid->update();
}

void TMainForm::RowDragScrollStep() {
    if (RowDragFrom == 0 || !RowDragGrid || RowDragDirection == 0) {
        RowDragScroller->stop();
        return;
    }
    RowDragGrid->SetTopRow(RowDragGrid->TopRow() + RowDragDirection);
}

void TMainForm::StopRowDrag() {
    RowDragFrom = 0;
    RowDragGrid = nullptr;
    RowDragDirection = 0;
    RowDragScroller->stop();
}

void TMainForm::ToDoListRowMoved(TDrawGrid* grid, int from, int to) {
    const int list = grid->Tag();
    if (MoveStepInList(State.Editor, list, from, std::min(to, grid->RowCount() - 2))) {
        RebindAfterEdit(list);
        grid->SetSelection({1, std::min(to, grid->RowCount() - 2), grid->ColCount() - 1,
                            std::min(to, grid->RowCount() - 2)});
        UpdateMemoryGauge(); // a moved step can change the sensor entries
    }
}

void TMainForm::DrawGridTopLeftChanged(TDrawGrid* grid) {
    if (grid->TopRow() < 1) {
        grid->SetTopRow(1);
    }
    RebindAfterEdit(grid->Tag());
}

void TMainForm::SensorTabChanged(int index) {
    if (!SetUp) {
        return;
    }
    State.Editor.CurrentList = index + 2;
    TDrawGrid* shown = Grid(State.Editor.CurrentList);
    shown->show();
    // The six sensor rows move into the shown list's grid.
    for (int slot = 1; slot <= SlotCount(2); ++slot) {
        if (TBotAction* row = RowControl(2, slot))
            row->SetGrid(shown);
    }
    RebindAfterEdit(State.Editor.CurrentList);
    for (int list = 2; list <= ListCount; ++list) {
        if (list != State.Editor.CurrentList)
            Grid(list)->hide();
    }
    CurrentGrid()->setFocus();
}

void TMainForm::RebindAfterEdit(int list) {
    DisplayVisibleActions(list, 1);
    if (TDrawGrid* grid = Grid(list)) {
        grid->update();
    }
}

void TMainForm::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        StartMove(event->globalPosition().toPoint());
    }
}

void TMainForm::mouseMoveEvent(QMouseEvent* event) {
    // Moves that a control let through to the window are not moves over the
    // background: the control has shown its own help text.
    if (!HasOwnHelp(childAt(event->position().toPoint()))) {
        GeneralMouseMove(event->buttons());
        ShowHelp(BlankHelpText);
    }
    ContinueMove(event->globalPosition().toPoint(), event->buttons());
}

void TMainForm::mouseReleaseEvent(QMouseEvent*) {
    EndMove();
}

void TMainForm::StartMove(const QPoint& globalPos) {
    Moving = true;
    MoveLast = globalPos;
}

void TMainForm::ContinueMove(const QPoint& globalPos, Qt::MouseButtons buttons) {
    if (!Moving || !(buttons & Qt::LeftButton)) {
        Moving = false;
        return;
    }
    const QPoint delta = globalPos - MoveLast;
    MoveLast = globalPos;
    move(pos() + delta);
}

void TMainForm::EndMove() {
    Moving = false;
}

} // namespace wayline
