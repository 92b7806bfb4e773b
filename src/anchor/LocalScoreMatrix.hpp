#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <type_traits>
#include <vector>

#include "align/Records.hpp"
#include "align/ScoreLookup.hpp"
#include "anchor/ScoreCells.hpp"
#include "common/Matrix.hpp"

// The local score matrix of one pair with a linear gap cost: the recurrence
// max(diagonal + pair score, above + gap, left + gap, 0) over
// (len1 + 1) x (len2 + 1) cells. It is filled once over the whole pair; parts
// of it are later re-scored in place from a zero boundary, and segments are
// traced back through it.
//
// Cells are stored packed (ScoreCells.hpp) where neighbouring scores allow it.
// A cell's score is read by walking its row from a known score: the region's
// zero column, which is why reads take the first column of the region whose
// scores the row holds (`zeroColumn`, 0 for the matrix as filled).
class LocalScoreMatrix {
public:
    LocalScoreMatrix(std::string_view seq1, std::string_view seq2, const ScoreLookup& lookup,
                     int gap, bool allowPackedCells, WorkArena& arena);

    int len1() const { return len1_; }
    int len2() const { return len2_; }

    // Fills the whole matrix; returns the highest score and puts every cell
    // holding it, row-major, in `maxCells` (none when no cell is positive).
    int fill(std::vector<foot2>& maxCells);

    // Score of `cell`, whose row holds the scores of a region starting at
    // column `zeroColumn`.
    int valueAt(foot2 cell, int zeroColumn) const;

    // The cells of the highest value of `region` (two inclusive corners) that
    // is positive and at least `best` (which receives it), row-major.
    // scanPart reads the stored scores: the region's first column must be the
    // zero column of its rows. rescorePart first re-scores the region from a
    // zero boundary at its first row and column; its rows' scores are read
    // relative to `zeroColumn`. With `skipRows`, a scan passes over rows whose
    // recorded best cannot reach `best`.
    void scanPart(const foot2* region, std::vector<foot2>& cells, int& best, bool skipRows) const;
    void rescorePart(const foot2* region, std::vector<foot2>& cells, int& best);

    // Traces the segment ending at `cell`, whose score is `value`, back to its
    // start (left in `cell`); appends its aligned rows and returns the score.
    int traceSegment(foot2& cell, int value, std::vector<char>& row1, std::vector<char>& row2) const;
    // One step of that traceback: the first predecessor, in the order
    // diagonal, gap in sequence 2, gap in sequence 1, whose score leads to
    // this cell's. Stops (returns 0) at a zero cell or the matrix border.
    int trace2(foot2& cur, int& value, std::vector<char>& row1, std::vector<char>& row2) const;

    // The cell as stored, for checking which cells an operation changed.
    long long storedCell(int i, int j) const;
    bool packedCells() const { return packed_; }

private:
    template <class Layout>
    typename Layout::Row rowOf(int i) const {
        const std::size_t row = static_cast<std::size_t>(i);
        if constexpr (std::is_same_v<Layout, WholeCells>) {
            return {const_cast<int*>(whole_.data()) + row * width_};
        } else {
            return {const_cast<std::uint8_t*>(packed_cells_.data()) + row * packedRowBytes_};
        }
    }
    template <class Layout> int fillCells(std::vector<foot2>& maxCells);
    template <class Layout> int valueAtCells(foot2 cell, int zeroColumn) const;
    template <class Layout> int traceStep(foot2& cur, int& value, std::vector<char>& row1,
                                          std::vector<char>& row2) const;
    template <class Layout> void scanCells(const foot2* region, std::vector<foot2>& cells,
                                           int& best, bool skipRows) const;
    template <class Layout> void rescoreCells(const foot2* region, std::vector<foot2>& cells,
                                              int& best);
    // The pair scores of residue code c against every column: entry j for
    // column j (1-based), c * width_ apart.
    const int* profileRow(ScoreLookup::Code c) const { return profile_.data() + c * width_; }

    std::string_view seq1_, seq2_;
    const ScoreLookup& lookup_;
    int gap_;
    int len1_, len2_;
    std::vector<ScoreLookup::Code> codes1_;
    std::vector<int> profile_;
    bool packed_ = false;  // PackedCells in packed_cells_, else WholeCells in whole_
    matrix<int> whole_;
    matrix<std::uint8_t> packed_cells_;
    std::size_t width_ = 0;  // cells in a row: len2 + 1
    std::size_t packedRowBytes_ = 0;
    // rowBest_[i]: the highest score in row i over the columns of the region
    // that last scored that row (the whole matrix, or a re-scored part). A
    // search of a part that keeps its scores lies within that region, so rows
    // whose bound is below the best value found so far need not be read.
    std::vector<int> rowBest_;
};
