#pragma once

#include <iosfwd>

#include "align/PairAlignment.hpp"

// Writes a pair in the tab-separated pairwise mapping format: the first
// record is the query, the second the target, each named by the first word of
// its name. Without localOnly one line stands for the global alignment; with
// it, one line for each listed anchor. Coordinates are 0-based, end exclusive,
// on the sequences as given.
void writePaf(std::ostream& out, const PairAlignment& pair);
