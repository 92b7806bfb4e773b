#pragma once

#include <cstddef>
#include <string>
#include <string_view>

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

// How the lines of a view's blocks begin: the name, then the start position
// right-aligned, each followed by a blank.
struct BlockLabels {
    std::string name1, name2;  // as shown
    std::size_t nameWidth = 0, numberWidth = 0;
    // A segment of gaps shows the position of the residue before it twice, as
    // needle does; else the next position, then the one before it.
    bool gapShowsResidueBefore = true;
};

// The labels of the programs' view: name and start fill its first 21
// characters (names cut to fit).
BlockLabels viewLabels(const std::string& name1, const std::string& name2, std::size_t length1,
                       std::size_t length2);

// Labels only as wide as the names (first words, at most 30 characters) and
// the numbers need, for rows with `residues1` and `residues2` residues.
BlockLabels fittedLabels(const std::string& name1, const std::string& name2, long long residues1,
                         long long residues2);

// Two rows in blocks of at most `width` columns, each three lines (the
// segments and their marks, see above) and a blank one, read up to the
// shorter row. With `length2` > 0 row 2 is the reverse complement of a
// sequence of that length, numbered down its forward strand.
std::string blocksText(std::string_view row1, std::string_view row2, const BlockLabels& labels,
                       const PositivePairs& positive, std::size_t width = 60, long long length2 = 0);

