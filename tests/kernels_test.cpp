#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "align/kernels/Kernels.hpp"

namespace {

// Every kernel set the build offers; vector variants join this list.
std::vector<const KernelSet*> kernelSets() { return {&scalarKernels()}; }

// Rows long enough to cover several vector widths plus a remainder, values
// and scores drawn from a few small numbers so that candidates tie often.
struct RowCase {
    int n, gap, ext;
    std::vector<int> scores;
    std::vector<int> prev[3];
};
RowCase randomRow(std::mt19937& rng, int round) {
    RowCase c{round % 70, -(round % 3), -(round % 2), {}, {}};
    std::uniform_int_distribution<int> score(-1, 1), value(-3, 3);
    const int scale = round % 5 == 4 ? 1000 : 1;  // now and then far beyond 12 bits
    c.scores.resize(static_cast<std::size_t>(c.n) + 1);
    for (int& s : c.scores) s = score(rng) * scale;
    for (auto& p : c.prev) {
        p.resize(static_cast<std::size_t>(c.n) + 1);
        for (int& v : p) v = value(rng) * scale;
    }
    return c;
}

}  // namespace

TEST(RowKernels, LocalRowMatchesPerCellRecurrence) {
    for (const KernelSet* k : kernelSets()) {
        std::mt19937 rng(21);
        for (int round = 0; round < 700; ++round) {
            RowCase c = randomRow(rng, round);
            std::vector<int>& prev = c.prev[0];
            for (int& v : prev) v = std::max(v, 0);  // local scores are never negative
            const int n = c.n, gap = c.gap;
            std::vector<int> want(prev.size(), 0);
            std::vector<std::uint8_t> wantChoice(prev.size(), 0);
            int wantMax = 0;
            for (int j = 1; j <= n; ++j) {
                const int diag = prev[j - 1] + c.scores[j], up = prev[j] + gap;
                const int v = std::max({diag, up, want[j - 1] + gap, 0});
                want[j] = v;
                wantMax = std::max(wantMax, v);
                wantChoice[j] = v == 0 ? 0 : v == diag ? 1 : v == up ? 2 : 3;
            }
            std::vector<int> cur(prev.size(), -7), plainCur(prev.size(), -7);
            std::vector<std::uint8_t> choices(prev.size(), 0xEE);
            const std::string what = std::string(k->name) + " round " + std::to_string(round);
            ASSERT_EQ(k->localRow(prev.data(), cur.data(), c.scores.data(), n, gap, choices.data()),
                      wantMax) << what;
            ASSERT_EQ(cur, want) << what;
            choices[0] = 0;
            ASSERT_EQ(choices, wantChoice) << what;
            ASSERT_EQ(k->localRow(prev.data(), plainCur.data(), c.scores.data(), n, gap, nullptr),
                      wantMax) << what;
            ASSERT_EQ(plainCur, want) << what;
        }
    }
}

// Moves as documented: the pair state prefers pair, then gap in seq 2, then
// gap in seq 1; each gap state prefers extending, then opening after a pair.
TEST(RowKernels, GotohRowMatchesPerCellRecurrence) {
    for (const KernelSet* k : kernelSets()) {
        std::mt19937 rng(23);
        for (int round = 0; round < 700; ++round) {
            RowCase c = randomRow(rng, round);
            const int n = c.n, open = c.gap, ext = c.ext;
            const auto& [pd, pp, pq] = c.prev;
            std::vector<int> d(pd.size()), p(pd.size()), q(pd.size());
            std::uniform_int_distribution<int> edge(-3, 0);
            d[0] = round % 7 ? kImpossible : edge(rng);
            p[0] = edge(rng);
            q[0] = kImpossible;
            std::vector<int> wd = d, wp = p, wq = q;
            std::vector<std::uint8_t> wantMoves(pd.size(), 0);
            for (int j = 1; j <= n; ++j) {
                const int best = std::max({pd[j - 1], pp[j - 1], pq[j - 1]});
                wd[j] = best + c.scores[j];
                const int md = best == pd[j - 1] ? 0 : best == pp[j - 1] ? 1 : 2;
                const int pe = pp[j] + ext, po = pd[j] + open, pq1 = pq[j] + open;
                wp[j] = std::max({pe, po, pq1});
                const int mp = wp[j] == pe ? 1 : wp[j] == po ? 0 : 2;
                const int qe = wq[j - 1] + ext, qo = wd[j - 1] + open, qp = wp[j - 1] + open;
                wq[j] = std::max({qe, qo, qp});
                const int mq = wq[j] == qe ? 2 : wq[j] == qo ? 0 : 1;
                wantMoves[j] = static_cast<std::uint8_t>(md | mp << 2 | mq << 4);
            }
            auto prev = c.prev;
            const GotohRowStates above{prev[0].data(), prev[1].data(), prev[2].data()};
            std::vector<int> d2 = d, p2 = p, q2 = q;
            k->gotohRow(c.scores.data(), n, open, ext, above, {d2.data(), p2.data(), q2.data()}, nullptr);
            std::vector<std::uint8_t> moves(pd.size(), 0);
            k->gotohRow(c.scores.data(), n, open, ext, above, {d.data(), p.data(), q.data()}, moves.data());
            const std::string what = std::string(k->name) + " round " + std::to_string(round);
            ASSERT_TRUE(d2 == wd && p2 == wp && q2 == wq) << what;
            ASSERT_EQ(d, wd) << what;
            ASSERT_EQ(p, wp) << what;
            ASSERT_EQ(q, wq) << what;
            ASSERT_EQ(moves, wantMoves) << what;
        }
    }
}
