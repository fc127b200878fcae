#include "comm/scan/PortScanner.h"

#include "comm/core/PortScan.h"

#include <QCoreApplication>
#include <QEventLoop>

namespace wayline {

namespace {

std::uint32_t BitOf(int position) {
    return 1u << (position - 1);
}

} // namespace

TPortScanner::TPortScanner(TScanDisplay& display, TIdentifyWork work, QObject* parent)
    : QObject(parent), Display(display), Work(std::move(work)) {}

TPortScanner::~TPortScanner() = default;

template <typename Done> void TPortScanner::ProcessEventsUntil(Done done) {
    // Waiting for the next event keeps the window painted and lets the
    // threads' results in, without sleeping and without spinning a core
    // that the identification threads need.
    while (!done()) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
}

void TPortScanner::ScanPorts(const QStringList& portNames, const QString& selectedPort) {
    if (Scanning) {
        return; // a scan is already waiting further down this thread's stack
    }
    Scanning = true;
    Display.ScanStarted();
    const std::string selected = selectedPort.toStdString();
    for (int j = 0; j < portNames.size(); ++j) {
        if (!PortIsScanned(portNames[j].toStdString(), selected)) {
            Display.ShowIgnoring(j + 1);
            continue;
        }
        ProcessEventsUntil([this] { return (BusyMask & AllThreadBits) != AllThreadBits; });
        int position = 1;
        while (BusyMask & BitOf(position)) {
            ++position;
        }
        StartThread(position, j, portNames[j]);
    }
    ProcessEventsUntil([this] { return (BusyMask & AllThreadBits) == 0 && LiveThreads == 0; });
    Display.ScanFinished();
    Scanning = false;
}

void TPortScanner::StartThread(int threadBit, int portIndex, const QString& portName) {
    auto* thread =
        new TIdentificationThread(*this, threadBit, portIndex, portName.toStdString(), Work);
    BusyMask |= BitOf(threadBit);
    ++LiveThreads;
    thread->start();
    Q_EMIT ThreadStarted(threadBit, portIndex);
}

void TPortScanner::ShowResult(TIdentificationThread& thread) {
    Display.ShowPortResult(thread.PortIndex + 1, thread.Result());
    BusyMask &= ~BitOf(thread.ThreadBit);
    Q_EMIT ResultShown(thread.PortIndex);
    if ((BusyMask & AllThreadBits) == 0) {
        Display.AllThreadsReported();
    }
    thread.MarkShown();
}

bool TPortScanner::event(QEvent* event) {
    if (event->type() != TScanEvent::EventType()) {
        return QObject::event(event);
    }
    TIdentificationThread::TakeHandOver();
    auto* scanEvent = static_cast<TScanEvent*>(event);
    if (scanEvent->Kind == TScanEvent::skResultReady) {
        ShowResult(scanEvent->Thread);
    } else {
        ThreadEnded(scanEvent->Thread);
    }
    return true;
}

void TPortScanner::ThreadEnded(TIdentificationThread& thread) {
    // The thread has shown its result and is about to end, if it has not.
    thread.wait();
    delete &thread;
    --LiveThreads;
}

} // namespace wayline
