// The scan as the progress window runs it: identifications on threads Qt
// knows, while the scanning thread's event loop keeps turning.

#include "comm/qt/QtThreads.h"

#include <QCoreApplication>
#include <QThread>

#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>
#include <set>
#include <string>
#include <vector>

namespace wayline {
namespace {

class TThreadCheckingDisplay final : public TScanDisplay {
public:
    void ShowRow(int portIndex, const TPortScanRow& row) override {
        OffThread |= QThread::currentThread() != qApp->thread();
        Shown.push_back(portIndex);
        (void)row;
    }
    bool OffThread = false;
    std::vector<int> Shown;
};

TEST(QtThreadsTest, TheWindowsScanKeepsHandlingEventsWhileQtThreadsIdentify) {
    // Each identification waits for a call queued to the scanning thread:
    // it can only end if that thread handles its events during the scan.
    std::mutex lock;
    std::condition_variable changed;
    bool eventHandled = false;
    QMetaObject::invokeMethod(
        qApp,
        [&] {
            const std::lock_guard<std::mutex> guard(lock);
            eventHandled = true;
            changed.notify_all();
        },
        Qt::QueuedConnection);

    std::set<QThread*> workThreads;
    const TIdentifyWork work = [&](const std::string& name) {
        std::unique_lock<std::mutex> guard(lock);
        workThreads.insert(QThread::currentThread());
        changed.wait(guard, [&] { return eventHandled; });
        TIdentifyResult result;
        result.DeviceText = name;
        return result;
    };
    TPortScanner scanner(QtThreadStarter(), std::make_unique<TEventLoopScanWaiter>());
    TThreadCheckingDisplay display;
    const auto rows =
        scanner.ScanPorts({"ttyUSB0", "ttyUSB1", "ttyUSB2"}, "AUTO", "ignoring", work, display);

    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[2].Result.DeviceText, "ttyUSB2");
    EXPECT_EQ(display.Shown.size(), 3u);
    EXPECT_FALSE(display.OffThread);
    EXPECT_EQ(workThreads.size(), 3u);
    EXPECT_EQ(workThreads.count(qApp->thread()), 0u);
}

} // namespace
} // namespace wayline
