#include "uikit/Shapes.h"

#include <QPainterPath>
#include <QPolygon>

namespace wayline {

QRegion RoundedRegion(int left, int top, int right, int bottom, int ellipseWidth,
                      int ellipseHeight) {
    if (right <= left || bottom <= top) {
        return {};
    }
    QPainterPath path;
    path.addRoundedRect(QRectF(left, top, right - left, bottom - top), ellipseWidth / 2.0,
                        ellipseHeight / 2.0);
    return QRegion(path.toFillPolygon().toPolygon(), Qt::WindingFill);
}

} // namespace wayline
