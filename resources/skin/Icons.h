#pragma once

#include <QColor>
#include <QImage>

namespace skin {

inline constexpr int IconSize = 54;
inline constexpr int IconFrames = 5;

// The colour that marks an action kind (0 to 7, in the palette's kind order)
// on its tile.
QColor KindColour(int kind);

// Frame `frame` (0 to 4) of the palette tile of `kind`: the robot seen from
// above, the front at the top, with an arrow for the motion. Frame 0 is the
// picture at rest; frames 1 to 4 carry the motion on, so the loop reads as
// the robot doing the action again and again.
QImage ActionTile(int kind, int frame);

} // namespace skin

class QPainter;
class QPointF;

namespace skin {

// The robot alone, centred on `centre`, `scale` times the tile size,
// turned by `angleDeg` clockwise.
void DrawRobotAt(QPainter& p, const QPointF& centre, double scale, double angleDeg);

} // namespace skin
