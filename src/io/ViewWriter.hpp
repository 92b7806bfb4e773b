#pragma once

#include <cstddef>
#include <iosfwd>
#include <string>

#include "align/PairAlignment.hpp"
#include "io/AlignmentTally.hpp"
#include "io/PositivePairs.hpp"

// A pair's alignment as a person reads it: '#' header lines (names, lengths,
// the command, scores and the identity, similarity and gap counts), then
// blocks of at most `width` columns, each three lines:
//
//   NAME1  START SEGMENT END
//                |||:.| |
//   NAME2  START SEGMENT END
//
// The middle line marks identical residues '|', positively scored pairs ':',
// other residue pairs '.', and a gap ' '. START and END are 1-based positions
// on the sequences as given of the first and last residue of the segment (an
// all-gap segment shows the next position and the previous one). Without a
// global alignment (-L) the listed anchors follow one another, each with a
// line of its own. Joined, a pair's segments are its two rows.
void writeView(std::ostream& out, const PairAlignment& pair, std::size_t pairNumber,
               const std::string& commandLine, const PositivePairs& positive,
               std::size_t width = 60);

// The same as text; `tally` is tallyPair's for the pair.
std::string viewText(const PairAlignment& pair, std::size_t pairNumber, const std::string& commandLine,
                     const PositivePairs& positive, const AlignmentTally& tally, std::size_t width = 60);

// The first word of a name, at most `limit` characters ("*" for none).
std::string shortName(const std::string& name, std::size_t limit = 30);
