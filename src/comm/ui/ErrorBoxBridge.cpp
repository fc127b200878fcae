#include "comm/ui/ErrorBoxBridge.h"

#include "uikit/Resources.h"
#include "uikit/UserDialogs.h"
#include "comm/core/Serial.h"

#include <QApplication>
#include <QThread>

namespace wayline {

namespace {

constexpr int SerialConfigurationFailedTextId = 923;

// The serial core's text in the language the program speaks.
QString Worded(const std::string& text) {
    if (text == SerialConfigurationFailedText) {
        return Resources().LoadText(SerialConfigurationFailedTextId);
    }
    return QString::fromStdString(text);
}

} // namespace

void InstallSerialErrorBox(TUserDialogs& dialogs) {
    SetErrorBoxHandler([&dialogs](const std::string& text) {
        const QString message = Worded(text);
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
