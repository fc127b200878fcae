#pragma once

#include <QWidget>

class QLabel;

namespace wayline {

// The floating picture that follows the mouse while an action is dragged.
// Its window is cut to the picture so that only the picture is seen.
class TDragger : public QWidget {
    Q_OBJECT
public:
    static constexpr int PictureSize = 54;
    static constexpr int WindowSize = 60;

    explicit TDragger(QWidget* parent = nullptr);

    QLabel* DragAction() const { return Picture; }

protected:
    void hideEvent(QHideEvent* event) override;

private:
    void ShapeToPicture();

    QLabel* Picture;
};

} // namespace wayline
