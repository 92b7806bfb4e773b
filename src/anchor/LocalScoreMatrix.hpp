#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "align/Records.hpp"
#include "common/FillProgress.hpp"
#include "common/Grid.hpp"
#include "kernels/LocalRow.hpp"
#include "scoring/ScoreLookup.hpp"

// The local score matrix of one pair with a linear gap cost: the recurrence
// max(diagonal + pair score, above + gap, left + gap, 0) over
// (len1 + 1) x (len2 + 1) cells. It is filled once over the whole pair; parts
// of it are later re-scored in place from a zero boundary, and segments are
// traced back through it.
//
// A cell keeps only its traceback choice (ChoiceCells.hpp). That is enough
// because of the order of the anchor search: every search traces its
// candidates before any of its parts is re-scored, parts of one chain do not
// overlap, and a part that keeps its scores shares its region's zero row and
// column. So the score of every cell a search reads equals that of a fresh
// zero-boundary fill of the innermost region or part holding it, and the
// search recomputes those scores with the row kernel instead of reading
// them. A re-scored part rewrites the choices of its own cells only.

// How many threads the fills of a local matrix use.
struct LocalFillOptions {
    int threads = 1;
    // With more than one thread, a fill is split into column strips only
    // when it is wide and large enough that handing rows on from strip to
    // strip costs less than it saves.
    int stripMinWidth = 1024;
    long long parallelFillMinCells = 1LL << 22;
};

class LocalScoreMatrix {
public:
    LocalScoreMatrix(std::string_view seq1, std::string_view seq2, const ScoreLookup& lookup,
                     int gap, const LocalFillOptions& options, WorkArena& arena);

    int len1() const { return len1_; }
    int len2() const { return len2_; }

    // Fills the whole matrix; returns the highest score and puts every cell
    // holding it, row-major, in `maxCells` (none when no cell is positive).
    // `progress`, when given, follows the rows done.
    int fill(std::vector<Cell>& maxCells, FillProgress* progress = nullptr);

    // Score of `cell`: the sum of the steps of its traceback.
    int valueAt(Cell cell) const;

    // The cells of the highest value of `region` that is positive and at
    // least `best` (which receives it), row-major. scanPart computes the
    // scores the region's cells hold: its first row and column must be the
    // zero row and column of the region whose fill wrote them. rescorePart
    // re-scores the region from a zero boundary at its first row and column
    // and stores its choices.
    //
    // With `skipRows` both use each row's recorded best as a bound: a fresh
    // fill of a part never exceeds the fill of the region it lies in, so rows
    // that cannot reach `best` below the last one that can are not computed,
    // and a part none of whose rows can reach it is not computed at all (no
    // segment is then traced or searched in it).
    void scanPart(const Region& region, std::vector<Cell>& cells, int& best, bool skipRows);
    void rescorePart(const Region& region, std::vector<Cell>& cells, int& best, bool skipRows);

    // Traces the segment ending at `cell`, whose score is `value`, back to its
    // start (left in `cell`); appends its aligned rows and returns the score.
    int traceSegment(Cell& cell, int value, std::vector<char>& row1, std::vector<char>& row2) const;

    // The traceback choice of a cell, for checking which cells an operation changed.
    int choiceAt(int i, int j) const;

private:
    std::uint8_t* choiceRow(int i) const {
        return const_cast<std::uint8_t*>(bytes_.data()) + static_cast<std::size_t>(i) * rowBytes_;
    }
    // Fills `region` from a zero boundary at its first row and column,
    // offering its best cells to `cells`/`best`; with `storeChoices` its
    // cells' choices are written. With `recordRowBest` each row's best goes
    // to rowBest_.
    void fillPart(const Region& region, std::vector<Cell>& cells, int& best, bool storeChoices,
                  bool recordRowBest, FillProgress* progress = nullptr);
    // A part filled fresh; with `rescore` its choices and row bests are stored.
    void fillChoicePart(const Region& region, std::vector<Cell>& cells, int& best, bool skipRows,
                        bool rescore);
    // The last row of `region` whose recorded best reaches `best` (or 1), or
    // -1 when none does.
    int lastReachingRow(const Region& region, int best) const;
    struct StripLink;
    // Rows top+1 .. bottom of columns c0 .. c1 (c0 standing for the zero
    // column, or for the last column of the strip on the left, whose scores
    // arrive through `in`); hands its own last column on through `out`.
    void fillStrip(int top, int bottom, int c0, int c1, StripLink* in, StripLink* out,
                   bool storeChoices, std::vector<Cell>& cells, int& best, int* rowMaxOut,
                   FillProgress* progress) const;
    int traceStep(Cell& cur, int& value, std::vector<char>& row1, std::vector<char>& row2) const;
    // The pair scores of residue code c against every column: entry j for
    // column j (1-based), c * width_ apart.
    const int* profileRow(ScoreLookup::Code c) const { return profile_.data() + c * width_; }

    std::string_view seq1_, seq2_;
    const ScoreLookup& lookup_;
    int gap_;
    int len1_, len2_;
    std::vector<ScoreLookup::Code> codes1_;
    std::vector<int> profile_;
    LocalRowFn fillRow_;
    PackChoicesFn pack_;
    LocalFillOptions options_;
    Grid<std::uint8_t> bytes_;     // the choices, row after row
    std::size_t width_ = 0;        // cells in a row: len2 + 1
    std::size_t rowBytes_ = 0;     // bytes a row of bytes_
    // rowBest_[i]: the highest score in row i over the columns of the region
    // that last scored that row (the whole matrix, or a re-scored part). A
    // search of a part that keeps its scores lies within that region, so rows
    // whose bound is below the best value found so far need not be computed.
    std::vector<int> rowBest_;
};
