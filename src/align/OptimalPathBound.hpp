#pragma once

#include <optional>
#include <string_view>

#include "scoring/ScoreLookup.hpp"

// Diagonals j - i of an n x m global alignment's grid (cell (i, j) after i
// residues of sequence 1 and j of sequence 2), from `lowest` to `highest`.
struct DiagonalRange {
    int lowest;
    int highest;

    bool holds(long long i, long long j) const { return j - i >= lowest && j - i <= highest; }
};

// Where an optimal global alignment (affine gaps, a gap of k positions
// scoring gapOpen + (k-1) * gapExt) can run, once some alignment of the two
// sequences is known to reach a score.
//
// Why: a path's columns each take one or two residues, so with M the best
// pair score, M * (residues taken) / 2 minus the score is a cost to which
// every column adds and none takes away; a gap column adds at least
// M / 2 - max(gapOpen, gapExt). From cell (i, j) to the far corner a path
// needs at least |m - n - (j - i)| gap columns. A cell whose best score so
// far, plus that much, costs more than the known alignment holds no optimal
// path; nor does a diagonal that costs more in gap columns alone.
struct OptimalPathBound {
    DiagonalRange diagonals;  // every cell of an optimal path is on one of these
    // The costs below are doubled, so that half a pair score stays whole.
    long long bestPairScore;
    long long gapColumnCost;
    long long knownCost;
    long long cornerDiagonal;  // m - n

    // False when no optimal path goes through (i, j) in a state whose best
    // score from (0, 0) is at most `value`.
    bool mayHold(long long i, long long j, long long value) const {
        const long long d = j - i;
        const long long gapsLeft = d > cornerDiagonal ? d - cornerDiagonal : cornerDiagonal - d;
        return bestPairScore * (i + j) - 2 * value + gapsLeft * gapColumnCost <= knownCost;
    }
};

// Nothing when a gap column may cost nothing, or when the known score is
// beyond what any alignment reaches.
std::optional<OptimalPathBound> optimalPathBound(int n, int m, int bestPairScore, int gapOpen,
                                                 int gapExt, long long reachedScore);

// The affine-gap score of two aligned rows, or nothing when they are not an
// end-to-end alignment of seq1 and seq2 (their residues in order, no column
// of two gaps). Scored as the global recurrence scores a path: a run of gaps
// in one row opens once, even right after a run in the other row.
std::optional<long long> alignedRowsScore(std::string_view row1, std::string_view row2,
                                          std::string_view seq1, std::string_view seq2,
                                          const ScoreLookup& lookup, int gapOpen, int gapExt);
