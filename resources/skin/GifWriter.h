#pragma once

#include <QColor>
#include <QImage>
#include <QString>

#include <vector>

namespace skin {

// Writes `frames` (all the same size) as one GIF with a shared palette of at
// most 256 colours. Pixels at least half opaque are blended over `matte`
// and kept; the others become the transparent colour. Several frames make a
// looping animation showing each frame for `delayCs` hundredths of a second.
// Returns an error text, empty on success.
QString WriteGif(const QString& path, const std::vector<QImage>& frames, QColor matte,
                 int delayCs = 0);

} // namespace skin
