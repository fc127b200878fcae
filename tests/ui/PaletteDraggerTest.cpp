// The palette and the dragger on a real window: which picture moves, when a
// press becomes a drag, where the floating picture may go, which cursor it
// shows, how it shrinks onto the row it lands in, and what is reported.

#include "RowControlTests.h"

#include "uikit/SkinImage.h"
#include "editor/core/ActionDocument.h"
#include "editor/ui/Dragger.h"
#include "editor/ui/DrawGrid.h"
#include "editor/ui/Palette.h"

#include <QGuiApplication>
#include <QLabel>
#include <QMovie>
#include <QSignalSpy>
#include <QTest>
#include <QWindow>

#include <array>
#include <memory>

using namespace wayline;

namespace {

// A 1 x 1 GIF of five frames, each its own colour, looping: the shape of
// the palette's pictures without the resources.
QByteArray FiveFrameGif() {
    QByteArray gif("GIF89a");
    gif.append("\x01\x00\x01\x00", 4);
    gif.append("\xF2\x00\x00", 3); // global table of 8 colours
    for (int colour = 0; colour < 8; ++colour) {
        gif.append(static_cast<char>(colour * 30));
        gif.append(static_cast<char>(255 - colour * 30));
        gif.append(static_cast<char>(colour * 60));
    }
    gif.append("\x21\xFF\x0B"
               "NETSCAPE2.0"
               "\x03\x01\x00\x00\x00",
               19);
    for (int frame = 0; frame < 5; ++frame) {
        gif.append("\x21\xF9\x04\x00\x05\x00\x00\x00", 8); // 50 ms
        gif.append("\x2C\x00\x00\x00\x00\x01\x00\x01\x00\x00", 10);
        // LZW, 3-bit minimum: clear (8), the colour, end (9), in 4-bit codes.
        gif.append("\x03\x02", 2);
        gif.append(static_cast<char>(0x08 | (frame << 4)));
        gif.append("\x09\x00", 2);
    }
    gif.append("\x3B", 1);
    return gif;
}

// Palette pictures by image order 14..21: position and kind (tag).
struct TPlace {
    int Left;
    int Top;
    int Kind;
};
constexpr std::array<TPlace, 8> PalettePlaces{{{5, 12, akMoveForward},
                                               {69, 12, akMoveBackward},
                                               {5, 76, akTurnLeft},
                                               {69, 76, akTurnRight},
                                               {5, 140, akRotateLeft},
                                               {69, 140, akRotateRight},
                                               {5, 204, akLoopBack},
                                               {69, 204, akStopAndWait}}};

// A main window at (100, 80) with the palette, the main grid of 5 rows and
// a sensor area with the grid of list 4 shown.
struct TScene {
    QWidget Main;
    QWidget* PaletteBox = new QWidget(&Main);
    TDrawGrid* MainGrid = new TDrawGrid(&Main);
    QWidget* SensorArea = new QWidget(&Main);
    TDrawGrid* SensorGrid = new TDrawGrid(SensorArea);
    std::vector<TSkinImage*> Pictures;
    TDragger Dragger;
    std::unique_ptr<TPalette> Palette;
    bool Advanced = true;

    TScene() {
        Main.setGeometry(100, 80, 520, 420);
        PaletteBox->setGeometry(10, 10, 140, 280);
        for (const TPlace& place : PalettePlaces) {
            auto* picture = new TSkinImage(PaletteBox);
            QVERIFY(picture->SetPicture(FiveFrameGif()));
            picture->SetStretch(true);
            picture->setGeometry(place.Left, place.Top, 54, 54);
            picture->SetTag(place.Kind);
            Pictures.push_back(picture);
        }
        for (TDrawGrid* grid : {MainGrid, SensorGrid}) {
            grid->SetColCount(2);
            grid->SetColWidth(0, 50);
            grid->SetColWidth(1, 150);
        }
        MainGrid->SetTag(1);
        MainGrid->setGeometry(200, 20, 220, 230);
        MainGrid->SetRowCount(5);
        SensorArea->setGeometry(160, 260, 300, 150);
        SensorGrid->SetTag(4);
        SensorGrid->setGeometry(5, 5, 220, 140);
        SensorGrid->SetRowCount(2);

        Dragger.SetDropStepDelay(0);
        TDropTargets targets;
        targets.MainWindow = &Main;
        targets.MainGrid = MainGrid;
        targets.SensorArea = SensorArea;
        targets.ShownSensorGrid = [this] { return SensorGrid; };
        targets.AdvancedMode = [this] { return Advanced; };
        targets.FrameEdgeWidth = 3;
        targets.FrameEdgeHeight = 3;
        Dragger.SetDropTargets(targets);
        Palette = std::make_unique<TPalette>(Pictures, Dragger);
        Main.show();
        QVERIFY(QTest::qWaitForWindowExposed(&Main));
    }

    TSkinImage* Picture(int kind) const { return Palette->PictureOfKind(kind); }

    // Drags an action straight through the dragger, as the palette does.
    void DragAndDrop(int kind, const QPoint& cursor) {
        Dragger.SetDragActionTag(kind);
        Dragger.move(cursor - QPoint(30, 30));
        Dragger.show();
        Dragger.DragActionMouseDown(30, 30);
        Dragger.DragTo(cursor);
        Dragger.DragRelease(cursor);
    }

    // The picture's last frame lands on the row's picture place.
    QRect RowPicturePlace(TDrawGrid* grid, int row) const {
        const QPoint at(grid->ColWidth(0) + 1, (row - grid->TopRow() + 1) * 28 + 1);
        return {grid->mapToGlobal(at), QSize(27, 27)};
    }
};

bool StandsOnFirstFrame(TSkinImage* picture) {
    QMovie* movie = picture->Movie();
    return movie->speed() == 0 && movie->state() != QMovie::Running &&
           movie->currentFrameNumber() == 0;
}

// The offscreen platform has no window shapes and no mouse grab; its
// complaints about them would bury the test log.
QtMessageHandler PreviousHandler = nullptr;
void QuietAboutPlatformLimits(QtMsgType type, const QMessageLogContext& context,
                              const QString& message) {
    if (message.startsWith(QStringLiteral("This plugin does not support")))
        return;
    PreviousHandler(type, context, message);
}

Qt::CursorShape OverrideShape() {
    const QCursor* cursor = QGuiApplication::overrideCursor();
    return cursor ? cursor->shape() : Qt::ArrowCursor;
}

} // namespace

class PaletteDraggerTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { PreviousHandler = qInstallMessageHandler(QuietAboutPlatformLimits); }
    void cleanupTestCase() { qInstallMessageHandler(PreviousHandler); }

    void TestPictureIsAnimated() {
        TScene scene;
        QCOMPARE(scene.Pictures[0]->FrameCount(), 5);
    }

    void OnlyTheHoveredPictureMovesAtDoubleSpeed() {
        TScene scene;
        QSignalSpy hovered(scene.Palette.get(), &TPalette::Hovered);
        TSkinImage* backward = scene.Picture(akMoveBackward);
        QTest::mouseMove(backward, QPoint(20, 20));
        QCOMPARE(hovered.count(), 1);
        QCOMPARE(backward->Movie()->speed(), 200);
        QCOMPARE(backward->Movie()->state(), QMovie::Running);
        QTest::qWait(120);
        for (TSkinImage* picture : scene.Pictures) {
            if (picture != backward)
                QVERIFY(StandsOnFirstFrame(picture));
        }

        TSkinImage* loop = scene.Picture(akLoopBack);
        QTest::mouseMove(loop, QPoint(10, 10));
        QTest::qWait(120);
        QVERIFY(StandsOnFirstFrame(backward));
        QCOMPARE(loop->Movie()->speed(), 200);

        scene.Palette->StopAll();
        QTest::qWait(120);
        for (TSkinImage* picture : scene.Pictures)
            QVERIFY(StandsOnFirstFrame(picture));
    }

    void PressAndReleaseWithinFourPixelsDoesNothing() {
        TScene scene;
        QSignalSpy dropped(&scene.Dragger, &TDragger::Dropped);
        TSkinImage* left = scene.Picture(akTurnLeft);
        QTest::mousePress(left, Qt::LeftButton, {}, QPoint(20, 20));
        QTest::mouseMove(left, QPoint(24, 16));
        QVERIFY(scene.Palette->IsDragPending());
        QVERIFY(!scene.Dragger.isVisible());
        QTest::mouseRelease(left, Qt::LeftButton, {}, QPoint(24, 16));
        QVERIFY(!scene.Palette->IsDragPending());
        QVERIFY(!scene.Dragger.IsDragging());
        QCOMPARE(dropped.count(), 0);
    }

    void FifthPixelHandsTheActionToTheDragger() {
        TScene scene;
        TSkinImage* right = scene.Picture(akRotateRight);
        QTest::mousePress(right, Qt::LeftButton, {}, QPoint(20, 20));
        QTest::mouseMove(right, QPoint(20, 25));
        QVERIFY(scene.Dragger.IsDragging());
        QVERIFY(scene.Dragger.isVisible());
        QCOMPARE(scene.Dragger.DragActionTag(), int(akRotateRight));
        QCOMPARE(scene.Dragger.DragAction()->pixmap().toImage(), right->FirstFrame().toImage());
        // The floating picture covers the palette picture where the cursor
        // now holds it.
        QLabel* picture = scene.Dragger.DragAction();
        QCOMPARE(scene.Dragger.pos() + picture->pos(), right->mapToGlobal(QPoint(0, 5)));
        QVERIFY(StandsOnFirstFrame(right));
        QCOMPARE(OverrideShape(), Qt::DragMoveCursor);
        scene.Dragger.DragRelease(right->mapToGlobal(QPoint(20, 25)));
        QVERIFY(!QGuiApplication::overrideCursor());
    }

    void MouseDragFromThePaletteDropsOnTheRowUnderTheCursor() {
        // Through the window system, as a real mouse: the dragger's grab
        // takes the moves and the release away from the palette picture.
        TScene scene;
        QSignalSpy dropped(&scene.Dragger, &TDragger::Dropped);
        QWindow* window = scene.Main.windowHandle();
        TSkinImage* forward = scene.Picture(akMoveForward);
        const auto inWindow = [&](QWidget* widget, QPoint at) {
            return widget->mapTo(&scene.Main, at);
        };
        QTest::mousePress(window, Qt::LeftButton, {}, inWindow(forward, QPoint(10, 10)));
        QTest::mouseMove(window, inWindow(forward, QPoint(30, 10)));
        QVERIFY(scene.Dragger.IsDragging());
        const QPoint overRow2(100, 28 * 2 + 10);
        QTest::mouseMove(window, inWindow(scene.MainGrid, overRow2));
        QCOMPARE(scene.Dragger.pos() + scene.Dragger.DragAction()->pos(),
                 scene.MainGrid->mapToGlobal(overRow2) - QPoint(10, 10));
        QCOMPARE(OverrideShape(), Qt::DragMoveCursor);
        QTest::mouseRelease(window, Qt::LeftButton, {}, inWindow(scene.MainGrid, overRow2));
        QCOMPARE(dropped.count(), 1);
        QCOMPARE(dropped[0][0].value<TDrawGrid*>(), scene.MainGrid);
        QCOMPARE(dropped[0][1].toPoint(), overRow2);
        QCOMPARE(dropped[0][2].toInt(), int(akMoveForward));
        QCOMPARE(scene.Dragger.LastDropPicture(), scene.RowPicturePlace(scene.MainGrid, 2));
        QVERIFY(!scene.Dragger.isVisible());
        QCOMPARE(scene.Dragger.x(), -scene.Dragger.width());
        QVERIFY(!QGuiApplication::overrideCursor());
        QVERIFY(!scene.Dragger.IsDragging());
    }

    void TitleRowLandsOnRowOneAndBelowTheRowsOnTheAppendRow() {
        TScene scene;
        QSignalSpy dropped(&scene.Dragger, &TDragger::Dropped);
        scene.DragAndDrop(akTurnRight, scene.MainGrid->mapToGlobal(QPoint(60, 10)));
        QCOMPARE(scene.Dragger.LastDropPicture(), scene.RowPicturePlace(scene.MainGrid, 1));
        scene.DragAndDrop(akTurnRight, scene.MainGrid->mapToGlobal(QPoint(60, 200)));
        QCOMPARE(scene.Dragger.LastDropPicture(), scene.RowPicturePlace(scene.MainGrid, 4));
        QCOMPARE(dropped.count(), 2);
        QCOMPARE(dropped[1][1].toPoint(), QPoint(60, 200));
        // The edge of the grid is not inside it.
        scene.DragAndDrop(akTurnRight, scene.MainGrid->mapToGlobal(QPoint(0, 100)));
        QCOMPARE(dropped.count(), 2);
    }

    void LoopBackIsRefusedOverTheSensorArea() {
        TScene scene;
        QSignalSpy dropped(&scene.Dragger, &TDragger::Dropped);
        const QPoint overSensors = scene.SensorGrid->mapToGlobal(QPoint(100, 60));
        scene.Dragger.SetDragActionTag(akLoopBack);
        scene.Dragger.show();
        scene.Dragger.DragActionMouseDown(30, 30);
        scene.Dragger.DragTo(overSensors);
        QCOMPARE(OverrideShape(), Qt::ForbiddenCursor);
        scene.Dragger.DragRelease(overSensors);
        QCOMPARE(dropped.count(), 0);
        QVERIFY(!scene.Dragger.isVisible());

        scene.DragAndDrop(akStopAndWait, overSensors);
        QCOMPARE(dropped.count(), 1);
        QCOMPARE(dropped[0][0].value<TDrawGrid*>(), scene.SensorGrid);
        QCOMPARE(scene.Dragger.LastDropPicture(), scene.RowPicturePlace(scene.SensorGrid, 1));

        // Beginner mode has no sensor lists to drop into.
        scene.Advanced = false;
        scene.DragAndDrop(akStopAndWait, overSensors);
        QCOMPARE(dropped.count(), 1);
    }

    void FloatingPictureStaysInsideTheMainWindow() {
        TScene scene;
        scene.Dragger.SetDragActionTag(akMoveForward);
        scene.Dragger.show();
        scene.Dragger.DragActionMouseDown(30, 30);
        const QPoint inset = scene.Dragger.DragAction()->pos();
        scene.Dragger.DragTo(QPoint(-500, -500));
        QCOMPARE(scene.Dragger.pos(), QPoint(100 + 3 - inset.x() + 1, 80 + 3 - inset.y() + 1));
        scene.Dragger.DragTo(QPoint(5000, 5000));
        QCOMPARE(scene.Dragger.pos(),
                 QPoint(100 + 520 - 54 - 3 - inset.x(), 80 + 420 - 54 - 3 - inset.y()));
        QCOMPARE(OverrideShape(), Qt::ForbiddenCursor);
        scene.Dragger.DragRelease(QPoint(5000, 5000));
        QVERIFY(!QGuiApplication::overrideCursor());
        // Hidden, the dragger is cut to its full-size picture again.
        QCOMPARE(scene.Dragger.DragAction()->size(), QSize(54, 54));
    }

    void DoubleClickAppendsToTheCurrentList() {
        TScene scene;
        QSignalSpy appended(scene.Palette.get(), &TPalette::AppendRequested);
        TDrawGrid* current = scene.MainGrid;
        scene.Palette->SetCurrentGrid([&current] { return current; });
        scene.MainGrid->SetRowCount(12);
        QTest::mouseDClick(scene.Picture(akLoopBack), Qt::LeftButton, {}, QPoint(20, 20));
        QCOMPARE(appended.count(), 1);
        QCOMPARE(appended[0][0].value<TDrawGrid*>(), scene.MainGrid);
        QCOMPARE(appended[0][1].toPoint(), QPoint(0, scene.MainGrid->height()));
        QCOMPARE(appended[0][2].toInt(), int(akLoopBack));
        QCOMPARE(scene.MainGrid->TopRow(), 5);

        // Loop Back steps exist only in the main list.
        current = scene.SensorGrid;
        QTest::mouseDClick(scene.Picture(akLoopBack), Qt::LeftButton, {}, QPoint(20, 20));
        QCOMPARE(appended.count(), 1);
        QTest::mouseDClick(scene.Picture(akTurnLeft), Qt::LeftButton, {}, QPoint(20, 20));
        QCOMPARE(appended.count(), 2);
        QCOMPARE(appended[1][0].value<TDrawGrid*>(), scene.SensorGrid);
        QVERIFY(!scene.Dragger.isVisible());
    }
};

WAYLINE_ROW_CONTROL_TEST(PaletteDraggerTest)
#include "PaletteDraggerTest.moc"
