#include "anchor/BestAligner.hpp"
#include "anchor/GappedAnchor.hpp"

// torva: only the stretches around a gapped anchor's gaps are aligned again,
// in windows; the gap-free stretches keep their traceback columns.
void BestAligner::realignGappedAnchor(f2pScore& record) {
    if (!isGappedAnchor(record)) return;
    record.score = reAlign(record.align1, record.align2);
}
