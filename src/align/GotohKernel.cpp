#include "align/GotohKernel.hpp"

#include <utility>

namespace {

// Scores of one row of the three state matrices, one array per state.
struct RowStates {
    int* d;
    int* p;
    int* q;
};

// One row pass in two sweeps. The pair state and the gap-in-seq-2 state
// depend on the row above only, so the first sweep has no dependence from one
// column to the next and vectorises; only the gap-in-seq-1 state runs along
// the row, in the second sweep. Selects rather than branches throughout:
// which candidate wins is data-dependent and would mispredict on nearly every
// cell. `scores[j]` is the pair score of column j. kTrace selects whether
// predecessor choices are recorded.
template <bool kTrace>
void fillRow(const int* scores, int m, int gapOpen, int gapExt, RowStates prev, RowStates cur,
             std::uint8_t* mrow) {
    for (int j = 1; j <= m; ++j) {
        // Pair state: ties prefer the pair state, then gap in seq 2, then gap in seq 1.
        const int d0 = prev.d[j - 1], p0 = prev.p[j - 1], q0 = prev.q[j - 1];
        const int dp = d0 > p0 ? d0 : p0;
        cur.d[j] = (q0 > dp ? q0 : dp) + scores[j];

        // Gap in seq 2 (vertical): extending wins ties, then opening after a pair.
        const int pe = prev.p[j] + gapExt, pd = prev.d[j] + gapOpen, pq = prev.q[j] + gapOpen;
        const int ped = pe >= pd ? pe : pd;
        cur.p[j] = pq > ped ? pq : ped;
        if constexpr (kTrace) {
            const int md = q0 > dp ? 2 : (p0 > d0 ? 1 : 0);
            const int mp = pq > ped ? 2 : (pd > pe ? 0 : 1);
            mrow[j] = static_cast<std::uint8_t>(md | (mp << 2));
        }
    }
    // Gap in seq 1 (horizontal). Opening after a pair wins ties over opening
    // after a gap in seq 2, extending wins ties over both. A branch, not a
    // select, for extending: outside gaps it is rarely taken, and a predicted
    // branch keeps a cell from waiting on the one before it.
    int qLeft = cur.q[0];
    for (int j = 1; j <= m; ++j) {
        const int qd = cur.d[j - 1] + gapOpen, qp = cur.p[j - 1] + gapOpen;
        int qv = qd >= qp ? qd : qp;
        int mq = qp > qd ? 1 : 0;
        const int qe = qLeft + gapExt;
        if (qe >= qv) [[unlikely]] {
            qv = qe;
            mq = 2;
        }
        qLeft = qv;
        cur.q[j] = qv;
        if constexpr (kTrace) mrow[j] = static_cast<std::uint8_t>(mrow[j] | (mq << 4));
    }
}

}  // namespace

GotohCorner fillGotoh(const ScoreLookup::Code* a, int n, const ScoreLookup::Code* b, int m,
                      const ScoreLookup& lookup, int gapOpen, int gapExt, std::uint8_t* moves,
                      std::vector<int>* lastRow, std::vector<int>* lastCol) {
    const std::size_t width = static_cast<std::size_t>(m) + 1;
    std::vector<int> buf(7 * width);
    RowStates prev{buf.data(), buf.data() + width, buf.data() + 2 * width};
    RowStates cur{buf.data() + 3 * width, buf.data() + 4 * width, buf.data() + 5 * width};
    int* scores = buf.data() + 6 * width;

    prev.d[0] = prev.p[0] = prev.q[0] = 0;
    for (int j = 1; j <= m; ++j) {
        prev.d[j] = prev.p[j] = kImpossible;
        prev.q[j] = gapOpen + (j - 1) * gapExt;
    }
    if (lastCol) {
        lastCol->assign(static_cast<std::size_t>(n) + 1, 0);
        (*lastCol)[0] = prev.d[m];
    }
    for (int i = 1; i <= n; ++i) {
        cur.d[0] = cur.q[0] = kImpossible;
        cur.p[0] = gapOpen + (i - 1) * gapExt;
        const int* srow = lookup.row(a[i - 1]);
        for (int j = 1; j <= m; ++j) scores[j] = srow[b[j - 1]];
        if (moves) {
            fillRow<true>(scores, m, gapOpen, gapExt, prev, cur, moves + static_cast<std::size_t>(i) * width);
        } else {
            fillRow<false>(scores, m, gapOpen, gapExt, prev, cur, nullptr);
        }
        if (lastCol) (*lastCol)[i] = cur.d[m];
        std::swap(prev, cur);
    }
    if (lastRow) lastRow->assign(prev.d, prev.d + width);
    return GotohCorner{prev.d[m], prev.p[m], prev.q[m]};
}
