#pragma once

#include <cstdint>

// Stands for an impossible state in row 0 and column 0 of the global matrices.
inline constexpr int kImpossible = -999999999;

// One row of the three affine-gap global states, one array per state, each
// holding m + 1 entries.
struct GotohRowStates {
    int* d;  // the column pairs two residues
    int* p;  // residue of sequence 1 against a gap (vertical)
    int* q;  // residue of sequence 2 against a gap (horizontal)
};

// Fills cur.d/p/q[1..m] from the row above (`prev`) and cur.d/p/q[0], which
// the caller sets. `scores[j]` is the pair score of the row's residue against
// column j's. A gap of k positions costs gapOpen + (k-1) * gapExt (both <= 0).
// When `moves` is given, moves[j] records which predecessor state each of the
// cell's three values came from:
//   bits 0-1: before a pair column (0 pair, 1 gap in seq 2, 2 gap in seq 1);
//     ties prefer the pair, then the gap in seq 2;
//   bits 2-3: before a gap-in-seq-2 column; extending wins ties, then opening
//     after a pair;
//   bits 4-5: before a gap-in-seq-1 column; extending wins ties, then opening
//     after a pair.
//
// Every variant gives the scalar variant's values and moves as long as
// neither a value nor a value plus m * -gapExt wraps around the int32 range
// (gotohScoresMayOverflow rules out both).
using GotohRowFn = void (*)(const int* scores, int m, int gapOpen, int gapExt,
                            GotohRowStates prev, GotohRowStates cur, std::uint8_t* moves);

void gotohFillRowScalar(const int* scores, int m, int gapOpen, int gapExt, GotohRowStates prev,
                        GotohRowStates cur, std::uint8_t* moves);

// True when some value of an n1 x n2 global alignment could wrap around the
// int32 range; such stretches use the scalar variant.
bool gotohScoresMayOverflow(long long n1, long long n2, int bestPairScore, int worstPairScore,
                            int gapOpen, int gapExt);
