#include "comm/scan/IdentificationThread.h"

#include "comm/scan/PortScanner.h"

#include <exception>

namespace wayline {

TIdentificationThread::TIdentificationThread(TPortScanner& scanner, int threadBit, int portIndex,
                                             std::string portName, TIdentifyWork work)
    : ThreadBit(threadBit), PortIndex(portIndex), PortName(std::move(portName)), Scanner(scanner),
      Work(std::move(work)) {}

TIdentifyResult TIdentificationThread::Result() const {
    const std::lock_guard<std::mutex> lock(ResultLock);
    return Found;
}

void TIdentificationThread::run() {
    Execute();
    // The result is shown on the user-interface thread; this thread waits
    // until that has happened, so the row is filled before the thread ends.
    QMetaObject::invokeMethod(
        &Scanner, [this] { Scanner.ShowResult(*this); }, Qt::BlockingQueuedConnection);
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
