#pragma once

#include "comm/core/Identify.h"

#include <QThread>

#include <functional>
#include <mutex>
#include <string>

namespace wayline {

class TPortScanner;

// What one identification thread does with its port: claim a slot, look
// at the line and the module, give the slot back. The program runs
// IdentifyPort on the real slot table; tests bring their own.
using TIdentifyWork = std::function<TIdentifyResult(const std::string& portName)>;

// One worker thread per port during a scan. It identifies its port, then
// has its result shown on the user-interface thread while it waits, and
// is released by the scanner once it has ended.
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

protected:
    void run() override;

private:
    // The thread's body, on the worker thread.
    void Execute();

    TPortScanner& Scanner;
    TIdentifyWork Work;
    // Qt's blocking cross-thread call orders the hand-over by itself; the
    // lock makes that order visible to the thread sanitizer, which does not
    // see inside the uninstrumented Qt library.
    mutable std::mutex ResultLock;
    TIdentifyResult Found;
};

} // namespace wayline
