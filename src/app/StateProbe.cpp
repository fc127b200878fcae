#include "app/StateProbe.h"

#include "app/AppState.h"
#include "app/IntroForm.h"
#include "app/MainWindows.h"
#include "uikit/SkinImage.h"
#include "codegen/ui/CodeForm.h"
#include "comm/ui/PortDiscovery.h"
#include "editor/core/VisibleActions.h"
#include "editor/ui/BotAction.h"
#include "editor/ui/DrawGrid.h"
#include "app/MainForm.h"
#include "editor/ui/FocusFrame.h"
#include "editor/ui/SuperSpinEdit.h"
#include "sim/ui/VirtualRobotForm.h"
#include "testmode/ui/TestForm.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMenu>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSaveFile>
#include <QTimer>
#include <QToolButton>
#include <QWindow>

namespace wayline {

namespace {

// A widget's place on the screen, [x, y, width, height]; empty when hidden.
QJsonArray ScreenRect(const QWidget* widget) {
    if (!widget || !widget->isVisible()) {
        return {};
    }
    const QPoint at = widget->mapToGlobal(QPoint(0, 0));
    return {at.x(), at.y(), widget->width(), widget->height()};
}

// A window's outer frame on the screen, title bar included.
QJsonArray FrameRect(const QWidget* window) {
    if (!window || !window->isVisible()) {
        return {};
    }
    const QRect r = window->frameGeometry();
    return {r.x(), r.y(), r.width(), r.height()};
}

QJsonArray ScreenRect(const QWidget* widget, const QRect& inside) {
    if (!widget || !widget->isVisible()) {
        return {};
    }
    const QPoint at = widget->mapToGlobal(inside.topLeft());
    return {at.x(), at.y(), inside.width(), inside.height()};
}

QString ButtonState(const TMainForm& main, int tag) {
    const auto shown = [&](int n) {
        const TSkinImage* picture = main.Image(n);
        return picture && picture->isVisible();
    };
    // Later pictures lie above earlier ones.
    if (shown(TMainForm::DisabledPicture(tag)))
        return QStringLiteral("disabled");
    if (shown(TMainForm::PressedPicture(tag)))
        return QStringLiteral("pressed");
    if (shown(TMainForm::HighlightedPicture(tag)))
        return QStringLiteral("highlighted");
    return QStringLiteral("normal");
}

QString Name(const QWidget* widget) {
    if (!widget)
        return {};
    return widget->objectName().isEmpty() ? QString::fromLatin1(widget->metaObject()->className())
                                          : widget->objectName();
}

} // namespace

TStateProbe::TStateProbe(QString path, TAppState& state, TMainWindows& windows)
    : Path(std::move(path)), State(state), Windows(windows), Poll(new QTimer(this)) {
    connect(Windows.MainForm.get(), &TMainForm::ButtonClicked, this, [this](int tag) {
        if (tag >= 1 && tag <= TMainForm::ButtonCount)
            ++Clicks[tag];
    });
    connect(Poll, &QTimer::timeout, this, &TStateProbe::WriteIfChanged);
    Poll->start(PollIntervalMs);
}

QByteArray TStateProbe::Snapshot() const {
    QJsonObject root;
    const TIntroForm* intro = Windows.IntroForm.get();
    QJsonObject introObject{{"shown", intro->isVisible()},
                            {"beginner", ScreenRect(intro->BeginnerButton())},
                            {"advanced", ScreenRect(intro->AdvancedButton())},
                            {"languageBox", ScreenRect(intro->LanguageBox())},
                            {"title", intro->windowTitle()}};
    if (intro->isVisible() && intro->windowHandle()) {
        introObject.insert("window", QString::number(intro->windowHandle()->winId()));
    }
    root.insert("intro", introObject);
    root.insert("language", State.Language);

    const TMainForm& main = *Windows.MainForm;
    root.insert("mainShown", main.isVisible() && main.IsSetUp());
    QJsonArray lists;
    for (int list = 1; list <= ListCount; ++list) {
        QJsonArray steps;
        for (int row = 1; row <= State.Editor.StepCount(list); ++row) {
            const TActionStep& step = State.Editor.Step(list, row);
            steps.append(QJsonArray{step.Kind, step.Value});
        }
        lists.append(steps);
    }
    root.insert("lists", lists);
    root.insert("modified", State.Editor.ListModified);

    QJsonArray buttons;
    QJsonArray clicks;
    QJsonArray buttonRects;
    for (int tag = 1; tag <= TMainForm::ButtonCount; ++tag) {
        buttons.append(main.IsSetUp() ? ButtonState(main, tag) : QString());
        clicks.append(Clicks[tag]);
        buttonRects.append(ScreenRect(main.Image(TMainForm::NormalPicture(tag))));
    }
    root.insert("buttons", buttons);
    root.insert("clicks", clicks);
    root.insert("help", main.HelpMemo()->toPlainText());
    root.insert("hyperHelpText", main.HyperHelp()->text());
    root.insert("focus", Name(QApplication::focusWidget()));
    root.insert("modal", Name(QApplication::activeModalWidget()));
    // Mapped and given the focus by the window manager: ready for input.
    root.insert("active", Name(QApplication::activeWindow()));
    root.insert("codeShown", Windows.CodeForm->isVisible());
    root.insert("testShown", Windows.TestForm->isVisible());
    root.insert("port", State.SelectedPort);
    root.insert("advanced", State.Editor.AdvancedMode);
    // Where an open file dialog shows its files.
    if (const auto* dialog = qobject_cast<const QFileDialog*>(QApplication::activeModalWidget())) {
        root.insert("dialogFolder", dialog->directory().absolutePath());
    }
    root.insert("paletteFocus", main.PaletteFocusIndex());
    if (const TVirtualRobotForm* robot = Windows.VirtualRobotForm.get()) {
        // When the wheels were first seen turning, on the steady clock the
        // suite reads too (milliseconds), for Go's time to the first move.
        const auto moved = robot->FirstMoveShownUs();
        QJsonArray start; // the robot's start with its wheels, on the screen
        if (robot->isVisible()) {
            const QRect r = robot->StartOnScreen();
            start = {r.x(), r.y(), r.width(), r.height()};
        }
        // The lessons' menu entries while the menu is open.
        QJsonArray lessons;
        for (QAction* entry : robot->LessonsMenu()->actions()) {
            lessons.append(ScreenRect(robot->LessonsMenu(),
                                      robot->LessonsMenu()->actionGeometry(entry)));
        }
        root.insert("robot", QJsonObject{{"shown", robot->isVisible()},
                                         {"status", robot->StatusLabel()->text()},
                                         {"mainRow", main.RunningMainRow()},
                                         {"window", ScreenRect(robot)},
                                         {"frame", FrameRect(robot)},
                                         {"firstMoveMs", moved ? static_cast<double>(*moved / 1000)
                                                               : -1.0},
                                         {"play", ScreenRect(robot->PlayButton())},
                                         {"speed1", ScreenRect(robot->SpeedButton(1))},
                                         {"speed4", ScreenRect(robot->SpeedButton(4))},
                                         {"restart", ScreenRect(robot->RestartButton())},
                                         {"restartEnabled", robot->RestartButton()->isEnabled()},
                                         {"start", start},
                                         {"timer", robot->FrameTimer()->isActive()},
                                         {"task", robot->Challenge() != nullptr
                                                      ? QString::fromStdString(
                                                            robot->Challenge()->Title)
                                                      : QString()},
                                         {"verdict", robot->VerdictLabel()->isVisible()
                                                         ? robot->VerdictLabel()->text()
                                                         : QString()},
                                         {"lessonsButton", ScreenRect(robot->LessonsButton())},
                                         {"lessons", lessons}});
    }

    QJsonObject places;
    places.insert("buttons", buttonRects);
    places.insert("window", ScreenRect(&main));
    places.insert("testWindow", FrameRect(Windows.TestForm.get()));
    places.insert("runTest", ScreenRect(Windows.TestForm->RunTestButton()));
    places.insert("hyperHelp", ScreenRect(main.HyperHelp()));
    places.insert("sensorsEnabled", ScreenRect(main.SensorsEnabled()));
    places.insert("portBox", ScreenRect(main.COMPortComboBox()));
    places.insert("plusPanel", ScreenRect(main.SensorActionPanel()));
    places.insert("sensorPanel", ScreenRect(main.SensorTabbedNotebook()));
    places.insert("modeSwitch", ScreenRect(main.ModeSwitchBox()));
    if (const QWidget* frame = main.FocusFrame()) {
        places.insert("focusFrame", ScreenRect(frame));
    }
    if (const TDrawGrid* grid = main.Grid(MainList); grid && main.IsSetUp()) {
        root.insert("selection", QJsonArray{grid->Selection().Top, grid->Selection().Bottom});
        root.insert("topRow", grid->TopRow());
        places.insert("grid", ScreenRect(grid));
        QJsonArray stepNumbers;
        QJsonArray edits;
        QJsonArray arrows;
        for (int slot = 1; slot <= MainListSlots; ++slot) {
            stepNumbers.append(ScreenRect(grid, grid->CellRect(0, grid->TopRow() + slot - 1)));
            const TBotAction* row = main.RowControl(MainList, slot);
            edits.append(row ? ScreenRect(row->SpinEdit()->Edit()) : QJsonArray());
            arrows.append(row ? ScreenRect(row->SpinEdit()->UpDown()) : QJsonArray());
        }
        places.insert("stepNumbers", stepNumbers);
        places.insert("edits", edits);
        places.insert("arrows", arrows);
        QJsonArray palette;
        for (int n = 14; n <= 21; ++n) {
            palette.append(ScreenRect(main.Image(n)));
        }
        places.insert("palette", palette);
    }
    root.insert("places", places);
    return QJsonDocument(root).toJson(QJsonDocument::Compact);
}

void TStateProbe::WriteIfChanged() {
    // While the suite measures the program's own processor use it asks the
    // probe to keep still (a file beside the state file).
    if (QFile::exists(Path + QStringLiteral(".quiet"))) {
        return;
    }
    const QByteArray now = Snapshot();
    if (now == Written) {
        return;
    }
    QSaveFile file(Path);
    if (file.open(QIODevice::WriteOnly) && file.write(now) == now.size() && file.commit()) {
        Written = now;
    }
}

TStateProbe* StartStateProbe(TAppState& state, TMainWindows& windows, QObject* owner) {
    const QString path = qEnvironmentVariable("WAYLINE_STATE_FILE");
    if (path.isEmpty()) {
        return nullptr;
    }
    auto* probe = new TStateProbe(path, state, windows);
    probe->setParent(owner);
    return probe;
}

} // namespace wayline
