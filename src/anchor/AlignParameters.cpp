#include "anchor/AlignParameters.hpp"

#include <cstdlib>

AlignParameters resolveAlignParameters(const RequestedValues& asked, std::size_t matrixLetters,
                                       GappedAnchorRealign gappedAnchor) {
    AlignParameters p;
    p.protein = asked.protein || matrixLetters > 20;
    p.maskChar = p.protein ? '*' : 'n';
    p.gapOpen = -std::abs(asked.gapOpen.value_or(p.protein ? 15 : 500));
    p.gapExt = -std::abs(asked.gapExt.value_or(p.protein ? 2 : 25));
    p.cutLen = asked.cutLen.value_or(p.protein ? 50 : 100);
    p.scoreFactor = asked.scoreFactor < 6 ? 6 : asked.scoreFactor;
    p.localOnly = asked.localOnly;
    p.threads = asked.threads < 1 ? 1 : asked.threads;
    p.gappedAnchor = gappedAnchor;
    return p;
}
