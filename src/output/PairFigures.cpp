#include "output/PairFigures.hpp"

PairFigures pairFigures(const PairAlignment& pair, const PositivePairs& positive) {
    PairFigures figures;
    figures.tally = tallyPair(pair, positive);
    if (!pair.localOnly) {
        ProfileSettings settings;
        settings.maxPoints = 300;
        figures.profile = identityProfile(pair.row1, pair.row2, settings);
    }
    return figures;
}
