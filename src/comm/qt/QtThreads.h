#pragma once

#include "comm/core/PortScan.h"

class QAbstractEventDispatcher;

namespace wayline {

// Starts each identification in a QThread, so that the serial ports made
// inside it belong to a thread Qt knows.
TThreadStarter QtThreadStarter();

// A scan's waiter for a thread with a Qt event loop (the user-interface
// thread): while the identifications run it handles that thread's events
// (repaints, clicks, queued calls) instead of sleeping, and a finishing
// identification wakes it. Made on the thread that will scan.
class TEventLoopScanWaiter final : public TScanWaiter {
public:
    TEventLoopScanWaiter();
    void WaitForWake() override;
    void Wake() override;

private:
    // The scanning thread's event dispatcher; without one (no event loop
    // on that thread) the waiter just blocks.
    QAbstractEventDispatcher* const Dispatcher;
    TBlockingScanWaiter Blocking;
};

} // namespace wayline
