#pragma once

#include <cstddef>
#include <string>

#include "align/PairAlignment.hpp"
#include "output/AlignmentTally.hpp"
#include "output/PositivePairs.hpp"
#include "output/RunDescription.hpp"

// A pair's alignment as a person reads it, in the layout of needle's pair
// output, so that readers of that format (Biopython's "emboss") read every
// pair and get the alignment file's rows:
//
//   ########################################   the run: program, date,
//   # Program: torva 1.0 ...                    command, pair number, and
//   ########################################   the anchors used and listed
//
//   #=======================================   one alignment: names, lengths,
//   # Aligned_sequences: 2 ...                 settings, column counts, score
//   #=======================================
//
//   NAME1              1 SEGMENT     60        blocks of at most `width`
//                        |||:.| |              columns
//   NAME2              1 SEGMENT     60
//
//   #---------------------------------------   the pair's end
//
// Names and start positions take the first 21 characters of a block's lines
// (names cut to fit). The middle line marks identical residues '|',
// positively scored pairs ':', other residue pairs '.', and a gap ' '. START
// and END are 1-based positions on the sequences as given of the first and
// last residue of the segment; a segment of gaps only shows the position of
// the residue before it twice (0 before the first). Identity, similarity and
// gaps are counted over all columns. Without a global alignment (-L) each
// listed anchor is an alignment of its own, mask runs expanded. Joined, the
// segments of an alignment are its two rows. `tally` is tallyPair's for the
// pair.
std::string viewText(const PairAlignment& pair, std::size_t pairNumber, const RunDescription& run,
                     const PositivePairs& positive, const AlignmentTally& tally, std::size_t width = 60);

// The first word of a name, at most `limit` characters ("*" for none).
std::string shortName(const std::string& name, std::size_t limit = 30);

// The anchors of a pair the global alignment was built on, and those the
// ".loc" listing shows (an anchor may be both, or either).
struct AnchorCounts {
    long long used = 0, listed = 0;
};
AnchorCounts anchorCounts(const PairAlignment& pair);
// "3 used, 4 listed", with why none is used when the listing shows some.
std::string anchorCountsText(const PairAlignment& pair);
