// The predicates that send a fill to the scalar rows when vector lanes could
// wrap, checked at their bounds: the last size they admit and the first they
// refuse. A bound set too loose lets a vector kernel wrap and give wrong
// scores with no error; one set too tight only costs speed, but a change of
// either shows here.

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <cstdlib>

#include "align/GotohKernel.hpp"
#include "anchor/RowCandidates.hpp"
#include "kernels/GotohRow.hpp"
#include "kernels/Kernels.hpp"
#include "kernels/LocalRow.hpp"
#include "pair/ScoreRange.hpp"
#include "support/TestData.hpp"

// A local score grows by at most the best pair score a diagonal step, so only
// the shorter sequence counts; INT_MAX / 4 leaves the vector rows their room.
TEST(KernelBounds, LocalScoresOverflowFromTheShorterSequenceTimesTheBestPair) {
    constexpr long long kRoom = INT_MAX / 4;           // 536870911
    constexpr long long kLastSafe = kRoom / 5 - 1;     // (n + 1) * 5 = 536870910
    EXPECT_FALSE(localScoresMayOverflow(kLastSafe, kLastSafe, 5));
    EXPECT_TRUE(localScoresMayOverflow(kLastSafe + 1, kLastSafe + 1, 5));
    EXPECT_FALSE(localScoresMayOverflow(kLastSafe, 1LL << 40, 5));
    EXPECT_FALSE(localScoresMayOverflow(1LL << 40, kLastSafe, 5));
    EXPECT_TRUE(localScoresMayOverflow(kRoom - 1, kRoom - 1, 1));
    EXPECT_FALSE(localScoresMayOverflow(kRoom - 2, kRoom - 2, 1));
    // No positive pair score: every cell is 0.
    EXPECT_FALSE(localScoresMayOverflow(1LL << 40, 1LL << 40, 0));
    EXPECT_FALSE(localScoresMayOverflow(1LL << 40, 1LL << 40, -3));
    // Products past 64 bits still count as overflowing.
    EXPECT_TRUE(localScoresMayOverflow(LLONG_MAX - 1, LLONG_MAX - 1, INT_MAX));
}

// Global values stay within n1 + n2 + 2 steps of the largest magnitude of the
// scores and gap costs, counted from the stand-in for impossible states.
TEST(KernelBounds, GlobalScoresOverflowFromBothLengthsTimesTheLargestMagnitude) {
    // (n1 + n2 + 2) * 1000 reaches 1e9 at n1 + n2 = 999998.
    EXPECT_FALSE(gotohScoresMayOverflow(499999, 499998, 5, -4, -1000, -1));
    EXPECT_TRUE(gotohScoresMayOverflow(499999, 499999, 5, -4, -1000, -1));
    EXPECT_TRUE(gotohScoresMayOverflow(999998, 0, 5, -4, -1000, -1));
    // Each of the four can be the largest.
    for (int which = 0; which < 4; ++which) {
        const int v[4] = {which == 0 ? 1000 : 1, which == 1 ? -1000 : -1, which == 2 ? -1000 : -1,
                          which == 3 ? -1000 : -1};
        EXPECT_FALSE(gotohScoresMayOverflow(999997, 0, v[0], v[1], v[2], v[3])) << which;
        EXPECT_TRUE(gotohScoresMayOverflow(999998, 0, v[0], v[1], v[2], v[3])) << which;
    }
    EXPECT_TRUE(gotohScoresMayOverflow(0, 0, INT_MIN, INT_MIN, INT_MIN, INT_MIN));
    EXPECT_TRUE(gotohScoresMayOverflow(LLONG_MAX / 4, LLONG_MAX / 4, 1, -1, -1, -1));
}

// What the fills run follows the predicates: the scalar rows from the first
// size refused, the active set's up to the last admitted. With TORVA_KERNEL
// set to scalar both are the same row.
TEST(KernelBounds, FillsTakeTheScalarRowsFromTheFirstSizeRefused) {
    const ScoreLookup lookup = testdata::simpleDna();
    ASSERT_LE(std::abs(lookup.worstScore()), 1000);
    EXPECT_EQ(gotohRowFor(499999, 499998, lookup, -1000, -1), activeKernels().gotohRow);
    EXPECT_EQ(gotohRowFor(499999, 499999, lookup, -1000, -1), scalarKernels().gotohRow);

    const int best = lookup.bestScore();
    const long long lastSafe = (INT_MAX / 4 + best - 1) / best - 2;
    ASSERT_FALSE(localScoresMayOverflow(lastSafe, lastSafe, best));
    ASSERT_TRUE(localScoresMayOverflow(lastSafe + 1, lastSafe + 1, best));
    EXPECT_EQ(localRowKernel(lastSafe, lastSafe, best), activeKernels().localRow);
    EXPECT_EQ(localRowKernel(lastSafe + 1, 1LL << 40, best), scalarKernels().localRow);
}

// The pair-level bound that refuses a pair outright, at its gap side: every
// cell is at least what leaving both stretches to gaps costs.
TEST(KernelBounds, PairsAreRefusedFromTheFirstGapCostPastInt32) {
    const ScoreLookup lookup = testdata::simpleDna();
    // With gaps of 1 and one residue in sequence 1 the bound is
    // 2 * (1 + 2) + (1 + n2) + |worst|.
    const std::size_t lastFit = static_cast<std::size_t>(INT32_MAX) - 7 - std::abs(lookup.worstScore());
    EXPECT_TRUE(scoresFitInInt32(1, lastFit, lookup, -1, -1));
    EXPECT_FALSE(scoresFitInInt32(1, lastFit + 1, lookup, -1, -1));
    EXPECT_FALSE(scoresFitInInt32(lastFit + 1, 1, lookup, -1, -1));
}
