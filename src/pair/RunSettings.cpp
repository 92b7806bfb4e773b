#include "pair/RunSettings.hpp"

#include <algorithm>
#include <cstdlib>

int clampScoreFactor(int asked) { return std::max(asked, RunLimits::kMinScoreFactor); }

AlignParameters resolveAlignParameters(const RequestedValues& asked, std::size_t matrixLetters,
                                       GappedAnchorRealign gappedAnchor) {
    AlignParameters p;
    p.protein = asked.protein || matrixLetters > RunLimits::kMaxDnaLetters;
    const Preset& preset = presetFor(p.protein);
    p.maskChar = preset.maskChar;
    p.gapOpen = -std::abs(asked.gapOpen.value_or(preset.gapOpen));
    p.gapExt = -std::abs(asked.gapExt.value_or(preset.gapExtend));
    p.cutLen = asked.cutLen.value_or(preset.minLength);
    p.scoreFactor = clampScoreFactor(asked.scoreFactor.value_or(preset.scoreFactor));
    p.localOnly = asked.localOnly;
    p.threads = std::max(asked.threads, 1);
    p.gappedAnchor = gappedAnchor;
    return p;
}
