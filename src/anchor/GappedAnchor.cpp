#include "align/GotohAligner.hpp"
#include "anchor/AnchorSteps.hpp"

bool isGappedAnchor(const Segment& r) {
    const auto span1 = static_cast<std::size_t>(r.region.end.i - r.region.begin.i);
    const auto span2 = static_cast<std::size_t>(r.region.end.j - r.region.begin.j);
    return r.row1.size() > span1 + 2 && r.row2.size() > span2 + 2;
}

void realignGappedAnchor(const SearchContext& context, Segment& record) {
    if (!isGappedAnchor(record)) return;
    if (context.params.gappedAnchor == GappedAnchorRealign::kWindows) {
        // Only the stretches around the gaps are aligned again, in windows;
        // the gap-free stretches keep their traceback columns.
        record.score = reAlign(context, record.row1, record.row2);
        return;
    }
    // The whole anchor is aligned again, end to end, over its two segments.
    const Cell start = record.region.begin;
    const Cell end = record.region.end;
    GotohAligner whole(context.seq1.substr(static_cast<std::size_t>(start.i), static_cast<std::size_t>(end.i - start.i)),
                       context.seq2.substr(static_cast<std::size_t>(start.j), static_cast<std::size_t>(end.j - start.j)),
                       context.lookup, context.params.gapOpen, context.params.gapExt, &context.arena,
                       stripPolicyOf(context.params));
    record.row1.clear();
    record.row2.clear();
    record.score = whole.alignGlobal(record.row1, record.row2);
}
