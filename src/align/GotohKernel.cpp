#include "align/GotohKernel.hpp"

#include <utility>

namespace {

// One row pass; kTrace selects whether predecessor choices are recorded, so
// the score-only pass carries no stores it does not need.
template <bool kTrace>
void fillRow(const int* srow, const ScoreLookup::Code* b, int m, int gapOpen, int gapExt,
             const int* dPrev, const int* pPrev, const int* qPrev, int* dCur, int* pCur,
             int* qCur, std::uint8_t* mrow) {
    int dLeft = dCur[0], pLeft = pCur[0], qLeft = qCur[0];
    // Written with selects rather than branches: which candidate wins is
    // data-dependent and would mispredict on nearly every cell.
    for (int j = 1; j <= m; ++j) {
        // Pair state: ties prefer the pair state, then gap in seq 2, then gap in seq 1.
        const int d0 = dPrev[j - 1], p0 = pPrev[j - 1], q0 = qPrev[j - 1];
        const int dp = d0 > p0 ? d0 : p0;
        const int md = q0 > dp ? 2 : (p0 > d0 ? 1 : 0);
        const int dv = (q0 > dp ? q0 : dp) + srow[b[j - 1]];

        // Gap in seq 2 (vertical): extending wins ties, then opening after a pair.
        const int pe = pPrev[j] + gapExt, pd = dPrev[j] + gapOpen, pq = qPrev[j] + gapOpen;
        const int ped = pe >= pd ? pe : pd;
        const int mp = pq > ped ? 2 : (pd > pe ? 0 : 1);
        const int pv = pq > ped ? pq : ped;

        // Gap in seq 1 (horizontal).
        const int qe = qLeft + gapExt, qd = dLeft + gapOpen, qp = pLeft + gapOpen;
        const int qed = qe >= qd ? qe : qd;
        const int mq = qp > qed ? 1 : (qd > qe ? 0 : 2);
        const int qv = qp > qed ? qp : qed;

        dCur[j] = dLeft = dv;
        pCur[j] = pLeft = pv;
        qCur[j] = qLeft = qv;
        if constexpr (kTrace) mrow[j] = static_cast<std::uint8_t>(md | (mp << 2) | (mq << 4));
    }
}

}  // namespace

GotohCorner fillGotoh(const ScoreLookup::Code* a, int n, const ScoreLookup::Code* b, int m,
                      const ScoreLookup& lookup, int gapOpen, int gapExt, std::uint8_t* moves,
                      std::vector<int>* lastRow, std::vector<int>* lastCol) {
    const std::size_t width = static_cast<std::size_t>(m) + 1;
    std::vector<int> buf(6 * width);
    int* dPrev = buf.data();
    int* pPrev = dPrev + width;
    int* qPrev = pPrev + width;
    int* dCur = qPrev + width;
    int* pCur = dCur + width;
    int* qCur = pCur + width;

    dPrev[0] = pPrev[0] = qPrev[0] = 0;
    for (int j = 1; j <= m; ++j) {
        qPrev[j] = gapOpen + (j - 1) * gapExt;
        dPrev[j] = pPrev[j] = kImpossible;
    }
    if (lastCol) {
        lastCol->assign(static_cast<std::size_t>(n) + 1, 0);
        (*lastCol)[0] = dPrev[m];
    }
    for (int i = 1; i <= n; ++i) {
        dCur[0] = qCur[0] = kImpossible;
        pCur[0] = gapOpen + (i - 1) * gapExt;
        const int* srow = lookup.row(a[i - 1]);
        if (moves) {
            fillRow<true>(srow, b, m, gapOpen, gapExt, dPrev, pPrev, qPrev, dCur, pCur, qCur,
                          moves + static_cast<std::size_t>(i) * width);
        } else {
            fillRow<false>(srow, b, m, gapOpen, gapExt, dPrev, pPrev, qPrev, dCur, pCur, qCur,
                           nullptr);
        }
        if (lastCol) (*lastCol)[i] = dCur[m];
        std::swap(dPrev, dCur);
        std::swap(pPrev, pCur);
        std::swap(qPrev, qCur);
    }
    if (lastRow) lastRow->assign(dPrev, dPrev + width);
    return GotohCorner{dPrev[m], pPrev[m], qPrev[m]};
}
