#pragma once

#include <cstddef>
#include <optional>

// The two programs differ in one step: how an anchor whose rows both hold at
// least three gap characters is aligned again.
enum class GappedAnchorRealign {
    kWindows,  // torva: the stretches around its gaps, in windows
    kWhole,    // torva-b: the whole anchor, end to end
};

// Every value a pair is aligned with, resolved once per run (defaults, the
// protein switch and the mask character included) and passed down.
struct AlignParameters {
    int gapOpen = -500;      // non-positive; also the local matrix's linear gap cost
    int gapExt = -25;        // non-positive
    int scoreFactor = 10;    // the cutoff factor, at least 6
    int cutLen = 100;        // shorter parts are not searched for anchors
    bool localOnly = false;  // -L: list the anchors only
    bool protein = false;    // -P, or a matrix of more than 20 letters
    char maskChar = 'n';     // runs of it align as one character
    int listingMinLength = 10;  // the ".loc" listing shows anchors covering this many positions of sequence 1
    GappedAnchorRealign gappedAnchor = GappedAnchorRealign::kWindows;
    int threads = 1;         // for the fills of one pair; results do not depend on it

    // Switches for tests; none changes a result. Row skipping lets a search
    // pass over rows that cannot reach its best.
    bool allowRowSkipping = true;
    // With more than one thread, a fill is split into column strips only
    // when it is wide and large enough that handing rows on from strip to
    // strip costs less than it saves. Tests lower both to split small fills.
    int stripMinWidth = 1024;
    long long parallelFillMinCells = 1LL << 22;
    // The spacing of the local matrix's kept rows and columns (0: from the
    // pair's size). Tests make it small so that tracebacks cross many blocks.
    int gridStep = 0;
};

// The values a caller asked for; those left unset take the defaults of the
// mode (DNA or protein).
struct RequestedValues {
    std::optional<int> gapOpen, gapExt, cutLen;
    int scoreFactor = 10;
    bool protein = false;  // -P
    bool localOnly = false;
    int threads = 1;
};

// Decides every value once: protein mode with `protein` or a matrix of more
// than 20 letters (then the mask character '*' and the protein defaults for
// the values not given), gap costs without their sign, a factor of at least 6.
AlignParameters resolveAlignParameters(const RequestedValues& asked, std::size_t matrixLetters,
                                       GappedAnchorRealign gappedAnchor);
