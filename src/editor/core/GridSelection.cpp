#include "editor/core/GridSelection.h"

#include <algorithm>

namespace wayline {

TRowSelection PressSelection(int row, bool shift, int previousTop) {
    const int from = shift && previousTop > 0 ? previousTop : row;
    return {std::min(from, row), std::max(from, row)};
}

} // namespace wayline
