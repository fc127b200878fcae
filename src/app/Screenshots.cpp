// Writes PNG pictures of the start window, of the main window in both modes
// and of the test window, grabbed offscreen, so the skin can be reviewed
// without a display.
// Usage: wayline-screenshots DIR

#include "app/AppState.h"
#include "app/IntroForm.h"
#include "app/MainWindows.h"
#include "app/Resources.h"
#include "comm/core/Serial.h"
#include "editor/core/EditOperations.h"
#include "editor/ui/MainForm.h"
#include "testmode/TestForm.h"
#include "testmode/core/TestExchange.h"

#include <QApplication>
#include <QDir>
#include <QFont>
#include <QLocale>
#include <QPainter>
#include <QPushButton>

#include <cstdio>

namespace {

// The window as the user sees it: outside its shape is transparent.
QImage Grab(QWidget& window) {
    QImage image(window.size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QImage content = window.grab().toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied);
    QPainter painter(&image);
    if (!window.mask().isEmpty()) {
        painter.setClipRegion(window.mask());
    }
    painter.drawImage(0, 0, content);
    return image;
}

bool Save(const QImage& image, const QString& path) {
    if (!image.save(path)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return false;
    }
    std::printf("%s (%d x %d)\n", qPrintable(path), image.width(), image.height());
    return true;
}

bool ShootMainWindow(bool advanced, const QString& path) {
    wayline::TAppState state;
    wayline::InitialiseApp(state, wayline::Resources(), QLocale());
    wayline::TMainWindows windows;
    wayline::CreateWindows(windows, state, wayline::Resources());
    windows.IntroForm->show();
    QApplication::processEvents();
    (advanced ? windows.IntroForm->AdvancedButton() : windows.IntroForm->BeginnerButton())->click();
    QApplication::processEvents();
    // A small example list, so the pictures show the rows as well.
    using namespace wayline;
    const TActionKind steps[] = {akMoveForward, akTurnLeft, akMoveForward, akStopAndWait,
                                 akLoopBack};
    for (TActionKind kind : steps) {
        InsertIntoList(state.Editor, MainList, state.Editor.StepCount(MainList) + 1, kind,
                       DefaultValue(kind));
    }
    if (advanced) {
        InsertIntoList(state.Editor, 2, 1, akMoveBackward, DefaultValue(akMoveBackward));
        InsertIntoList(state.Editor, 2, 2, akRotateRight, DefaultValue(akRotateRight));
        state.Editor.Step(MainList, 2).LeftSet = 1;
    }
    windows.MainForm->SyncRowCounts();
    windows.MainForm->DisplayVisibleActions(MainList, 1);
    windows.MainForm->DisplayVisibleActions(2, 1);
    windows.MainForm->AutoEnableDisable();
    QApplication::processEvents();
    return Save(Grab(*windows.MainForm), path);
}

// The test window during a test: both infra-red detectors see something
// and the right whisker is pressed.
bool ShootTestWindow(const QString& path) {
    wayline::TDocumentState state;
    wayline::InitialiseDocument(state);
    state.Document.LeftServoCenter = 104;
    state.Document.RightServoCenter = 97;
    wayline::TSerialSlots slots;
    wayline::TTestForm form(wayline::Resources(), state.Document, slots);
    form.show();
    QApplication::processEvents();
    form.ShowSensors(wayline::LeftIrBit | wayline::RightIrBit | wayline::RightWhiskerBit);
    QApplication::processEvents();
    return Save(Grab(form), path);
}

} // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: wayline-screenshots DIR\n");
        return 2;
    }
    QFont::insertSubstitution(QStringLiteral("Arial"), QStringLiteral("Liberation Sans"));
    QFont::insertSubstitution(QStringLiteral("Courier"), QStringLiteral("Liberation Mono"));
    const QDir dir(QString::fromLocal8Bit(argv[1]));
    if (!QDir().mkpath(dir.path())) {
        std::fprintf(stderr, "cannot create %s\n", argv[1]);
        return 1;
    }

    bool ok = true;
    {
        wayline::TAppState state;
        wayline::InitialiseApp(state, wayline::Resources(), QLocale());
        wayline::TMainWindows windows;
        wayline::CreateWindows(windows, state, wayline::Resources());
        windows.IntroForm->show();
        QApplication::processEvents();
        ok &= Save(Grab(*windows.IntroForm), dir.filePath(QStringLiteral("start-window.png")));
    }
    ok &= ShootMainWindow(false, dir.filePath(QStringLiteral("main-window-beginner.png")));
    ok &= ShootMainWindow(true, dir.filePath(QStringLiteral("main-window-advanced.png")));
    ok &= ShootTestWindow(dir.filePath(QStringLiteral("test-window.png")));
    return ok ? 0 : 1;
}
