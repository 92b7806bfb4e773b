#pragma once

#include <vector>

#include "align/Records.hpp"
#include "kernels/Kernels.hpp"

// Keeps the cells of the highest positive value seen so far that reaches
// `best`, in row-major order: offered a row at a time, in row order, it keeps
// exactly what offering every cell in turn would. `values[k]` is the score of
// column first + k (k = 0..n) of row i and `rowMax` their maximum;
// `positions` has room for n + 1 entries.
inline void offerRow(std::vector<Cell>& cells, int& best, int i, int first, const int* values,
                     int n, int rowMax, FindEqualFn findEqual, int* positions) {
    const int floor = best > 1 ? best : 1;
    if (rowMax < floor) [[likely]] return;
    if (rowMax > best) {
        best = rowMax;
        cells.clear();
    }
    const int found = findEqual(values, n + 1, best, positions);
    for (int k = 0; k < found; ++k) cells.push_back(Cell{i, first + positions[k]});
}

// The local row kernel for a matrix of these dimensions: the scalar one when
// its scores could wrap around 32-bit lanes.
inline LocalRowFn localRowKernel(long long len1, long long len2, int bestPairScore) {
    return localScoresMayOverflow(len1, len2, bestPairScore) ? scalarKernels().localRow
                                                             : activeKernels().localRow;
}
