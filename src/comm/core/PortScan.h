#pragma once

#include "comm/core/Identify.h"

#include <functional>
#include <memory>
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

// Starts `body` on a new thread. The program and the command line start Qt
// threads (a serial port must be created in a thread Qt knows); tests and
// the core use std::thread.
using TThreadStarter = std::function<std::unique_ptr<TWorkerThread>(std::function<void()> body)>;
TThreadStarter StdThreadStarter();

// The port name under which the virtual robot (a simulated module inside
// the program) is offered beside the host's ports. It cannot be the name of
// a real port: it has a blank in it.
inline constexpr std::string_view VirtualRobotPortName = "Virtual robot";

// Whether a scan for `selectedPort` ("AUTO" or a port name) examines `port`.
// A chosen port is the only one examined. "AUTO" looks for the robot on the
// cable, so it examines every port but the virtual robot: that one is there
// whether a robot is plugged in or not, and AUTO would always find it.
bool PortIsScanned(std::string_view port, std::string_view selectedPort);

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

// Called on the scanning thread as each port's row is complete, in the
// order the threads end (ignored ports at once, in list order).
using TScanResultHandler = std::function<void(int portIndex, const TPortScanRow& row)>;

// Identifies the module on every port of `portNames` at the same time, one
// thread per port and at most four at once; the fifth starts when one has
// ended and its row was handed over. Only the ports PortIsScanned names for
// `selectedPort` are examined; the others are ignored. Returns when every thread has
// ended, with the rows in port order.
std::vector<TPortScanRow> ScanPortsInParallel(TSerialSlots& slots,
                                              const std::vector<std::string>& portNames,
                                              const std::string& selectedPort,
                                              int downloadTargetType, const TIdentifyTexts& texts,
                                              const TThreadStarter& startThread,
                                              const TScanResultHandler& onResult = {});

} // namespace wayline
