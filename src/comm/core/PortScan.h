#pragma once

#include "comm/core/Identify.h"

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace wayline {

class TSerialSlots;

// A thread that runs one identification. Join waits until its body ended.
class TWorkerThread {
public:
    virtual ~TWorkerThread() = default;
    virtual void Join() = 0;
};

// Starts `body` on a new thread, or returns null when it cannot (the body
// then runs on the scanning thread). The program and the command line start
// Qt threads (a serial port must be created in a thread Qt knows); tests
// and the core use std::thread.
using TThreadStarter = std::function<std::unique_ptr<TWorkerThread>(std::function<void()> body)>;
TThreadStarter StdThreadStarter();

// How the scanning thread waits while identifications run: before each
// look at the finished rows it calls WaitForWake, and a thread calls Wake
// once it has left its row. A Wake that comes before the wait must not be
// lost. The window's waiter handles its events while it waits, so it stays
// painted and responsive.
class TScanWaiter {
public:
    virtual ~TScanWaiter() = default;
    // On the scanning thread: returns after a Wake (one that came earlier
    // included), and may return sooner.
    virtual void WaitForWake() = 0;
    // On an identification thread.
    virtual void Wake() = 0;
};

// The waiter of a thread with nothing else to do: it sleeps until woken.
class TBlockingScanWaiter final : public TScanWaiter {
public:
    void WaitForWake() override;
    void Wake() override;

private:
    std::mutex Lock;
    std::condition_variable Changed;
    bool Woken = false;
};

// The port name under which the virtual robot (a simulated module inside
// the program) is offered beside the host's ports. It cannot be the name of
// a real port: it has a blank in it.
inline constexpr std::string_view VirtualRobotPortName = "Virtual robot";

// Whether a scan for `selectedPort` ("AUTO" or a port name) examines `port`.
// A chosen port is the only one examined. "AUTO" looks for the robot on the
// cable, so it examines every port but the virtual robot: that one is there
// whether a robot is plugged in or not, and AUTO would always find it.
bool PortIsScanned(std::string_view port, std::string_view selectedPort);
// Whether the progress grid lists `port` for a scan of `selectedPort`: a
// chosen port shows the others as ignored, but AUTO lists the host's ports
// only, not the virtual robot it passes by.
bool PortIsListed(std::string_view port, std::string_view selectedPort);

// At most this many identifications run at a time, one per serial slot.
inline constexpr int MaxScanThreads = 4;

// One port's row after a scan.
struct TPortScanRow {
    bool Ignored = false; // not the selected port: not opened, device text "ignoring"
    TIdentifyResult Result;
};

// One row of the last port scan: the port's name and what identification
// found on it.
struct TScannedPort {
    std::string PortName;
    TIdentifyResult Result;
};

// What one identification thread does with its port: claim a slot, look at
// the line and the module, give the slot back. Runs on the identification
// threads, several at once.
using TIdentifyWork = std::function<TIdentifyResult(const std::string& portName)>;

// Where a scan shows itself (the progress window, the command line, tests).
// Every call comes on the thread that runs the scan.
class TScanDisplay {
public:
    virtual ~TScanDisplay() = default;
    // Before anything else.
    virtual void ScanStarted() {}
    // Port `portIndex` is about to be identified at position `position`
    // (1..4).
    virtual void ThreadStarting(int position, int portIndex) {
        (void)position;
        (void)portIndex;
    }
    // A port's row is complete: ignored ports at once, in list order, the
    // others in the order their threads end.
    virtual void ShowRow(int portIndex, const TPortScanRow& row) {
        (void)portIndex;
        (void)row;
    }
    // The last running thread has reported; comes again if more ports start
    // after it.
    virtual void AllThreadsReported() {}
    // Every row is complete and every thread has ended.
    virtual void ScanFinished() {}
};

// Identifies the module on every port of a list at the same time, one
// thread per port and at most MaxScanThreads at once; a further port starts
// when a thread has ended and its row was handed over. The rows reach the
// display on the scanning thread, which in between waits through the
// waiter.
class TPortScanner {
public:
    // Without a waiter, the scanning thread blocks while it waits.
    explicit TPortScanner(TThreadStarter startThread, std::unique_ptr<TScanWaiter> waiter = {});
    ~TPortScanner();
    TPortScanner(const TPortScanner&) = delete;
    TPortScanner& operator=(const TPortScanner&) = delete;

    // Runs `work` for the ports of `portNames` that a scan for
    // `selectedPort` examines (PortIsScanned); the others get an ignored
    // row with `ignoringText`. Work that throws leaves its port's row
    // empty. Returns once every thread has ended, with the rows in port
    // order; a call while a scan runs further down the same thread's stack
    // (from an event the waiter handled) does nothing and returns no rows.
    std::vector<TPortScanRow> ScanPorts(const std::vector<std::string>& portNames,
                                        const std::string& selectedPort,
                                        const std::string& ignoringText, const TIdentifyWork& work,
                                        TScanDisplay& display);

    // One bit per busy position (1, 2, 4, 8): set when the position's thread
    // starts, cleared once its row was shown and the thread has ended.
    std::uint32_t ScanBusyMask() const { return BusyMask; }
    bool IsScanning() const { return Scanning; }

private:
    // A row a thread has left for the scanning thread.
    struct TFinished {
        int PortIndex = 0;
        int Position = 0;
        TIdentifyResult Result;
    };
    // Waits for a wake, then hands over every row that is ready.
    void WaitAndHandOverRows(std::vector<TPortScanRow>& rows, TScanDisplay& display);
    // Joins every thread still running and forgets their rows.
    void EndThreads();

    TThreadStarter StartThread;
    std::unique_ptr<TScanWaiter> Waiter;
    std::uint32_t BusyMask = 0;
    bool Scanning = false;
    std::vector<std::unique_ptr<TWorkerThread>> Workers; // by position - 1
    // Rows the threads have left, guarded by FinishedLock.
    std::mutex FinishedLock;
    std::vector<TFinished> Finished;
};

// The scan on a slot table: IdentifyPort on each examined port, with the
// identification's texts. A port whose identification throws (out of
// memory, a platform error) reads as one that could not be opened. Blocks
// the calling thread; `onResult` gets each row as TScanDisplay::ShowRow.
using TScanResultHandler = std::function<void(int portIndex, const TPortScanRow& row)>;
std::vector<TPortScanRow> ScanPortsInParallel(TSerialSlots& slots,
                                              const std::vector<std::string>& portNames,
                                              const std::string& selectedPort,
                                              int downloadTargetType, const TIdentifyTexts& texts,
                                              const TThreadStarter& startThread,
                                              const TScanResultHandler& onResult = {});
// The same with work of the caller's own (identification and more). A port
// whose work throws reads as one that could not be opened.
std::vector<TPortScanRow> ScanPortsInParallel(const std::vector<std::string>& portNames,
                                              const std::string& selectedPort,
                                              const TIdentifyTexts& texts,
                                              const TThreadStarter& startThread,
                                              const TIdentifyWork& work,
                                              const TScanResultHandler& onResult = {});

} // namespace wayline
