#include "comm/qt/QtThreads.h"

#include <QThread>

namespace wayline {

namespace {

class TQtWorkerThread final : public TWorkerThread {
public:
    explicit TQtWorkerThread(std::function<void()> body)
        : Thread(QThread::create(std::move(body))) {
        Thread->start();
    }
    ~TQtWorkerThread() override { Join(); }
    void Join() override { Thread->wait(); }

private:
    std::unique_ptr<QThread> Thread;
};

} // namespace

TThreadStarter QtThreadStarter() {
    return [](std::function<void()> body) -> std::unique_ptr<TWorkerThread> {
        return std::make_unique<TQtWorkerThread>(std::move(body));
    };
}

} // namespace wayline
