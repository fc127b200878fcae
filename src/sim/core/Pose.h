#pragma once

#include "sim/core/Shape.h"

namespace wayline::sim {

// Where the robot stands: the midpoint between its wheels, in arena
// millimetres, and the way it faces, in degrees counter-clockwise from the
// arena's x axis.
struct TPose {
    TPoint Position;
    double HeadingDeg = 0;
};

} // namespace wayline::sim
