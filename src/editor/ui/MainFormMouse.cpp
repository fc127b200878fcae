// The main window's mouse handling: grids, help texts, controls, moving.

#include "app/AppState.h"
#include "app/SkinImage.h"
#include "comm/ui/PortDiscovery.h"
#include "editor/core/EditOperations.h"
#include "editor/core/VisibleActions.h"
#include "editor/ui/BotAction.h"
#include "editor/ui/DrawGrid.h"
#include "editor/ui/MainForm.h"
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
#include <QWheelEvent>

#include <algorithm>

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

// Pictures whose mouse-over shows the blank help text.
constexpr std::array<int, 9> BlankHelpPictures{1, 2, 3, 4, 8, 10, 25, 29, 37};

unsigned Modifiers(Qt::KeyboardModifiers modifiers) {
    unsigned result = kmNone;
    if (modifiers & Qt::ShiftModifier)
        result |= kmShift;
    if (modifiers & Qt::ControlModifier)
        result |= kmCtrl;
    if (modifiers & Qt::AltModifier)
        result |= kmAlt;
    return result;
}

// Qt's letter keys are the upper-case character codes already; Delete is
// the one other key the grids act on.
int KeyCode(const QKeyEvent& event) {
    if (event.key() == Qt::Key_Delete) {
        return KeyDelete;
    }
    return event.key() & 0xFFFF;
}

} // namespace

void TMainForm::ConnectControls() {
    connect(HyperHelpBox, &QCheckBox::clicked, this, [this] { HyperHelpClick(); });
    connect(SensorsEnabledBox, &QCheckBox::clicked, this, [this] {
        SensorPanel->setEnabled(SensorsEnabledBox->isChecked());
        if (TDrawGrid* grid = CurrentGrid())
            grid->setFocus();
    });
    connect(PortCombo, &TPortComboBox::DroppingDown, this,
            [this] { PortList->RefreshPortCombo(); });
    connect(PortCombo, &QComboBox::activated, this, [this] {
        State.SelectedPort = PortList->GetSelectedPort();
        PortChosen = true;
        if (TDrawGrid* grid = CurrentGrid())
            grid->setFocus();
    });
    connect(SensorTabBar, &QTabBar::currentChanged, this, &TMainForm::SensorTabChanged);
    for (QWidget* control : std::initializer_list<QWidget*>{
             HyperHelpBox, SensorsEnabledBox, SensorNotebook, SensorTabBar, SensorPanel}) {
        control->setMouseTracking(true);
        control->installEventFilter(this);
    }
}

void TMainForm::ConnectGrid(TDrawGrid* grid) {
    connect(grid, &TDrawGrid::MousePressed, this, &TMainForm::DrawGridMouseDown);
    connect(grid, &TDrawGrid::MouseMoved, this, &TMainForm::DrawGridMouseMove);
    connect(grid, &TDrawGrid::MouseReleased, this, &TMainForm::DrawGridMouseUp);
    connect(grid, &TDrawGrid::TopLeftChanged, this, &TMainForm::DrawGridTopLeftChanged);
    connect(grid, &TDrawGrid::KeyPressed, this, [this](TDrawGrid* g, QKeyEvent* event) {
        ToDoListKeyDown(g, KeyCode(*event), Modifiers(event->modifiers()));
    });
}

void TMainForm::ConnectHelpPictures() {
    for (int n : BlankHelpPictures) {
        if (TSkinImage* picture = Images[static_cast<std::size_t>(n)]) {
            picture->setMouseTracking(true);
            connect(picture, &TSkinImage::MouseMoved, this, [this](TSkinImage*, QMouseEvent*) {
                GeneralMouseMove();
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

bool TMainForm::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Wheel && ForwardWheelToGrid(watched, event)) {
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

void TMainForm::GeneralMouseMove() {
    if (PressedTag == 0) {
        ClearHighlights();
    }
    // Only the hovered palette picture moves; over anything else none does.
    if (PaletteControl) {
        PaletteControl->StopAll();
    }
}

void TMainForm::DrawGridMouseDown(TDrawGrid* grid, QMouseEvent* event) {
    State.Editor.CurrentList = grid->Tag();
    int col = 0;
    int row = 0;
    const bool onCell = grid->CellAt(event->position().toPoint(), col, row);
    RowDragFrom = 0;
    if (event->button() == Qt::LeftButton) {
        grid->setFocus();
        if (onCell && row > 0) {
            TDrawGrid::TSelection selection = grid->Selection();
            const int last = grid->ColCount() - 1;
            if (col == 0) {
                // Step numbers select whole rows; Shift extends from the top.
                const int from = (event->modifiers() & Qt::ShiftModifier) ? selection.Top : row;
                selection = {1, std::min(from, row), last, std::max(from, row)};
                RowDragFrom = row < grid->RowCount() - 1 ? row : 0;
            } else {
                selection = {1, row, last, row};
            }
            grid->SetSelection(selection);
        }
    }
    AutoEnableDisable();
}

void TMainForm::DrawGridMouseMove(TDrawGrid* grid, QMouseEvent* event) {
    GeneralMouseMove();
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
    const int from = RowDragFrom;
    RowDragFrom = 0;
    if (from > 0 && event->button() == Qt::LeftButton) {
        int col = 0;
        int row = 0;
        if (!grid->CellAt(event->position().toPoint(), col, row)) {
            row = grid->RowCount() - 1;
        }
        if (row >= 1 && row != from) {
            ToDoListRowMoved(grid, from, row);
        }
    }
    grid->update();
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
    GeneralMouseMove();
    ShowHelp(BlankHelpText);
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
