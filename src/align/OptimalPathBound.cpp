#include "align/OptimalPathBound.hpp"

#include <algorithm>
#include <cstdlib>

std::optional<OptimalPathBound> optimalPathBound(int n, int m, int bestPairScore, int gapOpen,
                                                 int gapExt, long long reachedScore) {
    const long long gapColumnCost = static_cast<long long>(bestPairScore) - 2LL * std::max(gapOpen, gapExt);
    const long long knownCost = static_cast<long long>(bestPairScore) * (static_cast<long long>(n) + m) -
                                2 * reachedScore;
    if (gapColumnCost <= 0 || knownCost < 0 || n < 0 || m < 0) return std::nullopt;
    const long long gapColumns = knownCost / gapColumnCost;
    const long long shift = static_cast<long long>(m) - n;  // the diagonal of the far corner
    if (gapColumns < std::llabs(shift)) return std::nullopt;
    const long long spare = (gapColumns - std::llabs(shift)) / 2;  // each way beyond the corners
    const long long lowest = std::min(0LL, shift) - spare;
    const long long highest = std::max(0LL, shift) + spare;
    const DiagonalRange diagonals{static_cast<int>(std::max(lowest, -static_cast<long long>(n))),
                                  static_cast<int>(std::min(highest, static_cast<long long>(m)))};
    return OptimalPathBound{diagonals, bestPairScore, gapColumnCost, knownCost, shift};
}

std::optional<long long> alignedRowsScore(std::string_view row1, std::string_view row2,
                                          std::string_view seq1, std::string_view seq2,
                                          const ScoreLookup& lookup, int gapOpen, int gapExt) {
    // A residue written as a gap character would make the rows ambiguous.
    if (row1.size() != row2.size() || seq1.find('-') != std::string_view::npos ||
        seq2.find('-') != std::string_view::npos)
        return std::nullopt;
    enum class Last { kPair, kGapIn2, kGapIn1 } last = Last::kPair;
    std::size_t i = 0, j = 0;
    long long score = 0;
    for (std::size_t c = 0; c < row1.size(); ++c) {
        const bool gap1 = row1[c] == '-', gap2 = row2[c] == '-';
        if (gap1 && gap2) return std::nullopt;
        if (!gap1 && (i >= seq1.size() || row1[c] != seq1[i])) return std::nullopt;
        if (!gap2 && (j >= seq2.size() || row2[c] != seq2[j])) return std::nullopt;
        if (gap2) {
            score += last == Last::kGapIn2 ? gapExt : gapOpen;
            last = Last::kGapIn2;
            ++i;
        } else if (gap1) {
            score += last == Last::kGapIn1 ? gapExt : gapOpen;
            last = Last::kGapIn1;
            ++j;
        } else {
            score += lookup.score(seq1[i], seq2[j]);
            last = Last::kPair;
            ++i;
            ++j;
        }
    }
    if (i != seq1.size() || j != seq2.size()) return std::nullopt;
    return score;
}
