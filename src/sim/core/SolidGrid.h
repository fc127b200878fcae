#pragma once

#include "sim/core/Shape.h"

#include <cstdint>
#include <vector>

namespace wayline::sim {

// The solids of a world sorted into square cells, so that the robot's moves
// and sensors, which look a few hundred millimetres round the robot every
// millisecond, test the handful of solids near it instead of every one of a
// thousand. A solid stands in every cell its box overlaps; a question names
// a box and gets each solid whose cells it touches once, by its number in
// the order the solids were given (so answers never depend on the cells).
class TSolidGrid {
public:
    // Cells are at least this wide: about the reach of the robot's eyes,
    // so that a question covers a few cells.
    static constexpr double MinCellMm = 250;
    // and at most this many to a side, however large the floor.
    static constexpr int MaxCellsPerSide = 256;

    // Sorts `boxes` (solid i has box i) into cells.
    void Build(const std::vector<TBounds>& boxes);
    // The solids whose cells the box touches, ascending, each once. The
    // answer lives until the next question.
    const std::vector<std::uint32_t>& Near(const TBounds& box) const;

    int CellsAcross() const { return Columns; }
    int CellsDown() const { return Rows; }

private:
    // The cell range a box covers, clamped to the grid; false when the box
    // lies wholly outside it.
    bool CellRange(const TBounds& box, int& x0, int& y0, int& x1, int& y1) const;

    double MinX = 0;
    double MinY = 0;
    double Cell = MinCellMm;
    int Columns = 0;
    int Rows = 0;
    // Cell c holds Items[Starts[c]] .. Items[Starts[c + 1] - 1].
    std::vector<std::uint32_t> Starts;
    std::vector<std::uint32_t> Items;
    mutable std::vector<std::uint32_t> Answer;
};

} // namespace wayline::sim
