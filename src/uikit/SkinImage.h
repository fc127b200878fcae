#pragma once

#include <QAccessible>
#include <QByteArray>
#include <QLabel>
#include <QPixmap>

class QBuffer;
class QMouseEvent;
class QMovie;

namespace wayline {

// One picture of the main window's skin: a still bitmap or GIF, or an
// animated GIF played through a QMovie. It carries the tag and the flags of
// its layout record and reports mouse activity as signals, so the window
// decides what a press or a move over the picture means.
class TSkinImage : public QLabel {
    Q_OBJECT
public:
    explicit TSkinImage(QWidget* parent = nullptr);
    ~TSkinImage() override;

    int Tag() const { return FTag; }

    // What a screen reader takes the picture for (a button, a palette
    // action); set before the picture is first asked about.
    void SetAccessibleRole(QAccessible::Role role) { FRole = role; }
    QAccessible::Role AccessibleRole() const { return FRole; }
    void SetTag(int tag) { FTag = tag; }

    // Scale the picture to the widget's size instead of drawing it at the
    // top-left corner at its own size.
    bool Stretch() const { return FStretch; }
    void SetStretch(bool stretch);

    // Transparent: the picture's transparent pixels show what lies below.
    // Otherwise they show white, as an opaque picture would.
    bool Transparent() const { return FTransparent; }
    void SetTransparent(bool transparent);

    // The second press of a quick pair is a press of its own (as a button
    // takes it) besides being a double click: a button clicked again soon
    // after the window it opened has closed must not lose that click.
    void SetDoubleClickPresses(bool presses) { FDoubleClickPresses = presses; }

    // Loads a BMP or GIF. A GIF with more than one frame becomes a movie
    // (all frames cached), stopped on its first frame. Returns false, and
    // keeps the picture empty, when the bytes are no readable picture.
    bool SetPicture(const QByteArray& bytes);
    bool HasPicture() const { return !FFirstFrame.isNull(); }

    // The movie of an animated picture, else null.
    QMovie* Movie() const { return FMovie; }
    int FrameCount() const;
    // The first frame (the whole picture for a still one).
    QPixmap FirstFrame() const { return FFirstFrame; }
    QSize PictureSize() const { return FFirstFrame.size(); }

Q_SIGNALS:
    void MousePressed(wayline::TSkinImage* image, QMouseEvent* event);
    void MouseMoved(wayline::TSkinImage* image, QMouseEvent* event);
    void MouseReleased(wayline::TSkinImage* image, QMouseEvent* event);
    void DoubleClicked(wayline::TSkinImage* image);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    void ClearPicture();

    int FTag = 0;
    QAccessible::Role FRole = QAccessible::Graphic;
    bool FStretch = false;
    bool FTransparent = false;
    bool FDoubleClickPresses = false;
    QPixmap FFirstFrame;
    QMovie* FMovie = nullptr;
    QBuffer* FMovieData = nullptr; // the movie reads its frames from here
};

} // namespace wayline
