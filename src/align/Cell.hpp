#pragma once

#include <cstdint>
#include <utility>
#include <vector>

// A cursor in the three Gotoh matrices: state 0 = pair, 1 = residue of
// sequence 1 against a gap, 2 = residue of sequence 2 against a gap.
struct GotohCell {
    std::int32_t state;
    std::int32_t i;
    std::int32_t j;
};

// A cell (i, j) of a dynamic-programming matrix: the first i residues of
// sequence 1 against the first j of sequence 2.
struct Cell {
    std::int32_t i;
    std::int32_t j;
    friend bool operator==(const Cell&, const Cell&) = default;
};

// A rectangle of a matrix between two cells, both included: rows
// begin.i .. end.i and columns begin.j .. end.j.
struct Region {
    Cell begin;
    Cell end;
};

// One high-scoring segment: it covers seq1[start.i, end.i) and
// seq2[start.j, end.j); its aligned rows use '-' for a gap.
struct Segment {
    std::pair<Cell, Cell> f2p;  // first = start cell, second = end cell
    std::int32_t score = 0;
    std::vector<char> align1;
    std::vector<char> align2;
};

// Where cell a lies against cell b.
enum class CellOrder {
    After,     // a after b in both coordinates
    Same,      // equal
    Before,    // a before b in both coordinates
    Crossing,  // they cross or share one coordinate
};

inline CellOrder compareCells(const Cell& a, const Cell& b) {
    if (a.i > b.i && a.j > b.j) return CellOrder::After;
    if (a.i == b.i && a.j == b.j) return CellOrder::Same;
    if (a.i < b.i && a.j < b.j) return CellOrder::Before;
    return CellOrder::Crossing;
}
