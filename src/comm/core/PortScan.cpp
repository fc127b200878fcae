#include "comm/core/PortScan.h"

#include "comm/core/Serial.h"

#include <array>
#include <condition_variable>
#include <deque>
#include <mutex>
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

// A finished identification waiting to be handed over.
struct TFinished {
    int PortIndex = 0;
    int Position = 0;
    TIdentifyResult Result;
};

} // namespace

bool PortIsScanned(std::string_view port, std::string_view selectedPort) {
    if (selectedPort == "AUTO") {
        return port != VirtualRobotPortName;
    }
    return port == selectedPort;
}

TThreadStarter StdThreadStarter() {
    return [](std::function<void()> body) -> std::unique_ptr<TWorkerThread> {
        return std::make_unique<TStdWorkerThread>(std::move(body));
    };
}

std::vector<TPortScanRow> ScanPortsInParallel(TSerialSlots& slots,
                                              const std::vector<std::string>& portNames,
                                              const std::string& selectedPort,
                                              int downloadTargetType, const TIdentifyTexts& texts,
                                              const TThreadStarter& startThread,
                                              const TScanResultHandler& onResult) {
    std::vector<TPortScanRow> rows(portNames.size());
    std::array<std::unique_ptr<TWorkerThread>, MaxScanThreads> workers;
    unsigned busyMask = 0; // one bit per running position, touched by this thread only

    std::mutex lock;
    std::condition_variable finishedOne;
    std::deque<TFinished> finished;

    // Waits for the next thread to end and hands its row over.
    const auto handOverOne = [&] {
        TFinished done;
        {
            std::unique_lock<std::mutex> guard(lock);
            finishedOne.wait(guard, [&] { return !finished.empty(); });
            done = std::move(finished.front());
            finished.pop_front();
        }
        TPortScanRow& row = rows[static_cast<std::size_t>(done.PortIndex)];
        row.Result = std::move(done.Result);
        if (onResult) {
            onResult(done.PortIndex, row);
        }
        std::unique_ptr<TWorkerThread>& worker = workers[static_cast<std::size_t>(done.Position)];
        if (worker) {
            worker->Join();
            worker.reset();
        }
        busyMask &= ~(1u << done.Position);
    };

    const unsigned allBusy = (1u << MaxScanThreads) - 1;
    for (std::size_t j = 0; j < portNames.size(); ++j) {
        if (!PortIsScanned(portNames[j], selectedPort)) {
            rows[j].Ignored = true;
            rows[j].Result.DeviceText = texts.Ignoring;
            if (onResult) {
                onResult(static_cast<int>(j), rows[j]);
            }
            continue;
        }
        while (busyMask == allBusy) {
            handOverOne();
        }
        int position = 0;
        while ((busyMask & (1u << position)) != 0) {
            ++position;
        }
        busyMask |= 1u << position;
        const std::string portName = portNames[j];
        const int portIndex = static_cast<int>(j);
        std::function<void()> body = [&, portName, portIndex, position] {
            TFinished done{portIndex, position, {}};
            try {
                done.Result = IdentifyPort(slots, portName, downloadTargetType, texts);
            } catch (...) {
                // A port that throws (out of memory, a platform error) is
                // a port that could not be opened; the scan goes on.
                done.Result = TIdentifyResult{};
                done.Result.OpenError = OpenErrorOther;
                done.Result.DeviceText = texts.CantOpen;
            }
            std::lock_guard<std::mutex> guard(lock);
            finished.push_back(std::move(done));
            finishedOne.notify_one();
        };
        workers[static_cast<std::size_t>(position)] = startThread(body);
        if (!workers[static_cast<std::size_t>(position)]) {
            // No thread to be had: this port is examined here instead.
            body();
        }
    }
    while (busyMask != 0) {
        handOverOne();
    }
    return rows;
}

} // namespace wayline
