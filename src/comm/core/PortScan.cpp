#include "comm/core/PortScan.h"

#include "comm/core/Serial.h"

#include <iterator>
#include <thread>

namespace wayline {

namespace {

class TStdWorkerThread final : public TWorkerThread {
public:
    explicit TStdWorkerThread(std::function<void()> body) : Thread(std::move(body)) {}
    ~TStdWorkerThread() override { Join(); }
    void Join() override {
        if (Thread.joinable()) {
            Thread.join();
        }
    }

private:
    std::thread Thread;
};

constexpr std::uint32_t AllPositions = (1u << MaxScanThreads) - 1;

std::uint32_t BitOf(int position) {
    return 1u << (position - 1);
}

// The scan's rows as one callback, for callers that only want the rows.
class THandlerDisplay final : public TScanDisplay {
public:
    explicit THandlerDisplay(const TScanResultHandler& handler) : Handler(handler) {}
    void ShowRow(int portIndex, const TPortScanRow& row) override {
        if (Handler) {
            Handler(portIndex, row);
        }
    }

private:
    const TScanResultHandler& Handler;
};

} // namespace

bool PortIsScanned(std::string_view port, std::string_view selectedPort) {
    if (selectedPort == "AUTO") {
        return port != VirtualRobotPortName;
    }
    return port == selectedPort;
}

bool PortIsListed(std::string_view port, std::string_view selectedPort) {
    return selectedPort != "AUTO" || port != VirtualRobotPortName;
}

TThreadStarter StdThreadStarter() {
    return [](std::function<void()> body) -> std::unique_ptr<TWorkerThread> {
        return std::make_unique<TStdWorkerThread>(std::move(body));
    };
}

void TBlockingScanWaiter::WaitForWake() {
    std::unique_lock<std::mutex> guard(Lock);
    Changed.wait(guard, [this] { return Woken; });
    Woken = false;
}

void TBlockingScanWaiter::Wake() {
    {
        const std::lock_guard<std::mutex> guard(Lock);
        Woken = true;
    }
    Changed.notify_one();
}

TPortScanner::TPortScanner(TThreadStarter startThread, std::unique_ptr<TScanWaiter> waiter)
    : StartThread(std::move(startThread)),
      Waiter(waiter ? std::move(waiter) : std::make_unique<TBlockingScanWaiter>()),
      Workers(MaxScanThreads) {
    // A thread leaves its row without allocating: at most one row per
    // position is ever waiting.
    Finished.reserve(MaxScanThreads);
}

TPortScanner::~TPortScanner() = default;

std::vector<TPortScanRow> TPortScanner::ScanPorts(const std::vector<std::string>& portNames,
                                                  const std::string& selectedPort,
                                                  const std::string& ignoringText,
                                                  const TIdentifyWork& work,
                                                  TScanDisplay& display) {
    if (Scanning) {
        return {};
    }
    Scanning = true;
    // Should the display throw, no thread outlives the work it runs.
    struct TEndGuard {
        TPortScanner& Scanner;
        ~TEndGuard() { Scanner.EndThreads(); }
    } endGuard{*this};

    display.ScanStarted();
    std::vector<TPortScanRow> rows(portNames.size());
    for (std::size_t j = 0; j < portNames.size(); ++j) {
        const int portIndex = static_cast<int>(j);
        if (!PortIsScanned(portNames[j], selectedPort)) {
            rows[j].Ignored = true;
            rows[j].Result.DeviceText = ignoringText;
            display.ShowRow(portIndex, rows[j]);
            continue;
        }
        while (BusyMask == AllPositions) {
            WaitAndHandOverRows(rows, display);
        }
        int position = 1;
        while ((BusyMask & BitOf(position)) != 0) {
            ++position;
        }
        BusyMask |= BitOf(position);
        std::function<void()> body = [this, &work, portName = portNames[j], portIndex, position] {
            TFinished done{portIndex, position, {}};
            try {
                if (work) {
                    done.Result = work(portName);
                }
            } catch (...) {
                // Out of memory inside the exchange: the port shows as
                // nothing identified rather than ending the program from a
                // worker thread.
                done.Result = TIdentifyResult{};
            }
            {
                const std::lock_guard<std::mutex> guard(FinishedLock);
                Finished.push_back(std::move(done));
            }
            Waiter->Wake();
        };
        display.ThreadStarting(position, portIndex);
        std::unique_ptr<TWorkerThread>& worker = Workers[static_cast<std::size_t>(position - 1)];
        worker = StartThread ? StartThread(body) : nullptr;
        if (!worker) {
            // No thread to be had: this port is examined here instead.
            body();
        }
    }
    while (BusyMask != 0) {
        WaitAndHandOverRows(rows, display);
    }
    display.ScanFinished();
    return rows;
}

void TPortScanner::WaitAndHandOverRows(std::vector<TPortScanRow>& rows, TScanDisplay& display) {
    // Through the waiter every time, rows ready or not: the window handles
    // its events (its first painting included) between the hand-overs even
    // when the identifications end faster than it looks. Every row is
    // followed by a wake, so this does not block while one is waiting.
    Waiter->WaitForWake();
    std::vector<TFinished> ready;
    {
        const std::lock_guard<std::mutex> guard(FinishedLock);
        ready.assign(std::make_move_iterator(Finished.begin()),
                     std::make_move_iterator(Finished.end()));
        Finished.clear();
    }
    for (TFinished& done : ready) {
        TPortScanRow& row = rows[static_cast<std::size_t>(done.PortIndex)];
        row.Result = std::move(done.Result);
        display.ShowRow(done.PortIndex, row);
        std::unique_ptr<TWorkerThread>& worker =
            Workers[static_cast<std::size_t>(done.Position - 1)];
        if (worker) {
            worker->Join();
            worker.reset();
        }
        BusyMask &= ~BitOf(done.Position);
        if (BusyMask == 0) {
            display.AllThreadsReported();
        }
    }
}

void TPortScanner::EndThreads() {
    for (std::unique_ptr<TWorkerThread>& worker : Workers) {
        if (worker) {
            worker->Join();
            worker.reset();
        }
    }
    {
        const std::lock_guard<std::mutex> guard(FinishedLock);
        Finished.clear();
    }
    BusyMask = 0;
    Scanning = false;
}

std::vector<TPortScanRow> ScanPortsInParallel(TSerialSlots& slots,
                                              const std::vector<std::string>& portNames,
                                              const std::string& selectedPort,
                                              int downloadTargetType, const TIdentifyTexts& texts,
                                              const TThreadStarter& startThread,
                                              const TScanResultHandler& onResult) {
    const TIdentifyWork identify = [&](const std::string& portName) {
        return IdentifyPort(slots, portName, downloadTargetType, texts);
    };
    return ScanPortsInParallel(portNames, selectedPort, texts, startThread, identify, onResult);
}

std::vector<TPortScanRow> ScanPortsInParallel(const std::vector<std::string>& portNames,
                                              const std::string& selectedPort,
                                              const TIdentifyTexts& texts,
                                              const TThreadStarter& startThread,
                                              const TIdentifyWork& work,
                                              const TScanResultHandler& onResult) {
    TPortScanner scanner(startThread);
    THandlerDisplay display(onResult);
    const TIdentifyWork guarded = [&](const std::string& portName) {
        try {
            return work(portName);
        } catch (...) {
            // A port that throws (out of memory, a platform error) is a
            // port that could not be opened; the scan goes on.
            TIdentifyResult result;
            result.OpenError = OpenErrorOther;
            result.Failure.Code = OpenErrorOther;
            result.DeviceText = texts.CantOpen;
            return result;
        }
    };
    return scanner.ScanPorts(portNames, selectedPort, texts.Ignoring, guarded, display);
}

} // namespace wayline
