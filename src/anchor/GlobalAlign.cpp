#include "align/GotohAligner.hpp"
#include "anchor/AnchoredAligner.hpp"

namespace {

void appendGap(std::vector<char>& row, int count) {
    row.insert(row.end(), static_cast<std::size_t>(count), '-');
}

void appendResidues(std::vector<char>& row, std::string_view s, int from, int to) {
    row.insert(row.end(), s.begin() + from, s.begin() + to);
}

StripPolicy stripsOf(const AlignParameters& params) {
    return StripPolicy{params.threads, params.stripMinWidth, params.parallelFillMinCells};
}

}  // namespace

GlobalRows AnchoredAligner::alignWhole() const {
    GlobalRows out;
    GotohAligner whole(context_.seq1, context_.seq2, context_.lookup, context_.params.gapOpen,
                       context_.params.gapExt, &context_.arena, stripsOf(context_.params));
    out.score = whole.alignGlobal(out.row1, out.row2);
    return out;
}

GlobalRows AnchoredAligner::joinAnchors(const AnchorChain& chain) const {
    const std::string_view seq1 = context_.seq1, seq2 = context_.seq2;
    const int gapOpen = context_.params.gapOpen, gapExt = context_.params.gapExt;
    GlobalRows out;
    std::vector<char>& row1 = out.row1;
    std::vector<char>& row2 = out.row2;
    int& score = out.score;
    Cell prev{0, 0};
    int k = 0;
    for (const Segment& r : chain.anchors) {
        ++k;
        score += r.score;
        const Cell start = r.f2p.first;
        const int di = start.i - prev.i;
        const int dj = start.j - prev.j;
        if (di == 0 && dj > 0) {
            score += gapOpen + (dj - 1) * gapExt;
            appendGap(row1, dj);
            appendResidues(row2, seq2, prev.j, start.j);
        } else if (di > 0 && dj == 0) {
            score += gapOpen + (di - 1) * gapExt;
            appendResidues(row1, seq1, prev.i, start.i);
            appendGap(row2, di);
        } else if (di > 0 && dj > 0) {
            GotohAligner stretch(seq1.substr(static_cast<std::size_t>(prev.i), static_cast<std::size_t>(di)),
                                 seq2.substr(static_cast<std::size_t>(prev.j), static_cast<std::size_t>(dj)),
                                 context_.lookup, gapOpen, gapExt, &context_.arena,
                                 stripsOf(context_.params));
            // Before the first anchor the leading overhang is free.
            score += k == 1 ? stretch.alignFreeHead(row1, row2) : stretch.alignGlobal(row1, row2);
        }
        row1.insert(row1.end(), r.align1.begin(), r.align1.end());
        row2.insert(row2.end(), r.align2.begin(), r.align2.end());
        prev = r.f2p.second;
    }

    const int di = len1_ - prev.i;
    const int dj = len2_ - prev.j;
    if (di == 0 && dj > 0) {
        score += gapOpen + (dj - 1) * gapExt;
        appendGap(row1, dj);
        appendResidues(row2, seq2, prev.j, len2_);
    } else if (di > 0 && dj == 0) {
        score += gapOpen + (di - 1) * gapExt;
        appendResidues(row1, seq1, prev.i, len1_);
        appendGap(row2, di);
    } else if (di > 0 && dj > 0) {
        GotohAligner stretch(seq1.substr(static_cast<std::size_t>(prev.i)),
                             seq2.substr(static_cast<std::size_t>(prev.j)), context_.lookup, gapOpen,
                             gapExt, &context_.arena, stripsOf(context_.params));
        score += stretch.alignFreeTail(row1, row2);
    }
    return out;
}
