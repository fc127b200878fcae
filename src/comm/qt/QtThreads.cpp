#include "comm/qt/QtThreads.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QEventLoop>
#include <QThread>

#include <mutex>

namespace wayline {

namespace {

class TQtWorkerThread final : public TWorkerThread {
public:
    explicit TQtWorkerThread(std::function<void()> body) : Thread(std::move(body), Ended) {
        Thread.start();
    }
    ~TQtWorkerThread() override { Join(); }
    void Join() override {
        Thread.wait();
        // QThread::wait orders through Qt's own locks, which the thread
        // sanitizer cannot see into; taking the lock the body released last
        // shows it that everything the body did comes before this point.
        const std::lock_guard<std::mutex> guard(Ended);
    }

private:
    class TBodyThread final : public QThread {
    public:
        TBodyThread(std::function<void()> body, std::mutex& ended)
            : Body(std::move(body)), Ended(ended) {}
        ~TBodyThread() override { wait(); }

    protected:
        void run() override {
            Body();
            const std::lock_guard<std::mutex> guard(Ended);
        }

    private:
        std::function<void()> Body;
        std::mutex& Ended;
    };

    std::mutex Ended;
    TBodyThread Thread;
};

} // namespace

TThreadStarter QtThreadStarter() {
    return [](std::function<void()> body) -> std::unique_ptr<TWorkerThread> {
        return std::make_unique<TQtWorkerThread>(std::move(body));
    };
}

TEventLoopScanWaiter::TEventLoopScanWaiter()
    : Dispatcher(QAbstractEventDispatcher::instance(QThread::currentThread())) {}

void TEventLoopScanWaiter::WaitForWake() {
    if (Dispatcher == nullptr) {
        Blocking.WaitForWake();
        return;
    }
    // Returns once something happened, a wake included: a wake that came
    // before this call is kept by the dispatcher until its next wait.
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

void TEventLoopScanWaiter::Wake() {
    if (Dispatcher == nullptr) {
        Blocking.Wake();
        return;
    }
    Dispatcher->wakeUp(); // thread-safe, allocates nothing
}

} // namespace wayline
