#pragma once

#include <vector>

#include "align/Cell.hpp"
#include "kernels/Kernels.hpp"

// Keeps the cells of the highest positive value seen so far that reaches
// `best`, in row-major order: offered a row at a time, in row order, it keeps
// exactly what offering every cell in turn would.
//
// A row whose maximum is `rowMax` goes to beginOffer first, which says
// whether any of its cells can be kept and, when the row beats `best`, raises
// it and drops the cells kept so far. The row's cells holding `best` then go
// to appendEqual in column order, the whole row at once or piece by piece.
inline bool beginOffer(std::vector<Cell>& cells, int& best, int rowMax) {
    if (rowMax < (best > 1 ? best : 1)) [[likely]] return false;
    if (rowMax > best) {
        best = rowMax;
        cells.clear();
    }
    return true;
}

// `values[k]` is the score of column first + k (k = 0 .. count - 1) of row
// i; `positions` has room for `count` entries.
inline void appendEqual(std::vector<Cell>& cells, int best, int i, int first, const int* values,
                        int count, FindEqualFn findEqual, int* positions) {
    const int found = findEqual(values, count, best, positions);
    for (int k = 0; k < found; ++k) cells.push_back(Cell{i, first + positions[k]});
}

// The local row kernel for a matrix of these dimensions: the scalar one when
// its scores could wrap around 32-bit lanes.
inline LocalRowFn localRowKernel(long long len1, long long len2, int bestPairScore) {
    return localScoresMayOverflow(len1, len2, bestPairScore) ? scalarKernels().localRow
                                                             : activeKernels().localRow;
}
