#pragma once

#include <cstddef>
#include <iosfwd>
#include <span>

#include "align/Cigar.hpp"
#include "align/PairAlignment.hpp"

// Writes a pair in the tab-separated pairwise mapping format: the first
// record is the query, the second the target, each named by the first word of
// its name. Without localOnly one line stands for the global alignment; with
// it, one line for each listed anchor. Coordinates are 0-based, end exclusive,
// on the sequences as given.
void writePaf(std::ostream& out, const PairAlignment& pair);

// What a global line gives of two rows, on the rows as they stand (on the
// minus strand, row 2's reverse complement): the aligned span runs from the
// first to the last column in which both rows hold a residue, [firstColumn,
// lastColumn); the columns outside it are overhangs (one sequence against
// nothing) and are left out of the CIGAR as well, so that the CIGAR's
// lengths give back exactly the spans. Rows without such a column give empty
// spans at 0 and an empty CIGAR.
struct PafSpan {
    long long begin1 = 0, end1 = 0, begin2 = 0, end2 = 0;
    std::size_t firstColumn = 0, lastColumn = 0;
    Cigar cigar;
};
PafSpan pafSpan(std::span<const char> row1, std::span<const char> row2);
