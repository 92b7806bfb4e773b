#pragma once

#include <span>
#include <string>
#include <utility>

#include "align/PairAlignment.hpp"
#include "output/PositivePairs.hpp"

// Column counts of aligned rows as the views report them. Every column counts
// towards `columns`; `identical` and `similar` (identical or positively
// scored) only columns with a residue in both rows, `gaps` the others.
struct AlignmentTally {
    long long columns = 0;
    long long identical = 0;
    long long similar = 0;
    long long gaps = 0;
    long long residuePairs = 0;  // columns with a residue in both rows

    void add(std::span<const char> row1, std::span<const char> row2, const PositivePairs& positive);
};

// What the views count for a pair: the global rows, or with -L (no global
// alignment) the rows of the listed anchors, mask runs expanded.
AlignmentTally tallyPair(const PairAlignment& pair, const PositivePairs& positive);

// "941/1255 (75.0%)"; "0/0 (0.0%)" for nothing counted.
std::string countOf(long long part, long long whole);

// An anchor's rows on the sequences as given: each mask run's extra
// characters go in front of its stand-in's column against gaps, those of row
// 1 before those of row 2, as the global rows and the PAF records have them.
std::pair<std::string, std::string> expandedRows(const AnchorRecord& anchor);
