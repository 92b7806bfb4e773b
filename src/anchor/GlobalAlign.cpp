#include "align/GotohAligner.hpp"
#include "anchor/AnchoredAligner.hpp"
#include "anchor/SideBySideFills.hpp"

namespace {

void appendGap(std::vector<char>& row, int count) {
    row.insert(row.end(), static_cast<std::size_t>(count), '-');
}

void appendResidues(std::vector<char>& row, std::string_view s, int from, int to) {
    row.insert(row.end(), s.begin() + from, s.begin() + to);
}

void appendRows(GlobalRows& out, const std::vector<char>& row1, const std::vector<char>& row2) {
    out.row1.insert(out.row1.end(), row1.begin(), row1.end());
    out.row2.insert(out.row2.end(), row2.begin(), row2.end());
}

// A stretch before, between or after the anchors with residues on both
// sides, aligned on its own: seq1[i0, i0 + di) against seq2[j0, j0 + dj).
struct Stretch {
    enum class Form { kFreeHead, kGlobal, kFreeTail };
    int i0, di, j0, dj;
    Form form;
    GlobalRows aligned;
    long long cells() const { return static_cast<long long>(di) * dj; }
};

// The stretches are independent, so they are aligned first and joined in
// order after.
void alignStretches(const SearchContext& context, std::vector<Stretch>& stretches) {
    std::vector<long long> cells;
    for (const Stretch& s : stretches) cells.push_back(s.cells());
    alignIndependentFills(context, cells, [&](int task, const SearchContext& own) {
        Stretch& s = stretches[static_cast<std::size_t>(task)];
        GotohAligner g(own.seq1.substr(static_cast<std::size_t>(s.i0), static_cast<std::size_t>(s.di)),
                       own.seq2.substr(static_cast<std::size_t>(s.j0), static_cast<std::size_t>(s.dj)),
                       own.lookup, own.params.gapOpen, own.params.gapExt, &own.arena, stripPolicyOf(own.params));
        GlobalRows aligned;
        aligned.score = s.form == Stretch::Form::kFreeHead ? g.alignFreeHead(aligned.row1, aligned.row2)
                        : s.form == Stretch::Form::kGlobal ? g.alignGlobal(aligned.row1, aligned.row2)
                                                           : g.alignFreeTail(aligned.row1, aligned.row2);
        s.aligned = std::move(aligned);
    });
}

}  // namespace

GlobalRows AnchoredAligner::alignWhole() const {
    GlobalRows out;
    GotohAligner whole(context_.seq1, context_.seq2, context_.lookup, context_.params.gapOpen,
                       context_.params.gapExt, &context_.arena, stripPolicyOf(context_.params));
    out.score = whole.alignGlobal(out.row1, out.row2);
    return out;
}

GlobalRows AnchoredAligner::joinAnchors(const AnchorChain& chain) const {
    const std::string_view seq1 = context_.seq1, seq2 = context_.seq2;
    const int gapOpen = context_.params.gapOpen, gapExt = context_.params.gapExt;

    // The stretch before each anchor (before the first one the leading
    // overhang is free) and the one after the last (the trailing overhang).
    std::vector<Stretch> stretches;
    Cell prev{0, 0};
    for (const Segment& r : chain.anchors) {
        const Cell start = r.region.begin;
        if (start.i > prev.i && start.j > prev.j)
            stretches.push_back(Stretch{prev.i, start.i - prev.i, prev.j, start.j - prev.j,
                                        &r == &chain.anchors.front() ? Stretch::Form::kFreeHead : Stretch::Form::kGlobal,
                                        {}});
        prev = r.region.end;
    }
    if (len1_ > prev.i && len2_ > prev.j)
        stretches.push_back(Stretch{prev.i, len1_ - prev.i, prev.j, len2_ - prev.j, Stretch::Form::kFreeTail, {}});
    alignStretches(context_, stretches);

    GlobalRows out;
    int& score = out.score;
    auto next = stretches.begin();
    prev = Cell{0, 0};
    for (const Segment& r : chain.anchors) {
        score += r.score;
        const Cell start = r.region.begin;
        const int di = start.i - prev.i;
        const int dj = start.j - prev.j;
        if (di == 0 && dj > 0) {
            score += gapOpen + (dj - 1) * gapExt;
            appendGap(out.row1, dj);
            appendResidues(out.row2, seq2, prev.j, start.j);
        } else if (di > 0 && dj == 0) {
            score += gapOpen + (di - 1) * gapExt;
            appendResidues(out.row1, seq1, prev.i, start.i);
            appendGap(out.row2, di);
        } else if (di > 0 && dj > 0) {
            score += next->aligned.score;
            appendRows(out, next->aligned.row1, next->aligned.row2);
            ++next;
        }
        appendRows(out, r.row1, r.row2);
        prev = r.region.end;
    }

    const int di = len1_ - prev.i;
    const int dj = len2_ - prev.j;
    if (di == 0 && dj > 0) {
        score += gapOpen + (dj - 1) * gapExt;
        appendGap(out.row1, dj);
        appendResidues(out.row2, seq2, prev.j, len2_);
    } else if (di > 0 && dj == 0) {
        score += gapOpen + (di - 1) * gapExt;
        appendResidues(out.row1, seq1, prev.i, len1_);
        appendGap(out.row2, di);
    } else if (di > 0 && dj > 0) {
        score += next->aligned.score;
        appendRows(out, next->aligned.row1, next->aligned.row2);
    }
    return out;
}
