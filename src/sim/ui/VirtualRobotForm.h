#pragma once

#include "sim/core/Challenge.h"
#include "sim/core/ChallengeJudge.h"
#include "sim/core/Playback.h"
#include "sim/core/RunningSteps.h"
#include "sim/core/VirtualRobotPort.h"

#include <QByteArray>
#include <QPointer>
#include <QRect>
#include <QWidget>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QBoxLayout;
class QButtonGroup;
class QCheckBox;
class QLabel;
class QPushButton;
class QTimer;
class QToolButton;
class QMenu;

namespace wayline {

struct TDocumentState;
class TArenaView;
class TResources;
class TUserDialogs;

namespace sim {
class TRobotSession;
}

// The rows of the editor's six lists by the entries the generated program
// stores, for the virtual robot to tell which step it plays.
sim::TEntryRows EntryRowsOf(const TDocumentState& state);

// The virtual robot's world: the default arena, with wheel servos whose
// true centres are a little off 750 (744 left, 757 right), as on a robot
// nobody has calibrated yet, so that finding them in test mode matters.
sim::TWorld VirtualRobotWorld();

// "Virtual robot": the simulated robot in its arena, running what was
// downloaded to the port of that name. Opens when a download to it has
// succeeded (Go or Test) and plays it; play, pause, restart and a speed
// of 1x, 2x or 4x; obstacles to drag, add and remove; whiskers to press
// with the mouse; the step being executed and what the sensors sense.
//
// Where it opens: beside the main window, so that neither covers what the
// user works in (the main window moves if it must); test mode's window then
// goes where it covers neither the robot's start nor its wheels. A window
// the user has moved or resized keeps that place, for the run and in the
// settings for the next runs.
//
// Time: while nobody is on the port, the window runs the module itself on
// its own clock (TPlayback: the frame's time times the speed, the robot
// program's start-up wait fast unless "Real timing" is ticked, on the
// user-interface thread, a bounded slice per frame). While a serial device
// holds the port (a download, test mode) the host's line sets the pace and
// the window only shows what happens. Frames come at 60 a second only while
// something can change: not while paused, finished or hidden.
//
// Arenas and tasks: the window opens a world or challenge file ("Open
// arena…") or a built-in lesson, saves the arena as it stands, shows the
// task, its goals and forbidden zones, and judges every run on it (the
// same judge as wayline-cli grade): the verdict in words and a mark on the
// path where it fell.
class TVirtualRobotForm : public QWidget {
    Q_OBJECT
public:
    static constexpr int FrameIntervalMs = 16;
    // Narrower than its tool rows side by side, they stand one above the
    // other; narrower than NarrowBelowPx the side panel goes below the
    // arena; lower than CompactBelowPx the key and the hint give way.
    static constexpr int NarrowBelowPx = 720;
    static constexpr int CompactBelowPx = 500;
    static constexpr int SidePanelWidthPx = 250;

    // The host's clock in microseconds, for the frame times.
    using TFrameClock = std::function<std::uint64_t()>;

    TVirtualRobotForm(const TResources& resources, const TVirtualRobot& robot,
                      QWidget* parent = nullptr);
    ~TVirtualRobotForm() override;

    // A download to the virtual robot has succeeded: shows the window and
    // plays. `rows`: the lists the program was generated from (empty when
    // it was not generated from the lists). `testWindow`: test mode's
    // window when the download was test mode's; the user works in that
    // modal window meanwhile, and it must not lock this one.
    void ProgramLoaded(sim::TEntryRows rows, QWidget* testWindow = nullptr);

    // Held (the window does not run the module) while this says so: the
    // main window's download runs.
    void SetHold(std::function<bool()> hold) { Hold = std::move(hold); }
    // Whether the rows given with the program still describe the editor's
    // lists; when they stop doing so, no step is lit up any more.
    void SetRowsCheck(std::function<bool(const sim::TEntryRows&)> check) {
        RowsCheck = std::move(check);
    }
    // The part of the main window (the window this one belongs to) that the
    // user works in while the robot runs, in that window's coordinates.
    void SetOwnerWorkingArea(std::function<QRect()> area) { OwnerWorkingArea = std::move(area); }
    // The clock the frame timer measures frames with (the host's steady
    // clock by default).
    void SetFrameClock(TFrameClock clock);

    // One frame, `hostElapsedUs` after the last: runs the robot (unless a
    // serial device has the port, or it is paused), then shows it.
    void AdvanceFrame(std::uint64_t hostElapsedUs);

    void Play();
    void Pause();
    // Presses the robot's reset button: the program runs again from its
    // start, the robot back at its start; obstacles stay where they are.
    // In test mode the robot is only set back at its start.
    void Restart();
    void SetSpeed(int factor);
    // The download at the real line's pace and the start-up wait in real
    // time (kept in the settings).
    void SetRealTiming(bool real);
    bool RealTiming() const;
    bool Playing() const { return Clock.Playing(); }
    int Speed() const { return Clock.Speed(); }
    // A serial device holds the port, or a download runs: the line's pace.
    bool LineDriven() const { return HostDriven; }
    bool TestMode() const { return ForTest; }
    // The frame clock's time at which the window first showed the robot's
    // wheels turning in this run (none yet).
    std::optional<std::uint64_t> FirstMoveShownUs() const { return FirstMoveShown; }

    // The user's dialogs (the system's by default).
    void SetDialogs(TUserDialogs* dialogs);

    // Puts the robot in the challenge's world (a plain world: no task) and
    // judges its runs from now on; a program in the robot starts again
    // from the new start. Not while a serial device holds the port.
    bool OpenChallenge(sim::TChallenge challenge);
    // Reads a world or challenge file and opens it; false after telling
    // the user why not.
    bool OpenArenaFile(const QString& path);
    // The built-in lessons, numbered from 1, easiest first.
    int LessonCount() const;
    std::optional<sim::TChallenge> Lesson(int number) const;
    bool OpenLesson(int number);
    // Writes the arena as it stands (obstacles where the user put them),
    // with the task when there is one; false after telling the user why.
    bool SaveArenaFile(const QString& path);
    // The task the window judges runs against, if any.
    const sim::TChallenge* Challenge() const { return Task.get(); }
    // The verdict of the run so far (undecided without a task).
    sim::TVerdict Verdict() const;

    sim::TRobotSession& Session() { return *RobotSession; }
    const sim::TRunningSteps& Steps() const { return Running; }
    const sim::TEntryRows& Rows() const { return EntryRows; }

    // The controls.
    TArenaView* Arena() const { return View; }
    QPushButton* PlayButton() const { return PlayPause; }
    QPushButton* RestartButton() const { return RestartBtn; }
    QToolButton* SpeedButton(int factor) const;
    QPushButton* AddBoxButton() const { return AddBox; }
    QPushButton* AddCanButton() const { return AddCan; }
    QCheckBox* RealTimingBox() const { return RealTimingCheck; }
    QPushButton* OpenArenaButton() const { return OpenArena; }
    QPushButton* SaveArenaButton() const { return SaveArena; }
    QPushButton* LessonsButton() const { return LessonsBtn; }
    QMenu* LessonsMenu() const { return Lessons; }
    QLabel* TaskLabel() const { return TaskText; }
    QLabel* VerdictLabel() const { return VerdictText; }
    QLabel* StatusLabel() const { return Status; }
    QLabel* TimeLabel() const { return Time; }
    QLabel* HintLabel() const { return Hint; }
    // "Sensors are off": shown while the program runs with its sensors off.
    QLabel* SensorsOffLabel() const { return SensorsOff; }
    // Sensor lamps in sim::TSensor order, lit while the sensor senses
    // something (a whisker pressed, an obstacle in view).
    QLabel* SensorLamp(int sensor) const { return Lamps[static_cast<std::size_t>(sensor)]; }
    bool LampLit(int sensor) const { return Lit[static_cast<std::size_t>(sensor)]; }
    QTimer* FrameTimer() const { return Timer; }
    bool Narrow() const { return NarrowLayout; }
    // The robot's start with its wheels and whiskers, on the screen.
    QRect StartOnScreen() const;

Q_SIGNALS:
    // The steps to light up in the editor: the main list's row (0: none)
    // and, while a sensor set plays, its list (2..6; 0: none) and row.
    void RunningStepsChanged(int mainRow, int setList, int setRow);

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void OnTimer();
    void UpdateShown();
    void UpdateStatus();
    void UpdateButtons();
    // Frames run while something can change.
    void UpdateTimer();
    void ApplyLayout(bool split, bool narrow, bool compact);
    void LayOutFor(const QSize& size);
    void UpdateTask();
    void ShowTaskText();
    QString VerdictSentence(const sim::TVerdict& verdict, int reached, int count) const;
    void ChooseArenaFile();
    void ChooseSaveFile();
    void ReportSteps(int mainRow, int setList, int setRow);
    void PlaceBesideOwner();
    void PlaceTestWindow(QWidget* testWindow);
    void FitToPlacedFrame();
    // Keeps a place the user gave the window (hidden or closing).
    void KeepUsersPlace();
    QMargins FrameMargins() const;
    void LeaveTestWindow();
    QString ActionText(char letter, int value) const;
    QString Text(int id) const;

    const TResources& Res;
    TVirtualRobot Robot;
    std::unique_ptr<sim::TRobotSession> RobotSession;
    // The task and its judge; the judge watches the board from inside
    // (under the module's lock), and the form reads it under that lock.
    std::unique_ptr<sim::TChallenge> Task;
    std::unique_ptr<sim::TChallengeJudge> Judge;
    TUserDialogs* Dialogs;
    QString ArenaFolder;
    sim::TPlayback Clock;
    sim::TRunningSteps Running;
    sim::TEntryRows EntryRows;
    std::function<bool()> Hold;
    std::function<bool(const sim::TEntryRows&)> RowsCheck;
    std::function<QRect()> OwnerWorkingArea;
    TFrameClock FrameClock;
    std::uint64_t LastFrameUs = 0;
    bool HostDriven = false;
    bool ForTest = false;
    bool RestartPending = false; // Restart pressed, the program not started again yet
    unsigned ShownRun = 0;       // the board's run the window last showed
    std::optional<std::uint64_t> FirstMoveShown;
    // Where the window was placed (its frame), and the place the user gave
    // it instead (saveGeometry's form).
    std::optional<QRect> PlacedFrame;
    bool FitPending = false; // the frame placed not yet checked against the real one
    QByteArray UsersPlace;
    QPointer<QWidget> TestWindow;
    std::array<int, 3> Reported{}; // main row, set list, set row
    bool SplitTools = false;
    bool NarrowLayout = false;
    bool CompactLayout = false;

    TArenaView* View;
    QBoxLayout* Tools;
    QBoxLayout* Middle;
    QBoxLayout* Side;
    QWidget* SidePanel;
    QWidget* Legend;
    QPushButton* PlayPause;
    QPushButton* RestartBtn;
    QButtonGroup* SpeedGroup;
    QPushButton* AddBox;
    QPushButton* AddCan;
    QCheckBox* RealTimingCheck;
    QPushButton* OpenArena;
    QPushButton* SaveArena;
    QPushButton* LessonsBtn;
    QMenu* Lessons;
    QLabel* TaskTitle;
    QLabel* TaskText;
    QLabel* VerdictText;
    std::vector<QWidget*> TaskLegend;
    QLabel* Status;
    QLabel* Time;
    QLabel* Hint;
    QLabel* SensorsOff;
    std::array<QLabel*, sim::SensorCount> Lamps{};
    std::array<bool, sim::SensorCount> Lit{};
    QTimer* Timer;
};

} // namespace wayline
