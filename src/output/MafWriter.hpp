#pragma once

#include <iosfwd>

#include "align/PairAlignment.hpp"

// Writes pairs as multiple-alignment-format blocks, the format genome
// comparisons keep their alignments in: an "a score=" line and an "s" line
// per sequence (name, 0-based start, size, strand, source size, aligned
// text), then a blank line. One block per pair over the same span as its PAF
// record (the columns from the first to the last residue pair), or with
// localOnly one per listed anchor; mask runs are written out in full, each
// run's extra characters against gaps before its column, as PAF counts them.
// Sequence 2 of a pair kept on the minus strand has strand '-', its start
// counted from the end of its forward strand as the format counts it, and
// its text as aligned. A pair without any residue pair has no block.

// The line that opens the file.
void writeMafHeader(std::ostream& out);

void writeMaf(std::ostream& out, const PairAlignment& pair);
