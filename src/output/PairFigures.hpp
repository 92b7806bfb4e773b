#pragma once

#include "align/PairAlignment.hpp"
#include "output/AlignmentTally.hpp"
#include "output/IdentityProfile.hpp"
#include "output/PositivePairs.hpp"

// The counts and the identity profile that the picture, the view and the
// report all show, worked out once per pair.
struct PairFigures {
    AlignmentTally tally;
    IdentityProfile profile;  // empty without a global alignment
};

// The profile has a point every two pixels of the picture's plot.
PairFigures pairFigures(const PairAlignment& pair, const PositivePairs& positive);
