#include "anchor/LocalScoreMatrix.hpp"

// The part shares its region's zero row and column, so the bound of each of
// its rows recorded by that region holds, and so do the choices that region
// kept; both stay as they are.
void LocalScoreMatrix::scanPart(const Region& region, std::vector<Cell>& cells, int& best,
                                bool skipRows) {
    fillFreshPart(region, cells, best, skipRows, false);
}

void LocalScoreMatrix::rescorePart(const Region& region, std::vector<Cell>& cells, int& best,
                                   bool skipRows) {
    fillFreshPart(region, cells, best, skipRows, true);
}

// Rows below the last one that can hold a candidate are read by nothing:
// traces from its candidates, and the parts searched after it, lie above it.
// So the fill stops there, and a part with no such row is not filled at all.
void LocalScoreMatrix::fillFreshPart(const Region& region, std::vector<Cell>& cells, int& best,
                                     bool skipRows, bool recordRowBest) {
    Region upTo = region;
    if (skipRows) {
        upTo.end.i = lastReachingRow(region, best);
        if (upTo.end.i < 0) return;
    }
    fillPart(upTo, cells, best, recordRowBest, recordRowBest);
}
