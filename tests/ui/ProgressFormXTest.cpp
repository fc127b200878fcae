// The choice dialog as a person uses it: real pointer clicks through an X
// server, moved there by xdotool. ctest runs this under Xvfb; on the
// offscreen platform it is skipped.

#include "uikit/Resources.h"
#include "comm/ui/PortDiscovery.h"
#include "comm/ui/ProgressForm.h"
#include "comm/ui/StringGrid.h"

#include "FakeClock.h"
#include "TestEnvironment.h"

#include <QComboBox>
#include <QGuiApplication>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QTest>
#include <QTimer>

using namespace wayline;

class ProgressFormXTest : public QObject {
    Q_OBJECT

    TTestEnvironment Environment;
    QString Xdotool;

    bool ClickAt(QWidget* widget, const QPoint& point) {
        const QPoint global = widget->mapToGlobal(point);
        return QProcess::execute(Xdotool, {QStringLiteral("mousemove"), QString::number(global.x()),
                                           QString::number(global.y()), QStringLiteral("click"),
                                           QStringLiteral("1")}) == 0;
    }

private Q_SLOTS:
    void initTestCase() {
        Environment.QuietWindowMasks();
        if (QGuiApplication::platformName() != QStringLiteral("xcb")) {
            QSKIP("needs an X server");
        }
        Xdotool = QStandardPaths::findExecutable(QStringLiteral("xdotool"));
        if (Xdotool.isEmpty()) {
            QSKIP("xdotool is not installed");
        }
    }

    void ChooseARobotWithTheMouse() {
        QWidget main;
        main.setGeometry(100, 100, 600, 500);
        QComboBox box;
        TPortDiscovery discovery(&box, QStringLiteral("AUTO"), [] {
            return QStringList{QStringLiteral("ttyS0"), QStringLiteral("ttyUSB0"),
                               QStringLiteral("ttyS1"), QStringLiteral("ttyUSB1")};
        });
        TFakeClock clock;
        TProgressForm form(Resources(), &main);
        form.SetPortDiscovery(&discovery);
        form.SetClock(&clock);
        form.Open(true, QString());
        form.CloseWindow();
        TStringGrid& grid = *form.PortStatus();
        for (int row : {2, 4}) {
            grid.SetCell(TProgressForm::ChoiceColumn, row, QStringLiteral("+"));
        }

        // Every row the grid selected, in order: X events arrive in order,
        // so once the last click has shown, the earlier ones have too.
        QList<int> selected;
        connect(&grid, &TStringGrid::SelectionChanged, this, [&] {
            if (!grid.Selection().IsEmpty()) {
                selected.append(grid.Selection().Top);
            }
        });
        bool enabledByChoice = false;
        QTimer::singleShot(0, &form, [&] {
            if (!QTest::qWaitForWindowExposed(&form)) {
                form.reject();
                return;
            }
            QVERIFY(!form.DownloadButton()->isEnabled());
            // A greyed row's port name and its device cell choose nothing;
            // the port name of a robot's row chooses it.
            ClickAt(&grid, grid.CellRect(0, 3).center());
            ClickAt(&grid, grid.CellRect(1, 3).center());
            ClickAt(&grid, grid.CellRect(0, 4).center());
            QTRY_VERIFY_WITH_TIMEOUT(!grid.Selection().IsEmpty(), 5000);
            enabledByChoice = form.DownloadButton()->isEnabled();
            ClickAt(form.DownloadButton(), form.DownloadButton()->rect().center());
        });
        QTimer::singleShot(20000, &form, [&form] { form.reject(); }); // never hang
        const int result = form.Open(false, Resources().LoadText(413));
        QCOMPARE(selected, QList<int>{4});
        QVERIFY(enabledByChoice);
        QCOMPARE(result, TProgressForm::DownloadResult);
        QCOMPARE(grid.Selection().Top, 4);
    }
};

QTEST_MAIN(ProgressFormXTest)
#include "ProgressFormXTest.moc"
