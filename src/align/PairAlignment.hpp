#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "align/Cell.hpp"
#include "common/Message.hpp"

// A mask run inside an anchor's aligned row: the stand-in character at
// `column` of the row stands for `length` characters of the sequence as given.
struct MaskRun {
    std::size_t column = 0;
    unsigned long length = 0;
};

// One anchor of a pair as the listing reports it.
struct AnchorRecord {
    // Cells of the collapsed sequences (mask runs as one character): the
    // anchor covers seq1[region.begin.i, region.end.i) and
    // seq2[region.begin.j, region.end.j).
    Region region;
    std::int32_t score = 0;
    // Its aligned rows over the collapsed sequences ('-' for a gap).
    std::vector<char> row1, row2;
    // The span on the sequences as given, 0-based, end exclusive (a mask run
    // at either end counts whole).
    long long begin1 = 0, end1 = 0, begin2 = 0, end2 = 0;
    // The four numbers the ".loc" listing prints: when the pair had mask runs,
    // the given positions of the first and last residue (inclusive); without,
    // the cells region.begin.i, region.end.i, region.begin.j, region.end.j.
    long long shownBegin1 = 0, shownEnd1 = 0, shownBegin2 = 0, shownEnd2 = 0;
    // Whether the listing shows it: it covers at least the listing's minimum
    // number of positions of sequence 1.
    bool listed = false;
    // Whether the global alignment was built on it. The listing also shows
    // the anchors of a pair whose best local score did not beat the cutoff,
    // and those of -L, where no alignment is built: those are not used.
    bool used = false;
    // The mask runs in row1 and row2 (see maskRunsInRow); empty when the pair
    // had none. Writers that report lengths on the sequences as given need
    // them, since the rows show each run as one character.
    std::vector<MaskRun> runs1, runs2;
};

// Everything computed for one pair; writers format it, nothing in it is
// formatted yet.
struct PairAlignment {
    std::string name1, name2;        // headers cut at their first '|'
    std::size_t length1 = 0;         // lengths of the sequences as given
    std::size_t length2 = 0;
    bool localOnly = false;          // -L: anchors only, no global rows
    bool masked = false;             // mask runs were collapsed (and restored in the rows)
    // Sequence 2 was aligned reverse-complemented: its rows, anchors and
    // positions are those of the reverse complement.
    bool minusStrand = false;
    // The run chose the strands to try: the summary line names the one kept.
    bool strandChosen = false;
    std::int32_t anchorScore = 0;    // sum of the anchors' scores
    std::int32_t score = 0;          // the global score (0 with localOnly)
    // The global rows over the sequences as given (mask runs restored); empty
    // with localOnly.
    std::vector<char> row1, row2;
    // Every anchor, in order along the sequences.
    std::vector<AnchorRecord> anchors;
    // The runs of the mask character on each sequence as given, 0-based
    // [begin, end), in order; empty when the pair had none. Pictures shade them.
    std::vector<std::pair<long long, long long>> maskRuns1, maskRuns2;
    // Lines to print for this pair, in order.
    Messages messages;
};
