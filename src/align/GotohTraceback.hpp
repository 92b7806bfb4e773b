#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "align/GotohKernel.hpp"
#include "align/OptimalPathBound.hpp"
#include "align/GotohState.hpp"
#include "scoring/ScoreLookup.hpp"
#include "common/ColumnStrips.hpp"
#include "common/WorkArena.hpp"

// The affine-gap global traceback without a byte per cell. The fill keeps the
// pair and vertical-gap rows only at every k-th row (checkpoints); the
// traceback recomputes one block of k rows at a time from its checkpoint,
// bottom block first, records that block's predecessor choices and walks the
// path through it. The recomputed values are the fill's values, so every tie
// is decided as in a traceback over the whole matrix of choices.
//
// Memory: 4 bytes a column per checkpoint plus k bytes a column for the block,
// about 2 * sqrt(4 n) * (m + 1) bytes with the default k (about 45 MB for
// 50 kb x 50 kb instead of 2.5 GB).
//
// A path crosses a block of k rows over about k columns, so recomputing every
// column left of it would make the traceback a second pass over half the
// matrix, with choices. The fill therefore also keeps the three states of
// every K-th column in every row (12 bytes a row per kept column, K a few
// times k: less than the checkpoints). A block is then recomputed from the
// kept column left of where the path should leave it, and should the path go
// further left, the rows it still has to cross are recomputed from the next
// kept column to the left, and so on. The traceback costs about n * (k + K)
// cells instead of n * m / 2.
//
// Large fills, and large blocks of the traceback, run in strips of columns
// on several threads (common/ColumnStrips.hpp); a strip hands each row's
// three states of its last column on to the next. A wide fill's strips are
// tiles narrow enough for their rows to stay in a core's cache, taken in
// turn by the threads. The values, and so the results, are those of one
// pass.

// Two encoded sequences and their scoring: a is sequence 1 (n codes, the
// rows), b is sequence 2 (m codes, the columns).
struct GotohProblem {
    const ScoreLookup::Code* a;
    int n;
    const ScoreLookup::Code* b;
    int m;
    const ScoreLookup& lookup;
    int gapOpen;
    int gapExt;
};

// What one fill leaves behind: the values the free-end forms choose their
// start from, and what the traceback recomputes its blocks from.
struct GotohFill {
    explicit GotohFill(WorkArena* arena = nullptr)
        : checkpointSteps(arena), moves(arena), keptColumns(arena) {}

    // How the fill was split; the traceback splits its blocks by the same rule.
    StripPolicy strips;

    GotohCorner corner;        // the three states at (n, m)
    std::vector<int> lastRow;  // D[n][0..m]
    std::vector<int> lastCol;  // D[0..n][m]

    int blockRows = 1;  // k: block c covers rows c*k+1 .. min((c+1)*k, n)
    // D and P of rows k, 2k, ..., (blocks-1)*k. Row 0 is rebuilt from the
    // gap costs, a row's Q from its D and P, and column 0 from the gap costs.
    // Neighbouring values of a row differ by little more than a gap open, so
    // a row is kept as its column-1 value (`checkpointFirst`) and 16-bit
    // steps (`checkpointSteps`, m+1 slots, D then P per checkpoint). Each
    // strip of the fill keeps its own columns, checkpointEdges[s] + 1 ..
    // checkpointEdges[s + 1]; a strip's part with a larger step is kept
    // whole in wideCheckpoints[(checkpoint - 1) * strips + s] (D then P).
    ArenaBuffer<std::int16_t> checkpointSteps;
    std::vector<int> checkpointFirst;
    std::vector<int> checkpointEdges;
    std::vector<std::vector<int>> wideCheckpoints;
    // The predecessor choices of one block (the kernel's byte layout), rows
    // of `movesWidth` bytes. The fill leaves the bottom block here at full
    // width, so a traceback from (n, m) starts without recomputing, and a
    // pair small enough for a single block is never filled twice.
    ArenaBuffer<std::uint8_t> moves;
    int movesBlock = -1;
    int movesWidth = 0;
    // The loaded choices cover columns movesFirstColumn + 1 .. movesWidth - 1
    // of the block's rows up to movesLastRow; entry j of a row is column j.
    int movesFirstColumn = 0;
    int movesLastRow = 0;

    // K, or 0 when no column is kept; D, P and Q of kept column t * K
    // (t = 1 .. m / K) in row i at ((i - 1) * (m / K) + t - 1) * 3.
    int keptColumnStep = 0;
    ArenaBuffer<int> keptColumns;
};

// The default k for an n x m fill: one block when the whole matrix of choices
// is small, otherwise the k that minimises checkpoints plus one block.
int gotohBlockRows(int n, int m);

// The default K for an n x m fill of k-row blocks: 0 (no kept column) when
// the fill is one block or too narrow to gain from them.
int gotohKeptColumnStep(int n, int m, int k);

// Fills the global recurrence once. `blockRows` 0 picks gotohBlockRows(n, m),
// `keptColumnStep` 0 picks gotohKeptColumnStep (a negative one keeps no column).
// Its large buffers come from `arena` when one is given; `strips` says when
// it, and the traceback's blocks, may use several threads.
//
// With `bound`, only cells that may lie on an optimal path from (0, 0) to
// (n, m) are computed; the others stay impossible. A cell on such a path
// keeps its value and every other cell gets one no larger, so the traceback
// from the best corner state takes every turn as over the whole grid. The
// last row and column then hold nothing the free-end forms could start from.
GotohFill fillGotohCheckpointed(const GotohProblem& p, int blockRows = 0,
                                WorkArena* arena = nullptr, const StripPolicy& strips = {},
                                int keptColumnStep = 0,
                                const std::optional<OptimalPathBound>& bound = std::nullopt);

// Appends the columns of the optimal path from `start` back to
// row 0 or column 0, then the leading end gaps, in sequence order: the rows
// the byte-per-cell traceback gives. `seq1`/`seq2` are the characters the
// codes were made from. Returns the start cell's value in its state's matrix.
// Reuses `fill.moves` for its blocks; may be called again with another start.
int traceGotoh(const GotohProblem& p, GotohFill& fill, GotohCell start, std::string_view seq1,
               std::string_view seq2, std::vector<char>& row1, std::vector<char>& row2);

// The start of the plain global form: (n, m) in the first state, in the order
// pair, gap in sequence 2, gap in sequence 1, that reaches the best value.
GotohCell gotohGlobalStart(const GotohFill& fill, int n, int m);

// The start of the form whose trailing overhang is free: the best pair-state
// cell of the last column (when sequence 2 is shorter) or the last row; ties
// go to the shorter alignment. The caller appends the overhang after the path.
GotohCell gotohRightStart(const GotohFill& fill, int n, int m);
