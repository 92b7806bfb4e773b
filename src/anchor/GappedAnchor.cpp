#include "align/GotohAligner.hpp"
#include "anchor/AnchorSteps.hpp"

bool isGappedAnchor(const Segment& r) {
    const auto span1 = static_cast<std::size_t>(r.f2p.second.i - r.f2p.first.i);
    const auto span2 = static_cast<std::size_t>(r.f2p.second.j - r.f2p.first.j);
    return r.align1.size() > span1 + 2 && r.align2.size() > span2 + 2;
}

void realignGappedAnchor(const SearchContext& context, Segment& record) {
    if (!isGappedAnchor(record)) return;
    if (context.params.gappedAnchor == GappedAnchorRealign::kWindows) {
        // Only the stretches around the gaps are aligned again, in windows;
        // the gap-free stretches keep their traceback columns.
        record.score = reAlign(context, record.align1, record.align2);
        return;
    }
    // The whole anchor is aligned again, end to end, over its two segments.
    const Cell start = record.f2p.first;
    const Cell end = record.f2p.second;
    GotohAligner whole(context.seq1.substr(static_cast<std::size_t>(start.i), static_cast<std::size_t>(end.i - start.i)),
                       context.seq2.substr(static_cast<std::size_t>(start.j), static_cast<std::size_t>(end.j - start.j)),
                       context.lookup, context.params.gapOpen, context.params.gapExt, &context.arena,
                       StripPolicy{context.params.threads, context.params.stripMinWidth,
                                   context.params.parallelFillMinCells});
    record.align1.clear();
    record.align2.clear();
    record.score = whole.alignGlobal(record.align1, record.align2);
}
