// The test window driven with real X input: xdotool moves the pointer,
// clicks and types through the X server, and the window sees the events as
// it sees a person's. Runs on the xcb platform inside Xvfb.

#include "uikit/Resources.h"
#include "comm/core/Serial.h"
#include "editor/core/ActionDocument.h"
#include "testmode/ui/TestForm.h"

#include <QCheckBox>
#include <QGuiApplication>
#include <QProcess>
#include <QPushButton>
#include <QScrollBar>
#include <QSpinBox>
#include <QTest>

using namespace wayline;

namespace {

// Runs one xdotool command; false when it failed.
bool Xdo(const QStringList& arguments) {
    QProcess xdotool;
    xdotool.start(QString::fromLocal8Bit(qgetenv("WAYLINE_XDOTOOL")), arguments);
    return xdotool.waitForFinished(10000) && xdotool.exitStatus() == QProcess::NormalExit &&
           xdotool.exitCode() == 0;
}

// A left click at a point of `widget`, through the X server.
bool ClickAt(QWidget* widget, QPoint point) {
    const QPoint global = widget->mapToGlobal(point);
    return Xdo({QStringLiteral("mousemove"), QString::number(global.x()),
                QString::number(global.y()), QStringLiteral("click"), QStringLiteral("1")});
}

bool Click(QWidget* widget) {
    return ClickAt(widget, widget->rect().center());
}

} // namespace

class TestFormXInputTest : public QObject {
    Q_OBJECT

    TDocumentState State{};
    TSerialSlots Slots;

private Q_SLOTS:
    void initTestCase() {
        if (QGuiApplication::platformName() != QStringLiteral("xcb")) {
            QSKIP("needs an X server");
        }
        InitialiseDocument(State);
    }

    void APersonTypesAPulseCalibratesAndLeaves() {
        TTestForm form(Resources(), State.Document, Slots);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        form.activateWindow();
        QTRY_VERIFY(form.isActiveWindow());

        // Click into the left spin edit, type over its value, press Enter.
        QSpinBox* spin = form.LServoSpinEdit();
        QVERIFY(ClickAt(spin, QPoint(spin->width() / 3, spin->height() / 2)));
        QTRY_VERIFY(spin->hasFocus());
        QVERIFY(Xdo({QStringLiteral("key"), QStringLiteral("ctrl+a")}));
        QVERIFY(Xdo({QStringLiteral("type"), QStringLiteral("760")}));
        QVERIFY(Xdo({QStringLiteral("key"), QStringLiteral("Return")}));
        QTRY_COMPARE(form.LeftTireSpeed()->value(), 760);
        QTRY_VERIFY(form.LeftTireSpeed()->hasFocus());
        QVERIFY(form.isVisible());

        // The right bar's lower arrow: one unit wider, shown in its spin edit.
        QScrollBar* bar = form.RightTireSpeed();
        QVERIFY(ClickAt(bar, QPoint(bar->width() / 2, bar->height() - bar->width() / 2)));
        QTRY_COMPARE(form.RServoSpinEdit()->value(), 751);

        QVERIFY(form.SetCalibrationButton()->isEnabled());
        QVERIFY(Click(form.SetCalibrationButton()));
        QTRY_COMPARE(State.Document.LeftServoCenter, 110);
        QCOMPARE(State.Document.RightServoCenter, 101);

        // Unticking a side greys its controls.
        QVERIFY(Click(form.LeftCheckBox()));
        QTRY_VERIFY(!form.LServoSpinEdit()->isEnabled());
        QVERIFY(!form.LeftTireSpeed()->isEnabled());

        QVERIFY(Click(form.DefaultButton()));
        QTRY_COMPARE(form.RServoSpinEdit()->value(), 750);
        QVERIFY(Click(form.ExitButton()));
        QTRY_VERIFY(!form.isVisible());
        // Cancel keeps what Calibrate Servos stored.
        QCOMPARE(State.Document.LeftServoCenter, 110);
        QCOMPARE(State.Document.RightServoCenter, 101);
    }
};

QTEST_MAIN(TestFormXInputTest)
#include "TestFormXInputTest.moc"
