#include "output/AlignmentTally.hpp"

#include <algorithm>
#include <cstdio>

#include "align/Cigar.hpp"

void AlignmentTally::add(std::span<const char> row1, std::span<const char> row2,
                         const PositivePairs& positive) {
    const std::size_t n = std::min(row1.size(), row2.size());
    columns += static_cast<long long>(n);
    for (std::size_t c = 0; c < n; ++c) {
        const char a = row1[c], b = row2[c];
        if (a == '-' || b == '-') {
            ++gaps;
            continue;
        }
        ++residuePairs;
        if (sameResidue(a, b)) {
            ++identical;
            ++similar;
        } else if (positive(a, b)) {
            ++similar;
        }
    }
}

AlignmentTally tallyPair(const PairAlignment& pair, const PositivePairs& positive) {
    AlignmentTally tally;
    if (!pair.localOnly) {
        tally.add(pair.row1, pair.row2, positive);
        return tally;
    }
    for (const AnchorRecord& a : pair.anchors) {
        if (!a.listed) continue;
        const auto [r1, r2] = expandedRows(a);
        tally.add(r1, r2, positive);
    }
    return tally;
}

std::string countOf(long long part, long long whole) {
    char buf[80];
    std::snprintf(buf, sizeof buf, "%lld/%lld (%.1f%%)", part, whole,
                  whole > 0 ? 100.0 * static_cast<double>(part) / static_cast<double>(whole) : 0.0);
    return buf;
}

std::pair<std::string, std::string> expandedRows(const AnchorRecord& a) {
    std::string r1, r2;
    const std::size_t n = std::min(a.row1.size(), a.row2.size());
    r1.reserve(n);
    r2.reserve(n);
    auto run1 = a.runs1.begin();
    auto run2 = a.runs2.begin();
    for (std::size_t c = 0; c < n; ++c) {
        if (run1 != a.runs1.end() && run1->column == c) {
            const std::size_t extra = run1->length > 0 ? run1->length - 1 : 0;
            r1.append(extra, a.row1[c]);
            r2.append(extra, '-');
            ++run1;
        }
        if (run2 != a.runs2.end() && run2->column == c) {
            const std::size_t extra = run2->length > 0 ? run2->length - 1 : 0;
            r1.append(extra, '-');
            r2.append(extra, a.row2[c]);
            ++run2;
        }
        r1 += a.row1[c];
        r2 += a.row2[c];
    }
    return {std::move(r1), std::move(r2)};
}
