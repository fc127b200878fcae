#include "comm/ui/DownloadFlow.h"

#include "uikit/Resources.h"
#include "uikit/UserDialogs.h"
#include "comm/core/DownloadTarget.h"
#include "comm/core/Serial.h"
#include "comm/qt/QtSerialDevice.h"
#include "comm/qt/QtThreads.h"
#include "comm/ui/BusyCursor.h"
#include "comm/ui/ProgressForm.h"
#include "comm/ui/StringGrid.h"
#include "doctor/core/PortAdvice.h"
#include "tokenizer/Tokenizer.h"

#include <algorithm>
#include <string>
#include <vector>

namespace wayline {

namespace {

// Interface texts.
constexpr int IgnoringText = 386;
constexpr int YesText = 387;
constexpr int NoText = 388;
constexpr int InvalidPortText = 389;
constexpr int InUseText = 390;
constexpr int CantOpenText = 391;
constexpr int VerifyFailureText = 392;
constexpr int CommunicationFailureText = 393;
constexpr int RobotText = 411;
constexpr int NoRobotFoundText = 412;
constexpr int MoreThanOneText = 413;
constexpr int NotASerialPortText = 651;
constexpr int InUseByText = 652;
constexpr int StaleLockText = 653;
constexpr int NoPermissionText = 654;
constexpr int JoinGroupText = 655;
constexpr int LogInAgainText = 656;
constexpr int OwnerOnlyText = 657;
constexpr int WrongVersionText = 922;

std::string Std(const QString& text) {
    return text.toStdString();
}

TIdentifyTexts LoadIdentifyTexts(const TResources& resources) {
    TIdentifyTexts texts;
    texts.Ignoring = Std(resources.LoadText(IgnoringText));
    texts.Yes = Std(resources.LoadText(YesText));
    texts.No = Std(resources.LoadText(NoText));
    texts.InvalidPort = Std(resources.LoadText(InvalidPortText));
    texts.InUse = Std(resources.LoadText(InUseText));
    texts.CantOpen = Std(resources.LoadText(CantOpenText));
    texts.Robot = Std(resources.LoadText(RobotText));
    texts.NotASerialPort = Std(resources.LoadText(NotASerialPortText));
    texts.InUseBy = Std(resources.LoadText(InUseByText));
    texts.StaleLock = Std(resources.LoadText(StaleLockText));
    texts.NoPermission = Std(resources.LoadText(NoPermissionText));
    texts.JoinGroup = Std(resources.LoadText(JoinGroupText));
    texts.LogInAgain = Std(resources.LoadText(LogInAgainText));
    texts.OwnerOnly = Std(resources.LoadText(OwnerOnlyText));
    return texts;
}

TDownloadTexts LoadDownloadTexts(const TResources& resources) {
    TDownloadTexts texts;
    texts.VerifyFailure = Std(resources.LoadText(VerifyFailureText));
    texts.CommunicationFailure = Std(resources.LoadText(CommunicationFailureText));
    texts.NoRobotFound = Std(resources.LoadText(NoRobotFoundText));
    texts.MoreThanOne = Std(resources.LoadText(MoreThanOneText));
    texts.WrongVersion = Std(resources.LoadText(WrongVersionText));
    return texts;
}

} // namespace

TDownloadFlow::TDownloadFlow(TProgressForm& form, const TResources& resources,
                             TUserDialogs& dialogs, QWidget* owner)
    : Progress(form), Res(resources), Dialogs(&dialogs), Owner(owner), SlotTable(&SerialSlots()),
      IdTexts(LoadIdentifyTexts(resources)), DlTexts(LoadDownloadTexts(resources)),
      Scan(QtThreadStarter(), std::make_unique<TEventLoopScanWaiter>()) {
    // Runs on the identification threads: reads only what no one changes
    // while a scan runs (the slot table's lock guards the slots). A port
    // that does not open or does not answer is explained as the connection
    // help explains it: whom to ask for access, which program holds it.
    Identify = [this](const std::string& portName) {
        TIdentifyResult result = IdentifyPort(*SlotTable, portName, TargetType, IdTexts);
        if (ScanUser) {
            ExplainPortRow(HostRoot, *ScanUser, portName, IdTexts, result);
        }
        RecordScan(portName, result);
        return result;
    };
    QObject::connect(&form, &TProgressForm::ConnectionHelpRequested, &form,
                     [this] { HelpAsked = true; });
}

TDownloadFlow::~TDownloadFlow() = default;

void TDownloadFlow::SetSerialSlots(TSerialSlots& slots) {
    SlotTable = &slots;
}

void TDownloadFlow::ShowError(const QString& text) {
    // Above the progress window while it is shown, which stays on top.
    QWidget* parent = Progress.isVisible() ? static_cast<QWidget*>(&Progress) : Owner;
    Dialogs->ShowErrorBox(parent, text);
}

void TDownloadFlow::ShowErrorBox(const std::string& text) {
    ShowError(QString::fromStdString(text));
}

void TDownloadFlow::ToggleIndicator(bool lime) {
    Progress.ToggleIndicator(lime);
}

void TDownloadFlow::StepIt(int imageIndex) {
    Progress.StepIt(imageIndex);
}

void TDownloadFlow::RecordScan(const std::string& portName, const TIdentifyResult& result) {
    const std::lock_guard<std::mutex> lock(ScanLock);
    ScanResults.push_back({portName, result});
}

std::vector<TScannedPort> TDownloadFlow::LastScan() const {
    std::vector<TScannedPort> scan;
    {
        const std::lock_guard<std::mutex> lock(ScanLock);
        scan = ScanResults;
    }
    // The threads report in the order they finish; the grid's order reads
    // better, and is the same every time.
    const QStringList& rows = Progress.RowPortNames();
    const auto rowOf = [&rows](const TScannedPort& port) {
        const qsizetype row = rows.indexOf(QString::fromStdString(port.PortName));
        return row < 0 ? rows.size() : row;
    };
    std::stable_sort(scan.begin(), scan.end(),
                     [&rowOf](const auto& a, const auto& b) { return rowOf(a) < rowOf(b); });
    return scan;
}

void TDownloadFlow::ScanPorts(const QString& selectedPort) {
    {
        const std::lock_guard<std::mutex> lock(ScanLock);
        ScanResults.clear();
    }
    std::vector<std::string> portNames;
    for (const QString& name : Progress.RowPortNames()) {
        portNames.push_back(Std(name));
    }
    // Who this program runs as, read once before the threads start.
    ScanUser = std::make_unique<std::optional<TUserIdentity>>(ReadUserIdentity(HostRoot));
    Scan.ScanPorts(portNames, Std(selectedPort), IdTexts.Ignoring, Identify, Progress);
}

int TDownloadFlow::FindDownloadTarget(int targetType) {
    NoRobotFound = false;
    TStringGrid& grid = *Progress.PortStatus();
    std::vector<std::string> typeCells;
    for (int row = 1; row < grid.RowCount(); ++row) {
        typeCells.push_back(Std(grid.Cell(TProgressForm::TypeColumn, row)));
    }
    const TDownloadTargetRule rule = DecideDownloadTarget(typeCells, targetType);
    for (std::size_t port = 0; port < rule.Choosable.size(); ++port) {
        if (rule.Choosable[port]) {
            grid.SetCell(TProgressForm::ChoiceColumn, static_cast<int>(port) + 1,
                         QStringLiteral("+"));
        }
    }
    int target = rule.Target;
    switch (rule.Decision) {
    case TTargetDecision::tdNone:
        NoRobotFound = true;
        ShowErrorBox(DlTexts.NoRobotFound);
        Progress.CloseWindow();
        return NoTarget;
    case TTargetDecision::tdOne:
        break;
    case TTargetDecision::tdChoose: {
        Progress.CloseWindow();
        const int answer = Progress.Open(false, QString::fromStdString(DlTexts.MoreThanOne));
        const int chosenRow = grid.Selection().Top;
        if (answer != TProgressForm::DownloadResult || chosenRow < 1 ||
            chosenRow > static_cast<int>(rule.Choosable.size()) ||
            !rule.Choosable[static_cast<std::size_t>(chosenRow - 1)]) {
            return NoTarget;
        }
        target = chosenRow - 1;
        Progress.Open(false, QString());
        break;
    }
    }
    Progress.ScrollRowIntoView(target + 1);
    return target;
}

int TDownloadFlow::DownloadIt(bool keepOpen, const TDownloadImages& images,
                              const std::uint8_t* packets, const QString& selectedPort) {
    if (Running) {
        return NoSlot; // Go while a download runs: the first one goes on
    }
    HelpAsked = false;
    // In the language the program speaks now, which the start window may
    // have changed since this flow was made.
    IdTexts = LoadIdentifyTexts(Res);
    DlTexts = LoadDownloadTexts(Res);
    bool unreachable = false; // no module found, or its port would not open again
    const int result = Transfer(keepOpen, images, packets, selectedPort, unreachable);
    // Offered once the progress window has closed and the program takes
    // input again.
    if ((unreachable || HelpAsked) && ConnectionHelp) {
        ConnectionHelp(LastScan());
    }
    return result;
}

int TDownloadFlow::Transfer(bool keepOpen, const TDownloadImages& images,
                            const std::uint8_t* packets, const QString& selectedPort,
                            bool& unreachable) {
    Running = true;
    Last = {};
    Last.KeepOpen = keepOpen;
    int result = NoSlot;
    SetHourglassCursor(true);
    if (images.ProgramImageCount > 0 && packets) {
        TargetType = images.DownloadTargetType;
        Progress.SetDownloadImages(images);
        Progress.SetSelectedPort(selectedPort);
        Progress.Open(true, QString());
        ScanPorts(selectedPort);
        const int target = FindDownloadTarget(TargetType);
        const QStringList& ports = Progress.RowPortNames();
        if (target == NoTarget || target >= ports.size()) {
            if (target != NoTarget) {
                Progress.CloseWindow();
            }
            unreachable = NoRobotFound;
            SetHourglassCursor(false);
            Running = false;
            return NoSlot;
        }
        const int row = target + 1;
        Progress.PlaceIndicator(row);
        const QString version = Progress.PortStatus()->Cell(TProgressForm::VersionColumn, row);
        const bool knownType = TargetType >= 0 && TargetType < ModuleTypeCount;
        if (!knownType || version != QString::fromLatin1(
                                         RequiredVersions[static_cast<std::size_t>(TargetType)])) {
            ShowErrorBox(DlTexts.WrongVersion);
        } else {
            std::uint32_t errorCode = 0;
            // The port the row was filled for, even if the host's list has
            // changed since the scan.
            TOpenFailure failure;
            const int slot = SlotTable->OpenFreeSlot(Std(ports[target]), errorCode, &failure);
            if (slot != NoSlot) {
                Last.Port = ports[target];
                Last.Succeeded = true;
                const std::uint8_t* image = packets;
                for (int i = 0; i < images.ProgramImageCount &&
                                i < static_cast<int>(images.ImagePacketCounts.size());
                     ++i) {
                    const int count = images.ImagePacketCounts[static_cast<std::size_t>(i)];
                    if (!SendProgramImage(SlotTable->Slot(slot), TargetType, i, image, count,
                                          IdTexts, DlTexts, *this)) {
                        Last.Succeeded = false;
                        break;
                    }
                    image += static_cast<std::ptrdiff_t>(count) * PacketSize;
                }
                if (!keepOpen) {
                    SlotTable->ClosePort(slot);
                }
                result = slot;
            } else {
                // Found a moment ago, now taken or gone: no message here,
                // but the help tells why a port does not open.
                unreachable = true;
                const std::lock_guard<std::mutex> lock(ScanLock);
                for (TScannedPort& scanned : ScanResults) {
                    if (scanned.PortName == Std(ports[target])) {
                        scanned.Result.OpenError = errorCode;
                        scanned.Result.Failure = failure;
                        scanned.Result.Failure.Code = errorCode;
                    }
                }
            }
        }
        Progress.CloseWindow(!(Last.Succeeded && QuickClose && QuickClose(Last.Port)));
    }
    SetHourglassCursor(false);
    Running = false;
    return result;
}

} // namespace wayline
