#include "app/MainWindows.h"

#include "app/AppState.h"
#include "app/IntroForm.h"
#include "codegen/core/BuildCode.h"
#include "codegen/ui/CodeForm.h"
#include "comm/core/Serial.h"
#include "comm/ui/DownloadFlow.h"
#include "comm/ui/ProgressForm.h"
#include "doctor/ui/ConnectionHelpForm.h"
#include "editor/ui/Dragger.h"
#include "editor/ui/DrawGrid.h"
#include "app/MainForm.h"
#include "uikit/SkinImage.h"
#include "sim/ui/VirtualRobotForm.h"
#include "testmode/ui/TestForm.h"

#include <QCoreApplication>
#include <QLabel>
#include <QPlainTextEdit>

#include <memory>
#include <string_view>
#include <vector>

namespace wayline {

namespace {

// The six lists as they stand, to tell whether they are still those of the
// program that runs.
std::vector<TActionStep> ListsNow(const TDocumentState& state) {
    std::vector<TActionStep> steps;
    for (int list = MainList; list <= ListCount; ++list) {
        for (int row = 1; row <= state.StepCount(list); ++row) {
            steps.push_back(state.Step(list, row));
        }
        steps.push_back(TActionStep{}); // where one list ends
    }
    return steps;
}

// What the user works in while the robot runs, in the main window's
// coordinates: the palette, the list, the sensor panel and the buttons.
QRect WorkingArea(const TMainForm& main) {
    QRect area;
    const auto add = [&area](const QWidget* w) {
        if (w != nullptr && w->isVisibleTo(w->window())) {
            area = area.united(QRect(w->mapTo(w->window(), QPoint(0, 0)), w->size()));
        }
    };
    add(main.ActionScrollBox());
    add(main.Grid(MainList));
    add(main.SensorTabbedNotebook());
    add(main.SensorActionPanel());
    for (int tag = 1; tag <= TMainForm::ButtonCount; ++tag) {
        add(main.Image(TMainForm::NormalPicture(tag)));
    }
    return area.isEmpty() ? main.rect() : area;
}

} // namespace

TMainWindows::TMainWindows() = default;

// Destroyed in the reverse order of creation.
TMainWindows::~TMainWindows() {
    VirtualRobotForm.reset();
    ConnectionHelp.reset();
    CodeForm.reset();
    Dragger.reset();
    ProgressForm.reset();
    TestForm.reset();
    MainForm.reset();
    IntroForm.reset();
}

void CreateWindows(TMainWindows& windows, TAppState& state, TResources& resources) {
    windows.IntroForm = std::make_unique<TIntroForm>(resources);
    windows.MainForm = std::make_unique<TMainForm>(state, resources);
    windows.TestForm = std::make_unique<TTestForm>(resources, state.Editor.Document, SerialSlots(),
                                                   windows.MainForm.get());
    windows.ProgressForm = std::make_unique<TProgressForm>(resources, windows.MainForm.get());
    windows.Dragger = std::make_unique<TDragger>(windows.MainForm.get());
    windows.CodeForm = std::make_unique<TCodeForm>(resources, windows.MainForm.get());

    TMainForm* main = windows.MainForm.get();
    main->SetCompanions(windows.TestForm.get(), windows.CodeForm.get(), windows.Dragger.get());
    main->SetProgressForm(windows.ProgressForm.get());
    windows.ConnectionHelp = std::make_unique<TConnectionHelpForm>(resources, main);
    // Modal, so that it takes input also when the download was started from
    // the test window, which is modal itself.
    windows.ConnectionHelp->setWindowModality(Qt::ApplicationModal);
    main->SetConnectionHelp(windows.ConnectionHelp.get());
    // Test mode loads its program into the code window's text, the one
    // source every compile reads, with the template loader.
    windows.TestForm->SetProgramLoader([&resources, code = windows.CodeForm.get()](int resourceId) {
        const QByteArray text =
            resources.Find(QStringLiteral("DATA"), resourceId).value_or(QByteArray());
        const TCodeLines lines = LoadTemplateLines(
            std::string_view(text.constData(), static_cast<std::size_t>(text.size())));
        code->BASICMemo()->setPlainText(QString::fromStdString(JoinCodeLines(lines)));
    });
    windows.TestForm->SetDownloader(
        [main](bool keepOpen) { return main->DownloadTokenization(keepOpen); });
    // exit() rather than quit(): quit() would first ask every window to
    // close, and the editor window answers a close by running Quit again.
    QObject::connect(
        main, &TMainForm::QuitRequested, qApp, [] { QCoreApplication::exit(0); },
        Qt::QueuedConnection);
    windows.VirtualRobotForm =
        std::make_unique<TVirtualRobotForm>(resources, windows.VirtualRobot, main);
    TVirtualRobotForm* robot = windows.VirtualRobotForm.get();
    // The window does not run the robot while a download talks to it.
    robot->SetHold([main] { return main->Downloads() && main->Downloads()->IsRunning(); });
    robot->SetOwnerWorkingArea([main] { return WorkingArea(*main); });
    // A download into the virtual robot closes its progress window at once:
    // the robot starts while the user still looks for it. Real timing keeps
    // the cable's feel, pause included.
    if (TDownloadFlow* flow = main->Downloads()) {
        flow->SetQuickClose([real = windows.VirtualRobot.RealTiming](const QString& port) {
            return port.toStdString() == VirtualRobotPortName && !real->load();
        });
    }
    // Steps are lit up only for the program that runs: from the first edit
    // after Go until the next Go nothing is lit (a row may have moved, or
    // no longer do what the robot does).
    struct TSentLists {
        std::vector<TActionStep> Steps;
        bool Edited = true;
    };
    auto sent = std::make_shared<TSentLists>();
    const auto stillSent = [&state, sent] {
        sent->Edited = sent->Edited || ListsNow(state.Editor) != sent->Steps;
        return !sent->Edited;
    };
    robot->SetRowsCheck([stillSent](const sim::TEntryRows&) { return stillSent(); });
    main->SetRunningRowsCheck(stillSent);
    QObject::connect(main, &TMainForm::VirtualRobotLoaded, robot,
                     [&state, robot, sent, test = windows.TestForm.get()](bool keptOpen) {
                         // Test mode keeps the port open; Go sends the lists.
                         if (keptOpen) {
                             robot->ProgramLoaded({}, test);
                         } else {
                             sent->Steps = ListsNow(state.Editor);
                             sent->Edited = false;
                             robot->ProgramLoaded(EntryRowsOf(state.Editor));
                         }
                     });
    QObject::connect(robot, &TVirtualRobotForm::RunningStepsChanged, main,
                     &TMainForm::ShowRunningSteps);
    QObject::connect(windows.IntroForm.get(), &TIntroForm::ModeChosen, main,
                     [&state, main](bool advanced) {
                         state.Editor.AdvancedMode = advanced;
                         main->show();
                     });
    QObject::connect(windows.IntroForm.get(), &TIntroForm::LanguageChosen, main,
                     [&state, &resources](const QString& language) {
                         SetProgramLanguage(state, resources, language, true);
                     });
}

} // namespace wayline
