#pragma once

#include <QRect>
#include <QRegion>

namespace wayline {

// A rounded rectangle from (left, top) to (right, bottom), exclusive, with
// corner ellipses of the given width and height: the shape of the skinned
// borderless windows.
QRegion RoundedRegion(int left, int top, int right, int bottom, int ellipseWidth,
                      int ellipseHeight);

} // namespace wayline
