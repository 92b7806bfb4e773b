// Every vector kernel set this processor runs against the scalar kernels, on
// random rows built to produce many ties (the traceback choices and moves
// depend on tie order), at every length from 0 to 300 so that each vector
// width meets every remainder.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "align/kernels/Kernels.hpp"

namespace {

constexpr int kMaxLen = 300;

std::vector<const KernelSet*> vectorSets() {
    std::vector<const KernelSet*> sets = availableKernels();
    sets.erase(sets.begin());  // the scalar reference
    return sets;
}

// Pair scores drawn from {match, mismatch} for a two-letter alphabet, or from
// four letters with distinct scores; prev-row values in [lo, hi].
struct RowCase {
    const char* name;
    int match, mismatch, gapOpen, gapExt;
    bool twoLetters;
    int lo, hi;
};

std::vector<int> pairScores(const RowCase& c, int n, std::mt19937& rng) {
    std::vector<int> s(static_cast<std::size_t>(n) + 1, 0);
    const int four[4] = {c.match, c.mismatch, (c.match + c.mismatch) / 2, c.mismatch - 7};
    for (int j = 1; j <= n; ++j)
        s[j] = c.twoLetters ? (rng() % 2 ? c.match : c.mismatch) : four[rng() % 4];
    return s;
}

std::vector<int> randomRow(int n, int lo, int hi, std::mt19937& rng, bool impossibleToo) {
    std::uniform_int_distribution<int> value(lo, hi);
    std::vector<int> row(static_cast<std::size_t>(n) + 1);
    for (int& v : row) v = impossibleToo && rng() % 8 == 0 ? kImpossible : value(rng);
    return row;
}

const RowCase kLocalCases[] = {
    {"gap_equals_mismatch", 1, -1, -1, 0, true, 0, 4},
    {"all_pairs_equal_gap_zero", 2, 2, 0, 0, true, 0, 6},
    {"gap_zero", 2, -2, 0, 0, true, 0, 6},
    {"gap_equals_minus_match", 3, -3, -3, 0, true, 0, 9},
    {"dna_like", 100, -114, -500, 0, false, 0, 2000},
    {"huge_gap", 5, -5, -2000000000, 0, false, 0, 50},
};

TEST(VectorKernels, LocalRowMatchesScalar) {
    for (const KernelSet* set : vectorSets()) {
        for (const RowCase& c : kLocalCases) {
            SCOPED_TRACE(std::string(set->name) + " " + c.name);
            std::mt19937 rng(7);
            for (int n = 0; n <= kMaxLen; ++n) {
                const std::vector<int> scores = pairScores(c, n, rng);
                const std::vector<int> prev = randomRow(n, c.lo, c.hi, rng, false);
                for (bool withChoices : {false, true}) {
                    std::vector<int> want(prev.size(), -1), got(prev.size(), -1);
                    // The column left of the stretch: a zero boundary, or the
                    // score a neighbouring strip hands on.
                    want[0] = got[0] = n % 2 ? 0 : std::max(0, prev[0]);
                    std::vector<std::uint8_t> wantC(prev.size(), 9), gotC(prev.size(), 9);
                    const int wantMax = localFillRowScalar(prev.data(), want.data(), scores.data(), n,
                                                           c.gapOpen, withChoices ? wantC.data() : nullptr);
                    const int gotMax = set->localRow(prev.data(), got.data(), scores.data(), n, c.gapOpen,
                                                     withChoices ? gotC.data() : nullptr);
                    ASSERT_EQ(gotMax, wantMax) << "n=" << n;
                    ASSERT_EQ(got, want) << "n=" << n;
                    ASSERT_EQ(gotC, wantC) << "n=" << n;
                }
            }
        }
    }
}

const RowCase kGotohCases[] = {
    {"all_zero_costs", 1, 1, 0, 0, true, -3, 3},
    {"gaps_equal_mismatch", 1, -1, -1, -1, true, -4, 4},
    {"open_twice_extend", 1, -1, -2, -1, true, -6, 6},
    {"extend_free", 2, -2, -3, 0, true, -8, 8},
    {"extend_dearer_than_open", 1, -1, -1, -2, true, -5, 5},
    {"dna_like", 100, -114, -500, -25, false, -3000, 3000},
};

TEST(VectorKernels, GotohRowMatchesScalar) {
    for (const KernelSet* set : vectorSets()) {
        for (const RowCase& c : kGotohCases) {
            SCOPED_TRACE(std::string(set->name) + " " + c.name);
            std::mt19937 rng(11);
            for (int m = 0; m <= kMaxLen; ++m) {
                const std::vector<int> scores = pairScores(c, m, rng);
                std::vector<int> pd = randomRow(m, c.lo, c.hi, rng, true);
                std::vector<int> pp = randomRow(m, c.lo, c.hi, rng, true);
                std::vector<int> pq = randomRow(m, c.lo, c.hi, rng, true);
                const GotohRowStates prev{pd.data(), pp.data(), pq.data()};
                // Column 0 as a caller sets it, sometimes with a reachable q.
                const std::vector<int> first = randomRow(2, c.lo, c.hi, rng, true);
                for (bool withMoves : {false, true}) {
                    std::vector<int> want(3 * pd.size(), -7), got(3 * pd.size(), -7);
                    const std::size_t w = pd.size();
                    const GotohRowStates wantRow{want.data(), want.data() + w, want.data() + 2 * w};
                    const GotohRowStates gotRow{got.data(), got.data() + w, got.data() + 2 * w};
                    for (const GotohRowStates& r : {wantRow, gotRow}) {
                        r.d[0] = kImpossible;
                        r.p[0] = first[0];
                        r.q[0] = first[1];
                    }
                    std::vector<std::uint8_t> wantM(w, 0xC0), gotM(w, 0xC0);
                    gotohFillRowScalar(scores.data(), m, c.gapOpen, c.gapExt, prev, wantRow,
                                       withMoves ? wantM.data() : nullptr);
                    set->gotohRow(scores.data(), m, c.gapOpen, c.gapExt, prev, gotRow,
                                  withMoves ? gotM.data() : nullptr);
                    ASSERT_EQ(got, want) << "m=" << m;
                    ASSERT_EQ(gotM, wantM) << "m=" << m;
                }
            }
        }
    }
}

TEST(KernelChoice, NamesSelectAvailableSetsAndRejectOthers) {
    const std::vector<const KernelSet*> sets = availableKernels();
    ASSERT_EQ(sets.front(), &scalarKernels());
    EXPECT_EQ(&kernelsForRequest(nullptr), sets.back());
    EXPECT_EQ(&kernelsForRequest(""), sets.back());
    std::string offered;
    for (const KernelSet* set : sets) {
        EXPECT_EQ(kernelByName(set->name), set);
        EXPECT_EQ(&kernelsForRequest(set->name), set);
        offered += (offered.empty() ? "" : ", ") + std::string(set->name);
    }
    EXPECT_EQ(kernelByName("avx3"), nullptr);
    for (const char* bad : {"avx3", "AVX2", "avx512"}) {
        if (kernelByName(bad)) continue;  // a processor that has it
        try {
            kernelsForRequest(bad);
            ADD_FAILURE() << bad << " accepted";
        } catch (const std::runtime_error& e) {
            EXPECT_EQ(std::string(e.what()),
                      "TORVA_KERNEL=" + std::string(bad) + ": this processor offers " + offered);
        }
    }
}

}  // namespace
