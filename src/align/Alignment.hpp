#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "align/Records.hpp"
#include "align/ScoreLookup.hpp"
#include "common/Matrix.hpp"

class ScoreMatrix;

// Binds two sequences and a scoring matrix and provides the traceback steps
// shared by the global and the anchored aligner.
//
// `D` is the local score matrix of the anchored aligner (which also owns the
// local traceback step, since it decides how that matrix is stored). The global aligner
// does not keep its three score matrices: while filling it records, per cell,
// which predecessor each state came from (`moves`, one byte a cell), which is
// all its traceback reads. See NW_GOTOH for the bit layout.
class Alignment {
public:
    Alignment(std::string& seq1, std::string& seq2, const ScoreMatrix& sm, int gapOpen,
              int gapExt);
    virtual ~Alignment() = default;
    Alignment(const Alignment&) = delete;
    Alignment& operator=(const Alignment&) = delete;

    virtual int GetAlignSeq(std::vector<char>&, std::vector<char>&) { return 0; }

    // Substitution score; 0 when either character is not in the alphabet.
    int pairScore(char a, char b) const { return lookup.score(a, b); }

    // One step of a global traceback over `moves`; appends one column (in
    // reverse) and moves the cursor. Returns 0 once row 0 or column 0 is reached.
    int trace3(foot& cur, std::vector<char>& row1, std::vector<char>& row2);

    // 1: a after b in both coordinates; 0: equal; 2: a before b in both;
    // 3: otherwise (they cross or share one coordinate).
    static int cmp_f2(const foot2& a, const foot2& b);

    std::string& seq1;
    std::string& seq2;
    const ScoreMatrix& smatrix;
    ScoreLookup lookup;
    matrix<int> D;
    matrix<std::uint8_t> moves;  // (len1+1) x (len2+1); row 0 and column 0 unused
    std::int32_t len1;
    std::int32_t len2;
    std::int32_t gapOpen;
    std::int32_t gapExt;
};
