#include <gtest/gtest.h>

#include <chrono>
#include <stdexcept>
#include <thread>
#include <vector>

#include "common/ColumnStrips.hpp"

// A fill is split only when both wide and large enough, never into more
// strips than threads or strips narrower than asked; the strips cover the
// columns in order without a gap.
TEST(ColumnStrips, EdgesFollowThePolicy) {
    struct Case {
        int columns;
        long long rows;
        StripPolicy policy;
        std::size_t strips;
    };
    for (const Case& c : std::vector<Case>{
             {5000, 5000, {1, 1024, 1LL << 22}, 1},
             {5000, 5000, {2, 1024, 1LL << 22}, 2},
             {5000, 5000, {8, 1024, 1LL << 22}, 4},    // not narrower than 1024 columns
             {2047, 100000, {4, 1024, 1LL << 22}, 1},  // too narrow for two
             {2048, 100000, {4, 1024, 1LL << 22}, 2},
             {4000, 1000, {4, 1024, 1LL << 22}, 1},    // 4 M cells are needed
             {3, 1, {8, 1, 0}, 3},
             {0, 7, {4, 1, 0}, 1},
             {10, 0, {4, 1, 1}, 1},
         }) {
        const std::vector<int> edges = columnStripEdges(c.columns, c.rows, c.policy);
        ASSERT_EQ(edges.size(), c.strips + 1) << c.columns << " x " << c.rows;
        EXPECT_EQ(edges.front(), 0);
        EXPECT_EQ(edges.back(), c.columns);
        for (std::size_t s = 1; s + 1 < edges.size(); ++s) EXPECT_LT(edges[s - 1], edges[s]);
    }
}

// Each strip sees the values its left neighbour handed on for every row, in
// order, also when there are more strips (tiles) than threads and the
// columns between them are reused; a failing strip's error comes out of the
// run, and the strips on its right finish instead of waiting for rows that
// never come.
TEST(ColumnStrips, HandOffAndFailure) {
    constexpr int kRows = 500;
    struct Run {
        int strips, threads;
    };
    for (const Run run : {Run{4, 4}, Run{9, 1}, Run{9, 2}, Run{13, 3}}) {
        for (const int failing : {-1, 0, 1, run.strips - 2}) {
            std::vector<long long> sums(static_cast<std::size_t>(run.strips), 0);
            auto work = [&](int s, StripHandOff* in, StripHandOff* out) {
                // Every thread takes a strip and waits before the wave moves.
                if (s == 0) std::this_thread::sleep_for(std::chrono::milliseconds(20));
                for (int k = 0; k < kRows; ++k) {
                    if (s == failing && k == kRows / 2) throw std::runtime_error("strip failed");
                    const int mine[2] = {s * kRows + k, k};
                    if (in) {
                        const int* left = in->await(k);
                        if (failing < 0) {
                            ASSERT_EQ(left[0], (s - 1) * kRows + k);
                            ASSERT_EQ(left[1], k);
                        }
                        sums[static_cast<std::size_t>(s)] += left[1];
                    }
                    if (out) out->publish(k, mine);
                }
            };
            if (failing < 0) {
                runColumnTiles(run.strips, run.threads, kRows, 2, work);
                for (int s = 1; s < run.strips; ++s)
                    EXPECT_EQ(sums[static_cast<std::size_t>(s)], kRows * (kRows - 1) / 2) << s;
            } else {
                EXPECT_THROW(runColumnTiles(run.strips, run.threads, kRows, 2, work), std::runtime_error)
                    << run.strips << " strips on " << run.threads << " threads, failing " << failing;
            }
        }
    }
}
