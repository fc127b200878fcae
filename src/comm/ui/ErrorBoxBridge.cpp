#include "comm/ui/ErrorBoxBridge.h"

#include "uikit/UserDialogs.h"
#include "comm/core/Serial.h"

#include <QApplication>
#include <QThread>

namespace wayline {

void InstallSerialErrorBox(TUserDialogs& dialogs) {
    SetErrorBoxHandler([&dialogs](const std::string& text) {
        const QString message = QString::fromStdString(text);
        auto show = [&dialogs, message] {
            dialogs.ShowErrorBox(QApplication::activeWindow(), message);
        };
        QCoreApplication* app = QCoreApplication::instance();
        if (!app || QThread::currentThread() == app->thread()) {
            show();
        } else {
            QMetaObject::invokeMethod(app, show, Qt::BlockingQueuedConnection);
        }
    });
}

void RemoveSerialErrorBox() {
    SetErrorBoxHandler({});
}

} // namespace wayline
