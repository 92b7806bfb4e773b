#include "align/GotohKernel.hpp"

#include <utility>

#include "common/StopRequest.hpp"
#include "kernels/Kernels.hpp"

GotohRowFn gotohRowFor(int n, int m, const ScoreLookup& lookup, int gapOpen, int gapExt) {
    return gotohScoresMayOverflow(n, m, lookup.bestScore(), lookup.worstScore(), gapOpen, gapExt)
               ? scalarKernels().gotohRow
               : activeKernels().gotohRow;
}

GotohCorner fillGotoh(const ScoreLookup::Code* a, int n, const ScoreLookup::Code* b, int m,
                      const ScoreLookup& lookup, int gapOpen, int gapExt) {
    const std::size_t width = static_cast<std::size_t>(m) + 1;
    std::vector<int> buf(7 * width);
    GotohRowStates prev{buf.data(), buf.data() + width, buf.data() + 2 * width};
    GotohRowStates cur{buf.data() + 3 * width, buf.data() + 4 * width, buf.data() + 5 * width};
    const GotohRowFn fillRow = gotohRowFor(n, m, lookup, gapOpen, gapExt);
    int* scores = buf.data() + 6 * width;

    prev.d[0] = prev.p[0] = prev.q[0] = 0;
    for (int j = 1; j <= m; ++j) {
        prev.d[j] = prev.p[j] = kImpossible;
        prev.q[j] = gapOpen + (j - 1) * gapExt;
    }
    for (int i = 1; i <= n; ++i) {
        stopPoint();
        cur.d[0] = cur.q[0] = kImpossible;
        cur.p[0] = gapOpen + (i - 1) * gapExt;
        const int* srow = lookup.row(a[i - 1]);
        for (int j = 1; j <= m; ++j) scores[j] = srow[b[j - 1]];
        fillRow(scores, m, gapOpen, gapExt, prev, cur, nullptr);
        std::swap(prev, cur);
    }
    return GotohCorner{prev.d[m], prev.p[m], prev.q[m]};
}
