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
#include "app/MainForm.h"
#include "sim/ui/VirtualRobotForm.h"
#include "testmode/ui/TestForm.h"

#include <QCoreApplication>
#include <QPlainTextEdit>

#include <string_view>

namespace wayline {

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
    // Steps are lit up only while the lists are laid out as when they were
    // sent: an edit that moves steps about would light up the wrong row.
    robot->SetRowsCheck(
        [&state](const sim::TEntryRows& rows) { return rows == EntryRowsOf(state.Editor); });
    QObject::connect(main, &TMainForm::VirtualRobotLoaded, robot,
                     [&state, robot, test = windows.TestForm.get()](bool keptOpen) {
                         // Test mode keeps the port open; Go sends the lists.
                         if (keptOpen) {
                             robot->ProgramLoaded({}, test);
                         } else {
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
