// The main window's download: compile the code window's text, then scan,
// choose, transfer and close through the progress window.

#include "app/AppState.h"
#include "uikit/UserDialogs.h"
#include "codegen/core/BuildCode.h"
#include "codegen/core/CompileStep.h"
#include "codegen/ui/CodeForm.h"
#include "comm/core/PortScan.h"
#include "comm/ui/DownloadFlow.h"
#include "comm/ui/PortDiscovery.h"
#include "comm/ui/ProgressForm.h"
#include "doctor/ui/ConnectionHelpForm.h"
#include "testmode/ui/TestForm.h"
#include "app/MainForm.h"
#include "tokenizer/Tokenizer.h"

#include <QPlainTextEdit>

namespace wayline {

namespace {
// No slot: nothing was downloaded. (The slot table's header is left out
// here: its slot count and the row controls' SlotCount share a name.)
constexpr int NoDownloadSlot = -4;
constexpr int TokenizationFailedTextId = 920; // "Error! Tokenization Failed!"
} // namespace

void TMainForm::SetProgressForm(TProgressForm* form) {
    DownloadFlow.reset();
    if (!form) {
        return;
    }
    form->SetPortDiscovery(PortList.get());
    DownloadFlow = std::make_unique<TDownloadFlow>(*form, Res, *Dialogs, this);
}

void TMainForm::SetConnectionHelp(TConnectionHelpForm* form) {
    if (!DownloadFlow) {
        return;
    }
    if (!form) {
        DownloadFlow->SetConnectionHelp({});
        return;
    }
    DownloadFlow->SetConnectionHelp(
        [form](const std::vector<TScannedPort>& lastScan) { form->ShowDiagnosis(lastScan); });
    // The virtual robot instead: selected, then the download the user had
    // asked for runs on it, once the help has closed.
    disconnect(form, &TConnectionHelpForm::UseVirtualRobotRequested, this, nullptr);
    connect(
        form, &TConnectionHelpForm::UseVirtualRobotRequested, this,
        [this] {
            SelectVirtualRobot();
            if (DownloadFlow->LastDownload().KeepOpen && TestWindow && TestWindow->isVisible()) {
                TestWindow->RunTestButtonClick();
            } else {
                Go();
            }
        },
        Qt::QueuedConnection);
}

int TMainForm::DownloadTokenization(bool keepOpen) {
    if (!CodeWindow) {
        return NoDownloadSlot;
    }
    // The code window's text is the one source every compile reads.
    const QByteArray text = CodeWindow->BASICMemo()->toPlainText().toUtf8();
    if (!CompileForDownload(TheTokenizer(),
                            LoadTemplateLines(std::string_view(text.constData(), text.size())),
                            DownloadImages)) {
        Dialogs->ShowErrorBox(this, Res.LoadText(TokenizationFailedTextId));
        return NoDownloadSlot;
    }
    return DownloadIt(keepOpen);
}

int TMainForm::DownloadIt(bool keepOpen) {
    if (!DownloadFlow) {
        return NoDownloadSlot;
    }
    DownloadFlow->SetDialogs(*Dialogs);
    const int slot = DownloadFlow->DownloadIt(
        keepOpen, DownloadImages, &TheTokenizer().Result.PacketBuffer[0][0], State.SelectedPort);
    const TDownloadFlow::TReport& done = DownloadFlow->LastDownload();
    if (slot != NoDownloadSlot && done.Succeeded &&
        done.Port.toStdString() == VirtualRobotPortName) {
        Q_EMIT VirtualRobotLoaded(keepOpen);
    }
    return slot;
}

int TMainForm::FindDownloadTarget() {
    if (!DownloadFlow) {
        return TDownloadFlow::NoTarget;
    }
    DownloadFlow->SetDialogs(*Dialogs);
    return DownloadFlow->FindDownloadTarget(DownloadImages.DownloadTargetType);
}

} // namespace wayline
