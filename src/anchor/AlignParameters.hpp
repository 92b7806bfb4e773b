#pragma once

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
    char maskChar = 'n';     // runs of it align as one character
    int listingMinLength = 10;  // the ".loc" listing shows anchors covering this many positions of sequence 1
    GappedAnchorRealign gappedAnchor = GappedAnchorRealign::kWindows;

    // Switches for tests: 32-bit cells instead of packed ones, and reading
    // every row of a part search. Neither changes a result.
    bool allowPackedCells = true;
    bool allowRowSkipping = true;
};
