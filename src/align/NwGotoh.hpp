#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "align/Alignment.hpp"
#include "align/GotohKernel.hpp"

// Global alignment with affine gaps (a gap of k positions scores
// gapOpen + (k-1) * gapExt), plus the two forms with one free end.
// Memory is one byte a cell: the traceback only needs the predecessor choices,
// and the scores of the last row and column are kept for the free-end forms.
class NW_GOTOH : public Alignment {
public:
    NW_GOTOH(std::string& seq1, std::string& seq2, const ScoreMatrix& sm, int gapOpen,
             int gapExt);

    void fillMatrix();
    // Traceback from `start` to the origin; appends the columns to the rows and
    // returns the start cell's value in its state's matrix.
    int GetAlign(foot start, std::vector<char>& row1, std::vector<char>& row2);
    int GetAlignSeq(std::vector<char>& row1, std::vector<char>& row2) override;
    // From the origin; the tail of the longer sequence may hang over for free.
    int GetRightAlign(std::vector<char>& row1, std::vector<char>& row2);
    // To the far corner; a leading overhang is free. Reverses the caller's
    // strings in place (they stay reversed) and replaces the rows' contents.
    int GetLeftAlign(std::vector<char>& row1, std::vector<char>& row2);

    // The optimal global score alone, in linear memory.
    static int globalScore(std::string_view a, std::string_view b, const ScoreLookup& lookup,
                           int gapOpen, int gapExt);

    std::int32_t score = 0;
    bool filled = false;

private:
    int cellValue(int state, int i, int j) const;

    GotohCorner corner_;
    std::vector<int> lastRow_;  // D[len1][0..len2]
    std::vector<int> lastCol_;  // D[0..len1][len2]
};
