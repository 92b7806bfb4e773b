#include <algorithm>
#include <string>

#include "align/NwGotoh.hpp"
#include "anchor/BestAligner.hpp"

namespace {

// Gap columns closer than this stay in one window; the outer windows also
// reach this far beyond their outermost gap columns.
constexpr int kWindowReach = 81;

struct GapWindow {
    int first;
    int last;
    int gapColumns;
};

bool isGapColumn(const std::vector<char>& a1, const std::vector<char>& a2, int c) {
    return a1[c] == '-' || a2[c] == '-';
}

std::vector<GapWindow> gapWindows(const std::vector<char>& a1, const std::vector<char>& a2) {
    const int length = static_cast<int>(a1.size());
    std::vector<GapWindow> windows;
    int previous = 0;
    for (int c = 0; c < length; ++c) {
        if (!isGapColumn(a1, a2, c)) continue;
        if (windows.empty() || c - previous > kWindowReach) {
            windows.push_back(GapWindow{c, c, 1});
        } else {
            windows.back().last = c;
            ++windows.back().gapColumns;
        }
        previous = c;
    }
    if (!windows.empty()) {
        windows.front().first = std::max(windows.front().first - kWindowReach, 0);
        windows.back().last = std::min(windows.back().last + kWindowReach, length - 1);
    }
    return windows;
}

}  // namespace

int BestAligner::reAlign(std::vector<char>& align1, std::vector<char>& align2) {
    const std::vector<char> a1 = align1;
    const std::vector<char> a2 = align2;
    align1.clear();
    align2.clear();
    const int length = static_cast<int>(std::min(a1.size(), a2.size()));

    int score = 0;
    bool afterPair = true;  // the previous scored column held no gap
    auto copyColumns = [&](int from, int to) {
        for (int c = from; c <= to; ++c) {
            align1.push_back(a1[c]);
            align2.push_back(a2[c]);
            if (isGapColumn(a1, a2, c)) {
                score += afterPair ? gapOpen : gapExt;
                afterPair = false;
            } else {
                score += pairScore(a1[c], a2[c]);
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
            NW_GOTOH window(res1, res2, smatrix, gapOpen, gapExt);
            const std::size_t from = align1.size();
            score += window.GetAlignSeq(align1, align2);
            if (align1.size() > from && (align1.back() == '-' || align2.back() == '-'))
                afterPair = false;
            p = w.last + 1;
        }
        copyColumns(p, w.last);
        p = std::max(p, w.last + 1);
    }
    copyColumns(p, length - 1);
    return score;
}
