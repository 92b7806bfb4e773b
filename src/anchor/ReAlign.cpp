#include <algorithm>
#include <string>

#include "align/GotohAligner.hpp"
#include "anchor/AnchorSteps.hpp"
#include "anchor/GapWindows.hpp"

int reAlign(const SearchContext& context, std::vector<char>& row1, std::vector<char>& row2) {
    const int gapOpen = context.params.gapOpen, gapExt = context.params.gapExt;
    const std::vector<char> a1 = row1;
    const std::vector<char> a2 = row2;
    row1.clear();
    row2.clear();
    const int length = static_cast<int>(std::min(a1.size(), a2.size()));

    int score = 0;
    bool afterPair = true;  // the previous scored column held no gap
    auto copyColumns = [&](int from, int to) {
        for (int c = from; c <= to; ++c) {
            row1.push_back(a1[c]);
            row2.push_back(a2[c]);
            if (isGapColumn(a1, a2, c)) {
                score += afterPair ? gapOpen : gapExt;
                afterPair = false;
            } else {
                score += context.lookup.score(a1[c], a2[c]);
                afterPair = true;
            }
        }
    };

    int p = 0;
    for (const GapWindow& w : gapWindows(a1, a2)) {
        copyColumns(p, w.first - 1);
        p = std::max(p, w.first);
        if (w.last - w.first + 1 > w.gapColumns) {
            std::string res1, res2;
            for (int c = w.first; c <= w.last; ++c) {
                if (a1[c] != '-') res1.push_back(a1[c]);
                if (a2[c] != '-') res2.push_back(a2[c]);
            }
            GotohAligner window(res1, res2, context.lookup, gapOpen, gapExt, &context.arena,
                                stripPolicyOf(context.params));
            const std::size_t from = row1.size();
            score += window.alignGlobal(row1, row2);
            if (row1.size() > from && (row1.back() == '-' || row2.back() == '-'))
                afterPair = false;
            p = w.last + 1;
        }
        copyColumns(p, w.last);
        p = std::max(p, w.last + 1);
    }
    copyColumns(p, length - 1);
    return score;
}
