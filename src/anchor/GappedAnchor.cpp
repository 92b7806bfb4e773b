#include "align/GotohAligner.hpp"
#include "align/OptimalPathBound.hpp"
#include "anchor/AnchorSteps.hpp"
#include "anchor/SideBySideFills.hpp"

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
    const std::string_view seq1 =
        context.seq1.substr(static_cast<std::size_t>(start.i), static_cast<std::size_t>(end.i - start.i));
    const std::string_view seq2 =
        context.seq2.substr(static_cast<std::size_t>(start.j), static_cast<std::size_t>(end.j - start.j));
    GotohAligner whole(seq1, seq2, context.lookup, context.params.gapOpen, context.params.gapExt,
                       &context.arena, stripPolicyOf(context.params));
    // The anchor's own rows are an alignment of the two segments: what they
    // score with affine gaps bounds how far an optimal one can stray.
    const std::optional<long long> reached = alignedRowsScore(
        std::string_view(record.row1.data(), record.row1.size()),
        std::string_view(record.row2.data(), record.row2.size()), seq1, seq2, context.lookup,
        context.params.gapOpen, context.params.gapExt);
    record.row1.clear();
    record.row2.clear();
    record.score = reached ? whole.alignGlobalReaching(*reached, record.row1, record.row2)
                           : whole.alignGlobal(record.row1, record.row2);
}

// Each re-alignment reads its own anchor and nothing the search changes, so
// the search leaves them all for the end, where they need not wait for one
// another.
void realignGappedAnchors(const SearchContext& context, std::vector<Segment>& anchors) {
    std::vector<Segment*> gapped;
    std::vector<long long> cells;
    for (Segment& anchor : anchors) {
        if (!isGappedAnchor(anchor)) continue;
        gapped.push_back(&anchor);
        cells.push_back(static_cast<long long>(anchor.region.end.i - anchor.region.begin.i) *
                        (anchor.region.end.j - anchor.region.begin.j));
    }
    alignIndependentFills(context, cells, [&](int task, const SearchContext& own) {
        Segment& anchor = *gapped[static_cast<std::size_t>(task)];
        Segment realigned = anchor;  // the rows to align again if memory runs short
        realignGappedAnchor(own, realigned);
        anchor = std::move(realigned);
    });
}
