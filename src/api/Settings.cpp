#include "api/Settings.hpp"

#include <cstdlib>
#include <string>

namespace {

// The programs accept option numbers up to this absolute value.
constexpr int kMaxOptionValue = 1000000;

int checked(const char* name, int value, bool mayBeNegative) {
    if (value > kMaxOptionValue || value < -kMaxOptionValue)
        throw std::invalid_argument(std::string(name) + " " + std::to_string(value) +
                                    " lies outside -1000000..1000000");
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
    const int factor = checked("factor", options.factor, false);
    p.scoreFactor = factor < 6 ? 6 : factor;

    const bool protein = options.protein || s.matrix.isProtein();
    if (protein) p.maskChar = '*';
    p.gapOpen = options.gapOpen ? checked("gapOpen", *options.gapOpen, true) : (protein ? 15 : 500);
    p.gapExt = options.gapExtend ? checked("gapExtend", *options.gapExtend, true) : (protein ? 2 : 25);
    p.cutLen = options.minLength ? checked("minLength", *options.minLength, false) : (protein ? 50 : 100);
    p.gapOpen = -std::abs(p.gapOpen);
    p.gapExt = -std::abs(p.gapExt);
    return s;
}
