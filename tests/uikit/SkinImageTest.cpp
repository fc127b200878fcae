// Skin pictures on a window: loading, animation, transparency, stacking
// order and the mouse signals the main window binds its handlers to.
#include "uikit/SkinImage.h"
#include "uikit/Resources.h"

#include <QMouseEvent>
#include <QMovie>
#include <QSignalSpy>
#include <QTest>
#include <QWidget>

#include <memory>
#include <vector>

using namespace wayline;

namespace {

QImage Render(QWidget& widget) {
    QImage image(widget.size(), QImage::Format_ARGB32);
    image.fill(Qt::black);
    widget.render(&image);
    return image;
}

// A plain window with a red background to see through pictures.
std::unique_ptr<QWidget> RedWindow(QSize size) {
    auto window = std::make_unique<QWidget>();
    window->resize(size);
    window->setAutoFillBackground(true);
    QPalette p = window->palette();
    p.setColor(QPalette::Window, Qt::red);
    window->setPalette(p);
    return window;
}

} // namespace

class TSkinImageTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void AnimatedGifBecomesACachedMovieAtRest();
    void StillPicturesHaveNoMovie();
    void UnreadableBytesLeaveThePictureEmpty();
    void TransparentPictureShowsWhatLiesBelow();
    void StretchedPictureFillsItsRecord();
    void CreateSkinStacksLaterPicturesAbove();
    void EmptyPictureDoesNotCatchTheMouse();
    void MouseActivityIsSignalled();
};

void TSkinImageTest::AnimatedGifBecomesACachedMovieAtRest() {
    TSkinImage image;
    QVERIFY(image.SetPicture(*Resources().SkinPicture(18, false)));
    QVERIFY(image.Movie());
    QCOMPARE(image.Movie()->cacheMode(), QMovie::CacheAll);
    QCOMPARE(image.FrameCount(), 5);
    QCOMPARE(image.Movie()->currentFrameNumber(), 0);
    QCOMPARE(image.Movie()->state(), QMovie::NotRunning);
    QCOMPARE(image.PictureSize(), QSize(54, 54));
    // Loading another picture replaces the movie.
    QVERIFY(image.SetPicture(*Resources().SkinPicture(42, false)));
    QVERIFY(!image.Movie());
}

void TSkinImageTest::StillPicturesHaveNoMovie() {
    TSkinImage image;
    QVERIFY(image.SetPicture(*Resources().SkinPicture(1, false)));
    QVERIFY(!image.Movie());
    QCOMPARE(image.FrameCount(), 1);
    QCOMPARE(image.PictureSize(), QSize(801, 577));
}

void TSkinImageTest::UnreadableBytesLeaveThePictureEmpty() {
    TSkinImage image;
    QVERIFY(image.SetPicture(*Resources().SkinPicture(42, false)));
    QVERIFY(!image.SetPicture(QByteArray("GIF89a but nothing else")));
    QVERIFY(!image.HasPicture());
    QCOMPARE(image.FrameCount(), 0);
    QVERIFY(!image.SetPicture(QByteArray()));
}

void TSkinImageTest::TransparentPictureShowsWhatLiesBelow() {
    auto window = RedWindow(QSize(60, 60));
    auto* image = new TSkinImage(window.get());
    QVERIFY(image->SetPicture(*Resources().SkinPicture(14, false))); // rounded tile
    image->setGeometry(0, 0, 54, 54);
    image->SetTransparent(true);
    QCOMPARE(QColor(Render(*window).pixel(0, 0)), QColor(Qt::red));
    QVERIFY(QColor(Render(*window).pixel(27, 27)) != QColor(Qt::red));
    image->SetTransparent(false);
    QCOMPARE(QColor(Render(*window).pixel(0, 0)), QColor(Qt::white));
}

void TSkinImageTest::StretchedPictureFillsItsRecord() {
    auto window = RedWindow(QSize(100, 100));
    auto* image = new TSkinImage(window.get());
    QVERIFY(image->SetPicture(*Resources().SkinPicture(2, false))); // opaque frame band
    image->setGeometry(0, 0, 100, 100);
    image->SetTransparent(true);
    image->SetStretch(false);
    QCOMPARE(QColor(Render(*window).pixel(90, 90)), QColor(Qt::red));
    image->SetStretch(true);
    QVERIFY(QColor(Render(*window).pixel(90, 90)) != QColor(Qt::red));
}

void TSkinImageTest::CreateSkinStacksLaterPicturesAbove() {
    for (bool advanced : {false, true}) {
        QWidget window;
        TSkinImages images{};
        Resources().CreateSkin(&window, advanced, images);
        Resources().PlaceControl(75, &window, advanced);
        const auto centre = [&](int n) { return images[n]->geometry().center(); };
        // A greyed-out button's disabled picture lies above the others, so
        // the button cannot be clicked; an enabled one shows its normal one.
        QCOMPARE(window.childAt(centre(42)), images[45]); // Go starts disabled
        QCOMPARE(window.childAt(centre(50)), images[50]); // Test starts enabled
        QCOMPARE(window.childAt(centre(22)), images[25]); // Delete starts disabled
        images[51]->show();
        QCOMPARE(window.childAt(centre(50)), images[51]); // highlighted above normal
        QCOMPARE(images[14]->Tag(), 0);
        QCOMPARE(images[20]->Tag(), 7);
        QVERIFY(images[14]->Movie());
        QVERIFY(images[1]->Stretch());
        QVERIFY(!images[6]->isVisibleTo(&window));
        QVERIFY(!images[13]->isVisibleTo(&window));
        QVERIFY(images[12]->isVisibleTo(&window));
        QCOMPARE(images[10]->HasPicture(), advanced);
    }
}

void TSkinImageTest::EmptyPictureDoesNotCatchTheMouse() {
    // In beginner mode picture 10 has neither picture nor record: it must not
    // lie over the title band, where a press starts moving the window.
    QWidget window;
    TSkinImages images{};
    Resources().CreateSkin(&window, false, images);
    for (int n = 14; n <= 21; ++n)
        delete images[n]; // the palette lives in its own box
    QVERIFY(!images[10]->HasPicture());
    QCOMPARE(window.childAt(QPoint(20, 20)), images[3]);
}

void TSkinImageTest::MouseActivityIsSignalled() {
    QWidget window;
    window.resize(100, 100);
    auto* image = new TSkinImage(&window);
    image->setGeometry(10, 10, 50, 50);
    image->SetTag(7);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    qRegisterMetaType<QMouseEvent*>();
    QSignalSpy pressed(image, &TSkinImage::MousePressed);
    QSignalSpy moved(image, &TSkinImage::MouseMoved);
    QSignalSpy released(image, &TSkinImage::MouseReleased);
    QSignalSpy doubled(image, &TSkinImage::DoubleClicked);

    QTest::mouseMove(image, QPoint(5, 5));
    QTest::mouseMove(image, QPoint(8, 6));
    QVERIFY(moved.count() >= 1); // hovering, no button held
    QTest::mousePress(image, Qt::LeftButton, {}, QPoint(5, 5));
    QTest::mouseRelease(image, Qt::LeftButton, {}, QPoint(5, 5));
    QCOMPARE(pressed.count(), 1);
    QCOMPARE(released.count(), 1);
    QCOMPARE(pressed.at(0).at(0).value<TSkinImage*>(), image);
    QTest::mouseDClick(image, Qt::LeftButton, {}, QPoint(5, 5));
    QCOMPARE(doubled.count(), 1);
    QCOMPARE(doubled.at(0).at(0).value<TSkinImage*>()->Tag(), 7);
}

std::vector<std::unique_ptr<QObject>> MakeSkinImageTests() {
    std::vector<std::unique_ptr<QObject>> tests;
    tests.push_back(std::make_unique<TSkinImageTest>());
    return tests;
}

#include "SkinImageTest.moc"
