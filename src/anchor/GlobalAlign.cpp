#include "align/GotohAligner.hpp"
#include "anchor/AnchoredAligner.hpp"

namespace {

void appendGap(std::vector<char>& row, int count) {
    row.insert(row.end(), static_cast<std::size_t>(count), '-');
}

void appendResidues(std::vector<char>& row, std::string_view s, int from, int to) {
    row.insert(row.end(), s.begin() + from, s.begin() + to);
}

}  // namespace

int AnchoredAligner::globalAlign(std::vector<char>& row1, std::vector<char>& row2) {
    if (hssList_.empty()) {
        if (maxScore_ <= cutoff_) {
            GotohAligner whole(seq1_, seq2_, lookup_, params_.gapOpen, params_.gapExt, &arena_);
            alignScore_ = whole.alignGlobal(row1, row2);
            return alignScore_;
        }
        selectAnchors();
    }

    alignScore_ = 0;
    Cell prev{0, 0};
    int k = 0;
    for (const Segment& r : hssList_) {
        ++k;
        alignScore_ += r.score;
        const Cell start = r.f2p.first;
        const int di = start.i - prev.i;
        const int dj = start.j - prev.j;
        if (di == 0 && dj > 0) {
            alignScore_ += params_.gapOpen + (dj - 1) * params_.gapExt;
            appendGap(row1, dj);
            appendResidues(row2, seq2_, prev.j, start.j);
        } else if (di > 0 && dj == 0) {
            alignScore_ += params_.gapOpen + (di - 1) * params_.gapExt;
            appendResidues(row1, seq1_, prev.i, start.i);
            appendGap(row2, di);
        } else if (di > 0 && dj > 0) {
            GotohAligner stretch(seq1_.substr(static_cast<std::size_t>(prev.i), static_cast<std::size_t>(di)),
                             seq2_.substr(static_cast<std::size_t>(prev.j), static_cast<std::size_t>(dj)),
                             lookup_, params_.gapOpen, params_.gapExt, &arena_);
            // Before the first anchor the leading overhang is free.
            alignScore_ += k == 1 ? stretch.alignFreeHead(row1, row2) : stretch.alignGlobal(row1, row2);
        }
        row1.insert(row1.end(), r.align1.begin(), r.align1.end());
        row2.insert(row2.end(), r.align2.begin(), r.align2.end());
        prev = r.f2p.second;
    }

    const int di = len1_ - prev.i;
    const int dj = len2_ - prev.j;
    if (di == 0 && dj > 0) {
        alignScore_ += params_.gapOpen + (dj - 1) * params_.gapExt;
        appendGap(row1, dj);
        appendResidues(row2, seq2_, prev.j, len2_);
    } else if (di > 0 && dj == 0) {
        alignScore_ += params_.gapOpen + (di - 1) * params_.gapExt;
        appendResidues(row1, seq1_, prev.i, len1_);
        appendGap(row2, di);
    } else if (di > 0 && dj > 0) {
        GotohAligner stretch(seq1_.substr(static_cast<std::size_t>(prev.i)),
                         seq2_.substr(static_cast<std::size_t>(prev.j)), lookup_, params_.gapOpen,
                         params_.gapExt, &arena_);
        alignScore_ += stretch.alignFreeTail(row1, row2);
    }
    return alignScore_;
}
