#pragma once

#include "common/ColumnStrips.hpp"

// The two programs differ in one step: how an anchor whose rows both hold at
// least three gap characters is aligned again.
enum class GappedAnchorRealign {
    kWindows,  // torva: the stretches around its gaps, in windows
    kWhole,    // torva-b: the whole anchor, end to end
};

// Choices that only tests change, to reach paths small inputs would not take;
// none changes an alignment. Neither the command line nor the library's
// options reach them: they are not settings of a run.
struct EngineTuning {
    // Row skipping lets a search pass over rows that cannot reach its best.
    bool allowRowSkipping = true;
    // With more than one thread, a fill is split into column strips only
    // when it is wide and large enough that handing rows on from strip to
    // strip costs less than it saves. Tests lower both to split small fills.
    int stripMinWidth = 1024;
    long long parallelFillMinCells = 1LL << 22;
    // With more than one thread, a part of the anchor search goes to another
    // thread only when it has this many cells: below, handing it on costs
    // about as much as filling it. Tests lower it to hand on small parts.
    long long searchPartMinCells = 1LL << 18;
    // The spacing of the local matrix's kept rows and columns (0: from the
    // pair's size). Tests make it small so that tracebacks cross many blocks.
    int gridStep = 0;
    // The ".loc" listing shows anchors covering this many positions of sequence 1.
    int listingMinLength = 10;
};

// Every value a pair is aligned with, resolved once per run
// (pair/RunSettings.hpp: defaults, the protein switch and the mask
// character included) and passed down.
struct AlignParameters {
    // The values of the mode come from its preset; zero here so that nothing
    // aligns with defaults typed a second time.
    int gapOpen = 0;         // non-positive; also the local matrix's linear gap cost
    int gapExt = 0;          // non-positive
    int scoreFactor = 0;     // the cutoff factor, at least 6
    int cutLen = 0;          // shorter parts are not searched for anchors
    bool localOnly = false;  // -L: list the anchors only
    bool protein = false;    // -P, or a matrix of more than 20 letters
    char maskChar = '\0';    // runs of it align as one character ('\0': none)
    GappedAnchorRealign gappedAnchor = GappedAnchorRealign::kWindows;
    int threads = 1;         // for the fills of one pair; results do not depend on it
    EngineTuning tuning{};
};

// How the global aligner's fills of a pair may be split over its threads.
StripPolicy stripPolicyOf(const AlignParameters& params);
