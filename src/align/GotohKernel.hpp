#pragma once

#include "scoring/ScoreLookup.hpp"
#include "kernels/GotohRow.hpp"

// Best scores at the far corner of a global alignment, one per state.
struct GotohCorner {
    int d = 0;  // last column pairs two residues
    int p = 0;  // last column: residue of sequence 1 against a gap
    int q = 0;  // last column: residue of sequence 2 against a gap
};

// The row step a fill of n x m uses: the active set's, or the scalar one when
// values could wrap. A traceback that recomputes rows must use the same step so
// that every tie is decided by the same values.
GotohRowFn gotohRowFor(int n, int m, const ScoreLookup& lookup, int gapOpen, int gapExt);

// The three states at the far corner of the affine-gap global recurrence over
// a (n+1) x (m+1) grid, in linear memory (the traceback is GotohTraceback's).
GotohCorner fillGotoh(const ScoreLookup::Code* a, int n, const ScoreLookup::Code* b, int m,
                      const ScoreLookup& lookup, int gapOpen, int gapExt);
