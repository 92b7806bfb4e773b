#pragma once

#include <cstdint>
#include <utility>
#include <vector>

// A cursor in the three Gotoh matrices: state 0 = pair, 1 = residue of
// sequence 1 against a gap, 2 = residue of sequence 2 against a gap.
struct foot {
    std::int32_t state;
    std::int32_t i;
    std::int32_t j;
};

// A cell (i, j) of a dynamic-programming matrix: the first i residues of
// sequence 1 against the first j of sequence 2.
struct foot2 {
    std::int32_t i;
    std::int32_t j;
    friend bool operator==(const foot2&, const foot2&) = default;
};

// One high-scoring segment: it covers seq1[start.i, end.i) and
// seq2[start.j, end.j); its aligned rows use '-' for a gap.
struct f2pScore {
    std::pair<foot2, foot2> f2p;  // first = start cell, second = end cell
    std::int32_t score = 0;
    std::vector<char> align1;
    std::vector<char> align2;
};

// 1: a after b in both coordinates; 0: equal; 2: a before b in both;
// 3: otherwise (they cross or share one coordinate).
inline int cmp_f2(const foot2& a, const foot2& b) {
    if (a.i > b.i && a.j > b.j) return 1;
    if (a.i == b.i && a.j == b.j) return 0;
    if (a.i < b.i && a.j < b.j) return 2;
    return 3;
}
