#pragma once

#include "comm/core/Identify.h"

#include <QEvent>
#include <QThread>

#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>

namespace wayline {

class TPortScanner;

// What one identification thread does with its port: claim a slot, look
// at the line and the module, give the slot back. The program runs
// IdentifyPort on the real slot table; tests bring their own.
using TIdentifyWork = std::function<TIdentifyResult(const std::string& portName)>;

class TIdentificationThread;

// What a thread tells the scanner on the user-interface thread: its result
// is ready, or it is ending and may be released.
class TScanEvent : public QEvent {
public:
    enum TKind { skResultReady, skThreadEnding };
    TScanEvent(TKind kind, TIdentificationThread& thread);

    static QEvent::Type EventType();
    const TKind Kind;
    TIdentificationThread& Thread;
};

// One worker thread per port during a scan. It identifies its port, then
// has its result shown on the user-interface thread while it waits, and
// is released by the scanner once it has ended.
//
// The hand-overs between the threads use standard locks as well as Qt's
// event queue: Qt's queue is safe by itself, but the thread sanitizer does
// not see inside the uninstrumented Qt library, and these locks show it
// the order.
class TIdentificationThread : public QThread {
    Q_OBJECT
public:
    // Created on the user-interface thread; starts at once.
    TIdentificationThread(TPortScanner& scanner, int threadBit, int portIndex, std::string portName,
                          TIdentifyWork work);

    const int ThreadBit; // its position 1..4 in the scanner's busy mask
    const int PortIndex; // index of its port in the scanned list; grid row = PortIndex + 1
    const std::string PortName;

    // The result as the worker left it. Read on the user-interface thread
    // while the worker waits for ShowResult.
    TIdentifyResult Result() const;
    // ShowResult has run: the worker may end (user-interface thread).
    void MarkShown();

    // Orders the user-interface thread after everything the threads did
    // before they posted their last event. Called first by the receiver of
    // every TScanEvent.
    static void TakeHandOver();

protected:
    void run() override;

private:
    // The thread's body, on the worker thread.
    void Execute();
    void Post(TScanEvent::TKind kind);

    TPortScanner& Scanner;
    TIdentifyWork Work;
    mutable std::mutex ResultLock;
    std::condition_variable ShownChanged;
    TIdentifyResult Found;
    bool Shown = false;
};

} // namespace wayline
