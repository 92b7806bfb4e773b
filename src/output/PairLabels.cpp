#include "output/PairLabels.hpp"

#include <algorithm>

std::string shortName(const std::string& name, std::size_t limit) {
    const std::string word = name.substr(0, std::min(name.find_first_of(" \t"), limit));
    return word.empty() ? "*" : word;
}

AnchorCounts anchorCounts(const PairAlignment& pair) {
    AnchorCounts counts;
    for (const AnchorRecord& a : pair.anchors) {
        counts.used += a.used;
        counts.listed += a.listed;
    }
    return counts;
}

std::string anchorCountsText(const PairAlignment& pair) {
    const AnchorCounts counts = anchorCounts(pair);
    std::string text = std::to_string(counts.used) + " used, " + std::to_string(counts.listed) + " listed";
    if (counts.used == 0 && counts.listed > 0)
        text += pair.localOnly ? " (-L: no alignment is built on them)"
                               : " (no local score beat the cutoff: the alignment is not built on them)";
    return text;
}
