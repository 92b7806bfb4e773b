#include "api/Settings.hpp"

#include <string>

#include "scoring/ValueLimits.hpp"

namespace {

int checked(const char* name, int value, bool mayBeNegative) {
    if (value > kMaxAbsValue || value < -kMaxAbsValue)
        throw std::invalid_argument(std::string(name) + " " + std::to_string(value) +
                                    " lies outside -" + std::to_string(kMaxAbsValue) + ".." +
                                    std::to_string(kMaxAbsValue));
    if (!mayBeNegative && value < 0)
        throw std::invalid_argument(std::string(name) + " must not be negative, not " +
                                    std::to_string(value));
    return value;
}

}  // namespace

Settings resolveSettings(const torva::Options& options, bool localOnly) {
    Settings s{options.matrix ? *options.matrix
                              : (options.protein ? torva::Matrix::protein() : torva::Matrix::dna()),
               AlignParameters{}};
    AlignParameters& p = s.params;
    p.localOnly = localOnly;
    p.gappedAnchor = options.variant == torva::Variant::torvaB ? GappedAnchorRealign::kWhole
                                                               : GappedAnchorRealign::kWindows;
    if (options.variant != torva::Variant::torva && options.variant != torva::Variant::torvaB)
        throw std::invalid_argument("unknown variant");
    RequestedValues asked;
    asked.scoreFactor = checked("factor", options.factor, false);
    if (options.gapOpen) asked.gapOpen = checked("gapOpen", *options.gapOpen, true);
    if (options.gapExtend) asked.gapExt = checked("gapExtend", *options.gapExtend, true);
    if (options.minLength) asked.cutLen = checked("minLength", *options.minLength, false);
    asked.protein = options.protein || s.matrix.isProtein();
    asked.localOnly = localOnly;
    p = resolveAlignParameters(asked, 0, p.gappedAnchor);
    switch (options.strand) {
        case torva::Strand::plus: s.strand = ::Strand::kPlus; break;
        case torva::Strand::minus: s.strand = ::Strand::kMinus; break;
        case torva::Strand::both: s.strand = ::Strand::kBoth; break;
        default: throw std::invalid_argument("unknown strand");
    }
    if (s.strand != ::Strand::kPlus && p.protein)
        throw std::invalid_argument("strand minus or both needs DNA: protein has no other strand");
    return s;
}
