#pragma once

#include <vector>

#include "align/Records.hpp"
#include "kernels/Kernels.hpp"

// Keeps the cells of the highest positive value seen so far that reaches
// `best`, in row-major order: offered a row at a time, in row order, it keeps
// exactly what offering every cell in turn would. `values[k]` is the score of
// column first + k (k = 0..n) of row i and `rowMax` their maximum.
inline void offerRow(std::vector<Cell>& cells, int& best, int i, int first, const int* values,
                     int n, int rowMax) {
    const int floor = best > 1 ? best : 1;
    if (rowMax < floor) [[likely]] return;
    if (rowMax > best) {
        best = rowMax;
        cells.clear();
    }
    // Rows that reach the best are common where a pair is similar, so the
    // search for its cells goes by blocks, counting matches first: a count
    // vectorises, and most blocks hold none.
    constexpr int kBlock = 64;
    for (int from = 0; from <= n; from += kBlock) {
        const int to = from + kBlock <= n + 1 ? from + kBlock : n + 1;
        int hits = 0;
        for (int k = from; k < to; ++k) hits += values[k] == best;
        for (int k = from; hits > 0; ++k) {
            if (values[k] != best) continue;
            cells.push_back(Cell{i, first + k});
            --hits;
        }
    }
}

// The local row kernel for a matrix of these dimensions: the scalar one when
// its scores could wrap around 32-bit lanes.
inline LocalRowFn localRowKernel(long long len1, long long len2, int bestPairScore) {
    return localScoresMayOverflow(len1, len2, bestPairScore) ? scalarKernels().localRow
                                                             : activeKernels().localRow;
}
