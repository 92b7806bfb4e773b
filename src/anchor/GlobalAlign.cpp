#include "align/NwGotoh.hpp"
#include "anchor/BestAligner.hpp"

namespace {

void appendGap(std::vector<char>& row, int count) {
    row.insert(row.end(), static_cast<std::size_t>(count), '-');
}

void appendResidues(std::vector<char>& row, const std::string& s, int from, int to) {
    row.insert(row.end(), s.begin() + from, s.begin() + to);
}

}  // namespace

int BestAligner::global_align(std::vector<char>& row1, std::vector<char>& row2) {
    if (hssList.empty()) {
        if (maxScore <= cutoff) {
            NW_GOTOH whole(seq1, seq2, smatrix, gapOpen, gapExt);
            alignScore = whole.GetAlignSeq(row1, row2);
            return alignScore;
        }
        selectAnchors();
    }

    alignScore = 0;
    foot2 prev{0, 0};
    int k = 0;
    for (const f2pScore& r : hssList) {
        ++k;
        alignScore += r.score;
        const foot2 start = r.f2p.first;
        const int di = start.i - prev.i;
        const int dj = start.j - prev.j;
        if (di == 0 && dj > 0) {
            alignScore += gapOpen + (dj - 1) * gapExt;
            appendGap(row1, dj);
            appendResidues(row2, seq2, prev.j, start.j);
        } else if (di > 0 && dj == 0) {
            alignScore += gapOpen + (di - 1) * gapExt;
            appendResidues(row1, seq1, prev.i, start.i);
            appendGap(row2, di);
        } else if (di > 0 && dj > 0) {
            std::string sub1 = seq1.substr(static_cast<std::size_t>(prev.i), static_cast<std::size_t>(di));
            std::string sub2 = seq2.substr(static_cast<std::size_t>(prev.j), static_cast<std::size_t>(dj));
            NW_GOTOH stretch(sub1, sub2, smatrix, gapOpen, gapExt);
            // Before the first anchor the leading overhang is free.
            alignScore += k == 1 ? stretch.GetLeftAlign(row1, row2) : stretch.GetAlignSeq(row1, row2);
        }
        row1.insert(row1.end(), r.align1.begin(), r.align1.end());
        row2.insert(row2.end(), r.align2.begin(), r.align2.end());
        prev = r.f2p.second;
    }

    const int di = len1 - prev.i;
    const int dj = len2 - prev.j;
    if (di == 0 && dj > 0) {
        alignScore += gapOpen + (dj - 1) * gapExt;
        appendGap(row1, dj);
        appendResidues(row2, seq2, prev.j, len2);
    } else if (di > 0 && dj == 0) {
        alignScore += gapOpen + (di - 1) * gapExt;
        appendResidues(row1, seq1, prev.i, len1);
        appendGap(row2, di);
    } else if (di > 0 && dj > 0) {
        std::string tail1 = seq1.substr(static_cast<std::size_t>(prev.i));
        std::string tail2 = seq2.substr(static_cast<std::size_t>(prev.j));
        NW_GOTOH stretch(tail1, tail2, smatrix, gapOpen, gapExt);
        alignScore += stretch.GetRightAlign(row1, row2);
    }
    return alignScore;
}
