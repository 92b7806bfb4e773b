#include "align/NwGotoh.hpp"
#include "anchor/BestAligner.hpp"

namespace {

// An anchor counts as gapped when each of its two rows holds at least three
// gap characters; only such anchors are re-aligned with affine gap costs.
bool isGappedAnchor(const f2pScore& r) {
    const auto span1 = static_cast<std::size_t>(r.f2p.second.i - r.f2p.first.i);
    const auto span2 = static_cast<std::size_t>(r.f2p.second.j - r.f2p.first.j);
    return r.align1.size() > span1 + 2 && r.align2.size() > span2 + 2;
}

}  // namespace

void BestAligner::realignGappedAnchor(f2pScore& record) {
    if (!isGappedAnchor(record)) return;
    if (params_.gappedAnchor == GappedAnchorRealign::kWindows) {
        // Only the stretches around the gaps are aligned again, in windows;
        // the gap-free stretches keep their traceback columns.
        record.score = reAlign(record.align1, record.align2);
        return;
    }
    // The whole anchor is aligned again, end to end, over its two segments.
    const foot2 start = record.f2p.first;
    const foot2 end = record.f2p.second;
    NW_GOTOH whole(seq1_.substr(static_cast<std::size_t>(start.i), static_cast<std::size_t>(end.i - start.i)),
                   seq2_.substr(static_cast<std::size_t>(start.j), static_cast<std::size_t>(end.j - start.j)),
                   lookup_, params_.gapOpen, params_.gapExt, &arena_);
    record.align1.clear();
    record.align2.clear();
    record.score = whole.GetAlignSeq(record.align1, record.align2);
}
