#pragma once

// Properties of the anchored global alignment that hold in both programs;
// included by the test suites of each.

#include <gtest/gtest.h>

#include <random>

#include "anchor/BestAligner.hpp"
#include "support/TestData.hpp"

namespace anchored {

// On random related pairs (with cheap gaps, so anchors often carry gaps):
// the rows have equal length and give back each sequence exactly, the anchors
// run along both sequences, their scores add up to hssScore, and packed and
// 32-bit matrix cells give the same result, as does reading every row.
inline void checkRandomPairs(unsigned seed, int rounds) {
    std::mt19937 rng(seed);
    auto sm = testdata::simpleDna();
    for (int round = 0; round < rounds; ++round) {
        std::uniform_int_distribution<int> len(0, 400);
        std::string a = testdata::randomSeq(rng, len(rng), "acgt");
        std::string b = round % 4 == 0 ? testdata::randomSeq(rng, len(rng), "acgtn")
                                       : testdata::mutate(rng, a, 0.08 + 0.02 * (round % 5), "acgt");
        const std::string a0 = a, b0 = b;
        const int open = round % 2 ? -2 : -6;
        BestAligner al(a, b, *sm, open, -1, 6 + round % 3, 5 + round % 30);
        std::vector<char> r1, r2;
        al.global_align(r1, r2);
        ASSERT_EQ(r1.size(), r2.size()) << a0 << " / " << b0;
        ASSERT_EQ(testdata::withoutGaps(r1), a0);
        ASSERT_EQ(testdata::withoutGaps(r2), b0);
        int sum = 0;
        foot2 prev{0, 0};
        for (const f2pScore& r : al.hssList) {
            sum += r.score;
            ASSERT_GE(r.f2p.first.i, prev.i);
            ASSERT_GE(r.f2p.first.j, prev.j);
            ASSERT_EQ(r.align1.size(), r.align2.size());
            ASSERT_EQ(testdata::withoutGaps(r.align1),
                      a0.substr(r.f2p.first.i, r.f2p.second.i - r.f2p.first.i));
            ASSERT_EQ(testdata::withoutGaps(r.align2),
                      b0.substr(r.f2p.first.j, r.f2p.second.j - r.f2p.first.j));
            prev = r.f2p.second;
        }
        ASSERT_EQ(sum, al.hssScore);

        // Whole 32-bit cells, reading every row of every search, must give
        // exactly the same anchors and rows.
        BestAligner::allowPackedCells(false);
        BestAligner::allowRowSkipping(false);
        std::string a2 = a0, b2 = b0;
        BestAligner wide(a2, b2, *sm, open, -1, 6 + round % 3, 5 + round % 30);
        BestAligner::allowPackedCells(true);
        std::vector<char> w1, w2;
        wide.global_align(w1, w2);
        BestAligner::allowRowSkipping(true);
        ASSERT_EQ(w1, r1);
        ASSERT_EQ(w2, r2);
        ASSERT_EQ(wide.hssScore, al.hssScore);
        ASSERT_EQ(wide.hssList.size(), al.hssList.size());
    }
}

}  // namespace anchored
