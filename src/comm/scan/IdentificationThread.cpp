#include "comm/scan/IdentificationThread.h"

#include "comm/scan/PortScanner.h"

#include <QCoreApplication>

#include <exception>

namespace wayline {

namespace {

// Taken by a thread while it posts an event to the user-interface thread,
// and by that thread before it handles one.
std::mutex& HandOverLock() {
    static std::mutex lock;
    return lock;
}

} // namespace

TScanEvent::TScanEvent(TKind kind, TIdentificationThread& thread)
    : QEvent(EventType()), Kind(kind), Thread(thread) {}

QEvent::Type TScanEvent::EventType() {
    static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
}

TIdentificationThread::TIdentificationThread(TPortScanner& scanner, int threadBit, int portIndex,
                                             std::string portName, TIdentifyWork work)
    : ThreadBit(threadBit), PortIndex(portIndex), PortName(std::move(portName)), Scanner(scanner),
      Work(std::move(work)) {
    TScanEvent::EventType(); // registered on the user-interface thread
}

TIdentifyResult TIdentificationThread::Result() const {
    const std::lock_guard<std::mutex> lock(ResultLock);
    return Found;
}

void TIdentificationThread::MarkShown() {
    {
        const std::lock_guard<std::mutex> lock(ResultLock);
        Shown = true;
    }
    ShownChanged.notify_all();
}

void TIdentificationThread::TakeHandOver() {
    const std::lock_guard<std::mutex> lock(HandOverLock());
}

void TIdentificationThread::Post(TScanEvent::TKind kind) {
    const std::lock_guard<std::mutex> lock(HandOverLock());
    QCoreApplication::postEvent(&Scanner, new TScanEvent(kind, *this));
}

void TIdentificationThread::run() {
    Execute();
    // The result is shown on the user-interface thread; this thread waits
    // until that has happened, so the row is filled before the thread ends.
    Post(TScanEvent::skResultReady);
    {
        std::unique_lock<std::mutex> lock(ResultLock);
        ShownChanged.wait(lock, [this] { return Shown; });
    }
    // Then the scanner releases this object, once the thread has ended.
    Post(TScanEvent::skThreadEnding);
}

void TIdentificationThread::Execute() {
    TIdentifyResult result;
    try {
        if (Work) {
            result = Work(PortName);
        }
    } catch (const std::exception&) {
        // Out of memory inside the exchange: the port shows as nothing
        // identified rather than ending the program from a worker thread.
        result = TIdentifyResult{};
    }
    const std::lock_guard<std::mutex> lock(ResultLock);
    Found = std::move(result);
}

} // namespace wayline
