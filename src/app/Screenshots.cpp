// Writes PNG pictures of the start window, of the main window in both modes,
// of the code window, of the test window and of the virtual robot (running
// a list, and in test mode), grabbed offscreen, so the skin can be reviewed
// without a display.
// Every window is taken in every language the resources hold: English as
// main-window-beginner.png, the others as main-window-beginner.de.png.
// Usage: wayline-screenshots DIR [LANGUAGE...]

#include "app/AppState.h"
#include "app/IntroForm.h"
#include "app/MainWindows.h"
#include "uikit/Language.h"
#include "uikit/Resources.h"
#include "codegen/ui/CodeForm.h"
#include "comm/core/MsClock.h"
#include "comm/core/Serial.h"
#include "comm/ui/Gauge.h"
#include "comm/ui/PortDiscovery.h"
#include "comm/ui/ProgressForm.h"
#include "comm/ui/StringGrid.h"
#include "doctor/ui/ConnectionHelpForm.h"
#include "editor/core/EditOperations.h"
#include "app/MainForm.h"
#include "sim/core/RealTimePacer.h"
#include "sim/core/ResumablePacer.h"
#include "sim/core/RobotSession.h"
#include "sim/ui/ArenaView.h"
#include "sim/ui/VirtualRobotForm.h"
#include "testmode/ui/TestForm.h"
#include "testmode/core/TestExchange.h"

#include <QApplication>
#include <QDir>
#include <QFont>
#include <QLocale>
#include <QPainter>
#include <QPushButton>
#include <QSpinBox>
#include <QTimer>

#include <atomic>
#include <cstdio>
#include <utility>
#include <vector>
#include <memory>
#include <mutex>

namespace {

// The language the pictures are being taken in.
QString Language = wayline::EnglishLanguage;
// Where the beginner main window's shot puts the code window's.
QString CodeWindowPath;

// Module state for a new program speaking the language.
void Prepare(wayline::TAppState& state) {
    wayline::InitialiseApp(state, wayline::Resources(), wayline::LanguageLocale(Language));
    wayline::SetProgramLanguage(state, wayline::Resources(), Language, false);
}

// The window as the user sees it: outside its shape is transparent.
QImage Grab(QWidget& window) {
    QImage image(window.size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QImage content = window.grab().toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied);
    QPainter painter(&image);
    if (!window.mask().isEmpty()) {
        painter.setClipRegion(window.mask());
    }
    painter.drawImage(0, 0, content);
    return image;
}

bool Save(const QImage& image, const QString& path) {
    if (!image.save(path)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return false;
    }
    std::printf("%s (%d x %d)\n", qPrintable(path), image.width(), image.height());
    return true;
}

bool ShootMainWindow(bool advanced, const QString& path) {
    wayline::TAppState state;
    Prepare(state);
    wayline::TMainWindows windows;
    wayline::CreateWindows(windows, state, wayline::Resources());
    windows.IntroForm->show();
    QApplication::processEvents();
    (advanced ? windows.IntroForm->AdvancedButton() : windows.IntroForm->BeginnerButton())->click();
    QApplication::processEvents();
    // A small example list, so the pictures show the rows as well.
    using namespace wayline;
    const TActionKind steps[] = {akMoveForward, akTurnLeft, akMoveForward, akStopAndWait,
                                 akLoopBack};
    for (TActionKind kind : steps) {
        InsertIntoList(state.Editor, MainList, state.Editor.StepCount(MainList) + 1, kind,
                       DefaultValue(kind));
    }
    if (advanced) {
        InsertIntoList(state.Editor, 2, 1, akMoveBackward, DefaultValue(akMoveBackward));
        InsertIntoList(state.Editor, 2, 2, akRotateRight, DefaultValue(akRotateRight));
        state.Editor.Step(MainList, 2).LeftSet = 1;
    }
    windows.MainForm->SyncRowCounts();
    windows.MainForm->DisplayVisibleActions(MainList, 1);
    windows.MainForm->DisplayVisibleActions(2, 1);
    windows.MainForm->AutoEnableDisable();
    QApplication::processEvents();
    bool saved = Save(Grab(*windows.MainForm), path);
    // The code window (View) with the program of this list, once.
    if (!advanced && windows.MainForm->BuildProgram()) {
        windows.CodeForm->show();
        QApplication::processEvents();
        saved &= Save(windows.CodeForm->grab().toImage(), CodeWindowPath);
        windows.CodeForm->hide();
    }
    return saved;
}

// The connection help as a teacher meets it after "No robot found.": an
// adapter the session may not open yet, the modem service, a slow FTDI
// adapter and what the scan saw.
bool ShootConnectionHelp(const QString& path) {
    using namespace wayline;
    TConnectionHelpForm form(Resources());
    const TDoctorTexts& texts = form.FindingTexts();
    const auto sentence =
        [&texts](TFindingKind kind,
                 std::initializer_list<std::pair<std::string_view, std::string_view>> values) {
            return FillText(texts.Sentences[kind], values);
        };
    form.ShowFindings({
        {fkNotInGroup, fsBlocking, "ttyUSB0",
         sentence(fkNotInGroup, {{"user", "pupil"}, {"group", "dialout"}, {"port", "ttyUSB0"}}),
         "sudo usermod -aG dialout pupil"},
        {fkNoModuleAnswers, fsBlocking, "ttyUSB0",
         sentence(fkNoModuleAnswers, {{"port", "ttyUSB0"}}), ""},
        {fkModemManager, fsWarning, "ttyUSB0", sentence(fkModemManager, {{"port", "ttyUSB0"}}),
         "sudo systemctl disable --now ModemManager"},
        {fkFtdiLatency, fsInformation, "ttyUSB1",
         sentence(fkFtdiLatency, {{"port", "ttyUSB1"}, {"ms", "16"}}),
         "echo 1 | sudo tee /sys/bus/usb-serial/devices/ttyUSB1/latency_timer"},
    });
    QApplication::processEvents();
    return Save(form.grab().toImage(), path);
}

// The progress window's pause on closing is not needed for pictures.
class TNoWaitClock final : public wayline::TMsClock {
public:
    std::uint64_t NowMs() override { return Now; }
    void WaitMs(std::uint32_t milliseconds) override { Now += milliseconds; }

private:
    std::uint64_t Now = 0;
};

// A row of the port grid; the texts are the table's (387 "Yes", 388 "No",
// 390 "can't open port; in use", 411 "Robot"), `version` is the module's.
wayline::TIdentifyResult PortRow(int device, const char* version, int loopback, int echo,
                                 int type) {
    const auto text = [](int id) {
        return id == 0 ? std::string() : wayline::Resources().LoadText(id).toStdString();
    };
    wayline::TIdentifyResult row;
    row.DeviceText = text(device);
    row.VersionText = version;
    row.LoopbackText = text(loopback);
    row.EchoText = text(echo);
    row.DeviceType = type;
    return row;
}

// The progress window after a scan of four ports: during the transfer
// (one robot), or as the choice dialog (two robots).
bool ShootProgressWindow(bool choice, const QString& path) {
    using namespace wayline;
    TAppState state;
    Prepare(state);
    TMainWindows windows;
    CreateWindows(windows, state, Resources());
    windows.IntroForm->show();
    QApplication::processEvents();
    windows.IntroForm->BeginnerButton()->click();
    QApplication::processEvents();
    windows.MainForm->Ports().SetEnumerator([] {
        return QStringList{QStringLiteral("ttyS0"), QStringLiteral("ttyS1"),
                           QStringLiteral("ttyUSB0"), QStringLiteral("ttyUSB1")};
    });
    TNoWaitClock clock;
    TProgressForm& form = *windows.ProgressForm;
    form.SetClock(&clock);
    TDownloadImages images;
    images.DownloadTargetType = 2;
    images.ProgramImageCount = 1;
    images.ImagePacketCounts[0] = 63;
    form.SetDownloadImages(images);
    form.Open(true, QString());
    constexpr int Yes = 387, No = 388, InUse = 390, Robot = 411;
    form.ShowPortResult(1, PortRow(0, "", No, No, 0));
    form.ShowPortResult(2, PortRow(InUse, "", 0, 0, 0));
    form.ShowPortResult(3, PortRow(Robot, "v1.0", Yes, Yes, 2));
    form.ShowPortResult(4, choice ? PortRow(Robot, "v1.0", Yes, Yes, 2)
                                  : PortRow(0, "", No, Yes, 0));
    if (!choice) {
        form.PlaceIndicator(3);
        form.ToggleIndicator(true);
        for (int packet = 0; packet < 40; ++packet) {
            form.StepIt(0);
        }
        QApplication::processEvents();
        const bool saved = Save(form.grab().toImage(), path);
        form.CloseWindow();
        return saved;
    }
    form.CloseWindow();
    for (int row : {3, 4}) {
        form.PortStatus()->SetCell(TProgressForm::ChoiceColumn, row, QStringLiteral("+"));
    }
    bool saved = false;
    QTimer::singleShot(0, &form, [&] {
        form.PortStatus()->SelectRow(4);
        QApplication::processEvents();
        saved = Save(form.grab().toImage(), path);
        form.reject();
    });
    form.Open(false, Resources().LoadText(413));
    return saved;
}

// The test window during a test: both infra-red detectors see something
// and the right whisker is pressed.
bool ShootTestWindow(const QString& path) {
    wayline::TDocumentState state;
    wayline::InitialiseDocument(state);
    state.Document.LeftServoCenter = 104;
    state.Document.RightServoCenter = 97;
    wayline::TSerialSlots slots;
    wayline::TTestForm form(wayline::Resources(), state.Document, slots);
    form.show();
    QApplication::processEvents();
    form.ShowSensors(wayline::LeftIrBit | wayline::RightIrBit | wayline::RightWhiskerBit);
    QApplication::processEvents();
    return Save(Grab(form), path);
}

// A host clock that moves only when waited on: the downloads into the
// virtual robot take no wall-clock time.
class TStepHostClock final : public wayline::sim::TRealTimePacer {
public:
    std::uint64_t NowUs() const override { return Now.load(); }
    void SleepUntilUs(std::uint64_t us) const override {
        std::uint64_t now = Now.load();
        while (now < us && !Now.compare_exchange_weak(now, us)) {
        }
    }

private:
    mutable std::atomic<std::uint64_t> Now{0};
};

// The program with its virtual robot chosen in the port box, on a clock the
// pictures move.
struct TVirtualRobotProgram {
    wayline::TAppState State;
    wayline::TMainWindows Windows;
    TNoWaitClock Clock;

    explicit TVirtualRobotProgram(bool advanced) {
        using namespace wayline;
        Prepare(State);
        Windows.VirtualRobot.Pacer =
            std::make_shared<sim::TResumablePacer>(std::make_shared<TStepHostClock>());
        SerialSlots().SetDeviceFactory(WithVirtualRobot(Windows.VirtualRobot, nullptr));
        CreateWindows(Windows, State, Resources());
        Windows.ProgressForm->SetClock(&Clock);
        Windows.VirtualRobotForm->SetFrameClock([] { return std::uint64_t{0}; });
        Windows.MainForm->Ports().SetEnumerator(
            [] { return QStringList{QStringLiteral("ttyS0")}; });
        Windows.IntroForm->show();
        QApplication::processEvents();
        (advanced ? Windows.IntroForm->AdvancedButton() : Windows.IntroForm->BeginnerButton())
            ->click();
        QApplication::processEvents();
        Windows.MainForm->SelectVirtualRobot();
    }
    ~TVirtualRobotProgram() { wayline::SerialSlots().SetDeviceFactory({}); }

    wayline::TVirtualRobotForm& Robot() { return *Windows.VirtualRobotForm; }
};

// The virtual robot during a run: the path it drove, a box it came up
// against, a sensor firing and set All playing, and the main window beside
// it with the step and the set lit up.
bool ShootVirtualRobot(const QString& robotPath, const QString& mainPath) {
    using namespace wayline;
    TVirtualRobotProgram program(true);
    TDocumentState& editor = program.State.Editor;
    InsertIntoList(editor, MainList, 1, akMoveForward, 20);
    InsertIntoList(editor, MainList, 2, akTurnLeft, 8);
    InsertIntoList(editor, MainList, 3, akMoveForward, 60);
    InsertIntoList(editor, MainList, 4, akLoopBack, 1);
    InsertIntoList(editor, 2, 1, akMoveBackward, 8);
    InsertIntoList(editor, 2, 2, akRotateRight, 12);
    program.Windows.MainForm->SyncRowCounts();
    program.Windows.MainForm->DisplayVisibleActions(MainList, 1);
    program.Windows.MainForm->DisplayVisibleActions(2, 1);
    program.Windows.MainForm->AutoEnableDisable();
    if (!program.Windows.MainForm->BuildProgram() ||
        program.Windows.MainForm->DownloadTokenization(false) == NoSlot) {
        std::fprintf(stderr, "the virtual robot took no program\n");
        return false;
    }
    program.Robot().Arena()->AddBox({1150, 950});
    program.Robot().Arena()->AddCan({1450, 300});
    program.Robot().SetSpeed(4);
    // Frames until set All plays with a sensor firing, at most 40 s.
    TMainForm& main = *program.Windows.MainForm;
    for (int frame = 0; frame < 600; ++frame) {
        program.Robot().AdvanceFrame(16667);
        bool firing = false;
        for (int k = 0; k < sim::SensorCount; ++k) {
            firing = firing || program.Robot().LampLit(k);
        }
        if (frame > 240 && firing && main.RunningSetList() == 2 && main.RunningSetRow() == 1) {
            break;
        }
    }
    QApplication::processEvents();
    return Save(program.Robot().grab().toImage(), robotPath) &&
           Save(Grab(*program.Windows.MainForm), mainPath);
}

// Test mode on the virtual robot: the left whisker held with the mouse and
// a box in front; the test window shows both through its exchange.
bool ShootTestOnVirtualRobot(const QString& testPath, const QString& robotPath) {
    using namespace wayline;
    TVirtualRobotProgram program(false);
    TTestForm& test = *program.Windows.TestForm;
    test.show();
    QApplication::processEvents();
    test.RunTestButton()->click();
    if (test.PortSlot() == NoSlot) {
        std::fprintf(stderr, "test mode found no virtual robot\n");
        return false;
    }
    test.Timer()->stop();
    test.LServoSpinEdit()->setValue(790);
    test.RServoSpinEdit()->setValue(710);
    for (int tick = 0; tick < 120; ++tick) {
        test.TestOnTimer();
        program.Robot().AdvanceFrame(16667);
    }
    program.Robot().Arena()->AddBox({700, 600});
    {
        sim::TRobotSession& session = program.Robot().Session();
        const std::lock_guard<std::mutex> lock(session.Module().Mutex());
        session.Board().Robot().HoldWhisker(sim::TSide::sdLeft, true);
    }
    for (int tick = 0; tick < 5; ++tick) {
        test.TestOnTimer();
        program.Robot().AdvanceFrame(16667);
    }
    QApplication::processEvents();
    const bool saved =
        Save(Grab(test), testPath) && Save(program.Robot().grab().toImage(), robotPath);
    test.close();
    return saved;
}

// A lesson in the virtual robot: the pupil's list sent with Go, the lesson
// opened from the window's menu, the run played until its verdict (at most
// a minute of the robot's time).
bool ShootLesson(int lesson, const std::vector<std::pair<wayline::TActionKind, int>>& steps,
                 const QString& path) {
    using namespace wayline;
    TVirtualRobotProgram program(false);
    TDocumentState& editor = program.State.Editor;
    int row = 1;
    for (const auto& [kind, value] : steps) {
        InsertIntoList(editor, MainList, row++, kind, value);
    }
    program.Windows.MainForm->SyncRowCounts();
    program.Windows.MainForm->AutoEnableDisable();
    if (!program.Windows.MainForm->BuildProgram() ||
        program.Windows.MainForm->DownloadTokenization(false) == NoSlot) {
        std::fprintf(stderr, "the virtual robot took no program\n");
        return false;
    }
    if (!program.Robot().OpenLesson(lesson)) {
        std::fprintf(stderr, "lesson %d did not open\n", lesson);
        return false;
    }
    program.Robot().SetSpeed(4);
    for (int frame = 0; frame < 900; ++frame) {
        program.Robot().AdvanceFrame(16667);
        if (program.Robot().Verdict().State != sim::TVerdictState::vsUndecided) {
            break;
        }
    }
    // A moment more, so that the picture shows the robot past the mark.
    for (int frame = 0; frame < 20; ++frame) {
        program.Robot().AdvanceFrame(16667);
    }
    QApplication::processEvents();
    return Save(program.Robot().grab().toImage(), path);
}

// Every window of the program in the current language; `suffix` goes before
// ".png" ("" for English, ".de" for German).
bool ShootAll(const QDir& dir, const QString& suffix) {
    const auto file = [&](const char* name) {
        return dir.filePath(QString::fromLatin1(name) + suffix + QStringLiteral(".png"));
    };
    bool ok = true;
    {
        wayline::TAppState state;
        Prepare(state);
        wayline::TMainWindows windows;
        wayline::CreateWindows(windows, state, wayline::Resources());
        windows.IntroForm->show();
        QApplication::processEvents();
        ok &= Save(Grab(*windows.IntroForm), file("start-window"));
    }
    CodeWindowPath = file("code-window");
    ok &= ShootMainWindow(false, file("main-window-beginner"));
    ok &= ShootMainWindow(true, file("main-window-advanced"));
    ok &= ShootConnectionHelp(file("connection-help"));
    ok &= ShootProgressWindow(false, file("progress-window"));
    ok &= ShootProgressWindow(true, file("progress-window-choice"));
    ok &= ShootTestWindow(file("test-window"));
    ok &= ShootVirtualRobot(file("virtual-robot"), file("main-window-virtual-robot"));
    ok &= ShootTestOnVirtualRobot(file("test-window-virtual-robot"),
                                  file("virtual-robot-test-mode"));
    // The square, passed; the corridor, failed against its wall.
    ok &= ShootLesson(2,
                      {{wayline::akMoveForward, 40}, {wayline::akStopAndWait, 5},
                       {wayline::akRotateLeft, 18}, {wayline::akStopAndWait, 5},
                       {wayline::akMoveForward, 40}, {wayline::akStopAndWait, 5},
                       {wayline::akRotateLeft, 18}, {wayline::akStopAndWait, 5},
                       {wayline::akMoveForward, 40}, {wayline::akStopAndWait, 5},
                       {wayline::akRotateLeft, 18}, {wayline::akStopAndWait, 5},
                       {wayline::akMoveForward, 40}, {wayline::akStopAndWait, 5}},
                      file("virtual-robot-lesson-passed"));
    ok &= ShootLesson(3, {{wayline::akMoveForward, 150}}, file("virtual-robot-lesson-failed"));
    return ok;
}

} // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: wayline-screenshots DIR [LANGUAGE...]\n");
        return 2;
    }
    QFont::insertSubstitution(QStringLiteral("Arial"), QStringLiteral("Liberation Sans"));
    QFont::insertSubstitution(QStringLiteral("Courier"), QStringLiteral("Liberation Mono"));
    const QDir dir(QString::fromLocal8Bit(argv[1]));
    if (!QDir().mkpath(dir.path())) {
        std::fprintf(stderr, "cannot create %s\n", argv[1]);
        return 1;
    }
    QStringList languages;
    for (int i = 2; i < argc; ++i) {
        languages << QString::fromLocal8Bit(argv[i]);
    }
    if (languages.isEmpty()) {
        languages = wayline::Resources().Languages();
    }

    bool ok = true;
    for (const QString& language : languages) {
        if (!wayline::Resources().Languages().contains(language)) {
            std::fprintf(stderr, "no language %s in the resources\n", qPrintable(language));
            ok = false;
            continue;
        }
        Language = language;
        ok &= ShootAll(dir, language == wayline::EnglishLanguage ? QString()
                                                                 : u'.' + language);
    }
    return ok ? 0 : 1;
}
