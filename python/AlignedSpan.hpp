#pragma once

#include <cstddef>
#include <string_view>

// Where two global rows align residue against residue: from the first to the
// last column in which both rows hold a residue, as the PAF record gives it.
// Coordinates are 0-based, ends exclusive; a pair without such a column has
// all of them 0.
struct AlignedSpan {
    long long start1 = 0, end1 = 0, start2 = 0, end2 = 0;
    long long matches = 0;  // identical residues (any case) inside the span
    long long columns = 0;  // columns inside the span, gaps included
    // The span's columns of the rows: firstColumn up to lastColumn, exclusive.
    std::size_t firstColumn = 0, lastColumn = 0;
};

// Rows of different lengths are read up to the shorter one.
AlignedSpan alignedSpan(std::string_view row1, std::string_view row2);
