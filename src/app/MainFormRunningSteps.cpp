// The main window's part in the virtual robot: choosing it in the port box,
// and the steps it plays lit up in the grids.

#include "app/AppState.h"
#include "comm/core/PortScan.h"
#include "comm/ui/PortDiscovery.h"
#include "editor/ui/DrawGrid.h"
#include "app/MainForm.h"
#include "editor/ui/SuperSpinEdit.h"

#include <QApplication>
#include <QTabBar>

namespace wayline {

namespace {

// The tab of the sensor set being played: its text green and a green bar
// along its lower edge, neither of which changes the tab's width.
const QColor PlayingTabColor(0x1e, 0x7a, 0x1e);
constexpr int PlayingMarkHeight = 3;

} // namespace

void TMainForm::SelectVirtualRobot() {
    const QString name = QString::fromLatin1(VirtualRobotPortName.data(),
                                             static_cast<qsizetype>(VirtualRobotPortName.size()));
    PortList->RefreshPortCombo();
    State.SelectedPort = PortList->SelectPortInCombo(name);
    PortChosen = true;
}

bool TMainForm::IsRunningRow(int list, int row) const {
    if (row < 1 || (RunningRowsCheck && !RunningRowsCheck())) {
        return false;
    }
    return (list == MainList && row == RunningMain) ||
           (list >= 2 && list == RunningSet && row == RunningSetStep);
}

void TMainForm::ScrollRunningRowIntoView(int list, int row) {
    TDrawGrid* grid = Grid(list);
    if (!grid || row < 1 || row >= grid->RowCount() - 1) {
        return;
    }
    // Someone typing a value keeps the rows where they are: scrolling
    // would re-bind the spin edit under their fingers.
    if (qobject_cast<TSuperSpinEdit*>(QApplication::focusWidget()) ||
        (QApplication::focusWidget() &&
         qobject_cast<TSuperSpinEdit*>(QApplication::focusWidget()->parentWidget()))) {
        return;
    }
    const int top = grid->TopRow();
    const int shown = grid->VisibleRowCount();
    if (row < top) {
        grid->SetTopRow(row);
    } else if (row >= top + shown) {
        grid->SetTopRow(row - shown + 1);
    }
}

void TMainForm::ShowRunningSteps(int mainRow, int setList, int setRow) {
    if (!State.Editor.AdvancedMode || setList < 2 || setList > ListCount) {
        setList = 0;
        setRow = 0;
    }
    if (mainRow == RunningMain && setList == RunningSet && setRow == RunningSetStep) {
        return;
    }
    const int oldSet = RunningSet;
    RunningMain = std::max(mainRow, 0);
    RunningSet = setList;
    RunningSetStep = std::max(setRow, 0);

    for (int list : {MainList, oldSet, RunningSet}) {
        if (TDrawGrid* grid = list >= MainList ? Grid(list) : nullptr) {
            grid->update();
        }
    }
    ScrollRunningRowIntoView(MainList, RunningMain);
    if (RunningSet != 0 && RunningSet == State.Editor.CurrentList) {
        ScrollRunningRowIntoView(RunningSet, RunningSetStep);
    }
    if (oldSet != RunningSet) {
        for (int tab = 0; tab < SensorTabBar->count(); ++tab) {
            SensorTabBar->setTabTextColor(tab, tab + 2 == RunningSet ? PlayingTabColor : QColor());
        }
        if (!PlayingTabMark) {
            PlayingTabMark = new QWidget(SensorTabBar);
            PlayingTabMark->setObjectName(QStringLiteral("PlayingTabMark"));
            PlayingTabMark->setAttribute(Qt::WA_TransparentForMouseEvents);
            PlayingTabMark->setStyleSheet(QStringLiteral("background: #2eb82e;"));
        }
        const int tab = RunningSet - 2;
        if (tab >= 0 && tab < SensorTabBar->count()) {
            const QRect r = SensorTabBar->tabRect(tab);
            PlayingTabMark->setGeometry(r.left() + 2, r.bottom() - PlayingMarkHeight, r.width() - 4,
                                        PlayingMarkHeight);
            PlayingTabMark->show();
            PlayingTabMark->raise();
        } else {
            PlayingTabMark->hide();
        }
    }
}

} // namespace wayline
