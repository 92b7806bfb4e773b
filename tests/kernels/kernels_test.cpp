#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <vector>

#include "kernels/Kernels.hpp"

namespace {

// Every kernel set this processor runs.
std::vector<const KernelSet*> kernelSets() { return availableKernels(); }

// A row long enough to cover several vector widths plus a remainder, with
// values and scores drawn from a few small numbers so that candidates tie
// often, and now and then scaled far beyond 12 bits.
struct RowCase {
    int n, open, ext;
    std::vector<int> scores, prev[3];
    // Lengths up to 300 cross the vector widths and the chunks a row is
    // processed in; now and then a gap so costly that offsets could wrap.
    explicit RowCase(std::mt19937& rng, int round)
        : n(round * 7 % 301),
          open(round % 11 == 10 ? -2000000000 : -(round % 3)),
          // Mostly ties; now and then an extension cost that, summed over a
          // row, outweighs the pair scores.
          ext(round % 13 == 5 ? -7 : -(round % 2)) {
        const int scale = round % 5 == 4 ? 1000 : 1;
        for (auto* v : {&scores, &prev[0], &prev[1], &prev[2]})
            for (int j = 0; j <= n; ++j) v->push_back((static_cast<int>(rng() % 7) - 3) * scale);
        for (int& s : scores) s = std::clamp(s, -scale, scale);
    }
};

}  // namespace

TEST(RowKernels, LocalRowMatchesPerCellRecurrence) {
    for (const KernelSet* k : kernelSets()) {
        std::mt19937 rng(21);
        for (int round = 0; round < 700; ++round) {
            RowCase c(rng, round);
            std::vector<int>& prev = c.prev[0];
            for (int& v : prev) v = std::max(v, 0);  // local scores are never negative
            std::vector<int> want(prev.size(), 0), cur(prev.size(), -7), bare(prev.size(), -7);
            // The column left of the stretch: a zero boundary, or a score
            // handed on by the strip on the left.
            want[0] = cur[0] = bare[0] = round % 3 ? 0 : prev[0];
            std::vector<std::uint8_t> wantChoices(prev.size(), 0), choices(prev.size(), 0);
            int wantMax = 0;
            for (int j = 1; j <= c.n; ++j) {
                const int diag = prev[j - 1] + c.scores[j], up = prev[j] + c.open;
                want[j] = std::max({diag, up, want[j - 1] + c.open, 0});
                wantMax = std::max(wantMax, want[j]);
                wantChoices[j] = want[j] == 0 ? 0 : want[j] == diag ? 1 : want[j] == up ? 2 : 3;
            }
            ASSERT_EQ(k->localRow(prev.data(), cur.data(), c.scores.data(), c.n, c.open, choices.data()), wantMax);
            ASSERT_EQ(k->localRow(prev.data(), bare.data(), c.scores.data(), c.n, c.open, nullptr), wantMax);
            ASSERT_TRUE(cur == want && bare == want && choices == wantChoices) << k->name << " round " << round;
            // The cells holding the row's best, and those holding 0 (most of them).
            for (const int target : {wantMax, 0}) {
                std::vector<int> wantAt, at(want.size());
                for (int j = 0; j <= c.n; ++j)
                    if (want[j] == target) wantAt.push_back(j);
                at.resize(static_cast<std::size_t>(k->findEqual(want.data(), c.n + 1, target, at.data())));
                ASSERT_EQ(at, wantAt) << k->name << " round " << round << " target " << target;
            }
            const std::size_t bytes = choices.size() / 4;
            std::vector<std::uint8_t> packed(bytes), wantPacked(bytes);
            k->packChoices(choices.data(), bytes, packed.data());
            packChoicesScalar(choices.data(), bytes, wantPacked.data());
            ASSERT_EQ(packed, wantPacked) << k->name << " round " << round;
        }
    }
}

// The 16-bit row gives the 32-bit row's values, choices and maximum whenever
// its guard admits the row: inputs drawn up to the guard's edge, scores far
// below INT16_MIN and gaps far beyond it (both stored saturated), many ties.
TEST(RowKernels, LocalRow16MatchesLocalRowWithinItsGuard) {
    for (const KernelSet* k : kernelSets()) {
        std::mt19937 rng(29);
        for (int round = 0; round < 900; ++round) {
            const int n = round * 11 % 331;
            const int best = round % 4 == 0 ? 7 : round % 4 == 1 ? 100 : 3;
            // Gaps: ties, the usual cost, and costs beyond 16 bits.
            const int gap = round % 9 == 8 ? -2000000000 : round % 9 == 7 ? -40000 : round % 3 == 0 ? -500 : -(round % 4);
            // Near the guard's edge now and then, mostly small.
            const int top = round % 5 == 0 ? INT16_MAX - best : round % 5 == 1 ? 300 : 6;
            std::vector<int> prev(n + 1), scores(n + 1, 0);
            for (int j = 0; j <= n; ++j) {
                prev[j] = static_cast<int>(rng() % 3 == 0 ? top - rng() % 4 : rng() % 7);
                const int r = static_cast<int>(rng() % 9);
                scores[j] = r == 8 ? -70000 : r == 7 ? best : r - 4;
            }
            if (round % 7 == 0) prev.assign(prev.size(), 0);
            const int left = round % 3 ? 0 : prev[0];
            ASSERT_TRUE(localRowFits16(std::max(*std::max_element(prev.begin(), prev.end()), left), best));
            std::vector<int> want(prev.size(), -7);
            want[0] = left;
            std::vector<std::uint8_t> wantChoices(prev.size(), 0), choices(prev.size(), 0);
            const int wantMax = localFillRowScalar(prev.data(), want.data(), scores.data(), n, gap, wantChoices.data());

            std::vector<std::int16_t> prev16(prev.begin(), prev.end()), scores16(prev.size()), cur16(prev.size(), -7),
                bare16(prev.size(), -7);
            for (int j = 0; j <= n; ++j) scores16[j] = static_cast<std::int16_t>(std::max(scores[j], INT16_MIN));
            cur16[0] = bare16[0] = static_cast<std::int16_t>(left);
            ASSERT_EQ(k->localRow16(prev16.data(), cur16.data(), scores16.data(), n, gap, choices.data()), wantMax)
                << k->name << " round " << round;
            ASSERT_EQ(k->localRow16(prev16.data(), bare16.data(), scores16.data(), n, gap, nullptr), wantMax);
            const std::vector<int> got(cur16.begin(), cur16.end()), gotBare(bare16.begin(), bare16.end());
            ASSERT_TRUE(got == want && gotBare == want && choices == wantChoices) << k->name << " round " << round;
        }
    }
}

TEST(RowKernels, LocalRowFits16StopsAtTheLargestSafeInput) {
    EXPECT_TRUE(localRowFits16(INT16_MAX - 100, 100));
    EXPECT_FALSE(localRowFits16(INT16_MAX - 99, 100));
    // Negative best scores add nothing: the zero floor bounds a row by its inputs.
    EXPECT_TRUE(localRowFits16(INT16_MAX, -5));
    EXPECT_FALSE(localRowFits16(1LL << 40, 0));
}

// Moves as documented: the pair state prefers pair, then gap in seq 2, then
// gap in seq 1; each gap state prefers extending, then opening after a pair.
TEST(RowKernels, GotohRowMatchesPerCellRecurrence) {
    for (const KernelSet* k : kernelSets()) {
        std::mt19937 rng(23);
        for (int round = 0; round < 700; ++round) {
            RowCase c(rng, round);
            // Global values start near kImpossible: a costly gap would wrap
            // them, which the callers leave to the scalar kernel.
            const int open = c.open < -1000000 ? -1 : c.open, ext = c.ext;
            const auto& [pd, pp, pq] = c.prev;  // the row above: pair, gap in seq 2, gap in seq 1
            std::vector<int> d(pd.size()), p(pd.size()), q(pd.size());
            d[0] = round % 7 ? kImpossible : -static_cast<int>(rng() % 4);
            p[0] = -static_cast<int>(rng() % 4);
            q[0] = kImpossible;
            std::vector<int> wd = d, wp = p, wq = q, d2 = d, p2 = p, q2 = q;
            std::vector<std::uint8_t> wantMoves(pd.size(), 0), moves(pd.size(), 0);
            for (int j = 1; j <= c.n; ++j) {
                const int best = std::max({pd[j - 1], pp[j - 1], pq[j - 1]});
                wd[j] = best + c.scores[j];
                const int pe = pp[j] + ext, po = pd[j] + open, pq1 = pq[j] + open;
                wp[j] = std::max({pe, po, pq1});
                const int qe = wq[j - 1] + ext, qo = wd[j - 1] + open, qp = wp[j - 1] + open;
                wq[j] = std::max({qe, qo, qp});
                wantMoves[j] = static_cast<std::uint8_t>((best == pd[j - 1] ? 0 : best == pp[j - 1] ? 1 : 2) |
                                                         (wp[j] == pe ? 1 : wp[j] == po ? 0 : 2) << 2 |
                                                         (wq[j] == qe ? 2 : wq[j] == qo ? 0 : 1) << 4);
            }
            auto prev = c.prev;
            const GotohRowStates above{prev[0].data(), prev[1].data(), prev[2].data()};
            k->gotohRow(c.scores.data(), c.n, open, ext, above, {d2.data(), p2.data(), q2.data()}, nullptr);
            k->gotohRow(c.scores.data(), c.n, open, ext, above, {d.data(), p.data(), q.data()}, moves.data());
            ASSERT_TRUE(d == wd && p == wp && q == wq && moves == wantMoves && d2 == wd && p2 == wp && q2 == wq)
                << k->name << " round " << round;
        }
    }
}
