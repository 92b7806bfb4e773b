#include "align/NwGotoh.hpp"
#include "anchor/BestAligner.hpp"
#include "anchor/GappedAnchor.hpp"

// torva-b: a gapped anchor is aligned again as a whole, end to end, with
// affine gaps over its two sequence segments.
void BestAligner::realignGappedAnchor(f2pScore& record) {
    if (!isGappedAnchor(record)) return;
    const foot2 start = record.f2p.first;
    const foot2 end = record.f2p.second;
    std::string sub1 = seq1.substr(static_cast<std::size_t>(start.i),
                                   static_cast<std::size_t>(end.i - start.i));
    std::string sub2 = seq2.substr(static_cast<std::size_t>(start.j),
                                   static_cast<std::size_t>(end.j - start.j));
    NW_GOTOH whole(sub1, sub2, smatrix, gapOpen, gapExt);
    record.align1.clear();
    record.align2.clear();
    record.score = whole.GetAlignSeq(record.align1, record.align2);
}
