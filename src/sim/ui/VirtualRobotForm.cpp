#include "sim/ui/VirtualRobotForm.h"

#include "uikit/Language.h"
#include "uikit/Resources.h"
#include "uikit/UserDialogs.h"
#include "codegen/core/BuildCode.h"
#include "editor/core/ActionDocument.h"
#include "editor/core/SettingsRules.h"
#include "sim/core/ChallengeFile.h"
#include "sim/core/RobotSession.h"
#include "sim/core/WindowPlacement.h"
#include "sim/ui/ArenaView.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QDir>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QResizeEvent>
#include <QSaveFile>
#include <QScrollArea>
#include <QScreen>
#include <QSettings>
#include <QStandardPaths>
#include <QStyle>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWindow>

#include <chrono>
#include <mutex>

namespace wayline {

namespace {

// Interface texts.
constexpr int CaptionText = 700;
constexpr int PlayText = 701;
constexpr int PauseText = 702;
constexpr int RestartText = 703;
constexpr int SpeedText = 704;
constexpr int FirstSpeedText = 705; // "1×", "2×", "4×"
constexpr int AddBoxText = 708;
constexpr int AddCanText = 709;
constexpr int RemoveObstacleText = 710;
constexpr int AddBoxHereText = 711;
constexpr int AddCanHereText = 712;
constexpr int NothingYetText = 713;
constexpr int StartingText = 714;
constexpr int StepText = 715;
constexpr int SetStepText = 716;
constexpr int SetStartsText = 717;
constexpr int FinishedText = 718;
constexpr int StoppedText = 719;
constexpr int FirstReactionText = 720; // back-left, back-right, veer left, veer right, U-turn
constexpr int TestModeText = 725;
constexpr int TestProgramText = 740;
constexpr int FirstSensorText = 726; // left whisker, right whisker, left IR, right IR
constexpr int SensorsText = 730;
constexpr int TimeText = 731;
constexpr int PausedText = 732;
constexpr int HintText = 733;
constexpr int FirstLegendText = 734; // path, cones, obstacle, whisker
constexpr int SendingText = 738;
constexpr int NowText = 739;
constexpr int FastStartingText = 741;
constexpr int SensorsOffText = 742;
constexpr int RealTimingText = 743;
constexpr int RealTimingHelpText = 744;
constexpr int BackToStartText = 746;
constexpr int BackToStartHelpText = 747;
constexpr int OpenArenaText = 800;
constexpr int LessonsText = 801;
constexpr int SaveArenaText = 802;
constexpr int OpenArenaTitleText = 803;
constexpr int ArenaFilterText = 804;
constexpr int SaveArenaTitleText = 805;
constexpr int CannotOpenText = 806;
constexpr int CannotSaveText = 807;
constexpr int TaskHeadingText = 808;
constexpr int GoalReachedText = 809;
constexpr int AllGoalsReachedText = 810;
constexpr int NoRuleBrokenText = 811;
constexpr int TouchedWallText = 812;
constexpr int TouchedObstacleText = 813;
constexpr int ForbiddenZoneText = 814;
constexpr int TimeUpText = 815;
constexpr int EndedOutsideText = 816;
constexpr int EndedEarlyText = 817;
constexpr int PassedText = 818;
constexpr int NotPassedText = 819;
constexpr int GoalsSoFarText = 820;
constexpr int InOrderRuleText = 821;
constexpr int TouchNothingRuleText = 822;
constexpr int EndInsideRuleText = 823;
constexpr int TimeLimitRuleText = 824;
constexpr int ForbiddenRuleText = 825;
constexpr int FirstTaskLegendText = 826; // goal, forbidden zone
constexpr int LessonEntryText = 828;
constexpr int PressGoText = 829;
constexpr int SecondsSuffixText = 374; // " sec"
constexpr int FirstSetNameText = 406;  // "All", "Set1".."Set4"
constexpr int FirstActionNameText = 398;
constexpr int NotModelledText = 924;   // why a program stopped: {instruction}
constexpr int PastEepromText = 925;
constexpr int ProgramFaultText = 926;  // {address}

// The virtual servos' true centres: a few units off, as uncalibrated.
constexpr int LeftServoTrueCentre = 744;
constexpr int RightServoTrueCentre = 757;

const QString LampOff = QStringLiteral(
    "QLabel { background: #d9d9d9; border: 1px solid #9a9a9a; border-radius: 7px; }");
const QString LampOn = QStringLiteral(
    "QLabel { background: #e02020; border: 1px solid #7a0000; border-radius: 7px; }");

int ReactionText(sim::TReaction reaction) {
    switch (reaction) {
    case sim::TReaction::rnBackRotateLeft:
        return FirstReactionText;
    case sim::TReaction::rnBackRotateRight:
        return FirstReactionText + 1;
    case sim::TReaction::rnVeerLeft:
        return FirstReactionText + 2;
    case sim::TReaction::rnVeerRight:
        return FirstReactionText + 3;
    default:
        return FirstReactionText + 4; // the U-turn
    }
}

std::uint64_t SteadyUs() {
    return static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::microseconds>(
                                          std::chrono::steady_clock::now().time_since_epoch())
                                          .count());
}

QString Fill(QString text, const QString& key, const QString& value) {
    return text.replace(u'{' + key + u'}', value);
}

// Why the program stopped, in the words of the text table.
QString FaultText(const TResources& resources, const sim::TFaultCause& cause) {
    switch (cause.Kind) {
    case sim::TFaultKind::fkNotModelled:
        return Fill(resources.LoadText(NotModelledText), QStringLiteral("instruction"),
                    QString::fromStdString(cause.Instruction));
    case sim::TFaultKind::fkPastEeprom:
        return resources.LoadText(PastEepromText);
    case sim::TFaultKind::fkProgram:
        break;
    }
    return Fill(resources.LoadText(ProgramFaultText), QStringLiteral("address"),
                QString::number(cause.BitAddress));
}

// Seconds with one decimal, as the language writes them ("12,4" in German).
QString Seconds(std::uint64_t us, const QString& language) {
    return DecimalText(static_cast<double>(us) / 1e6, 1, language);
}

// The small pictures of the legend, drawn as the arena draws the things.
QPixmap LegendPicture(int which) {
    QPixmap picture(28, 16);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    switch (which) {
    case 0: // the path
        painter.setPen(QPen(QColor(0x2f, 0x6f, 0xd6), 2.5));
        painter.drawLine(2, 12, 26, 4);
        break;
    case 1: { // an infra-red cone
        QPainterPath cone(QPointF(2, 8));
        cone.arcTo(QRectF(-22, -16, 48, 48), 20, -40);
        cone.closeSubpath();
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(255, 200, 0, 110));
        painter.drawPath(cone);
        break;
    }
    case 2: // an obstacle
        painter.setPen(QPen(QColor(0x8a, 0x4f, 0x12), 1.5));
        painter.setBrush(QColor(0xe0, 0x8a, 0x2e));
        painter.drawRect(QRectF(5, 2, 18, 12));
        break;
    case 3: // a pressed whisker
        painter.setPen(QPen(QColor(0xe0, 0x20, 0x20), 3, Qt::SolidLine, Qt::RoundCap));
        painter.drawLine(3, 12, 25, 5);
        break;
    case 4: // a goal
        painter.setPen(QPen(QColor(0x1e, 0x7a, 0x1e), 1.5));
        painter.setBrush(QColor(0x3c, 0xb0, 0x3c, 90));
        painter.drawRect(QRectF(5, 2, 18, 12));
        break;
    default: // a forbidden zone
        painter.setPen(QPen(QColor(0xb0, 0x18, 0x18), 1.5, Qt::DashLine));
        painter.setBrush(QColor(0xd8, 0x30, 0x30, 90));
        painter.drawRect(QRectF(5, 2, 18, 12));
        break;
    }
    return picture;
}

// The window's own settings, beside the program's five: the place the user
// gave it and the timing chosen.
QString SettingText(std::string_view text) {
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}
QSettings RobotSettings() {
    return QSettings(QSettings::NativeFormat, QSettings::UserScope,
                     SettingText(SettingsOrganisation), SettingText(SettingsApplication));
}
const QString PlaceKey = QStringLiteral("VirtualRobot/WindowPlace");
const QString RealTimingKey = QStringLiteral("VirtualRobot/RealTiming");

sim::TScreenRect Screen(const QRect& r) {
    return {r.x(), r.y(), r.width(), r.height()};
}
QRect ToQRect(const sim::TScreenRect& r) {
    return {r.X, r.Y, r.Width, r.Height};
}

} // namespace

sim::TEntryRows EntryRowsOf(const TDocumentState& state) {
    sim::TEntryRows rows;
    for (std::size_t k = 0; k < rows.size(); ++k) {
        rows[k] = ListEntryRows(state, static_cast<int>(k) + MainList);
    }
    return rows;
}

sim::TWorld VirtualRobotWorld() {
    sim::TWorld world = sim::TWorld::DefaultArena();
    world.SetServoCentres(LeftServoTrueCentre, RightServoTrueCentre);
    return world;
}

namespace {

// Arena files start where the user keeps files (documents, else home), as
// action lists do: never in the program's folder.
QString ArenaStartFolder() {
    return QString::fromStdString(FileDialogFolder(
        {}, QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation).toStdString(),
        QDir::homePath().toStdString(), [](std::string_view path) {
            return QFileInfo(QString::fromUtf8(path.data(), static_cast<qsizetype>(path.size())))
                .isDir();
        }));
}

} // namespace

TVirtualRobotForm::TVirtualRobotForm(const TResources& resources, const TVirtualRobot& robot,
                                     QWidget* parent)
    : QWidget(parent, Qt::Window), Res(resources), Robot(robot),
      RobotSession(std::make_unique<sim::TRobotSession>(VirtualRobotWorld(),
                                                        sim::TRobotParameters{}, robot.Module)),
      Dialogs(&SystemDialogs()), ArenaFolder(ArenaStartFolder()),
      FrameClock(SteadyUs) {
    setObjectName(QStringLiteral("VirtualRobotForm"));
    setWindowTitle(Text(CaptionText));

    TArenaView::TTexts arenaTexts;
    arenaTexts.RemoveObstacle = Text(RemoveObstacleText);
    arenaTexts.AddBoxHere = Text(AddBoxHereText);
    arenaTexts.AddCanHere = Text(AddCanHereText);
    View = new TArenaView(*RobotSession, arenaTexts, this);

    // The tool rows: play or pause, restart, the speed; obstacles and the
    // timing. Side by side in a wide window, one above the other in a
    // narrow one.
    PlayPause = new QPushButton(this);
    PlayPause->setObjectName(QStringLiteral("PlayButton"));
    RestartBtn =
        new QPushButton(style()->standardIcon(QStyle::SP_BrowserReload), Text(RestartText), this);
    RestartBtn->setObjectName(QStringLiteral("RestartButton"));
    auto* speedLabel = new QLabel(Text(SpeedText), this);
    SpeedGroup = new QButtonGroup(this);
    SpeedGroup->setExclusive(true);
    auto* playRow = new QHBoxLayout;
    playRow->addWidget(PlayPause);
    playRow->addWidget(RestartBtn);
    playRow->addSpacing(12);
    playRow->addWidget(speedLabel);
    for (int i = 0; i < 3; ++i) {
        auto* button = new QToolButton(this);
        const int factor = sim::TPlayback::Speeds[i];
        button->setObjectName(QStringLiteral("Speed%1Button").arg(factor));
        button->setText(Text(FirstSpeedText + i));
        button->setCheckable(true);
        button->setChecked(factor == 1);
        button->setMinimumWidth(36);
        SpeedGroup->addButton(button, factor);
        playRow->addWidget(button);
    }
    playRow->addStretch(1);
    OpenArena = new QPushButton(Text(OpenArenaText), this);
    OpenArena->setObjectName(QStringLiteral("OpenArenaButton"));
    LessonsBtn = new QPushButton(Text(LessonsText), this);
    LessonsBtn->setObjectName(QStringLiteral("LessonsButton"));
    Lessons = new QMenu(LessonsBtn);
    Lessons->setObjectName(QStringLiteral("LessonsMenu"));
    for (int n = 1; n <= LessonCount(); ++n) {
        const std::optional<sim::TChallenge> lesson = Lesson(n);
        QAction* entry = Lessons->addAction(
            Fill(Fill(Text(LessonEntryText), QStringLiteral("number"), QString::number(n)),
                 QStringLiteral("title"),
                 QString::fromStdString(lesson ? lesson->Title : std::string())));
        connect(entry, &QAction::triggered, this, [this, n] { OpenLesson(n); });
    }
    LessonsBtn->setMenu(Lessons);
    SaveArena = new QPushButton(Text(SaveArenaText), this);
    SaveArena->setObjectName(QStringLiteral("SaveArenaButton"));
    auto* arenaRow = new QHBoxLayout;
    arenaRow->addWidget(OpenArena);
    arenaRow->addWidget(LessonsBtn);
    arenaRow->addWidget(SaveArena);
    arenaRow->addStretch(1);
    AddBox = new QPushButton(Text(AddBoxText), this);
    AddBox->setObjectName(QStringLiteral("AddBoxButton"));
    AddCan = new QPushButton(Text(AddCanText), this);
    AddCan->setObjectName(QStringLiteral("AddCanButton"));
    RealTimingCheck = new QCheckBox(Text(RealTimingText), this);
    RealTimingCheck->setObjectName(QStringLiteral("RealTimingBox"));
    RealTimingCheck->setToolTip(Text(RealTimingHelpText));
    auto* worldRow = new QHBoxLayout;
    worldRow->addWidget(AddBox);
    worldRow->addWidget(AddCan);
    worldRow->addSpacing(12);
    worldRow->addWidget(RealTimingCheck);
    worldRow->addStretch(1);
    Tools = new QBoxLayout(QBoxLayout::LeftToRight);
    Tools->addLayout(playRow, 1);
    Tools->addLayout(arenaRow);
    Tools->addLayout(worldRow);

    // The side panel: the task and its verdict, what the robot does now and
    // its time; its sensors; a key to the arena. A column beside the arena,
    // or a row below it.
    auto* nowTitle = new QLabel(Text(NowText), this);
    QFont titleFont = nowTitle->font();
    titleFont.setBold(true);
    nowTitle->setFont(titleFont);
    TaskTitle = new QLabel(this);
    TaskTitle->setObjectName(QStringLiteral("TaskTitle"));
    TaskTitle->setFont(titleFont);
    TaskTitle->setWordWrap(true);
    TaskText = new QLabel(this);
    TaskText->setObjectName(QStringLiteral("TaskLabel"));
    TaskText->setWordWrap(true);
    TaskText->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    VerdictText = new QLabel(this);
    VerdictText->setObjectName(QStringLiteral("VerdictLabel"));
    VerdictText->setWordWrap(true);
    QFont verdictFont = VerdictText->font();
    verdictFont.setPointSizeF(verdictFont.pointSizeF() * 1.15);
    verdictFont.setBold(true);
    VerdictText->setFont(verdictFont);
    Status = new QLabel(this);
    Status->setObjectName(QStringLiteral("StatusLabel"));
    Status->setWordWrap(true);
    Status->setMinimumHeight(48);
    Status->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    QFont statusFont = Status->font();
    statusFont.setPointSizeF(statusFont.pointSizeF() * 1.25);
    statusFont.setBold(true);
    Status->setFont(statusFont);
    Status->setStyleSheet(QStringLiteral("QLabel { color: #1e5a1e; }"));
    Time = new QLabel(this);
    Time->setObjectName(QStringLiteral("TimeLabel"));
    auto* nowGroup = new QWidget(this);
    auto* nowLayout = new QVBoxLayout(nowGroup);
    nowLayout->setContentsMargins(0, 0, 0, 0);
    nowLayout->addWidget(TaskTitle);
    nowLayout->addWidget(TaskText);
    nowLayout->addWidget(VerdictText);
    nowLayout->addWidget(nowTitle);
    nowLayout->addWidget(Status);
    nowLayout->addWidget(Time);
    nowLayout->addStretch(1);

    auto* sensorGroup = new QWidget(this);
    auto* sensorLayout = new QVBoxLayout(sensorGroup);
    sensorLayout->setContentsMargins(0, 0, 0, 0);
    auto* sensorsTitle = new QLabel(Text(SensorsText), this);
    sensorsTitle->setFont(titleFont);
    sensorLayout->addWidget(sensorsTitle);
    auto* lampGrid = new QGridLayout;
    for (int k = 0; k < sim::SensorCount; ++k) {
        auto* lamp = new QLabel(this);
        lamp->setObjectName(QStringLiteral("SensorLamp%1").arg(k));
        lamp->setFixedSize(14, 14);
        lamp->setStyleSheet(LampOff);
        Lamps[static_cast<std::size_t>(k)] = lamp;
        lampGrid->addWidget(lamp, k, 0);
        lampGrid->addWidget(new QLabel(Text(FirstSensorText + k), this), k, 1);
    }
    lampGrid->setColumnStretch(1, 1);
    sensorLayout->addLayout(lampGrid);
    SensorsOff = new QLabel(Text(SensorsOffText), this);
    SensorsOff->setObjectName(QStringLiteral("SensorsOffLabel"));
    SensorsOff->setWordWrap(true);
    SensorsOff->setStyleSheet(QStringLiteral("QLabel { color: #9a3a00; font-weight: bold; }"));
    SensorsOff->hide();
    sensorLayout->addWidget(SensorsOff);
    sensorLayout->addStretch(1);

    Legend = new QWidget(this);
    auto* legend = new QGridLayout(Legend);
    legend->setContentsMargins(0, 0, 0, 0);
    for (int k = 0; k < 6; ++k) {
        auto* picture = new QLabel(this);
        picture->setPixmap(LegendPicture(k));
        auto* label =
            new QLabel(Text(k < 4 ? FirstLegendText + k : FirstTaskLegendText + k - 4), this);
        label->setWordWrap(true);
        legend->addWidget(picture, k, 0, Qt::AlignTop);
        legend->addWidget(label, k, 1);
        if (k >= 4) {
            // Only arenas with a task have goals and forbidden zones.
            TaskLegend.push_back(picture);
            TaskLegend.push_back(label);
        }
    }
    legend->setColumnStretch(1, 1);
    legend->setRowStretch(6, 1);

    SidePanel = new QWidget;
    SidePanel->setObjectName(QStringLiteral("SidePanel"));
    Side = new QBoxLayout(QBoxLayout::TopToBottom, SidePanel);
    Side->setContentsMargins(0, 0, 0, 0);
    Side->setSpacing(10);
    Side->addWidget(nowGroup, 1);
    Side->addWidget(sensorGroup, 1);
    Side->addWidget(Legend, 1);

    // A long task, a verdict and the key may need more height than a small
    // screen leaves: the panel then scrolls rather than clip its words.
    SideScroll = new QScrollArea(this);
    SideScroll->setObjectName(QStringLiteral("SideScroll"));
    SideScroll->setFrameShape(QFrame::NoFrame);
    SideScroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    SideScroll->setWidgetResizable(true);
    // Below the arena it takes the height it needs and leaves the rest to the arena.
    SideScroll->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    SideScroll->setWidget(SidePanel);
    SideScroll->viewport()->setAutoFillBackground(false);
    SidePanel->setAutoFillBackground(false);

    Middle = new QBoxLayout(QBoxLayout::LeftToRight);
    Middle->addWidget(View, 1);
    Middle->addWidget(SideScroll);

    Hint = new QLabel(Text(HintText), this);
    Hint->setObjectName(QStringLiteral("HintLabel"));
    Hint->setWordWrap(true);
    Hint->setStyleSheet(QStringLiteral("QLabel { color: #505050; }"));

    auto* all = new QVBoxLayout(this);
    all->addLayout(Tools);
    all->addLayout(Middle, 1);
    all->addWidget(Hint);
    ApplyLayout(false, false, false);
    const sim::TBesideMainWindow sizes;
    resize(sizes.RobotPreferred.Width, sizes.RobotPreferred.Height);
    setMinimumSize(sizes.RobotMinimumNarrow.Width - 20, sizes.RobotMinimumWide.Height - 40);

    connect(PlayPause, &QPushButton::clicked, this, [this] { Playing() ? Pause() : Play(); });
    connect(RestartBtn, &QPushButton::clicked, this, &TVirtualRobotForm::Restart);
    connect(SpeedGroup, &QButtonGroup::idClicked, this, &TVirtualRobotForm::SetSpeed);
    connect(OpenArena, &QPushButton::clicked, this, &TVirtualRobotForm::ChooseArenaFile);
    connect(SaveArena, &QPushButton::clicked, this, &TVirtualRobotForm::ChooseSaveFile);
    connect(AddBox, &QPushButton::clicked, this, [this] {
        const sim::TWorld& world = View->Picture().World;
        View->AddBox({world.Width() / 2, world.Height() / 2});
    });
    connect(AddCan, &QPushButton::clicked, this, [this] {
        const sim::TWorld& world = View->Picture().World;
        View->AddCan({world.Width() / 2, world.Height() / 2});
    });
    connect(RealTimingCheck, &QCheckBox::clicked, this, &TVirtualRobotForm::SetRealTiming);
    // What the mouse changes in the arena shows at once, paused or not.
    connect(View, &TArenaView::ArenaChanged, this, &TVirtualRobotForm::UpdateShown);
    connect(View, &TArenaView::WhiskerHeld, this, &TVirtualRobotForm::UpdateShown);

    {
        const QSettings store = RobotSettings();
        UsersPlace = store.value(PlaceKey).toByteArray();
        const bool real = store.value(RealTimingKey, false).toBool();
        Robot.RealTiming->store(real);
        Clock.SetFastStart(!real);
        RealTimingCheck->setChecked(real);
    }

    Timer = new QTimer(this);
    Timer->setTimerType(Qt::PreciseTimer);
    Timer->setInterval(FrameIntervalMs);
    connect(Timer, &QTimer::timeout, this, &TVirtualRobotForm::OnTimer);
    LastFrameUs = FrameClock();
    ShowTaskText();
    UpdateShown();
}

TVirtualRobotForm::~TVirtualRobotForm() {
    Timer->stop();
    if (isVisible()) {
        KeepUsersPlace();
    }
    View->ReleaseWhiskers();
    // The module may outlive the window (a serial device stepping it).
    const std::lock_guard<std::mutex> lock(RobotSession->Module().Mutex());
    RobotSession->Board().SetObserver(nullptr);
}

void TVirtualRobotForm::SetDialogs(TUserDialogs* dialogs) {
    Dialogs = dialogs != nullptr ? dialogs : &SystemDialogs();
}

bool TVirtualRobotForm::OpenChallenge(sim::TChallenge challenge) {
    sim::TSimulatedModule& module = RobotSession->Module();
    if (HostDriven) {
        return false;
    }
    {
        const std::lock_guard<std::mutex> lock(module.Mutex());
        if (module.Attached()) {
            return false;
        }
        sim::TRobotSimulation& board = RobotSession->Board();
        board.SetObserver(nullptr);
        Judge.reset();
        Task = std::make_unique<sim::TChallenge>(std::move(challenge));
        // The arena's own robot, as grade runs it: a teacher sees here what
        // the table says.
        board.World() = Task->World;
        board.Robot().Reset(board.Robot().PhysicsTimeUs());
        if (Task->HasTask()) {
            Judge = std::make_unique<sim::TChallengeJudge>(*Task, board.World());
            board.SetObserver(Judge.get());
        }
        // A program in the robot starts again at the new start, judged.
        if (module.HasProgram()) {
            module.PressResetButton();
        }
    }
    Clock.SetPlaying(true);
    ShowTaskText();
    UpdateShown();
    return true;
}

bool TVirtualRobotForm::OpenArenaFile(const QString& path) {
    const sim::TChallengeFileResult read =
        sim::ReadChallengeFile(std::filesystem::path(path.toStdString()));
    if (!read.Loaded) {
        Dialogs->ShowErrorBox(this, Fill(Fill(Text(CannotOpenText), QStringLiteral("file"),
                                              QFileInfo(path).fileName()),
                                         QStringLiteral("error"),
                                         QString::fromStdString(read.Error)));
        return false;
    }
    return OpenChallenge(read.Challenge);
}

int TVirtualRobotForm::LessonCount() const {
    int count = 0;
    while (Res.Find(QStringLiteral("LESSON"), count + 1)) {
        ++count;
    }
    return count;
}

std::optional<sim::TChallenge> TVirtualRobotForm::Lesson(int number) const {
    const std::optional<QByteArray> bytes = Res.Find(QStringLiteral("LESSON"), number);
    if (!bytes) {
        return std::nullopt;
    }
    sim::TChallengeFileResult read = sim::ParseChallenge(
        std::string_view(bytes->constData(), static_cast<std::size_t>(bytes->size())));
    if (!read.Loaded) {
        return std::nullopt;
    }
    return std::move(read.Challenge);
}

bool TVirtualRobotForm::OpenLesson(int number) {
    std::optional<sim::TChallenge> lesson = Lesson(number);
    return lesson && OpenChallenge(std::move(*lesson));
}

bool TVirtualRobotForm::SaveArenaFile(const QString& path) {
    sim::TChallenge arena = Task ? *Task : sim::TChallenge{};
    {
        const std::lock_guard<std::mutex> lock(RobotSession->Module().Mutex());
        arena.World = RobotSession->Board().World();
    }
    const std::string text = sim::ChallengeToJson(arena);
    // Written aside and put in place whole: a full disk leaves the old file.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) ||
        file.write(text.data(), static_cast<qint64>(text.size())) !=
            static_cast<qint64>(text.size()) ||
        !file.commit()) {
        Dialogs->ShowErrorBox(this, Fill(Fill(Text(CannotSaveText), QStringLiteral("file"),
                                              QFileInfo(path).fileName()),
                                         QStringLiteral("error"), file.errorString()));
        return false;
    }
    return true;
}

void TVirtualRobotForm::ChooseArenaFile() {
    const QString path = Dialogs->GetOpenFileName(
        this, {Text(OpenArenaTitleText), Text(ArenaFilterText), QStringLiteral("json")},
        ArenaFolder, QString());
    if (path.isEmpty()) {
        return;
    }
    ArenaFolder = QFileInfo(path).absolutePath();
    OpenArenaFile(path);
}

void TVirtualRobotForm::ChooseSaveFile() {
    const QString path = Dialogs->GetSaveFileName(
        this, {Text(SaveArenaTitleText), Text(ArenaFilterText), QStringLiteral("json")},
        ArenaFolder, QStringLiteral("arena.json"));
    if (path.isEmpty()) {
        return;
    }
    ArenaFolder = QFileInfo(path).absolutePath();
    SaveArenaFile(path);
}

sim::TVerdict TVirtualRobotForm::Verdict() const {
    if (!Judge) {
        return {};
    }
    const std::lock_guard<std::mutex> lock(RobotSession->Module().Mutex());
    return Judge->Verdict();
}

// The task as the pupil reads it: title, text and the rules in words.
void TVirtualRobotForm::ShowTaskText() {
    TaskTitle->setVisible(Task != nullptr && !Task->Title.empty());
    TaskTitle->setText(Task ? QString::fromStdString(Task->Title) : QString());
    QStringList lines;
    if (Task) {
        if (!Task->Task.empty()) {
            lines << QString::fromStdString(Task->Task);
        }
        const sim::TChallengeRules& rules = Task->Rules;
        QStringList said;
        if (rules.GoalsInOrder && Task->Goals.size() > 1) {
            said << Text(InOrderRuleText);
        }
        if (!Task->Forbidden.empty()) {
            said << Text(ForbiddenRuleText);
        }
        if (rules.TouchNothing) {
            said << Text(TouchNothingRuleText);
        }
        if (rules.EndInsideLastGoal) {
            said << Text(EndInsideRuleText);
        }
        if (rules.TimeLimitUs) {
            said << Fill(Text(TimeLimitRuleText), QStringLiteral("seconds"),
                         Seconds(*rules.TimeLimitUs, Res.Language()));
        }
        for (const QString& rule : said) {
            lines << QStringLiteral("\u2022 ") + rule;
        }
    }
    TaskText->setVisible(!lines.isEmpty());
    for (QWidget* shown : TaskLegend) {
        shown->setVisible(Task != nullptr && Task->HasTask());
    }
    TaskText->setText(lines.join(u'\n'));
    if (Task) {
        setWindowTitle(Text(CaptionText) +
                       (Task->Title.empty() ? QString()
                                            : QStringLiteral(" \u2014 ") +
                                                  QString::fromStdString(Task->Title)));
    }
}

QString TVirtualRobotForm::VerdictSentence(const sim::TVerdict& verdict, int reached,
                                           int count) const {
    const QString seconds = Seconds(verdict.TimeUs, Res.Language());
    const auto fill = [&](int id) {
        return Fill(Fill(Fill(Text(id), QStringLiteral("seconds"), seconds),
                         QStringLiteral("reached"), QString::number(reached)),
                    QStringLiteral("count"), QString::number(count));
    };
    switch (verdict.Reason) {
    case sim::TVerdictReason::vrNone:
        return {};
    case sim::TVerdictReason::vrGoalsReached:
        return fill(count == 1 ? GoalReachedText : AllGoalsReachedText);
    case sim::TVerdictReason::vrNoRuleBroken:
        return fill(NoRuleBrokenText);
    case sim::TVerdictReason::vrTouchedWall:
        return fill(TouchedWallText);
    case sim::TVerdictReason::vrTouchedObstacle:
        return fill(TouchedObstacleText);
    case sim::TVerdictReason::vrForbiddenZone:
        return fill(ForbiddenZoneText);
    case sim::TVerdictReason::vrTimeUp:
        return fill(TimeUpText);
    case sim::TVerdictReason::vrEndedOutside:
        return fill(EndedOutsideText);
    case sim::TVerdictReason::vrEndedEarly:
        return fill(EndedEarlyText);
    }
    return {};
}

// The verdict in words beside the arena, the goals reached and the mark.
void TVirtualRobotForm::UpdateTask() {
    TArenaTask places;
    QString verdictText;
    bool passed = false;
    bool decided = false;
    if (Task) {
        for (const sim::TGoal& goal : Task->Goals) {
            places.Goals.push_back(goal.Zone);
        }
        for (const sim::TForbiddenZone& zone : Task->Forbidden) {
            places.Forbidden.push_back(zone.Zone);
        }
        places.Numbered = Task->Rules.GoalsInOrder;
    }
    if (Judge) {
        sim::TVerdict verdict;
        int reached = 0;
        bool started = false;
        {
            const std::lock_guard<std::mutex> lock(RobotSession->Module().Mutex());
            verdict = Judge->Verdict();
            reached = Judge->GoalsReached();
            started = Judge->Started();
            for (int k = 0; k < Judge->GoalCount(); ++k) {
                places.Reached.push_back(Judge->GoalReachedUs(k).has_value());
            }
        }
        const int count = static_cast<int>(Task->Goals.size());
        decided = verdict.State != sim::TVerdictState::vsUndecided;
        passed = verdict.State == sim::TVerdictState::vsPassed;
        if (decided) {
            places.Mark = verdict.Pose.Position;
            places.Passed = passed;
            verdictText = Text(passed ? PassedText : NotPassedText) + u'\n' +
                          VerdictSentence(verdict, reached, count);
        } else if (!started) {
            verdictText = Text(PressGoText);
        } else if (count > 0) {
            verdictText = Fill(Fill(Text(GoalsSoFarText), QStringLiteral("reached"),
                                    QString::number(reached)),
                               QStringLiteral("count"), QString::number(count));
        }
    }
    View->SetTask(std::move(places));
    VerdictText->setVisible(!verdictText.isEmpty());
    if (VerdictText->text() != verdictText) {
        VerdictText->setText(verdictText);
        VerdictText->setStyleSheet(!decided  ? QStringLiteral("QLabel { color: #404040; }")
                                   : passed ? QStringLiteral("QLabel { color: #1e7a1e; }")
                                            : QStringLiteral("QLabel { color: #c01818; }"));
    }
}

void TVirtualRobotForm::ApplyLayout(bool split, bool narrow, bool compact) {
    SplitTools = split;
    NarrowLayout = narrow;
    CompactLayout = compact;
    Tools->setDirection(split ? QBoxLayout::TopToBottom : QBoxLayout::LeftToRight);
    Middle->setDirection(narrow ? QBoxLayout::TopToBottom : QBoxLayout::LeftToRight);
    Side->setDirection(narrow ? QBoxLayout::LeftToRight : QBoxLayout::TopToBottom);
    if (narrow) {
        SideScroll->setMinimumWidth(0);
        SideScroll->setMaximumWidth(QWIDGETSIZE_MAX);
    } else {
        SideScroll->setFixedWidth(SidePanelWidthPx);
    }
    // Short of room, the key to the arena and the hint give way first.
    Legend->setVisible(!compact && !narrow);
    Hint->setVisible(!compact);
}

void TVirtualRobotForm::LayOutFor(const QSize& size) {
    // The tool rows side by side need their widths, the window's margins and
    // the gaps between them.
    int toolsWide = 0;
    for (int i = 0; i < Tools->count(); ++i) {
        if (QLayout* row = Tools->itemAt(i)->layout()) {
            toolsWide += row->sizeHint().width() + Tools->spacing();
        }
    }
    const QMargins margins = layout()->contentsMargins();
    toolsWide += margins.left() + margins.right();
    const bool split = size.width() < toolsWide;
    const bool narrow = size.width() < NarrowBelowPx;
    const bool compact = size.height() < CompactBelowPx;
    if (split != SplitTools || narrow != NarrowLayout || compact != CompactLayout) {
        ApplyLayout(split, narrow, compact);
    }
}

void TVirtualRobotForm::resizeEvent(QResizeEvent* event) {
    LayOutFor(event->size());
    QWidget::resizeEvent(event);
    if (FitPending) {
        QTimer::singleShot(0, this, &TVirtualRobotForm::FitToPlacedFrame);
    }
}

QString TVirtualRobotForm::Text(int id) const {
    return Res.LoadText(id);
}

QToolButton* TVirtualRobotForm::SpeedButton(int factor) const {
    return qobject_cast<QToolButton*>(SpeedGroup->button(factor));
}

void TVirtualRobotForm::SetFrameClock(TFrameClock clock) {
    FrameClock = clock ? std::move(clock) : TFrameClock(SteadyUs);
    LastFrameUs = FrameClock();
}

void TVirtualRobotForm::ProgramLoaded(sim::TEntryRows rows, QWidget* testWindow) {
    EntryRows = std::move(rows);
    Running = sim::TRunningSteps(EntryRows);
    ForTest = testWindow != nullptr;
    RestartPending = false;
    Clock.SetPlaying(true);
    LeaveTestWindow();
    if (!isVisible()) {
        if (!UsersPlace.isEmpty() && restoreGeometry(UsersPlace)) {
            LayOutFor(size());
            PlacedFrame = frameGeometry();
            FitPending = false;
        } else {
            PlaceBesideOwner();
        }
    }
    show();
    FitToPlacedFrame();
    raise();
    if (testWindow != nullptr) {
        // Test mode's window is modal: this one stays usable beside it (a
        // modal window blocks every window but those it is parent to).
        TestWindow = testWindow;
        testWindow->installEventFilter(this);
        if (QWindow* own = windowHandle()) {
            own->setTransientParent(testWindow->windowHandle());
        }
        PlaceTestWindow(testWindow);
    }
    UpdateShown();
    UpdateTimer();
}

void TVirtualRobotForm::LeaveTestWindow() {
    if (TestWindow) {
        TestWindow->removeEventFilter(this);
    }
    TestWindow.clear();
    if (QWindow* own = windowHandle()) {
        QWidget* owner = parentWidget();
        own->setTransientParent(owner != nullptr ? owner->window()->windowHandle() : nullptr);
    }
}

bool TVirtualRobotForm::eventFilter(QObject* watched, QEvent* event) {
    if (watched == TestWindow && event->type() == QEvent::Hide) {
        // Test mode is over: the test program stays in the module, and the
        // window runs it on its own clock again.
        LeaveTestWindow();
        UpdateButtons();
        UpdateTimer();
    }
    return QWidget::eventFilter(watched, event);
}

QMargins TVirtualRobotForm::FrameMargins() const {
    // Known once the window manager has framed the window; before that, a
    // title bar and thin borders as most window managers draw them.
    if (isVisible() && frameGeometry() != geometry()) {
        const QRect frame = frameGeometry();
        const QRect inner = geometry();
        return {inner.left() - frame.left(), inner.top() - frame.top(),
                frame.right() - inner.right(), frame.bottom() - inner.bottom()};
    }
    return {1, 26, 1, 1};
}

void TVirtualRobotForm::PlaceBesideOwner() {
    QWidget* owner = parentWidget() != nullptr ? parentWidget()->window() : nullptr;
    if (owner == nullptr || !owner->isVisible()) {
        return;
    }
    const QScreen* screen = owner->screen();
    if (screen == nullptr) {
        return;
    }
    sim::TBesideMainWindow s;
    s.WorkArea = Screen(screen->availableGeometry());
    s.Main = Screen(owner->frameGeometry());
    const QRect working = OwnerWorkingArea ? OwnerWorkingArea() : owner->rect();
    s.MainWorking = Screen(working.translated(owner->geometry().topLeft() - owner->frameGeometry().topLeft()));
    const sim::TWindowPlaces places = sim::PlaceBesideMainWindow(s);
    if (places.Main != s.Main) {
        owner->move(places.Main.X, places.Main.Y);
    }
    const QMargins m = FrameMargins();
    const QRect frame = ToQRect(places.Robot);
    const QSize inner(frame.width() - m.left() - m.right(), frame.height() - m.top() - m.bottom());
    // Laid out for that size first, so that its least size allows it.
    LayOutFor(inner);
    resize(inner);
    move(frame.topLeft());
    PlacedFrame = frame;
    FitPending = true;
}

void TVirtualRobotForm::FitToPlacedFrame() {
    // The window manager's frame may differ from the one guessed when the
    // window was placed: once it is known, the frame is made the one placed,
    // so that the window ends where the main window's working area begins.
    if (!FitPending || !PlacedFrame || !isVisible() || frameGeometry() == geometry()) {
        return;
    }
    FitPending = false;
    const QRect frame = frameGeometry();
    if (frame == *PlacedFrame || sim::MovedByUser(Screen(*PlacedFrame), Screen(frame))) {
        return;
    }
    const QMargins m = FrameMargins();
    const QSize inner(PlacedFrame->width() - m.left() - m.right(),
                      PlacedFrame->height() - m.top() - m.bottom());
    LayOutFor(inner);
    resize(inner.expandedTo(minimumSize()));
    move(PlacedFrame->topLeft());
}

void TVirtualRobotForm::moveEvent(QMoveEvent* event) {
    QWidget::moveEvent(event);
    FitToPlacedFrame();
}

void TVirtualRobotForm::PlaceTestWindow(QWidget* testWindow) {
    const QScreen* screen = this->screen();
    if (screen == nullptr || testWindow == nullptr) {
        return;
    }
    if (QLayout* all = layout()) {
        all->activate(); // the arena at its size, for where the start is
    }
    const QRect keep = StartOnScreen();
    QWidget* owner = parentWidget() != nullptr ? parentWidget()->window() : nullptr;
    const QRect main = owner != nullptr ? owner->frameGeometry() : QRect();
    const QSize testSize = testWindow->frameGeometry().size().expandedTo(
        testWindow->size() + QSize(FrameMargins().left() + FrameMargins().right(),
                                   FrameMargins().top() + FrameMargins().bottom()));
    const sim::TScreenRect at = sim::PlaceTestWindow(
        Screen(screen->availableGeometry()), Screen(main), Screen(frameGeometry()), Screen(keep),
        {testSize.width(), testSize.height()});
    testWindow->move(at.X, at.Y);
}

QRect TVirtualRobotForm::StartOnScreen() const {
    const TArenaPicture& picture = View->Picture();
    const sim::TPose start = picture.World.Start();
    const double reach = picture.BodyRadiusMm + 40;
    const QRectF inView = QRectF(View->ToPixels({start.Position.X - reach, start.Position.Y + reach}),
                                 View->ToPixels({start.Position.X + reach, start.Position.Y - reach}))
                              .normalized();
    return {View->mapToGlobal(inView.topLeft().toPoint()), inView.size().toSize()};
}

void TVirtualRobotForm::KeepUsersPlace() {
    // Only a window that was placed, by this window or from the user's
    // place, can have been moved since (a window never placed stood where
    // the window system put it).
    if (!PlacedFrame || !sim::MovedByUser(Screen(*PlacedFrame), Screen(frameGeometry()))) {
        return;
    }
    UsersPlace = saveGeometry();
    PlacedFrame = frameGeometry();
    RobotSettings().setValue(PlaceKey, UsersPlace);
}

void TVirtualRobotForm::Play() {
    Clock.SetPlaying(true);
    UpdateButtons();
    UpdateStatus();
    UpdateTimer();
}

void TVirtualRobotForm::Pause() {
    Clock.SetPlaying(false);
    UpdateButtons();
    UpdateStatus();
    UpdateTimer();
}

void TVirtualRobotForm::SetSpeed(int factor) {
    Clock.SetSpeed(factor);
    if (QAbstractButton* button = SpeedGroup->button(Clock.Speed())) {
        button->setChecked(true);
    }
}

void TVirtualRobotForm::SetRealTiming(bool real) {
    Robot.RealTiming->store(real);
    Clock.SetFastStart(!real);
    if (RealTimingCheck->isChecked() != real) {
        RealTimingCheck->setChecked(real);
    }
    RobotSettings().setValue(RealTimingKey, real);
    UpdateStatus();
}

bool TVirtualRobotForm::RealTiming() const {
    return Robot.RealTiming->load();
}

void TVirtualRobotForm::Restart() {
    sim::TSimulatedModule& module = RobotSession->Module();
    {
        const std::lock_guard<std::mutex> lock(module.Mutex());
        if (TestWindow) {
            // Test mode holds the port: the robot is only set back at its
            // start, and the test program goes on.
            RobotSession->Board().PutRobotBack();
        } else {
            // A serial device on the port would lose its exchange.
            if (module.Attached() || !module.HasProgram()) {
                return;
            }
            module.PressResetButton();
            RestartPending = true;
        }
    }
    if (!TestWindow) {
        Clock.SetPlaying(true);
    }
    UpdateShown();
    UpdateTimer();
}

void TVirtualRobotForm::UpdateTimer() {
    bool started = false;
    {
        const std::lock_guard<std::mutex> lock(RobotSession->Module().Mutex());
        started = RobotSession->Board().Started();
    }
    const bool ended = Running.Ended() && !RestartPending;
    const bool run = isVisible() &&
                     (TestWindow || HostDriven ||
                      (Clock.Playing() && (started || RestartPending) && !ended));
    if (run && !Timer->isActive()) {
        LastFrameUs = FrameClock();
        Timer->start();
    } else if (!run && Timer->isActive()) {
        Timer->stop();
    }
}

void TVirtualRobotForm::OnTimer() {
    const std::uint64_t now = FrameClock();
    const std::uint64_t elapsed = now > LastFrameUs ? now - LastFrameUs : 0;
    LastFrameUs = now;
    AdvanceFrame(elapsed);
}

void TVirtualRobotForm::AdvanceFrame(std::uint64_t hostElapsedUs) {
    sim::TSimulatedModule& module = RobotSession->Module();
    sim::TRobotSimulation& board = RobotSession->Board();
    bool attached = false;
    {
        const std::lock_guard<std::mutex> lock(module.Mutex());
        attached = module.Attached();
    }
    HostDriven = attached || (Hold && Hold());
    if (!HostDriven && isVisible()) {
        Clock.RunFrame(board, hostElapsedUs);
    }
    if (isVisible()) {
        UpdateShown();
    }
    UpdateTimer();
}

void TVirtualRobotForm::UpdateShown() {
    View->Refresh();
    bool sensorsOff = false;
    {
        const std::lock_guard<std::mutex> lock(RobotSession->Module().Mutex());
        const sim::TRobotSimulation& board = RobotSession->Board();
        Running.Follow(board);
        if (board.Runs() != ShownRun) {
            ShownRun = board.Runs();
            RestartPending = false;
            FirstMoveShown.reset();
        }
        if (!FirstMoveShown && board.Started() && board.Robot().FirstPulseUs() &&
            (board.Robot().WheelSpeed(sim::TSide::sdLeft, board.Robot().PhysicsTimeUs()) != 0 ||
             board.Robot().WheelSpeed(sim::TSide::sdRight, board.Robot().PhysicsTimeUs()) != 0)) {
            FirstMoveShown = FrameClock();
        }
        sensorsOff = !ForTest && board.Started() && board.Layout() &&
                     board.Layout()->SensorMode == 0;
    }
    if (SensorsOff->isVisibleTo(this) != sensorsOff) {
        SensorsOff->setVisible(sensorsOff);
    }
    const TArenaPicture& picture = View->Picture();
    for (std::size_t k = 0; k < Lamps.size(); ++k) {
        if (Lit[k] != picture.Sensing[k]) {
            Lit[k] = picture.Sensing[k];
            Lamps[k]->setStyleSheet(Lit[k] ? LampOn : LampOff);
        }
    }
    UpdateStatus();
    UpdateButtons();
    UpdateTask();

    const bool rowsValid = !RowsCheck || RowsCheck(EntryRows);
    const auto& main = Running.MainStep();
    const auto& set = Running.SetStep();
    if (!isVisible() || !rowsValid || ForTest) {
        ReportSteps(0, 0, 0);
    } else {
        ReportSteps(main ? main->Row : 0, set ? set->List : 0, set ? set->Row : 0);
    }
}

void TVirtualRobotForm::ReportSteps(int mainRow, int setList, int setRow) {
    const std::array<int, 3> now{mainRow, setList, setRow};
    if (now != Reported) {
        Reported = now;
        Q_EMIT RunningStepsChanged(mainRow, setList, setRow);
    }
}

QString TVirtualRobotForm::ActionText(char letter, int value) const {
    for (int kind = 0; kind < ActionKindCount; ++kind) {
        const TActionKind k = static_cast<TActionKind>(kind);
        if (CommandLetter(k)[1] != letter) {
            continue;
        }
        const QString name = Text(ActionNameTextId(k));
        if (k == akLoopBack) {
            return name;
        }
        return name + QStringLiteral(", ") + DecimalText(value / 10.0, 1, Res.Language()) +
               Text(SecondsSuffixText);
    }
    return QString();
}

void TVirtualRobotForm::UpdateStatus() {
    QString status;
    const sim::TRobotSimulation& board = RobotSession->Board();
    bool started = false;
    std::uint64_t runUs = 0;
    {
        const std::lock_guard<std::mutex> lock(RobotSession->Module().Mutex());
        started = board.Started();
        if (started) {
            const std::uint64_t end =
                board.EndUs() ? board.StartUs() + *board.EndUs()
                              : std::max(board.StartUs(), RobotSession->Module().NowUs());
            runUs = end - board.StartUs();
        }
    }
    const auto& main = Running.MainStep();
    const auto& set = Running.SetStep();
    if (HostDriven && !TestWindow) {
        status = Text(SendingText);
    } else if (TestWindow) {
        status = Text(TestModeText);
    } else if (ForTest) {
        status = Text(TestProgramText);
    } else if (!started) {
        status = Text(NothingYetText);
    } else if (Running.Ended()) {
        status = Running.EndText().empty()
                     ? Text(FinishedText)
                     : Fill(Text(StoppedText), QStringLiteral("reason"), FaultText(Res, Running.EndCause()));
    } else if (set) {
        const QString setName = Text(FirstSetNameText + set->List - 2);
        if (set->Row == 0) {
            status = Fill(Text(SetStartsText), QStringLiteral("set"), setName);
        } else {
            status = Fill(Fill(Fill(Text(SetStepText), QStringLiteral("set"), setName),
                               QStringLiteral("step"), QString::number(set->Row)),
                          QStringLiteral("action"), ActionText(set->Letter, set->Value));
        }
    } else if (Running.Reaction()) {
        status = Text(ReactionText(*Running.Reaction()));
    } else if (main && main->Row > 0) {
        status = Fill(Fill(Text(StepText), QStringLiteral("step"), QString::number(main->Row)),
                      QStringLiteral("action"), ActionText(main->Letter, main->Value));
    } else {
        // The start-up wait: played fast, or as long as a real robot waits.
        status = Text(Clock.FastStart() ? FastStartingText : StartingText);
    }
    if (Status->text() != status) {
        Status->setText(status);
    }
    QString time = started ? Fill(Text(TimeText), QStringLiteral("seconds"),
                                  DecimalText(static_cast<double>(runUs) / 1e6, 1, Res.Language()))
                           : QString();
    if (!Clock.Playing() && !HostDriven) {
        time += (time.isEmpty() ? QString() : QStringLiteral("   ")) + Text(PausedText);
    }
    if (Time->text() != time) {
        Time->setText(time);
    }
}

void TVirtualRobotForm::UpdateButtons() {
    const bool playing = Clock.Playing();
    const QString text = Text(playing ? PauseText : PlayText);
    if (PlayPause->text() != text) {
        PlayPause->setText(text);
        PlayPause->setIcon(
            style()->standardIcon(playing ? QStyle::SP_MediaPause : QStyle::SP_MediaPlay));
    }
    // While the line sets the pace, the window's own clock has no say. In
    // test mode the robot can still be set back at its start.
    PlayPause->setEnabled(!HostDriven);
    RestartBtn->setEnabled(!HostDriven || TestWindow);
    const QString restart = Text(TestWindow ? BackToStartText : RestartText);
    if (RestartBtn->text() != restart) {
        RestartBtn->setText(restart);
        RestartBtn->setToolTip(TestWindow ? Text(BackToStartHelpText) : QString());
    }
    OpenArena->setEnabled(!HostDriven);
    LessonsBtn->setEnabled(!HostDriven);
    for (QAbstractButton* button : SpeedGroup->buttons()) {
        button->setEnabled(!HostDriven);
    }
}

void TVirtualRobotForm::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    UpdateTimer();
}

void TVirtualRobotForm::hideEvent(QHideEvent* event) {
    KeepUsersPlace();
    View->ReleaseWhiskers();
    ReportSteps(0, 0, 0);
    QWidget::hideEvent(event);
    Timer->stop();
}

} // namespace wayline
