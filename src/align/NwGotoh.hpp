#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "align/GotohKernel.hpp"
#include "align/Records.hpp"
#include "align/ScoreLookup.hpp"
#include "common/Matrix.hpp"

// Global alignment with affine gaps (a gap of k positions scores
// gapOpen + (k-1) * gapExt), plus the two forms with one free end.
// Memory is one byte a cell: the traceback only needs the predecessor choices,
// and the scores of the last row and column are kept for the free-end forms.
// The sequences are viewed, not copied; they must outlive the aligner.
class NW_GOTOH {
public:
    NW_GOTOH(std::string_view seq1, std::string_view seq2, const ScoreLookup& lookup, int gapOpen,
             int gapExt, WorkArena* arena = nullptr);

    void fillMatrix();
    // Traceback from `start` to the origin; appends the columns to the rows and
    // returns the start cell's value in its state's matrix.
    int GetAlign(foot start, std::vector<char>& row1, std::vector<char>& row2);
    int GetAlignSeq(std::vector<char>& row1, std::vector<char>& row2);
    // From the origin; the tail of the longer sequence may hang over for free.
    int GetRightAlign(std::vector<char>& row1, std::vector<char>& row2);
    // To the far corner; a leading overhang is free. Appends to the rows.
    int GetLeftAlign(std::vector<char>& row1, std::vector<char>& row2);

    // One step of the traceback over `moves`; appends one column (in
    // reverse) and moves the cursor. Returns 0 once row 0 or column 0 is reached.
    int trace3(foot& cur, std::vector<char>& row1, std::vector<char>& row2);

    // The optimal global score alone, in linear memory.
    static int globalScore(std::string_view a, std::string_view b, const ScoreLookup& lookup,
                           int gapOpen, int gapExt);

    std::int32_t score = 0;
    bool filled = false;

private:
    int cellValue(int state, int i, int j) const;

    std::string_view seq1_, seq2_;
    const ScoreLookup& lookup_;
    WorkArena* arena_;
    std::int32_t len1_, len2_;
    std::int32_t gapOpen_, gapExt_;
    matrix<std::uint8_t> moves_;  // (len1+1) x (len2+1); row 0 and column 0 unused
    GotohCorner corner_;
    std::vector<int> lastRow_;  // D[len1][0..len2]
    std::vector<int> lastCol_;  // D[0..len1][len2]
};
