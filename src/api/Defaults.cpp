#include "pair/RunSettings.hpp"
#include "scoring/ValueLimits.hpp"
#include "torva/torva.hpp"

namespace torva {

Defaults defaults(bool protein) {
    const Preset& preset = presetFor(protein);
    return Defaults{preset.gapOpen, preset.gapExtend, preset.scoreFactor, preset.minLength};
}

Limits limits() {
    return Limits{RunLimits::kMinScoreFactor, static_cast<unsigned>(RunLimits::kMaxThreads), kMaxAbsValue};
}

}  // namespace torva
