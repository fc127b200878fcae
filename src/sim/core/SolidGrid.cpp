#include "sim/core/SolidGrid.h"

#include <algorithm>
#include <cmath>

namespace wayline::sim {

void TSolidGrid::Build(const std::vector<TBounds>& boxes) {
    Starts.clear();
    Items.clear();
    Columns = 0;
    Rows = 0;
    if (boxes.empty()) {
        return;
    }
    TBounds all = boxes.front();
    for (const TBounds& b : boxes) {
        all = {std::min(all.MinX, b.MinX), std::min(all.MinY, b.MinY), std::max(all.MaxX, b.MaxX),
               std::max(all.MaxY, b.MaxY)};
    }
    MinX = all.MinX;
    MinY = all.MinY;
    const double extent = std::max(all.MaxX - all.MinX, all.MaxY - all.MinY);
    Cell = std::max(MinCellMm, extent / MaxCellsPerSide);
    Columns = std::clamp(static_cast<int>(std::floor((all.MaxX - all.MinX) / Cell)) + 1, 1,
                         MaxCellsPerSide + 1);
    Rows = std::clamp(static_cast<int>(std::floor((all.MaxY - all.MinY) / Cell)) + 1, 1,
                      MaxCellsPerSide + 1);

    // Two passes: count each cell's solids, then place them, so the cells
    // are one array.
    const auto cells = static_cast<std::size_t>(Columns) * static_cast<std::size_t>(Rows);
    std::vector<std::uint32_t> counts(cells + 1, 0);
    for (const TBounds& b : boxes) {
        int x0 = 0, y0 = 0, x1 = 0, y1 = 0;
        CellRange(b, x0, y0, x1, y1);
        for (int y = y0; y <= y1; ++y) {
            for (int x = x0; x <= x1; ++x) {
                ++counts[static_cast<std::size_t>(y) * static_cast<std::size_t>(Columns) +
                         static_cast<std::size_t>(x)];
            }
        }
    }
    Starts.assign(cells + 1, 0);
    for (std::size_t c = 0; c < cells; ++c) {
        Starts[c + 1] = Starts[c] + counts[c];
    }
    Items.assign(Starts[cells], 0);
    std::vector<std::uint32_t> fill(Starts.begin(), Starts.end() - 1);
    for (std::size_t i = 0; i < boxes.size(); ++i) {
        int x0 = 0, y0 = 0, x1 = 0, y1 = 0;
        CellRange(boxes[i], x0, y0, x1, y1);
        for (int y = y0; y <= y1; ++y) {
            for (int x = x0; x <= x1; ++x) {
                const std::size_t c =
                    static_cast<std::size_t>(y) * static_cast<std::size_t>(Columns) +
                    static_cast<std::size_t>(x);
                Items[fill[c]++] = static_cast<std::uint32_t>(i);
            }
        }
    }
}

bool TSolidGrid::CellRange(const TBounds& box, int& x0, int& y0, int& x1, int& y1) const {
    // Beyond the grid on any side (or not a number): nothing there.
    if (!(box.MaxX >= MinX && box.MaxY >= MinY && box.MinX <= MinX + Columns * Cell &&
          box.MinY <= MinY + Rows * Cell)) {
        return false;
    }
    const auto index = [this](double at, double origin, int count) {
        return static_cast<int>(
            std::clamp(std::floor((at - origin) / Cell), 0.0, static_cast<double>(count - 1)));
    };
    x0 = index(std::max(box.MinX, MinX), MinX, Columns);
    x1 = index(box.MaxX, MinX, Columns);
    y0 = index(std::max(box.MinY, MinY), MinY, Rows);
    y1 = index(box.MaxY, MinY, Rows);
    return true;
}

const std::vector<std::uint32_t>& TSolidGrid::Near(const TBounds& box) const {
    Answer.clear();
    int x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    if (Columns == 0 || !CellRange(box, x0, y0, x1, y1)) {
        return Answer;
    }
    for (int y = y0; y <= y1; ++y) {
        for (int x = x0; x <= x1; ++x) {
            const std::size_t c = static_cast<std::size_t>(y) * static_cast<std::size_t>(Columns) +
                                  static_cast<std::size_t>(x);
            Answer.insert(Answer.end(), Items.begin() + Starts[c], Items.begin() + Starts[c + 1]);
        }
    }
    if (x0 != x1 || y0 != y1) {
        std::sort(Answer.begin(), Answer.end());
        Answer.erase(std::unique(Answer.begin(), Answer.end()), Answer.end());
    }
    return Answer;
}

} // namespace wayline::sim
