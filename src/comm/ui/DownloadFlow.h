#pragma once

#include "codegen/core/CompileStep.h"
#include "comm/core/Identify.h"
#include "comm/core/PortScan.h"
#include "comm/core/ProgramDownload.h"
#include "doctor/core/SystemRoot.h"
#include "doctor/core/UserIdentity.h"

#include <QString>

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

class QWidget;

namespace wayline {

class TProgressForm;
class TResources;
class TSerialSlots;
class TUserDialogs;

// The download as the user sees it: the progress window opens, every port
// is identified at once, the target is chosen (the user picks one when
// several modules qualify), the module's version is checked, the packets
// go out one by one with the gauge counting and the indicator blinking,
// and the window closes. Runs on the user-interface thread.
class TDownloadFlow : public TDownloadObserver {
public:
    // Results besides a slot number.
    static constexpr int NoTarget = -10;

    TDownloadFlow(TProgressForm& form, const TResources& resources, TUserDialogs& dialogs,
                  QWidget* owner);
    ~TDownloadFlow() override;
    TDownloadFlow(const TDownloadFlow&) = delete;
    TDownloadFlow& operator=(const TDownloadFlow&) = delete;

    // The slot table the scan and the transfer use (the program's own by
    // default).
    void SetSerialSlots(TSerialSlots& slots);
    // The system the rows' explanations read (the running one by default;
    // tests lay out their own).
    void SetSystemRoot(const TSystemRoot& root) { HostRoot = root; }
    void SetDialogs(TUserDialogs& dialogs) { Dialogs = &dialogs; }
    TSerialSlots& Slots() const { return *SlotTable; }
    TProgressForm& Form() const { return Progress; }
    const TIdentifyTexts& IdentifyTexts() const { return IdTexts; }

    // The whole download of the compiled images (`packets` holds them one
    // after the other, 18 bytes each). Returns the slot the transfer used
    // (-3..0), whether or not it succeeded, or NoSlot when none was
    // attempted. With `keepOpen` the slot stays open and belongs to the
    // caller, who closes it with ClosePort.
    int DownloadIt(bool keepOpen, const TDownloadImages& images, const std::uint8_t* packets,
                   const QString& selectedPort);
    // Chooses the port after a scan: the row index (grid row - 1) of the
    // one module of the target type, or of the one the user picks among
    // several; NoTarget when there is none or the user closed the choice.
    int FindDownloadTarget(int targetType);
    // Identifies the modules on the progress window's ports.
    void ScanPorts(const QString& selectedPort);

    bool IsRunning() const { return Running; }

    // How the last download ended: the port it went to (empty when none
    // was chosen) and whether every packet was accepted.
    struct TReport {
        QString Port;
        bool Succeeded = false;
        bool KeepOpen = false; // asked for by test mode (which keeps the port)
    };
    const TReport& LastDownload() const { return Last; }
    // What to do when the robot could not be reached: after "No robot
    // found.", after the chosen port would not open again, and when the
    // user asked for it on the progress window. Gets what the last scan saw
    // on each port, in the grid's order.
    using TConnectionHelp = std::function<void(const std::vector<TScannedPort>&)>;
    void SetConnectionHelp(TConnectionHelp help) { ConnectionHelp = std::move(help); }
    // What the last scan saw on each port it identified, in the grid's order.
    std::vector<TScannedPort> LastScan() const;
    // Whether the progress window may close without its pause after a
    // download to the port of this name succeeded (a robot inside this
    // program, where nobody waits for a cable). None: it always pauses.
    using TQuickClose = std::function<bool(const QString& port)>;
    void SetQuickClose(TQuickClose quick) { QuickClose = std::move(quick); }

    // TDownloadObserver: the transfer's progress on the window.
    void ToggleIndicator(bool lime) override;
    void StepIt(int imageIndex) override;
    void ShowErrorBox(const std::string& text) override;

private:
    void ShowError(const QString& text);
    void RecordScan(const std::string& portName, const TIdentifyResult& result);
    int Transfer(bool keepOpen, const TDownloadImages& images, const std::uint8_t* packets,
                 const QString& selectedPort, bool& unreachable);

    TProgressForm& Progress;
    const TResources& Res;
    TUserDialogs* Dialogs;
    QWidget* Owner;
    TSerialSlots* SlotTable;
    TIdentifyTexts IdTexts;
    TDownloadTexts DlTexts;
    // On threads Qt knows, while this thread handles its events.
    TPortScanner Scan;
    TIdentifyWork Identify;
    int TargetType = 2;
    bool Running = false;
    TReport Last;
    bool NoRobotFound = false; // the last target search found no module
    bool HelpAsked = false;    // the user asked for the help during this download
    TConnectionHelp ConnectionHelp;
    TQuickClose QuickClose;
    // The running system as the explanations of a port's row read it, and
    // the program's user, read before each scan.
    TSystemRoot HostRoot{"/"};
    std::unique_ptr<std::optional<TUserIdentity>> ScanUser;
    // Written by the identification threads, read on the user-interface thread.
    mutable std::mutex ScanLock;
    std::vector<TScannedPort> ScanResults;
};

} // namespace wayline
