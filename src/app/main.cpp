#include "app/AppState.h"
#include "app/IntroForm.h"
#include "app/MainWindows.h"
#include "app/Resources.h"
#include "app/UserDialogs.h"
#include "comm/core/Serial.h"
#include "comm/qt/QtSerialDevice.h"
#include "comm/ui/ErrorBoxBridge.h"

#include <QApplication>
#include <QFont>
#include <QLocale>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Wayline"));
    QApplication::setApplicationVersion(wayline::ProductVersion());
    // The skin's texts are laid out for Arial; Liberation Sans has its metrics.
    QFont::insertSubstitution(QStringLiteral("Arial"), QStringLiteral("Liberation Sans"));
    QFont::insertSubstitution(QStringLiteral("Courier"), QStringLiteral("Liberation Mono"));
    // Only Quit ends the program: hiding the start window must not.
    QApplication::setQuitOnLastWindowClosed(false);

    wayline::InitialiseApp(wayline::App(), wayline::Resources(), QLocale());
    // The port slots open the host's real serial ports.
    wayline::SerialSlots().SetDeviceFactory(wayline::QtSerialDeviceFactory());
    wayline::InstallSerialErrorBox(wayline::SystemDialogs());

    wayline::TMainWindows windows;
    wayline::CreateWindows(windows, wayline::App(), wayline::Resources());
    windows.IntroForm->show();
    return QApplication::exec();
}
