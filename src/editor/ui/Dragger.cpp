#include "editor/ui/Dragger.h"

#include "app/Shapes.h"

#include <QLabel>

namespace wayline {

TDragger::TDragger(QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      Picture(new QLabel(this)) {
    setObjectName(QStringLiteral("Dragger"));
    setAttribute(Qt::WA_ShowWithoutActivating);
    resize(WindowSize, WindowSize);
    Picture->setObjectName(QStringLiteral("DragAction"));
    Picture->setScaledContents(true);
    ShapeToPicture();
}

void TDragger::hideEvent(QHideEvent* event) {
    ShapeToPicture();
    QWidget::hideEvent(event);
}

void TDragger::ShapeToPicture() {
    const int left = (width() - PictureSize) / 2;
    const int top = (height() - PictureSize) / 2;
    Picture->setGeometry(left, top, PictureSize, PictureSize);
    setMask(RoundedRegion(left, top, left + PictureSize, top + PictureSize, PictureSize / 2,
                          PictureSize / 2));
}

} // namespace wayline
