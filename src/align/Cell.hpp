#pragma once

#include <cstdint>

// A cell (i, j) of a dynamic-programming matrix: the first i residues of
// sequence 1 against the first j of sequence 2.
struct Cell {
    std::int32_t i;
    std::int32_t j;
    friend bool operator==(const Cell&, const Cell&) = default;
};

// A rectangle of a matrix between two cells, both included: rows
// begin.i .. end.i and columns begin.j .. end.j. As the cells of a segment it
// covers seq1[begin.i, end.i) and seq2[begin.j, end.j).
struct Region {
    Cell begin;
    Cell end;
    friend bool operator==(const Region&, const Region&) = default;
};

// Where cell a lies against cell b.
enum class CellOrder {
    kAfter,     // a after b in both coordinates
    kSame,      // equal
    kBefore,    // a before b in both coordinates
    kCrossing,  // they cross or share one coordinate
};

inline CellOrder compareCells(const Cell& a, const Cell& b) {
    if (a.i > b.i && a.j > b.j) return CellOrder::kAfter;
    if (a.i == b.i && a.j == b.j) return CellOrder::kSame;
    if (a.i < b.i && a.j < b.j) return CellOrder::kBefore;
    return CellOrder::kCrossing;
}
