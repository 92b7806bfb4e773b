#include "kernels/GotohRow.hpp"

#include <algorithm>
#include <cstdlib>

// Two sweeps. The pair state and the gap-in-seq-2 state depend on the row
// above only, so the first sweep has no dependence from one column to the
// next and vectorises; only the gap-in-seq-1 state runs along the row, in the
// second sweep. Selects rather than branches in the first sweep: which
// candidate wins is data-dependent and would mispredict on nearly every cell.
template <bool kTrace>
static void fillRow(const int* scores, int m, int gapOpen, int gapExt, GotohRowStates prev,
                    GotohRowStates cur, std::uint8_t* mrow) {
    for (int j = 1; j <= m; ++j) {
        const int d0 = prev.d[j - 1], p0 = prev.p[j - 1], q0 = prev.q[j - 1];
        const int dp = d0 > p0 ? d0 : p0;
        cur.d[j] = (q0 > dp ? q0 : dp) + scores[j];

        const int pe = prev.p[j] + gapExt, pd = prev.d[j] + gapOpen, pq = prev.q[j] + gapOpen;
        const int ped = pe >= pd ? pe : pd;
        cur.p[j] = pq > ped ? pq : ped;
        if constexpr (kTrace) {
            const int md = q0 > dp ? 2 : (p0 > d0 ? 1 : 0);
            const int mp = pq > ped ? 2 : (pd > pe ? 0 : 1);
            mrow[j] = static_cast<std::uint8_t>(md | (mp << 2));
        }
    }
    // A branch, not a select, for extending: outside gaps it is rarely taken,
    // and a predicted branch keeps a cell from waiting on the one before it.
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

void gotohFillRowScalar(const int* scores, int m, int gapOpen, int gapExt, GotohRowStates prev,
                        GotohRowStates cur, std::uint8_t* moves) {
    if (moves) {
        fillRow<true>(scores, m, gapOpen, gapExt, prev, cur, moves);
    } else {
        fillRow<false>(scores, m, gapOpen, gapExt, prev, cur, nullptr);
    }
}

bool gotohScoresMayOverflow(long long n1, long long n2, int bestPairScore, int worstPairScore,
                            int gapOpen, int gapExt) {
    // Values stay within (n1 + n2 + 2) steps of the largest magnitude of
    // kImpossible; it leaves a little over 1.1e9 of room below it.
    const long long magnitude = std::max({std::llabs(bestPairScore), std::llabs(worstPairScore),
                                          std::llabs(gapOpen), std::llabs(gapExt)});
    return static_cast<long double>(n1 + n2 + 2) * magnitude >= 1.0e9L;
}
