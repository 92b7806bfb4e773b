#include "output/RunDescription.hpp"

std::vector<std::pair<std::string, std::string>> settingFields(const RunDescription& run) {
    const AlignParameters& p = run.params;
    std::vector<std::pair<std::string, std::string>> fields{
        {"Matrix", run.matrix.substr(run.matrix.find_last_of('/') + 1)},
        {"Gap_penalty", std::to_string(-static_cast<long long>(p.gapOpen))},
        {"Extend_penalty", std::to_string(-static_cast<long long>(p.gapExt))},
        {"Cutoff_factor", std::to_string(p.scoreFactor)},
        {"Min_region", std::to_string(p.cutLen)},
        {"Sequences", std::string(p.protein ? "protein" : "DNA") + ", runs of '" + p.maskChar +
                          "' aligned as one"},
        {"Gapped_anchors", p.gappedAnchor == GappedAnchorRealign::kWhole ? "re-aligned whole"
                                                                         : "re-aligned in windows"},
    };
    if (p.localOnly) fields.emplace_back("Global_alignment", "none (-L)");
    return fields;
}
