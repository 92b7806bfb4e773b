#pragma once

#include <cstdint>
#include <vector>

#include "align/ScoreLookup.hpp"
#include "align/kernels/GotohRow.hpp"

// Best scores at the far corner of a global alignment, one per state.
struct GotohCorner {
    int d = 0;  // last column pairs two residues
    int p = 0;  // last column: residue of sequence 1 against a gap
    int q = 0;  // last column: residue of sequence 2 against a gap
};

// Fills the affine-gap global recurrence over a (n+1) x (m+1) grid in linear
// memory. When `moves` is given (stride m+1, rows 1..n used), each cell gets
// the predecessor states its three values came from:
//   bits 0-1: the state before a pair column (0 pair, 1 gap in seq 2, 2 gap in seq 1),
//   bits 2-3: the state before a gap-in-seq-2 column, bits 4-5: before a gap-in-seq-1 column,
// each the first predecessor, in traceback order, that reaches the cell's value.
// `lastRow` receives D[n][0..m] and `lastCol` D[0..n][m] when given.
// The row step a fill of n x m uses: the active set's, or the scalar one when
// values could wrap. A traceback that recomputes rows must use the same step so
// that every tie is decided by the same values.
GotohRowFn gotohRowFor(int n, int m, const ScoreLookup& lookup, int gapOpen, int gapExt);

GotohCorner fillGotoh(const ScoreLookup::Code* a, int n, const ScoreLookup::Code* b, int m,
                      const ScoreLookup& lookup, int gapOpen, int gapExt, std::uint8_t* moves,
                      std::vector<int>* lastRow, std::vector<int>* lastCol);
