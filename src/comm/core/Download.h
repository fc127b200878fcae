#pragma once

#include "comm/core/DownloadTarget.h"
#include "comm/core/PortScan.h"
#include "comm/core/ProgramDownload.h"
#include "comm/core/Serial.h"

#include <cstdint>
#include <string>
#include <vector>

namespace wayline {

// What a whole download shows and asks while it runs: the program's
// progress window, or the command line on a terminal. Every call comes on
// the thread that runs the download.
class TDownloadFrontEnd : public TDownloadObserver {
public:
    // The scan of these ports begins.
    virtual void ScanStarting(const std::vector<std::string>& portNames) { (void)portNames; }
    // A port's row is complete (in the order the identifications end).
    virtual void ShowResult(int portIndex, const TPortScanRow& row) {
        (void)portIndex;
        (void)row;
    }
    // Every port's row is complete (rows in port order).
    virtual void ScanFinished(const std::vector<TPortScanRow>& rows) { (void)rows; }
    // Several modules of the target type answered: returns the index of the
    // port the user chose (one whose `choosable` entry is true), or any
    // other value when the user gave up.
    virtual int ChooseTarget(const std::vector<TPortScanRow>& rows,
                             const std::vector<bool>& choosable) = 0;
    // The transfer of `packetCount` packets to port `portIndex` begins.
    virtual void TransferStarting(int portIndex, int packetCount) {
        (void)portIndex;
        (void)packetCount;
    }
};

struct TDownloadRequest {
    const std::uint8_t* Packets = nullptr; // PacketCount packets of 18 bytes
    int PacketCount = 0;
    int DownloadTargetType = 2;
    std::string SelectedPort = "AUTO";
    // The slot stays open and belongs to the caller, who closes it.
    bool KeepOpen = false;
};

struct TDownloadOutcome {
    // The slot the transfer ran on (-3 to 0), whether or not it succeeded;
    // NoSlot when no transfer was attempted.
    int Slot = NoSlot;
    // Every packet was accepted.
    bool Succeeded = false;
    // The port chosen for the transfer, or NoTarget.
    int PortIndex = NoTarget;
    // Why nothing was sent, for callers that report more than the window
    // does: the reopening's open error when the chosen port failed to open.
    std::uint32_t OpenError = 0;
    TOpenFailure Failure;
    // The front end asked to stop; what was under way ended cleanly.
    bool Interrupted = false;
    std::vector<TPortScanRow> Rows;
};

// The download without its window: identifies the modules on all ports,
// decides the port (asking the front end when several qualify), checks the
// module's version, opens the port and sends the image, then closes the
// port unless KeepOpen. Failures are shown through the front end's error
// box with the download's texts; choosing nothing and a port that no longer
// opens show nothing. `identify` is what each scanning thread does with its
// port (IdentifyPort on the slots when empty). A front end that reports
// Interrupted ends the download at the next step, with the port closed.
TDownloadOutcome RunDownload(TSerialSlots& slots, const std::vector<std::string>& portNames,
                             const TDownloadRequest& request, const TIdentifyTexts& identifyTexts,
                             const TDownloadTexts& texts, TDownloadFrontEnd& frontEnd,
                             const TThreadStarter& startThread, const TIdentifyWork& identify = {});

} // namespace wayline
