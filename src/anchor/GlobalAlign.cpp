#include <memory>

#include "align/GotohAligner.hpp"
#include "anchor/AnchoredAligner.hpp"
#include "common/MemoryBudget.hpp"
#include "common/SideBySide.hpp"
#include "common/WorkArena.hpp"

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
// order after. Large ones go one at a time with every thread on their fills;
// the small ones, which a fill does not split, go side by side, a thread and
// an arena each. A small one that finds no memory beside the others is
// aligned again alone at the end: side by side must never fail a pair that
// fits one stretch at a time.
void alignStretches(const SearchContext& context, std::vector<Stretch>& stretches) {
    const AlignParameters& params = context.params;
    auto align = [&](Stretch& s, WorkArena& arena, const StripPolicy& strips) {
        GotohAligner g(context.seq1.substr(static_cast<std::size_t>(s.i0), static_cast<std::size_t>(s.di)),
                       context.seq2.substr(static_cast<std::size_t>(s.j0), static_cast<std::size_t>(s.dj)),
                       context.lookup, params.gapOpen, params.gapExt, &arena, strips);
        GlobalRows& r = s.aligned;
        r.score = s.form == Stretch::Form::kFreeHead ? g.alignFreeHead(r.row1, r.row2)
                  : s.form == Stretch::Form::kGlobal ? g.alignGlobal(r.row1, r.row2)
                                               : g.alignFreeTail(r.row1, r.row2);
    };
    std::vector<Stretch*> small;
    for (Stretch& s : stretches) {
        if (params.threads > 1 && s.cells() < params.tuning.parallelFillMinCells) {
            small.push_back(&s);
        } else {
            align(s, context.arena, stripPolicyOf(params));
        }
    }
    if (small.empty()) return;
    std::vector<char> lackedMemory(small.size(), 0);
    {
        std::vector<std::unique_ptr<WorkArena>> arenas;
        for (int w = 1; w < params.threads; ++w)
            arenas.push_back(std::make_unique<WorkArena>(context.arena.budget()));
        runSideBySide(static_cast<int>(small.size()), params.threads, [&](int task, int worker) {
            Stretch& s = *small[static_cast<std::size_t>(task)];
            WorkArena& arena = worker == 0 ? context.arena : *arenas[static_cast<std::size_t>(worker - 1)];
            try {
                align(s, arena, StripPolicy{1});
            } catch (const OutOfMemory&) {
                s.aligned = GlobalRows{};
                lackedMemory[static_cast<std::size_t>(task)] = 1;
            }
        });
    }
    for (std::size_t k = 0; k < small.size(); ++k)
        if (lackedMemory[k]) align(*small[k], context.arena, StripPolicy{1});
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
