#pragma once

#include "uikit/Resources.h"
#include "codegen/core/CompileStep.h"
#include "editor/core/ButtonRules.h"
#include "editor/core/KeyCommands.h"
#include "editor/core/SavePrompt.h"

#include <QPoint>
#include <QString>
#include <QWidget>

#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QCheckBox;
class QKeyEvent;
class QLabel;
class QPlainTextEdit;
class QTabBar;
class QTimer;

namespace wayline {

struct TAppState;
struct TActionLooks;
class TBotAction;
class TCodeForm;
class TConnectionHelpForm;
class TDownloadFlow;
class TDragger;
class TDrawGrid;
class TFocusFrame;
class TMemoryGauge;
class TPalette;
class TSensorPanelDrag;
class TPortComboBox;
class TPortDiscovery;
class TProgressForm;
class TSkinImage;
class TSuperSpinEdit;
class TTestForm;
class TUserDialogs;

// The editor window: borderless and skinned, with the action palette, the
// main action list, the sensor lists (advanced mode), the picture buttons,
// the port box, two check boxes and the help box.
class TMainForm : public QWidget {
    Q_OBJECT
public:
    // Corner ellipse of the window's shape until help sizing replaces it.
    static constexpr int CreationCorner = 125;
    // Corner ellipse used by help sizing.
    static constexpr int HelpCorner = 50;

    TMainForm(TAppState& state, const TResources& resources, QWidget* parent = nullptr);
    ~TMainForm() override;

    // The windows the commands open; set once they exist.
    void SetCompanions(TTestForm* testForm, TCodeForm* codeForm, TDragger* dragger);
    // Boxes and file dialogs; the system's by default, scripted in tests.
    void SetDialogs(TUserDialogs* dialogs);
    // The progress window the downloads show; set once it exists.
    void SetProgressForm(TProgressForm* form);
    // The window that tells why the robot cannot be reached; the download
    // opens it when no robot answered or its port would not open.
    void SetConnectionHelp(TConnectionHelpForm* form);
    // Chooses the virtual robot in the port box, as if the user had: Go
    // and Test then download to it.
    void SelectVirtualRobot();
    // The download behind Go and test mode; null before the progress
    // window is set.
    TDownloadFlow* Downloads() const { return DownloadFlow.get(); }

    // The controls by their window-definition names.
    QCheckBox* HyperHelp() const { return HyperHelpBox; }
    QCheckBox* SensorsEnabled() const { return SensorsEnabledBox; }
    TPortComboBox* COMPortComboBox() const { return PortCombo; }
    TPortDiscovery& Ports() const { return *PortList; }
    QLabel* SerialPortLabel1() const { return PortLabel1; }
    QLabel* SerialPortLabel2() const { return PortLabel2; }
    QWidget* SensorTabbedNotebook() const { return SensorNotebook; }
    QTabBar* SensorTabs() const { return SensorTabBar; }
    QLabel* SensorActionPanel() const { return SensorPanel; }
    QWidget* ActionScrollBox() const { return Palette; }
    QPlainTextEdit* HelpMemo() const { return Help; }
    QCheckBox* ModeSwitchBox() const { return ModeSwitch; }

    // Beginner or Advanced Mode from now on, without a restart: the window
    // lays itself out again from the mode's layout records (n + 90 in
    // Advanced Mode) and keeps every list, sensor sets included.
    void SwitchMode(bool advanced);

    // Skin picture n (1..65); null before the window is first shown.
    TSkinImage* Image(int n) const { return Images[static_cast<std::size_t>(n)]; }
    // The grid of list 1..6; null before the window is first shown.
    TDrawGrid* Grid(int list) const { return Grids[static_cast<std::size_t>(list)]; }
    TDrawGrid* CurrentGrid() const;

    bool IsSetUp() const { return SetUp; }

    // The help check box's click action: shows or hides the help box and
    // grows or shrinks the window to match.
    void HyperHelpClick();

    // The picture buttons by tag (1 Go .. 6 Quit, 7 Delete .. 11 Undo).
    static constexpr int ButtonCount = 11;
    static int NormalPicture(int tag) { return tag <= 6 ? 42 + 4 * (tag - 1) : 22 + 4 * (tag - 7); }
    static int HighlightedPicture(int tag) { return NormalPicture(tag) + 1; }
    static int PressedPicture(int tag) { return NormalPicture(tag) + 2; }
    static int DisabledPicture(int tag) { return NormalPicture(tag) + 3; }
    bool IsButtonEnabled(int tag) const;

    // Commands.
    void ButtonClick(int tag);
    void Go();
    void Clear();
    void Test();
    void LoadFile();
    bool SaveFile(); // true when the file was written
    void Quit();
    void ViewButtonClick();
    TSaveAnswer CheckIfSaved();
    // BuildCode into the code window's text; false (after its message) when
    // the template has no place for the lists.
    bool BuildProgram();
    // What the last successful compile left for the download.
    const TDownloadImages& LastCompile() const { return DownloadImages; }
    // Whether the generated DATA leaves room for the robot program; if not,
    // says by how much (Go asks right after building the program).
    bool ListsFitTheRobot();
    // Measures the lists for the memory gauge (after every edit).
    void UpdateMemoryGauge();

    // Compiles the code window's text and downloads it: the slot used
    // (-3..0), or -4 when the compile failed or nothing was sent. With
    // `keepOpen` the slot stays open for the caller (test mode).
    int DownloadTokenization(bool keepOpen);
    // Downloads what the last compile produced.
    int DownloadIt(bool keepOpen);
    // The port row (grid row - 1) to download to after a scan, or -10.
    int FindDownloadTarget();

    // The key handler of all six grids (and of the editing buttons).
    void ToDoListKeyDown(TDrawGrid* grid, int key, unsigned modifiers);
    // Recomputes the picture buttons' enabled states from the lists.
    void AutoEnableDisable();
    // Follows the step counts: every grid gets N + 2 rows.
    void SyncRowCounts();
    // Binds the row controls from slot firstSlot on to the steps the grid
    // of `list` shows, and hides the rest.
    void DisplayVisibleActions(int list, int firstSlot);
    // A drop on a grid: an action of `kind` (0..7) or, with kind -1, the
    // "+" panel; `point` is in the grid's coordinates.
    void ToDoListDragDrop(TDrawGrid* grid, int kind, const QPoint& point);
    // Double click on a palette picture: appends the action to the current list.
    void ActionDblClick(int kind);
    TPalette* ActionPalette() const { return PaletteControl.get(); }
    TSensorPanelDrag* SensorSetDrag() const { return SensorPanelDrag.get(); }
    // Row control of slot 1..7 (list 1) or 1..6 (the shown sensor list).
    TBotAction* RowControl(int list, int slot) const;

    // The steps the virtual robot plays, lit up in the grids: `mainRow` of
    // the main list (0: none) and, while a sensor set plays, the set's list
    // (2..6, its tab lights up; 0: none) and its row (0: none yet).
    void ShowRunningSteps(int mainRow, int setList, int setRow);
    int RunningMainRow() const { return RunningMain; }
    // Whether the lists are still those of the program that runs; rows are
    // lit only while they are.
    void SetRunningRowsCheck(std::function<bool()> check) { RunningRowsCheck = std::move(check); }
    int RunningSetList() const { return RunningSet; }
    int RunningSetRow() const { return RunningSetStep; }

    // Settings: read once during set-up, written once by Quit.
    void LoadSettings();
    void SaveSettings();

    // The folder both file dialogs open in: the last file's, the stored
    // one at start, else documents or home (FileDialogFolder).
    QString FileFolder;
    // The last file opened or saved; the dialogs offer its name.
    QString LastFileName;

Q_SIGNALS:
    // Quit has run; the program ends.
    void QuitRequested();
    // The mode was switched on the running window.
    void ModeChanged(bool advanced);
    // A click on picture button `tag` reached its command.
    void ButtonClicked(int tag);
    // A download to the virtual robot has succeeded; `keptOpen`: the port
    // stays open for test mode.
    void VirtualRobotLoaded(bool keptOpen);

protected:
    void showEvent(QShowEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    bool focusNextPrevChild(bool next) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void FormShow();
    // The file opened or saved: the dialogs open in its folder from now on.
    void RememberFile(const QString& file);
    // keepPosition: only the window's size comes from its record.
    void PlaceControls(bool keepPosition = false);
    void CreateGrids();
    void CreateRowControls();
    // The row controls of list 1, or the six the sensor lists share (2),
    // laid out for the grid's columns as they are now.
    void CreateRows(int list);
    void ConnectSensorPanel();
    void SetColumnWidths(TDrawGrid* grid);
    // Picture n laid out again for the mode (switch of mode).
    void ReplaceSkinPicture(int n);
    // A character the row's value does not take: the box stays, and a tip
    // beside it says what it takes.
    void RowInputRefused(TSuperSpinEdit* spin);
    void ConnectPalette();
    void RowValueChanged();
    void SetUpGrid(TDrawGrid* grid, int list);
    void DrawGridDrawCell(TDrawGrid& grid, QPainter& painter, int col, int row, const QRect& rect,
                          bool selected);
    void ApplyCaptions();
    void ApplyMode();
    void ConnectSkin();
    void ConnectControls();
    void ConnectGrid(TDrawGrid* grid);
    void ConnectHelpPictures();
    void SetUpMemoryGauge();
    bool ForwardWheelToGrid(QObject* watched, QEvent* event);
    void SetShape(const QRegion& region);
    void ShowPicture(int n, bool visible);
    bool IsRunningRow(int list, int row) const;
    void ScrollRunningRowIntoView(int list, int row);

    // Grids.
    void DrawGridMouseDown(TDrawGrid* grid, QMouseEvent* event);
    void DrawGridMouseMove(TDrawGrid* grid, QMouseEvent* event);
    void DrawGridMouseUp(TDrawGrid* grid, QMouseEvent* event);
    void DrawGridTopLeftChanged(TDrawGrid* grid);
    void GridKeyPressed(TDrawGrid* grid, QKeyEvent* event);
    // A number typed right after a row's arrows were used goes on into that
    // row's value; true when the key went there.
    bool ForwardTypedNumber(TSuperSpinEdit* spin, QKeyEvent* event);
    bool IsRowEdit(const QWidget* widget) const;
    void RowDragScrollStep();
    void StopRowDrag();
    void ToDoListRowMoved(TDrawGrid* grid, int from, int to);
    void SensorTabChanged(int index);
    void RebindAfterEdit(int list);

    // The keyboard alone: Tab stops in window order, the palette's arrows,
    // the set columns, the focus frame and the accessible names.
    struct TKeyStop {
        QWidget* Widget;
        int Column; // a grid's key column (2..4), else 0
    };
    void SetUpKeyboard();
    std::vector<TKeyStop> KeyStops() const;
    int CurrentKeyStop(const std::vector<TKeyStop>& stops) const;
    void UpdateFocusFrame();
    bool KeyboardEvent(QObject* watched, QEvent* event);
    bool PaletteKey(int key);
    void AddPaletteAction(int kind);
    bool SetColumnKey(TDrawGrid* grid, QKeyEvent* event);

public:
    // What a screen reader reads for row `row` of list `list`
    // ("Step 2: Move Forward, 0.8 sec"), or for its set cell in `keyColumn`.
    QString RowText(int list, int row, int keyColumn = 0) const;
    // The palette action the keyboard is on (0..7, picture order).
    int PaletteFocusIndex() const { return PaletteFocus; }
    TFocusFrame* FocusFrame() const { return Frame; }

private:
    // Help texts by what the mouse is over.
    void ShowHelp(int textId);
    void GeneralMouseMove(Qt::MouseButtons buttons);
    // The controls that show their own help text (check boxes, sensor tabs,
    // the "+" panel), and what lies inside them.
    bool HasOwnHelp(const QWidget* widget) const;

    // Picture button states: highlight on hover, pressed while held.
    void ButtonMouseMove(TSkinImage* picture, Qt::MouseButtons buttons);
    void HighlightedMouseDown(TSkinImage* picture, QMouseEvent* event);
    void ButtonMouseUp(QMouseEvent* event);
    void EndButtonPress(int tag);
    // After a command (and any window it opened): no button stays held, and
    // the highlight goes to the button the pointer is really over.
    void FollowPointer();
    int ButtonAt(const QPoint& globalPos) const;
    void ClearHighlights();
    void ClearEditingHighlights();

    // Moving the borderless window with the mouse.
    void StartMove(const QPoint& globalPos);
    void ContinueMove(const QPoint& globalPos, Qt::MouseButtons buttons);
    void EndMove();

    TAppState& State;
    const TResources& Res;
    TUserDialogs* Dialogs;
    TTestForm* TestWindow = nullptr;
    TCodeForm* CodeWindow = nullptr;
    TDragger* DraggerWindow = nullptr;
    bool SetUp = false;
    bool Quitting = false; // Quit has run: the program is ending

    QCheckBox* HyperHelpBox;
    QCheckBox* SensorsEnabledBox;
    TPortComboBox* PortCombo;
    std::unique_ptr<TPortDiscovery> PortList;
    QLabel* PortLabel1;
    QLabel* PortLabel2;
    QWidget* SensorNotebook;
    QTabBar* SensorTabBar;
    QLabel* SensorPanel;
    QWidget* Palette;
    QPlainTextEdit* Help;
    QCheckBox* ModeSwitch; // checked in Advanced Mode

    TSkinImages Images{};
    TDownloadImages DownloadImages;
    std::unique_ptr<TDownloadFlow> DownloadFlow;
    std::array<TDrawGrid*, 7> Grids{}; // index = list number 1..6
    std::unique_ptr<TActionLooks> Looks;
    std::unique_ptr<TPalette> PaletteControl;
    std::unique_ptr<TSensorPanelDrag> SensorPanelDrag;
    std::array<std::unique_ptr<TBotAction>, 8> MainRows;   // slots 1..7
    std::array<std::unique_ptr<TBotAction>, 7> SensorRows; // slots 1..6

    TMemoryGauge* MemoryGauge = nullptr;
    std::optional<int> ProgramStart; // the robot program's lowest EEPROM byte
    QString StoredPort;              // "ComPort" as the settings held it at start
    bool PortChosen = false;         // the user chose in the port box this run
    bool PortKeyChoice = false;      // a key on the closed port box may choose

    TFocusFrame* Frame = nullptr;
    int PaletteFocus = 0;
    TButtonPress ButtonPress; // the picture button being held
    int RowDragFrom = 0;      // step-number press that may become a row move
    TDrawGrid* RowDragGrid = nullptr;
    int RowDragDirection = 0; // -1 up, +1 down while at an edge of the grid
    QTimer* RowDragScroller;
    // The spin edit whose arrows were used last, while nothing else happened.
    TSuperSpinEdit* ArrowSpin = nullptr;
    bool Moving = false;
    QPoint MoveLast;
    // The virtual robot's running steps (ShowRunningSteps).
    int RunningMain = 0;
    int RunningSet = 0;
    int RunningSetStep = 0;
    std::function<bool()> RunningRowsCheck;
    QWidget* PlayingTabMark = nullptr; // under the tab of the set that plays
};

} // namespace wayline
