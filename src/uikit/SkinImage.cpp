#include "uikit/SkinImage.h"

#include <QAccessibleWidget>
#include <QBuffer>
#include <QImage>
#include <QImageReader>
#include <QMouseEvent>
#include <QMovie>
#include <QPalette>

namespace wayline {

namespace {

// Pictures are read as what they stand for, not as text labels. The role
// is asked each time: the interface may exist before the window gives the
// picture its role.
class TSkinImageAccessible : public QAccessibleWidget {
public:
    explicit TSkinImageAccessible(TSkinImage* image) : QAccessibleWidget(image) {}
    QAccessible::Role role() const override {
        return static_cast<const TSkinImage*>(widget())->AccessibleRole();
    }
};

QAccessibleInterface* SkinImageFactory(const QString&, QObject* object) {
    if (auto* image = qobject_cast<TSkinImage*>(object)) {
        return new TSkinImageAccessible(image);
    }
    return nullptr;
}

} // namespace

TSkinImage::TSkinImage(QWidget* parent) : QLabel(parent) {
    static const bool factoryInstalled = [] {
        QAccessible::installFactory(SkinImageFactory);
        return true;
    }();
    (void)factoryInstalled;
    // Hover handlers need moves without a button held.
    setMouseTracking(true);
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
    // An empty picture takes no room, so it cannot catch the mouse over the
    // pictures below it.
    setGeometry(0, 0, 0, 0);
    QPalette p = palette();
    p.setColor(QPalette::Window, Qt::white);
    setPalette(p);
    SetTransparent(false);
}

TSkinImage::~TSkinImage() {
    // The movie reads from the buffer until it is gone.
    setMovie(nullptr);
    delete FMovie;
    delete FMovieData;
}

void TSkinImage::SetStretch(bool stretch) {
    FStretch = stretch;
    setScaledContents(stretch);
}

void TSkinImage::SetTransparent(bool transparent) {
    FTransparent = transparent;
    setAutoFillBackground(!transparent);
}

void TSkinImage::ClearPicture() {
    if (FMovie) {
        setMovie(nullptr);
        delete FMovie;
        FMovie = nullptr;
        delete FMovieData;
        FMovieData = nullptr;
    }
    FFirstFrame = QPixmap();
    clear();
}

bool TSkinImage::SetPicture(const QByteArray& bytes) {
    ClearPicture();
    QBuffer probe;
    probe.setData(bytes);
    probe.open(QIODevice::ReadOnly);
    QImageReader reader(&probe);
    QImage first = reader.read();
    if (first.isNull())
        return false;
    FFirstFrame = QPixmap::fromImage(first);
    const int frames = reader.imageCount();
    if (reader.format() == "gif" && frames > 1) {
        FMovieData = new QBuffer;
        FMovieData->setData(bytes);
        FMovieData->open(QIODevice::ReadOnly);
        FMovie = new QMovie(FMovieData, "gif");
        FMovie->setCacheMode(QMovie::CacheAll);
        setMovie(FMovie);
        // At rest an animated picture shows its first frame.
        FMovie->jumpToFrame(0);
    } else {
        setPixmap(FFirstFrame);
    }
    return true;
}

int TSkinImage::FrameCount() const {
    if (FMovie)
        return FMovie->frameCount();
    return HasPicture() ? 1 : 0;
}

void TSkinImage::mousePressEvent(QMouseEvent* event) {
    event->accept();
    Q_EMIT MousePressed(this, event);
}

void TSkinImage::mouseMoveEvent(QMouseEvent* event) {
    event->accept();
    Q_EMIT MouseMoved(this, event);
}

void TSkinImage::mouseReleaseEvent(QMouseEvent* event) {
    event->accept();
    Q_EMIT MouseReleased(this, event);
}

void TSkinImage::mouseDoubleClickEvent(QMouseEvent* event) {
    event->accept();
    if (FDoubleClickPresses) {
        Q_EMIT MousePressed(this, event);
    }
    Q_EMIT DoubleClicked(this);
}

} // namespace wayline
