// The row spin edit driven through its real edit and arrows: what it shows,
// how typed text is read back, which keys it takes, and the arrows'
// acceleration and limits.

#include "RowControlTests.h"

#include "editor/ui/SuperSpinEdit.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTest>
#include <QWidget>

#include <memory>
#include <vector>

using namespace wayline;

namespace {

const TSpinLimits Duration = SpinLimitsFor(akMoveForward, 1);

// A shown window with a spin edit and a second focus target standing in for
// the grid the focus returns to.
struct THost {
    QWidget Window;
    QWidget* Other = new QWidget(&Window);
    TSuperSpinEdit* Spin = new TSuperSpinEdit(&Window);
    std::vector<std::int16_t> Changes;

    explicit THost(const TSpinLimits& limits = Duration) {
        Window.resize(300, 100);
        Other->setFocusPolicy(Qt::StrongFocus);
        Other->setGeometry(200, 0, 50, 50);
        Spin->SetGeometry(10, 10, 100, 25);
        Spin->SetLimits(limits);
        if (limits.Decimals == 1) {
            Spin->SetSuffix(QStringLiteral(" sec"));
        } else {
            Spin->SetPrefix(QStringLiteral("step "));
        }
        Spin->SetOnChange([this](std::int16_t position) { Changes.push_back(position); });
        Window.show();
        Window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&Window));
    }

    // Types into the edit and leaves it, as a user tabbing away would.
    void Type(const QString& keys) {
        Spin->Edit()->setFocus();
        Spin->Edit()->selectAll();
        QTest::keyClicks(Spin->Edit(), keys);
        Other->setFocus();
    }

    QPoint UpArrow() const { return {Spin->UpDown()->width() / 2, 3}; }
    QPoint DownArrow() const { return {Spin->UpDown()->width() / 2, Spin->UpDown()->height() - 3}; }
};

} // namespace

class SuperSpinEditTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void DurationsAndTargetsShowWithTheirAffixes() {
        THost durations;
        durations.Spin->SetPosition(12);
        QCOMPARE(durations.Spin->Text(), QStringLiteral("1.2 sec"));
        durations.Spin->SetNumberCharacters(u',', u'-');
        QCOMPARE(durations.Spin->Text(), QStringLiteral("1,2 sec"));

        THost targets(SpinLimitsFor(akLoopBack, 9));
        targets.Spin->SetPosition(3);
        QCOMPARE(targets.Spin->Text(), QStringLiteral("step 3"));
    }

    void EnteringTheEditShowsTheBareNumber() {
        THost host;
        host.Spin->SetPosition(12);
        host.Spin->Edit()->setFocus();
        QCOMPARE(host.Spin->Text(), QStringLiteral("1.2"));
        host.Other->setFocus();
        QCOMPARE(host.Spin->Text(), QStringLiteral("1.2 sec"));
    }

    void TypedDurationsAreReadToOneDecimal() {
        THost host;
        TActionStep step{akMoveForward, 50, 0, 0, 0};
        host.Spin->Bind(&step);
        host.Type(QStringLiteral("2"));
        QCOMPARE(host.Spin->Position(), std::int16_t(20));
        QCOMPARE(step.Value, std::int16_t(20));
        QCOMPARE(host.Spin->Text(), QStringLiteral("2.0 sec"));
        host.Type(QStringLiteral("1.25"));
        QCOMPARE(step.Value, std::int16_t(12));
        QCOMPARE(host.Spin->Text(), QStringLiteral("1.2 sec"));
        host.Type(QStringLiteral("99"));
        QCOMPARE(step.Value, std::int16_t(255));
        QCOMPARE(host.Changes, (std::vector<std::int16_t>{20, 12, 255}));
    }

    void NonsenseAndNothingGiveTheMinimum() {
        THost host;
        host.Spin->SetPosition(100);
        host.Spin->Edit()->setFocus();
        // Pasted text bypasses the key filter; reading it still never fails.
        host.Spin->Edit()->setText(QStringLiteral("abc"));
        host.Other->setFocus();
        QCOMPARE(host.Spin->Position(), std::int16_t(1));
        host.Type(QString());
        QCOMPARE(host.Spin->Position(), std::int16_t(1));
        host.Spin->Edit()->setFocus();
        host.Spin->Edit()->setText(QStringLiteral("99999999999999999999999999"));
        host.Other->setFocus();
        QCOMPARE(host.Spin->Position(), std::int16_t(255));
    }

    void GermanCommaIsTheSeparator() {
        THost host;
        host.Spin->SetNumberCharacters(u',', u'-');
        host.Type(QStringLiteral("1,5"));
        QCOMPARE(host.Spin->Position(), std::int16_t(15));
        QCOMPARE(host.Spin->Text(), QStringLiteral("1,5 sec"));
        // A point typed is the decimal point too; the box shows this
        // language's comma.
        host.Type(QStringLiteral("2.5"));
        QCOMPARE(host.Spin->Position(), std::int16_t(25));
        QCOMPARE(host.Spin->Text(), QStringLiteral("2,5 sec"));
    }

    void KeyFilterTakesOnlyNumberCharacters() {
        THost host;
        host.Spin->Edit()->setFocus();
        host.Spin->Edit()->clear();
        QTest::keyClicks(host.Spin->Edit(), QStringLiteral("1a -.x2"));
        QCOMPARE(host.Spin->Edit()->text(), QStringLiteral("1.2"));
        QTest::keyClick(host.Spin->Edit(), Qt::Key_Backspace);
        QCOMPARE(host.Spin->Edit()->text(), QStringLiteral("1."));

        THost signedHost(TSpinLimits{-10, 10, 1, 0, 0, 0});
        signedHost.Spin->Edit()->setFocus();
        signedHost.Spin->Edit()->clear();
        QTest::keyClicks(signedHost.Spin->Edit(), QStringLiteral("-7"));
        QCOMPARE(signedHost.Spin->Edit()->text(), QStringLiteral("-7"));
        signedHost.Other->setFocus();
        QCOMPARE(signedHost.Spin->Position(), std::int16_t(-7));
    }

    void DeleteAndCtrlShortcutsStillEditTheText() {
        THost host;
        QLineEdit* edit = host.Spin->Edit();
        edit->setFocus();
        edit->setText(QStringLiteral("12.5"));
        edit->setCursorPosition(0);
        // As the X server delivers them: Delete with DEL as its text, Ctrl+A
        // with the control character.
        QKeyEvent del(QEvent::KeyPress, Qt::Key_Delete, Qt::NoModifier, QStringLiteral("\x7f"));
        QApplication::sendEvent(edit, &del);
        QCOMPARE(edit->text(), QStringLiteral("2.5"));
        QKeyEvent selectAll(QEvent::KeyPress, Qt::Key_A, Qt::ControlModifier,
                            QStringLiteral("\x01"));
        QApplication::sendEvent(edit, &selectAll);
        QTest::keyClicks(edit, QStringLiteral("4"));
        QCOMPARE(edit->text(), QStringLiteral("4"));
        host.Other->setFocus();
        QCOMPARE(host.Spin->Position(), std::int16_t(40));
    }

    void EnterEndsTheEditOnTheArrows() {
        THost host;
        host.Spin->Edit()->setFocus();
        host.Spin->Edit()->clear();
        QTest::keyClicks(host.Spin->Edit(), QStringLiteral("3"));
        QTest::keyClick(host.Spin->Edit(), Qt::Key_Return);
        QVERIFY(host.Spin->UpDown()->hasFocus());
        QCOMPARE(host.Spin->Position(), std::int16_t(30));
        QCOMPARE(host.Changes, (std::vector<std::int16_t>{30}));
    }

    void HeldArrowDoublesItsStepAfterMovingMoreThanTheThreshold() {
        THost host;
        host.Spin->SetAcceleration(15, 2);
        host.Spin->SetPosition(1);
        TUpDown* arrows = host.Spin->UpDown();
        QTest::mousePress(arrows, Qt::LeftButton, {}, host.UpArrow());
        std::vector<std::int16_t> steps{host.Spin->Increment()};
        for (int tick = 0; tick < 29; ++tick) {
            arrows->RepeatHeldArrow();
            if (host.Spin->Increment() != steps.back())
                steps.push_back(host.Spin->Increment());
        }
        // 1 -> 17 (moved 16) doubles, 17 -> 33 doubles, 33 -> 49 doubles.
        QCOMPARE(steps, (std::vector<std::int16_t>{1, 2, 4, 8, 16}));
        QCOMPARE(host.Changes[15], std::int16_t(17));
        QCOMPARE(host.Changes[16], std::int16_t(19));
        QTest::mouseRelease(arrows, Qt::LeftButton, {}, host.UpArrow());
        QCOMPARE(host.Spin->Increment(), std::int16_t(1));
        const std::int16_t released = host.Spin->Position();
        QTest::mouseClick(arrows, Qt::LeftButton, {}, host.UpArrow());
        QCOMPARE(host.Spin->Position(), std::int16_t(std::min(255, released + 1)));
    }

    void ArrowsStopAtTheLimitsWithoutWrapping() {
        THost host;
        host.Spin->SetPosition(254);
        TUpDown* arrows = host.Spin->UpDown();
        QTest::mouseClick(arrows, Qt::LeftButton, {}, host.UpArrow());
        QTest::mouseClick(arrows, Qt::LeftButton, {}, host.UpArrow());
        QCOMPARE(host.Spin->Position(), std::int16_t(255));
        QCOMPARE(host.Spin->Text(), QStringLiteral("25.5 sec"));
        // Only the real change is reported.
        QCOMPARE(host.Changes, (std::vector<std::int16_t>{255}));
        host.Spin->SetPosition(2);
        QTest::mouseClick(arrows, Qt::LeftButton, {}, host.DownArrow());
        QTest::mouseClick(arrows, Qt::LeftButton, {}, host.DownArrow());
        QCOMPARE(host.Spin->Position(), std::int16_t(1));
        QVERIFY(arrows->hasFocus());
    }

    void LoopBackUpArrowPointsFurtherUpTheList() {
        THost host(SpinLimitsFor(akLoopBack, 5));
        host.Spin->SetPosition(3);
        TUpDown* arrows = host.Spin->UpDown();
        QTest::mouseClick(arrows, Qt::LeftButton, {}, host.UpArrow());
        QCOMPARE(host.Spin->Text(), QStringLiteral("step 2"));
        for (int i = 0; i < 5; ++i)
            QTest::mouseClick(arrows, Qt::LeftButton, {}, host.DownArrow());
        QCOMPARE(host.Spin->Position(), std::int16_t(5));
        host.Type(QStringLiteral("9"));
        QCOMPARE(host.Spin->Position(), std::int16_t(5));
    }

    void EditAndArrowsFollowTheGeometry() {
        THost host;
        host.Spin->SetGeometry(100, 50, 80, 25);
        QCOMPARE(host.Spin->Edit()->geometry(), QRect(100, 54, 63, 21));
        QCOMPARE(host.Spin->UpDown()->geometry(), QRect(159, 50, 17, 25));
        QCOMPARE(host.Spin->Edit()->font().pixelSize(), 14);
        QVERIFY(host.Spin->Edit()->font().bold());
        QVERIFY(!host.Spin->Edit()->hasFrame());
        host.Spin->SetVisible(false);
        QVERIFY(!host.Spin->Edit()->isVisible() && !host.Spin->UpDown()->isVisible());
    }

    void RebindingWhileTypingKeepsTheNextStepsValue() {
        // The rows are rebound on every scroll, also while an edit has the
        // focus; leaving it afterwards must not read "step 6" as nonsense.
        THost host(SpinLimitsFor(akLoopBack, 4));
        TActionStep first{akLoopBack, 4, 0, 0, 0};
        TActionStep second{akLoopBack, 6, 0, 0, 0};
        host.Spin->Bind(&first);
        host.Spin->Edit()->setFocus();
        host.Spin->Detach();
        host.Spin->SetLimits(SpinLimitsFor(akLoopBack, 8));
        host.Spin->Bind(&second);
        QCOMPARE(host.Spin->Text(), QStringLiteral("6"));
        host.Other->setFocus();
        QCOMPARE(second.Value, std::int16_t(6));
        QCOMPARE(first.Value, std::int16_t(4));
        QCOMPARE(host.Spin->Text(), QStringLiteral("step 6"));
    }
};

WAYLINE_ROW_CONTROL_TEST(SuperSpinEditTest)
#include "SuperSpinEditTest.moc"
