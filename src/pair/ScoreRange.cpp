#include "pair/ScoreRange.hpp"

#include <algorithm>
#include <cstdint>
#include <cstdlib>

#include "scoring/ScoreLookup.hpp"

bool scoresFitInInt32(std::size_t length1, std::size_t length2, const ScoreLookup& lookup,
                      int gapOpen, int gapExt) {
    // In 128 bits, so that the bound itself cannot wrap.
    using Wide = __int128;
    const Wide shorter = static_cast<Wide>(std::min(length1, length2));
    const Wide both = static_cast<Wide>(length1) + static_cast<Wide>(length2);
    const Wide open = std::abs(static_cast<long long>(gapOpen));
    const Wide ext = std::abs(static_cast<long long>(gapExt));
    // Above: no alignment scores more than its best pairs. Below: every cell
    // is at least what leaving both stretches to gaps costs, and each
    // stretch between two anchors opens at most two gaps; one more step of
    // the recurrence may add the worst pair score or another opening.
    const Wide highest = static_cast<Wide>(lookup.bestScore()) * shorter;
    const Wide lowest = 2 * open * (shorter + 2) + ext * both +
                        std::abs(static_cast<long long>(lookup.worstScore()));
    return std::max(highest, lowest) <= static_cast<Wide>(INT32_MAX);
}
