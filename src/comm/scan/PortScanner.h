#pragma once

#include "comm/core/Identify.h"
#include "comm/scan/IdentificationThread.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <cstdint>

namespace wayline {

// Where a scan shows itself: the progress window's label, port grid and
// cursor. Called on the user-interface thread only.
class TScanDisplay {
public:
    virtual ~TScanDisplay() = default;
    // "Scanning..." shown and painted, hourglass cursor.
    virtual void ScanStarted() = 0;
    // "Scanning..." hidden.
    virtual void ScanFinished() = 0;
    // A port the scan skips because another port is selected.
    virtual void ShowIgnoring(int row) = 0;
    // A thread's result in its row, the row scrolled into view and painted.
    virtual void ShowPortResult(int row, const TIdentifyResult& result) = 0;
    // The last running thread has reported: the normal cursor again.
    virtual void AllThreadsReported() = 0;
};

// Identifies the module on every port at the same time, one thread per
// port and at most four at once (one per serial slot), while the
// user-interface thread keeps handling events (repaints, the threads'
// results) instead of sleeping.
class TPortScanner : public QObject {
    Q_OBJECT
public:
    static constexpr int MaxThreads = 4;
    static constexpr std::uint32_t AllThreadBits = 0xF;

    TPortScanner(TScanDisplay& display, TIdentifyWork work, QObject* parent = nullptr);
    ~TPortScanner() override;

    void SetWork(TIdentifyWork work) { Work = std::move(work); }

    // Identifies the module on the ports of `portNames` that a scan for
    // `selectedPort` examines (PortIsScanned; the others show "ignoring");
    // returns when every thread has shown its result and ended.
    void ScanPorts(const QStringList& portNames, const QString& selectedPort);

    // One bit per running thread (1, 2, 4, 8). User-interface thread only.
    std::uint32_t ScanBusyMask() const { return BusyMask; }
    bool IsScanning() const { return Scanning; }

    // Runs on the user-interface thread for a thread whose work has ended,
    // while that thread waits.
    void ShowResult(TIdentificationThread& thread);

protected:
    bool event(QEvent* event) override;

Q_SIGNALS:
    // A thread was created and started, on position `threadBit` (1..4).
    void ThreadStarted(int threadBit, int portIndex);
    // ShowResult has run for the port.
    void ResultShown(int portIndex);

private:
    // Handles events until `done` holds, waiting for the next event rather
    // than spinning.
    template <typename Done> void ProcessEventsUntil(Done done);
    void StartThread(int threadBit, int portIndex, const QString& portName);
    // Releases a thread that has shown its result.
    void ThreadEnded(TIdentificationThread& thread);

    TScanDisplay& Display;
    TIdentifyWork Work;
    std::uint32_t BusyMask = 0;
    int LiveThreads = 0; // started and not yet ended and released
    bool Scanning = false;
};

} // namespace wayline
