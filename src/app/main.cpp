#include "app/AppState.h"
#include "app/IntroForm.h"
#include "app/MainWindows.h"
#include "app/Settings.h"
#include "uikit/Language.h"
#include "uikit/Resources.h"
#include "app/StateProbe.h"
#include "uikit/UserDialogs.h"
#include "comm/core/Serial.h"
#include "comm/qt/QtSerialDevice.h"
#include "comm/ui/ErrorBoxBridge.h"
#include "app/MainForm.h"
#include "sim/core/VirtualRobotPort.h"

#include <QApplication>
#include <QFont>
#include <QIcon>
#include <QLocale>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Wayline"));
    QApplication::setApplicationVersion(wayline::ProductVersion());
    // The installed desktop entry and the icon drawn for it in every size.
    QGuiApplication::setDesktopFileName(QStringLiteral("wayline"));
    QIcon icon;
    for (int size : {16, 32, 48, 64, 128, 256}) {
        icon.addFile(QStringLiteral(":/ICON/%1").arg(size), QSize(size, size));
    }
    QApplication::setWindowIcon(icon);
    // The skin's texts are laid out for Arial; Liberation Sans has its metrics.
    QFont::insertSubstitution(QStringLiteral("Arial"), QStringLiteral("Liberation Sans"));
    QFont::insertSubstitution(QStringLiteral("Courier"), QStringLiteral("Liberation Mono"));
    // Only Quit ends the program: hiding the start window must not.
    QApplication::setQuitOnLastWindowClosed(false);

    wayline::InitialiseApp(wayline::App(), wayline::Resources(), QLocale());
    // The language chosen on the start window in an earlier run, else the
    // user's own; the start window can change it.
    const QString language = wayline::ChooseLanguage(wayline::TSettingsStore::Load().Language,
                                                     QLocale::system().uiLanguages(),
                                                     wayline::Resources().Languages());
    wayline::SetProgramLanguage(wayline::App(), wayline::Resources(), language, false);
    wayline::InstallSerialErrorBox(wayline::SystemDialogs());

    wayline::TMainWindows windows;
    wayline::CreateWindows(windows, wayline::App(), wayline::Resources());
    // The port slots open the host's real serial ports, and the virtual
    // robot under its own name.
    wayline::SerialSlots().SetDeviceFactory(
        wayline::WithVirtualRobot(windows.VirtualRobot, wayline::QtSerialDeviceFactory()));
    // Only for the tests that drive the program from outside; inert otherwise.
    wayline::StartStateProbe(wayline::App(), windows, windows.MainForm.get());
    windows.IntroForm->show();
    return QApplication::exec();
}
