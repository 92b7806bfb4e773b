#include "anchor/AlignParameters.hpp"

StripPolicy stripPolicyOf(const AlignParameters& params) {
    return StripPolicy{params.threads, params.tuning.stripMinWidth, params.tuning.parallelFillMinCells};
}
