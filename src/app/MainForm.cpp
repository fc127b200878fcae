#include "app/MainForm.h"

#include "app/AppState.h"
#include "app/Settings.h"
#include "uikit/Shapes.h"
#include "uikit/SkinImage.h"
#include "uikit/UserDialogs.h"
#include "comm/core/PortScan.h"
#include "comm/ui/DownloadFlow.h"
#include "comm/ui/PortDiscovery.h"
#include "editor/core/DragRules.h"
#include "editor/core/DropRules.h"
#include "editor/core/EditOperations.h"
#include "editor/core/VisibleActions.h"
#include "editor/ui/BotAction.h"
#include "editor/ui/Dragger.h"
#include "editor/ui/DrawGrid.h"
#include "editor/ui/Palette.h"
#include "editor/ui/SensorPanelDrag.h"
#include "editor/ui/SuperSpinEdit.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QCursor>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QProxyStyle>
#include <QTabBar>
#include <QThread>
#include <QTimer>

#include <vector>

namespace wayline {

namespace {

// Layout records of the controls.
constexpr int HyperHelpRecord = 66;
constexpr int SerialPortLabel1Record = 67;
constexpr int SerialPortLabel2Record = 68;
constexpr int COMPortComboBoxRecord = 69;
constexpr int VirtualRobotText = 700; // "Virtual robot", the window's caption
constexpr int SensorsEnabledRecord = 70;
constexpr int SensorTabbedNotebookRecord = 71;
constexpr int SensorActionPanelRecord = 72;
constexpr int ActionScrollBoxRecord = 73;
constexpr int HelpMemoRecord = 74;
constexpr int MainWindowRecord = 75;
constexpr int MainGridRecord = 88;
constexpr int SensorGridRecord = 89;
// The mode switch: a record of its own, beyond the window's others (and its
// advanced override 90 higher, as for every record).
constexpr int ModeSwitchRecord = 181;

// Interface texts.
constexpr int StepTitleText = 369; // "Step #", then "Actions", "Both", "Left", "Right"
constexpr int HelpEnabledText = 376;
constexpr int PortLabel1Text = 377;
constexpr int PortLabel2Text = 378;
constexpr int AutoText = 379;
constexpr int SensorsEnabledText = 380;
constexpr int FirstSetNameText = 406; // "All", then "Set1".."Set4"
constexpr int BlankHelpText = 429;
constexpr int WelcomeText = 430;
constexpr int PaletteHelpText = 431;
constexpr int AdvancedModeText = 454;

// The skin's border: a dragged picture stays inside it.
constexpr int FrameEdge = 4;

// Skin pictures with a fixed role.
constexpr int BottomEdgeLeft = 2;
constexpr int BottomEdgeRight = 4;
constexpr int GoNormal = 42;
constexpr int FirstPalettePicture = 14;
constexpr int LastPalettePicture = 21;
constexpr std::array<int, 6> WindowDragPictures{1, 2, 3, 5, 6, 11};
// The palette's kinds in picture order: the last row holds Loop Back left
// of Stop and Wait.
constexpr std::array<TActionKind, 8> PaletteKinds{akMoveForward, akMoveBackward, akTurnLeft,
                                                  akTurnRight,   akRotateLeft,   akRotateRight,
                                                  akLoopBack,    akStopAndWait};

const char* const GridNames[] = {"",           "ToDoList",   "SensorSetAll", "SensorSet1",
                                 "SensorSet2", "SensorSet3", "SensorSet4"};

// The row of the step the virtual robot is executing.
const QColor RunningRowColor(0xd6, 0xf5, 0xcf);
const QColor RunningFrameColor(0x2e, 0x9a, 0x2e);

// The five set tabs share the sensor area's width. The style's padding
// beside each name is made smaller than usual, so that the names of every
// language fit on one row without scroll arrows.
class TSetTabStyle : public QProxyStyle {
public:
    int pixelMetric(PixelMetric metric, const QStyleOption* option,
                    const QWidget* widget) const override {
        if (metric == PM_TabBarTabHSpace) {
            return SetTabPadding;
        }
        return QProxyStyle::pixelMetric(metric, option, widget);
    }
    static constexpr int SetTabPadding = 10;
};

QFont GridFont() {
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(13);
    return font;
}

} // namespace

TMainForm::TMainForm(TAppState& state, const TResources& resources, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint), State(state), Res(resources),
      Dialogs(&SystemDialogs()), HyperHelpBox(new QCheckBox(this)),
      SensorsEnabledBox(new QCheckBox(this)), PortCombo(new TPortComboBox(this)),
      PortLabel1(new QLabel(this)), PortLabel2(new QLabel(this)), SensorNotebook(new QWidget(this)),
      SensorTabBar(new QTabBar(SensorNotebook)), SensorPanel(new QLabel(this)),
      Palette(new QWidget(this)), Help(new QPlainTextEdit(this)), ModeSwitch(new QCheckBox(this)) {
    setObjectName(QStringLiteral("MainForm"));
    setWindowTitle(QStringLiteral("Wayline"));
    setMouseTracking(true);
    resize(526, 527);

    HyperHelpBox->setObjectName(QStringLiteral("HyperHelp"));
    HyperHelpBox->setChecked(true);
    SensorsEnabledBox->setObjectName(QStringLiteral("SensorsEnabled"));
    SensorsEnabledBox->setChecked(false);
    PortCombo->setObjectName(QStringLiteral("COMPortComboBox"));
    PortCombo->addItem(QStringLiteral("AUTO"));
    for (int n = 1; n <= 9; ++n) {
        PortCombo->addItem(QStringLiteral("COM%1").arg(n));
    }
    PortLabel1->setObjectName(QStringLiteral("SerialPortLabel1"));
    PortLabel2->setObjectName(QStringLiteral("SerialPortLabel2"));
    SensorNotebook->setObjectName(QStringLiteral("SensorTabbedNotebook"));
    SensorTabBar->setObjectName(QStringLiteral("SensorTabs"));
    auto* tabStyle = new TSetTabStyle;
    tabStyle->setParent(SensorTabBar);
    SensorTabBar->setStyle(tabStyle);
    SensorTabBar->setExpanding(true);
    // The skin's font, as the grids below have, and narrower than the
    // desktop's: the names of some languages are longer than "Set1".
    QFont tabFont(QStringLiteral("Liberation Sans"));
    tabFont.setPixelSize(12);
    SensorTabBar->setFont(tabFont);
    for (int tab = 0; tab < SensorSetCount; ++tab) {
        SensorTabBar->addTab(QString());
    }
    SensorPanel->setObjectName(QStringLiteral("SensorActionPanel"));
    SensorPanel->setText(QStringLiteral("+"));
    SensorPanel->setAlignment(Qt::AlignCenter);
    SensorPanel->setFrameStyle(QFrame::Panel | QFrame::Raised);
    SensorPanel->setStyleSheet(QStringLiteral(
        "QLabel { background: #fff4c2; color: #1f4e8c; font: bold 26px 'Liberation Sans'; "
        "border: 2px solid #1f4e8c; border-radius: 6px; }"));
    Palette->setObjectName(QStringLiteral("ActionScrollBox"));
    ModeSwitch->setObjectName(QStringLiteral("ModeSwitch"));
    ModeSwitch->setFocusPolicy(Qt::StrongFocus);
    connect(ModeSwitch, &QCheckBox::clicked, this, [this](bool advanced) { SwitchMode(advanced); });
    Help->setObjectName(QStringLiteral("HelpMemo"));
    Help->setReadOnly(true);
    Help->setFocusPolicy(Qt::NoFocus);
    Help->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    Help->setStyleSheet(QStringLiteral(
        "QPlainTextEdit { background: #fffbe8; color: #203040; border: 1px solid #b8a878; "
        "font: 12px 'Liberation Sans'; }"));

    RowDragScroller = new QTimer(this);
    RowDragScroller->setInterval(RowDragScrollIntervalMs);
    connect(RowDragScroller, &QTimer::timeout, this, &TMainForm::RowDragScrollStep);

    PortCombo->setFocusPolicy(Qt::StrongFocus);
    PortList = std::make_unique<TPortDiscovery>(PortCombo);
    // The virtual robot is always there, after the host's ports.
    PortList->SetExtraPorts({QString::fromLatin1(
        VirtualRobotPortName.data(), static_cast<qsizetype>(VirtualRobotPortName.size()))});
    ConnectControls();

    State.Editor.ListModified = false;
    SetShape(RoundedRegion(0, 0, width(), height(), CreationCorner, CreationCorner));
    // Until the settings say where the last file was: documents or home.
    FileFolder = StartFolderForFiles(QString());
}

TMainForm::~TMainForm() {
    // The controls go before this window is gone; their focus changes must
    // not reach the focus frame any more.
    disconnect(qApp, &QApplication::focusChanged, this, nullptr);
}

void TMainForm::SetCompanions(TTestForm* testForm, TCodeForm* codeForm, TDragger* dragger) {
    TestWindow = testForm;
    CodeWindow = codeForm;
    DraggerWindow = dragger;
}

void TMainForm::SetDialogs(TUserDialogs* dialogs) {
    Dialogs = dialogs ? dialogs : &SystemDialogs();
}

TDrawGrid* TMainForm::CurrentGrid() const {
    return Grid(State.Editor.CurrentList);
}

void TMainForm::showEvent(QShowEvent* event) {
    if (!SetUp) {
        SetUp = true;
        FormShow();
    }
    QWidget::showEvent(event);
}

void TMainForm::FormShow() {
    const bool advanced = State.Editor.AdvancedMode;

    // 1. The skin, then the start-up visibility of the optional frame pieces.
    Res.CreateSkin(this, advanced, Images);
    if (Images[6])
        Images[6]->hide();
    if (Images[13])
        Images[13]->hide();
    if (Images[12])
        Images[12]->show();

    // 2. Controls by their records. The skin lies below them.
    PlaceControls();
    SetUpMemoryGauge();

    // 3. The port box's first entry.
    PortCombo->setItemText(0, Res.LoadText(AutoText).toUpper());
    PortList->SetAutoText(PortCombo->itemText(0));
    // The virtual robot by its name in the language spoken.
    PortList->SetShownName(QString::fromLatin1(VirtualRobotPortName.data(),
                                               static_cast<qsizetype>(VirtualRobotPortName.size())),
                           Res.LoadText(VirtualRobotText));

    // 4. and 5. The palette pictures belong to the palette; the buttons get
    // the hand cursor and the frame pieces move the window.
    ConnectSkin();

    // 6. to 9. The grids.
    CreateGrids();

    // 10. Help, servo centres, port and folder from the last run.
    LoadSettings();

    // 11. Captions.
    ApplyCaptions();

    // 12. What each mode shows.
    ApplyMode();

    // 13. Help on or off sizes and shapes the window.
    HyperHelpClick();

    // 14. The welcome text.
    Help->setPlainText(Res.LoadText(WelcomeText));

    // 15. The row controls over the grids' Actions column.
    CreateRowControls();
    ConnectPalette();
    SetUpKeyboard();

    // 16. Keyboard focus to the list being edited.
    if (TDrawGrid* grid = CurrentGrid()) {
        grid->setFocus();
    }
}

void TMainForm::PlaceControls(bool keepPosition) {
    const bool advanced = State.Editor.AdvancedMode;
    Res.PlaceControl(HyperHelpRecord, HyperHelpBox, advanced);
    Res.PlaceControl(SerialPortLabel1Record, PortLabel1, advanced);
    Res.PlaceControl(SerialPortLabel2Record, PortLabel2, advanced);
    Res.PlaceControl(COMPortComboBoxRecord, PortCombo, advanced);
    Res.PlaceControl(SensorsEnabledRecord, SensorsEnabledBox, advanced);
    Res.PlaceControl(SensorTabbedNotebookRecord, SensorNotebook, advanced);
    Res.PlaceControl(SensorActionPanelRecord, SensorPanel, advanced);
    Res.PlaceControl(ActionScrollBoxRecord, Palette, advanced);
    Res.PlaceControl(HelpMemoRecord, Help, advanced);
    Res.PlaceControl(ModeSwitchRecord, ModeSwitch, advanced);
    // The window's own record gives its screen position and size; once it
    // is on the screen, a switch of mode keeps it where the user put it.
    if (!keepPosition) {
        Res.PlaceControl(MainWindowRecord, this, advanced);
    } else if (const auto record = Res.ControlRecord(MainWindowRecord, advanced)) {
        resize(record->Width, record->Height);
    }
    SensorTabBar->setGeometry(0, 0, SensorNotebook->width(), SensorTabBar->sizeHint().height());
    // The skin lies below the controls.
    for (QWidget* control : std::initializer_list<QWidget*>{
             HyperHelpBox, PortLabel1, PortLabel2, PortCombo, SensorsEnabledBox, SensorNotebook,
             SensorPanel, Palette, Help, ModeSwitch}) {
        control->raise();
    }
}

void TMainForm::ConnectSkin() {
    for (int n = FirstPalettePicture; n <= LastPalettePicture; ++n) {
        TSkinImage* picture = Images[static_cast<std::size_t>(n)];
        if (!picture)
            continue;
        const QRect placed = picture->geometry();
        picture->setParent(Palette);
        picture->setGeometry(placed);
        picture->show();
        const TActionKind kind = PaletteKinds[static_cast<std::size_t>(n - FirstPalettePicture)];
        picture->SetTag(kind);
        picture->setToolTip(Res.LoadText(ActionNameTextId(kind)));
    }
    for (int tag = 1; tag <= ButtonCount; ++tag) {
        if (TSkinImage* picture = Images[static_cast<std::size_t>(HighlightedPicture(tag))]) {
            picture->setCursor(Qt::PointingHandCursor);
            picture->SetDoubleClickPresses(true);
            connect(picture, &TSkinImage::MousePressed, this, &TMainForm::HighlightedMouseDown);
            connect(picture, &TSkinImage::MouseReleased, this,
                    [this](TSkinImage*, QMouseEvent* e) { ButtonMouseUp(e); });
        }
        // Hover over the normal picture highlights; so does hovering over a
        // held Delete..Undo picture or a greyed Go..Quit picture.
        std::vector<int> hover{NormalPicture(tag)};
        hover.push_back(tag >= 7 ? PressedPicture(tag) : DisabledPicture(tag));
        for (int n : hover) {
            if (TSkinImage* picture = Images[static_cast<std::size_t>(n)]) {
                picture->setMouseTracking(true);
                connect(
                    picture, &TSkinImage::MouseMoved, this,
                    [this](TSkinImage* p, QMouseEvent* e) { ButtonMouseMove(p, e->buttons()); });
            }
        }
        // The release after a press lands on the pressed picture, which now
        // lies where the highlighted one was.
        if (TSkinImage* pressed = Images[static_cast<std::size_t>(PressedPicture(tag))]) {
            pressed->SetDoubleClickPresses(true);
            connect(pressed, &TSkinImage::MouseReleased, this,
                    [this](TSkinImage*, QMouseEvent* e) { ButtonMouseUp(e); });
            // The pressed picture of Go..Quit carries no tag, yet it can lie
            // on top of its button when the pointer comes back to it: it
            // must not swallow the hover and the next press.
            if (tag <= 6) {
                connect(pressed, &TSkinImage::MouseMoved, this,
                        [this, tag](TSkinImage*, QMouseEvent* e) {
                            ButtonMouseMove(Images[static_cast<std::size_t>(NormalPicture(tag))],
                                            e->buttons());
                        });
                connect(pressed, &TSkinImage::MousePressed, this,
                        [this, tag](TSkinImage*, QMouseEvent* e) {
                            HighlightedMouseDown(
                                Images[static_cast<std::size_t>(HighlightedPicture(tag))], e);
                        });
            }
        }
    }
    ConnectHelpPictures();
    for (int n : WindowDragPictures) {
        TSkinImage* picture = Images[static_cast<std::size_t>(n)];
        if (!picture)
            continue;
        connect(picture, &TSkinImage::MousePressed, this, [this](TSkinImage*, QMouseEvent* e) {
            if (e->button() == Qt::LeftButton)
                StartMove(e->globalPosition().toPoint());
        });
        connect(picture, &TSkinImage::MouseMoved, this, [this](TSkinImage*, QMouseEvent* e) {
            ContinueMove(e->globalPosition().toPoint(), e->buttons());
        });
        connect(picture, &TSkinImage::MouseReleased, this,
                [this](TSkinImage*, QMouseEvent*) { EndMove(); });
    }
}

void TMainForm::CreateGrids() {
    const bool advanced = State.Editor.AdvancedMode;
    auto* main = new TDrawGrid(this);
    Res.PlaceControl(MainGridRecord, main, advanced);
    main->SetColCount(advanced ? 5 : 2);
    Grids[MainList] = main;
    for (int list = 2; list <= ListCount; ++list) {
        auto* grid = new TDrawGrid(SensorNotebook);
        Res.PlaceControl(SensorGridRecord, grid, advanced);
        grid->SetColCount(2);
        grid->hide();
        Grids[static_cast<std::size_t>(list)] = grid;
    }
    for (int list = 1; list <= ListCount; ++list) {
        SetUpGrid(Grids[static_cast<std::size_t>(list)], list);
    }
    Grids[2]->show();
    main->show();
    main->raise();
}

void TMainForm::CreateRowControls() {
    std::vector<TSkinImage*> palette;
    for (int n = FirstPalettePicture; n <= LastPalettePicture; ++n) {
        if (TSkinImage* picture = Images[static_cast<std::size_t>(n)])
            palette.push_back(picture);
    }
    Looks = std::make_unique<TActionLooks>(LoadActionLooks(Res, palette));
    CreateRows(MainList);
    CreateRows(2);
    DisplayVisibleActions(MainList, 1);
    if (State.Editor.AdvancedMode) {
        DisplayVisibleActions(2, 1);
    }
}

void TMainForm::CreateRows(int list) {
    const auto onChange = [this](std::int16_t) { RowValueChanged(); };
    for (int slot = 1; slot <= SlotCount(list); ++slot) {
        auto row = std::make_unique<TBotAction>(list == MainList ? Grids[MainList] : Grids[2], slot,
                                                this, *Looks, State.DecimalSeparator,
                                                State.NegativeSign, onChange);
        TSuperSpinEdit* spin = row->SpinEdit();
        spin->Edit()->installEventFilter(this);
        spin->UpDown()->installEventFilter(this);
        // Runs after the spin edit has taken the click.
        connect(spin->UpDown(), &TUpDown::Clicked, this, [this, spin] { ArrowSpin = spin; });
        connect(spin, &TSuperSpinEdit::InputRefused, this, &TMainForm::RowInputRefused);
        if (list == MainList) {
            MainRows[static_cast<std::size_t>(slot)] = std::move(row);
        } else {
            SensorRows[static_cast<std::size_t>(slot)] = std::move(row);
        }
    }
}

TBotAction* TMainForm::RowControl(int list, int slot) const {
    if (list == MainList) {
        return slot >= 1 && slot <= MainListSlots ? MainRows[static_cast<std::size_t>(slot)].get()
                                                  : nullptr;
    }
    return slot >= 1 && slot <= SensorListSlots ? SensorRows[static_cast<std::size_t>(slot)].get()
                                                : nullptr;
}

void TMainForm::DisplayVisibleActions(int list, int firstSlot) {
    TDrawGrid* grid = Grid(list);
    if (!grid || !RowControl(list, 1)) {
        return;
    }
    // The sensor lists share one set of row controls: only the shown list
    // has them.
    if (list != MainList && RowControl(list, 1)->Grid() != grid) {
        return;
    }
    // The rows now show other steps: a number typed next is not meant for
    // the value whose arrows were used.
    ArrowSpin = nullptr;
    const TSlotPlan plan = BindVisibleActions(State.Editor, list, grid->TopRow(), firstSlot);
    for (int slot = 1; slot <= SlotCount(list); ++slot) {
        const TSlotBinding& binding = plan[static_cast<std::size_t>(slot - 1)];
        TActionStep* step =
            binding.Action == saBind ? &State.Editor.Step(list, binding.Row) : nullptr;
        RowControl(list, slot)->ApplyBinding(binding, step);
    }
}

void TMainForm::RowValueChanged() {
    ValueChanged(State.Editor, State.UndoRing);
    AutoEnableDisable();
    // The focus goes back to the list when the edit ended there (Enter
    // puts it on the arrows) or nowhere; a value left for another control,
    // by a click or by Tab, lets that control keep the focus it was given.
    QWidget* focus = QApplication::focusWidget();
    bool onArrows = false;
    for (int list : {MainList, 2}) {
        for (int slot = 1; slot <= SlotCount(list); ++slot) {
            if (const TBotAction* row = RowControl(list, slot))
                onArrows = onArrows || focus == row->SpinEdit()->UpDown();
        }
    }
    if (focus && focus != this && !onArrows) {
        return;
    }
    if (TDrawGrid* grid = CurrentGrid()) {
        grid->setFocus();
    }
}

void TMainForm::ToDoListDragDrop(TDrawGrid* grid, int kind, const QPoint& point) {
    const int list = grid->Tag();
    int col = 0;
    int row = -1;
    if (!grid->CellAt(point, col, row)) {
        col = -1;
    }
    // The row the drop animation aimed at; a point right of the columns
    // still names its row.
    row = GridRowAt(*grid, point);
    if (kind >= 0) {
        const TDropResult result = DropAction(State.Editor, State.UndoRing, list, row,
                                              static_cast<std::uint8_t>(kind), grid->TopRow());
        if (result.Inserted) {
            grid->SetRowCount(State.Editor.RowCount(list));
            grid->SetTopRow(result.TopRow);
            DisplayVisibleActions(list, result.FirstSlot);
            grid->update();
        }
    } else if (list == MainList) {
        if (DropSensorSet(State.Editor, State.UndoRing, list, col, row,
                          SensorTabBar->currentIndex())) {
            grid->update();
        }
    }
    AutoEnableDisable();
}

void TMainForm::ActionDblClick(int kind) {
    if (PaletteControl) {
        if (TSkinImage* picture = PaletteControl->PictureOfKind(kind)) {
            PaletteControl->ActionDblClick(picture);
        }
    }
}

void TMainForm::ConnectPalette() {
    if (!DraggerWindow) {
        return;
    }
    std::vector<TSkinImage*> pictures;
    for (int n = FirstPalettePicture; n <= LastPalettePicture; ++n) {
        if (TSkinImage* picture = Images[static_cast<std::size_t>(n)])
            pictures.push_back(picture);
    }
    PaletteControl = std::make_unique<TPalette>(pictures, *DraggerWindow);
    PaletteControl->SetCurrentGrid([this] { return CurrentGrid(); });
    connect(PaletteControl.get(), &TPalette::Hovered, this, [this](TSkinImage*) {
        ClearEditingHighlights();
        ShowHelp(PaletteHelpText);
    });
    connect(
        PaletteControl.get(), &TPalette::AppendRequested, this,
        [this](TDrawGrid* grid, QPoint point, int kind) { ToDoListDragDrop(grid, kind, point); });

    TDropTargets targets;
    targets.MainWindow = this;
    targets.MainGrid = Grids[MainList];
    targets.SensorArea = SensorNotebook;
    targets.ShownSensorGrid = [this] { return Grid(SensorTabBar->currentIndex() + 2); };
    targets.AdvancedMode = [this] { return State.Editor.AdvancedMode; };
    targets.FrameEdgeWidth = FrameEdge;
    targets.FrameEdgeHeight = FrameEdge;
    DraggerWindow->SetDropTargets(std::move(targets));

    ConnectSensorPanel();
    connect(
        DraggerWindow, &TDragger::Dropped, this,
        [this](TDrawGrid* grid, QPoint point, int kind) { ToDoListDragDrop(grid, kind, point); });
}

void TMainForm::ConnectSensorPanel() {
    // The "+" panel attaches the shown sensor set to a step (advanced mode).
    if (!State.Editor.AdvancedMode || SensorPanelDrag) {
        return;
    }
    SensorPanelDrag = std::make_unique<TSensorPanelDrag>(SensorPanel, Grids[MainList]);
    connect(SensorPanelDrag.get(), &TSensorPanelDrag::PanelDropped, this,
            [this](TDrawGrid* grid, QPoint point) { ToDoListDragDrop(grid, -1, point); });
}

void TMainForm::SetUpGrid(TDrawGrid* grid, int list) {
    grid->setObjectName(QString::fromLatin1(GridNames[list]));
    grid->SetTag(list);
    grid->setFont(GridFont());
    grid->SetRowCount(State.Editor.RowCount(list));
    ConnectGrid(grid);
    grid->SetDrawCell([this](TDrawGrid& g, QPainter& p, int col, int row, const QRect& rect,
                             bool selected) { DrawGridDrawCell(g, p, col, row, rect, selected); });
    SetColumnWidths(grid);
}

void TMainForm::SetColumnWidths(TDrawGrid* grid) {
    // Each column as wide as its title + 12; "Actions" takes what is left
    // beside the scroll bar. The set columns are at least as wide as the
    // set names they show, which a language may make longer than a title.
    const QFontMetrics metrics(grid->font());
    int setNameWidth = 0;
    for (int set = 0; set < SensorSetCount; ++set) {
        setNameWidth =
            std::max(setNameWidth, metrics.horizontalAdvance(Res.LoadText(FirstSetNameText + set)));
    }
    int total = 0;
    for (int col = 0; col < grid->ColCount(); ++col) {
        int width = metrics.horizontalAdvance(Res.LoadText(StepTitleText + col));
        if (col >= 2) {
            width = std::max(width, setNameWidth);
        }
        width += 12;
        grid->SetColWidth(col, width);
        total += width;
    }
    const int room =
        grid->ClientWidthBesideScrollBar() - grid->ColCount() - grid->ScrollBarWidth() + 2;
    if (total < room && grid->ColCount() > 1) {
        grid->SetColWidth(1, grid->ColWidth(1) + room - total);
    }
}

void TMainForm::DrawGridDrawCell(TDrawGrid& grid, QPainter& painter, int col, int row,
                                 const QRect& rect, bool selected) {
    const auto centred = [&](const QString& text) {
        const QFontMetrics metrics(painter.font());
        const int x = rect.left() + rect.width() / 2 - metrics.horizontalAdvance(text) / 2;
        const int y = rect.top() + rect.height() / 2 - metrics.height() / 2;
        painter.drawText(QRect(x, y, metrics.horizontalAdvance(text) + 1, metrics.height()),
                         Qt::AlignLeft | Qt::AlignTop, text);
    };
    painter.setFont(grid.font());
    const bool running = IsRunningRow(grid.Tag(), row);
    if (row > 0 && col > 0) {
        painter.fillRect(rect, running ? RunningRowColor : QColor(Qt::white));
        if (running) {
            // A green band inside the row, clear of the red selection frame.
            painter.setPen(QPen(RunningFrameColor, 2));
            painter.drawLine(rect.left(), rect.top() + 2, rect.right(), rect.top() + 2);
            painter.drawLine(rect.left(), rect.bottom() - 1, rect.right(), rect.bottom() - 1);
        }
        const int list = grid.Tag();
        if (col >= 2 && row < grid.RowCount() - 1) {
            const TActionStep& step = State.Editor.Step(list, row);
            const int set = col == 2 ? step.BothSet : col == 3 ? step.LeftSet : step.RightSet;
            if (set < SensorSetCount) {
                painter.setPen(Qt::black);
                centred(Res.LoadText(FirstSetNameText + set));
            }
        }
        if (selected) {
            painter.setPen(QColor(255, 0, 0));
            painter.drawLine(rect.topLeft(), rect.topRight());
            painter.drawLine(rect.bottomLeft(), rect.bottomRight());
            if (col == grid.ColCount() - 1)
                painter.drawLine(rect.topRight(), rect.bottomRight());
            if (col == 1)
                painter.drawLine(rect.topLeft(), rect.bottomLeft());
        }
        return;
    }
    const bool runningNumber = running && col == 0;
    painter.fillRect(rect, runningNumber ? RunningFrameColor : QColor(0xd4, 0xd4, 0xd4));
    painter.setPen(QColor(0xc0, 0xc0, 0xc0));
    painter.drawRect(rect.adjusted(0, 0, -1, -1));
    painter.setPen(runningNumber ? QColor(Qt::white) : QColor(Qt::black));
    if (row == 0) {
        centred(Res.LoadText(StepTitleText + col));
    } else {
        centred(QString::number(row));
    }
}

void TMainForm::ApplyCaptions() {
    HyperHelpBox->setText(Res.LoadText(HelpEnabledText));
    PortLabel1->setText(Res.LoadText(PortLabel1Text));
    PortLabel2->setText(Res.LoadText(PortLabel2Text));
    SensorsEnabledBox->setText(Res.LoadText(SensorsEnabledText));
}

void TMainForm::ApplyMode() {
    const bool advanced = State.Editor.AdvancedMode;
    SensorsEnabledBox->setVisible(!advanced);
    SensorNotebook->setVisible(advanced);
    SensorPanel->setVisible(advanced);
    if (advanced) {
        for (int tab = 0; tab < SensorSetCount; ++tab) {
            SensorTabBar->setTabText(tab, Res.LoadText(FirstSetNameText + tab));
        }
    } else {
        Grids[MainList]->SetColCount(2);
    }
    ModeSwitch->setText(Res.LoadText(AdvancedModeText));
    ModeSwitch->setChecked(advanced);
    // In Advanced Mode the box lies on the settings panel's blue caption.
    QPalette colours = palette();
    if (advanced) {
        colours.setColor(QPalette::WindowText, Qt::white);
    }
    ModeSwitch->setPalette(colours);
}

void TMainForm::HyperHelpClick() {
    const TSkinImage* go = Images[GoNormal];
    const TSkinImage* edge = Images[BottomEdgeLeft];
    const int goBottom = go ? go->y() + go->height() : height();
    const int edgeHeight = edge ? edge->height() : 0;
    const auto moveBottomEdge = [this](int top) {
        for (int n : {BottomEdgeLeft, BottomEdgeRight}) {
            if (TSkinImage* piece = Images[static_cast<std::size_t>(n)])
                piece->move(piece->x(), top);
        }
    };

    if (HyperHelpBox->isChecked()) {
        const int helpHeight = Help->height();
        resize(width(), goBottom + helpHeight + 30);
        for (int n : {BottomEdgeLeft, BottomEdgeRight}) {
            if (TSkinImage* piece = Images[static_cast<std::size_t>(n)]) {
                piece->move(piece->x(), height() - piece->height() - 1);
            }
        }
        // Slide open: the visible part grows downward a pixel at a time.
        for (int n = helpHeight + 15; n >= 0; --n) {
            SetShape(RoundedRegion(0, 0, width(), height() - n, HelpCorner, HelpCorner));
            QApplication::processEvents();
            if (isVisible() && n % 4 == 0)
                QThread::msleep(1);
        }
        Help->show();
        Help->setPlainText(Res.LoadText(BlankHelpText));
    } else {
        Help->hide();
        QApplication::processEvents();
        SetShape(RoundedRegion(0, 0, width(), goBottom + edgeHeight + 4, HelpCorner, HelpCorner));
        moveBottomEdge(goBottom + 4);
        resize(width(), goBottom + edgeHeight + 15);
    }
    if (TDrawGrid* grid = CurrentGrid()) {
        grid->setFocus();
    }
}

void TMainForm::SetShape(const QRegion& region) {
    setMask(region);
}

bool TMainForm::IsButtonEnabled(int tag) const {
    const TSkinImage* disabled = Images[static_cast<std::size_t>(DisabledPicture(tag))];
    return !disabled || disabled->isHidden();
}

void TMainForm::ClearHighlights() {
    for (int tag = 1; tag <= ButtonCount; ++tag) {
        for (int n : {HighlightedPicture(tag), PressedPicture(tag)}) {
            if (TSkinImage* picture = Images[static_cast<std::size_t>(n)])
                picture->hide();
        }
    }
}

void TMainForm::ButtonMouseMove(TSkinImage* picture, Qt::MouseButtons buttons) {
    if (const int abandoned = ButtonPress.MoveSeen(buttons & Qt::LeftButton)) {
        EndButtonPress(abandoned);
    }
    if (ButtonPress.Held() != 0) {
        return; // a button is held: keep its pressed picture
    }
    ClearHighlights();
    const int tag = picture->Tag();
    if (tag < 1 || tag > ButtonCount) {
        return; // the greyed picture of Go..Quit only clears the highlights
    }
    if (TSkinImage* highlighted = Images[static_cast<std::size_t>(HighlightedPicture(tag))]) {
        highlighted->show();
    }
    QApplication::processEvents();
    constexpr std::array<int, ButtonCount + 1> helpText{0,   444, 445, 446, 447, 448,
                                                        449, 450, 450, 450, 450, 451};
    Help->setPlainText(Res.LoadText(helpText[static_cast<std::size_t>(tag)]));
}

void TMainForm::HighlightedMouseDown(TSkinImage* picture, QMouseEvent* event) {
    const int tag = picture->Tag();
    if (event->button() != Qt::LeftButton || tag < 1 || tag > ButtonCount) {
        return;
    }
    ButtonPress.Press(tag);
    // The pressed picture lies above the highlighted one and hides it. The
    // highlighted picture itself stays shown until the release: it holds the
    // mouse for this press, and a widget hidden while it holds the mouse
    // never hears of the release (the click would be lost).
    if (TSkinImage* pressed = Images[static_cast<std::size_t>(PressedPicture(tag))]) {
        pressed->show();
    }
}

int TMainForm::ButtonAt(const QPoint& globalPos) const {
    const QPoint at = mapFromGlobal(globalPos);
    for (int tag = 1; tag <= ButtonCount; ++tag) {
        const TSkinImage* normal = Images[static_cast<std::size_t>(NormalPicture(tag))];
        if (normal && normal->geometry().contains(at)) {
            return tag;
        }
    }
    return 0;
}

void TMainForm::EndButtonPress(int tag) {
    // The press ran nothing: no picture of it may stay behind.
    ShowPicture(PressedPicture(tag), false);
    ShowPicture(HighlightedPicture(tag), false);
}

void TMainForm::FollowPointer() {
    // Whatever was held is over: the window that opened took the release.
    if (const int held = ButtonPress.Held()) {
        ButtonPress.Release(0);
        EndButtonPress(held);
    }
    ClearHighlights();
    // No move comes when the pointer stood still while a window was open
    // over it, so ask where it is now.
    if (!isVisible() || QApplication::activeModalWidget() || !Images[GoNormal]) {
        return;
    }
    // Right after a window closes the window system may not yet say which
    // window is under the pointer (QApplication::widgetAt finds none), so
    // the window's own shape decides.
    const QPoint pointer = QCursor::pos();
    const QPoint inWindow = mapFromGlobal(pointer);
    if (!rect().contains(inWindow) || (!mask().isEmpty() && !mask().contains(inWindow))) {
        return;
    }
    const int tag = ButtonAt(pointer);
    if (tag != 0 && IsButtonEnabled(tag)) {
        ShowPicture(HighlightedPicture(tag), true);
    }
}

void TMainForm::ButtonMouseUp(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        return;
    }
    const int held = ButtonPress.Held();
    // A click is a release over the same button.
    const int clicked = ButtonPress.Release(ButtonAt(event->globalPosition().toPoint()));
    if (held == 0) {
        return;
    }
    if (clicked == 0) {
        EndButtonPress(held);
        return;
    }
    // From here on the button shows its pressed picture until its command
    // hides it.
    ShowPicture(HighlightedPicture(clicked), false);
    ButtonClick(clicked);
}

} // namespace wayline
