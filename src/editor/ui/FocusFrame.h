#pragma once

#include <QPointer>
#include <QRect>
#include <QWidget>

namespace wayline {

// The frame that shows where the keyboard is on the skinned window. The
// picture buttons and the palette pictures draw no focus of their own, and
// a button's pictures lie stacked on each other, so one frame drawn above
// everything goes round whichever control (or part of one) has the focus.
// It takes no mouse input.
class TFocusFrame : public QWidget {
    Q_OBJECT
public:
    static constexpr int Margin = 3; // outside the framed rectangle

    explicit TFocusFrame(QWidget* window);

    // Frames `area` (in `target`'s coordinates; the whole target when
    // empty) and stays above the window's other controls.
    void Surround(const QWidget* target, const QRect& area = QRect());
    // The rectangle framed, in the window's coordinates; empty when hidden.
    QRect Framed() const;

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace wayline
