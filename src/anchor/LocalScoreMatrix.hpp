#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>
#include <thread>
#include <vector>

#include "align/Cell.hpp"
#include "anchor/CheckpointGrid.hpp"
#include "anchor/ChoiceCells.hpp"
#include "common/ColumnStrips.hpp"
#include "common/FillProgress.hpp"
#include "common/Grid.hpp"
#include "kernels/LocalRow.hpp"
#include "scoring/ScoreLookup.hpp"

// The local score matrix of one pair with a linear gap cost: the recurrence
// max(diagonal + pair score, above + gap, left + gap, 0) over
// (len1 + 1) x (len2 + 1) cells. It is filled once over the whole pair; parts
// of it are later filled afresh from a zero boundary, and segments are traced
// back through the last region filled.
//
// No score is stored. That is enough because of the order of the anchor
// search: every search traces its candidates right after the fill that found
// them and before any other part is filled, parts of one chain do not overlap,
// and a part that keeps its scores shares its region's zero row and column.
// So the score of every cell a search reads equals that of a fresh
// zero-boundary fill of the innermost region or part holding it.
//
// What a traceback reads depends on the size. A large matrix keeps a
// checkpoint grid (CheckpointGrid.hpp) of the last region filled, and a
// traceback recomputes the blocks of the grid that its path crosses. A small
// one keeps every cell's choice (ChoiceCells.hpp), a quarter of a byte: its
// fills record them as they go, which costs less than refilling blocks for
// the many tracebacks of a small pair. A part that keeps its scores then
// reads its region's choices, and a re-scored part rewrites its own.

// How many threads the fills of a local matrix use.
struct LocalFillOptions {
    int threads = 1;
    // With more than one thread, a fill is split into column strips only
    // when it is wide and large enough that handing rows on from strip to
    // strip costs less than it saves.
    int stripMinWidth = 1024;
    long long parallelFillMinCells = 1LL << 22;
    // 0 keeps every cell's choice in a small matrix and a grid spaced by the
    // size in a large one; a positive value asks for a grid of that spacing.
    int gridStep = 0;
};

class LocalScoreMatrix {
public:
    LocalScoreMatrix(std::string_view seq1, std::string_view seq2, const ScoreLookup& lookup,
                     int gap, const LocalFillOptions& options, WorkArena& arena);

    int len1() const { return len1_; }
    int len2() const { return len2_; }

    // A second view of this matrix for another worker of the anchor search:
    // it reads the same scores and shares each row's recorded best, but keeps
    // its own grid and block in `arena` and fills on one thread, so that two
    // workers can search parts that share no row. Only a matrix with a grid
    // has views (std::logic_error otherwise): the choices of a small matrix
    // are kept per cell, and a part that keeps its scores reads its region's.
    std::unique_ptr<LocalScoreMatrix> workerView(WorkArena& arena) const;
    // The threads the fills from now on use; results do not depend on it.
    void setThreads(int threads) { options_.threads = threads; }

    // Fills the whole matrix; returns the highest score and puts every cell
    // holding it, row-major, in `maxCells` (none when no cell is positive).
    // `progress`, when given, follows the rows done.
    int fill(std::vector<Cell>& maxCells, FillProgress* progress = nullptr);

    // Score of `cell` in the last region filled (with a grid, 0 outside it).
    int valueAt(Cell cell);

    // The cells of the highest value of `region` that is positive and at
    // least `best` (which receives it), row-major, from a fresh fill of the
    // region from a zero boundary at its first row and column. scanPart is
    // for a region that shares its first row and column with the region
    // filled before it; rescorePart for one that does not, and it records the
    // best of each of its rows (and, without a grid, its cells' choices).
    //
    // With `skipRows` both use each row's recorded best as a bound: a fresh
    // fill of a part never exceeds the fill of the region it lies in, so rows
    // that cannot reach `best` below the last one that can are not computed,
    // and a part none of whose rows can reach it is not computed at all (no
    // segment is then traced or searched in it).
    void scanPart(const Region& region, std::vector<Cell>& cells, int& best, bool skipRows);
    void rescorePart(const Region& region, std::vector<Cell>& cells, int& best, bool skipRows);

    // Traces the segment ending at `cell` of the last region filled, whose
    // score is `value`, back to its start (left in `cell`); appends its
    // aligned rows and returns the score. With a grid, throws
    // std::logic_error for a cell outside that region.
    int traceSegment(Cell& cell, int value, std::vector<char>& row1, std::vector<char>& row2);
    // traceSegment for several end cells at once (`values` their scores),
    // each replaced by its segment's start; with `rows1`/`rows2` (one empty
    // entry per cell) their rows too. With a grid, every block is refilled at most
    // once for all of them: tied cells often share most of their paths.
    void traceSegments(std::vector<Cell>& cells, const std::vector<int>& values,
                       std::vector<std::vector<char>>* rows1, std::vector<std::vector<char>>* rows2);

    // Hands what tracebacks read back to the arena once no more will be asked for.
    void releaseTraceback();

    // Whether this matrix keeps every cell's choice rather than a grid.
    bool keepsChoices() const { return keepsChoices_; }

    // Bytes the fills of an len1 x len2 matrix keep for its tracebacks.
    static std::uint64_t tracebackBytes(long long len1, long long len2);

private:
    // One recomputed block of the grid: the choices of rows r0+1 .. r0+rows
    // and columns c0+1 .. c0+columns, packed as ChoiceCells packs a row
    // (column c0 + k is cell k), a row `stride` bytes apart.
    struct Block {
        explicit Block(WorkArena* arena) : choices(arena) {}
        int r0 = -1, c0 = -1, rows = 0, columns = 0;
        ArenaBuffer<std::uint8_t> choices;
        // False for a block with no rows, which holds nothing yet.
        bool holds(Cell c) const { return c.i > r0 && c.i <= r0 + rows && c.j > c0 && c.j <= c0 + columns; }
        LocalChoice choice(Cell c, std::size_t stride) const {
            return ChoiceCells::get(choices.data() + static_cast<std::size_t>(c.i - r0 - 1) * stride,
                                    static_cast<std::size_t>(c.j - c0));
        }
    };
    // Bytes of a block's row of choices: cells 0 .. step.
    static std::size_t blockStride(int step) {
        return ChoiceCells::rowBytes(static_cast<std::size_t>(step) + 1);
    }

    // Fills `region` from a zero boundary at its first row and column,
    // offering its best cells to `cells`/`best` and keeping its grid, or with
    // `storeChoices` its cells' choices. With `recordRowBest` each row's best
    // goes to rowBest_.
    void fillPart(const Region& region, std::vector<Cell>& cells, int& best, bool recordRowBest,
                  bool storeChoices, FillProgress* progress = nullptr);
    void fillFreshPart(const Region& region, std::vector<Cell>& cells, int& best, bool skipRows,
                       bool recordRowBest);
    // The last row of `region` whose recorded best reaches `best` (or 1), or
    // -1 when none does.
    int lastReachingRow(const Region& region, int best) const;
    // Rows top+1 .. bottom of columns c0 .. c1 (c0 standing for the zero
    // column, or for the last column of the strip on the left, whose scores
    // arrive through `in`); hands its own last column on through `out`.
    void fillStrip(int top, int bottom, int c0, int c1, StripHandOff* in, StripHandOff* out,
                   bool storeChoices, std::vector<Cell>& cells, int& best, int* rowMaxOut,
                   FillProgress* progress);
    std::uint8_t* choiceRow(int i) { return choices_[static_cast<std::size_t>(i)]; }
    const std::uint8_t* choiceRow(int i) const { return choices_[static_cast<std::size_t>(i)]; }
    // One step back from `cur` by `choice`, appending its column and taking
    // its score off `value`; false at the cell where the segment starts.
    bool stepBack(LocalChoice choice, Cell& cur, int& value, std::vector<char>& row1,
                  std::vector<char>& row2) const;
    // The grid's way of traceSegments.
    void traceThroughBlocks(std::vector<Cell>& cells, const std::vector<int>& values,
                            std::vector<std::vector<char>>* rows1,
                            std::vector<std::vector<char>>* rows2);
    // The grid block holding `cell` of the last region filled, recomputed
    // unless it is the last one or the one refilled ahead.
    const Block& blockHolding(Cell cell);
    // The blocks a traceback recomputed belong to the grid they came from.
    void forgetBlocks() {
        block_.rows = 0;
        ahead_.rows = 0;
    }
    // Makes `block` the grid block holding `cell`, with room for its choices
    // (allocated here, on the calling thread), not yet computed.
    void placeBlock(Block& block, Cell cell);
    void refillChoices(Block& block);
    // With a thread to spare, refills on it the block diagonally above and
    // left of the one holding `cell` into ahead_, while this thread goes on:
    // a path through a similar pair's grid reaches it two blocks later more
    // often than not, unless the score `left` to walk back ends the path
    // before. Returns the thread (not joinable when nothing was started);
    // `lost` is set when the refill did not finish.
    std::thread refillAhead(Cell cell, int left, std::atomic<bool>& lost);
    // Scores of the block of the grid whose first row and column follow r0
    // and c0, row by row up to row `lastRow`: calls `row(i, values)` after
    // computing row i, values[k] being column c0 + k. With `choices`, the
    // choices of row i go packed to choices + (i - r0 - 1) * stride.
    template <class RowFn>
    void refillBlock(int r0, int c0, int lastRow, int lastColumn, std::uint8_t* choices,
                     std::size_t stride, RowFn&& row);
    LocalScoreMatrix(const LocalScoreMatrix& viewed, WorkArena& arena);

    // What every view of the matrix reads and nothing changes after the
    // construction: sequence 1's residue codes, and for each code its pair
    // scores against every column (entry j for column j, 1-based), in 32
    // and in 16 bits (scores below INT16_MIN stored as INT16_MIN, as the
    // 16-bit kernel's contract allows).
    struct ScoreProfile {
        std::vector<ScoreLookup::Code> codes1;
        std::vector<int> scores;
        std::vector<std::int16_t> scores16;
    };
    ScoreLookup::Code code1(int i) const { return profile_->codes1[static_cast<std::size_t>(i)]; }
    const int* profileRow(ScoreLookup::Code c) const { return profile_->scores.data() + c * width_; }
    const std::int16_t* profile16Row(ScoreLookup::Code c) const {
        return profile_->scores16.data() + c * width_;
    }

    std::string_view seq1_, seq2_;
    const ScoreLookup& lookup_;
    int gap_;
    int len1_, len2_;
    std::shared_ptr<const ScoreProfile> profile_;
    int bestPairScore_;
    LocalRowFn fillRow_;
    LocalRow16Fn fillRow16_;
    FindEqualFn findEqual_;
    PackChoicesFn pack_;
    LocalFillOptions options_;
    WorkArena& arena_;
    std::size_t width_ = 0;  // cells in a row: len2 + 1
    bool keepsChoices_;
    Grid<std::uint8_t> choices_;  // without a grid: every cell's choice, row after row
    CheckpointGrid grid_;
    Block block_;  // the last block a traceback recomputed
    Block ahead_;  // a block refilled ahead of the path, or rows = 0
    // rowBest_[i]: the highest score in row i over the columns of the region
    // that last recorded it (the whole matrix, or a re-scored part). A
    // search of a part that keeps its scores lies within that region, so rows
    // whose bound is below the best value found so far need not be computed.
    // Shared by the views: the workers' parts share no row.
    std::shared_ptr<std::vector<int>> rowBest_;
};
