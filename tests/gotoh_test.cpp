#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "align/NwGotoh.hpp"
#include "support/PlainAligners.hpp"
#include "support/TestData.hpp"

using testdata::str;

namespace {

plain::Score scorerOf(const ScoreLookup& lookup) {
    return [&lookup](char a, char b) { return lookup.score(a, b); };
}

struct Rows {
    std::vector<char> r1, r2;
};

}  // namespace

TEST(Gotoh, EmptySequencesAndLeadingGaps) {
    auto sm = testdata::simpleDna();
    std::string empty, acgt = "acgt";
    {
        NW_GOTOH g(empty, acgt, *sm, -10, -2);
        Rows r;
        EXPECT_EQ(g.GetAlignSeq(r.r1, r.r2), -10 - 3 * 2);
        EXPECT_EQ(str(r.r1), "----");
        EXPECT_EQ(str(r.r2), "acgt");
    }
    {
        NW_GOTOH g(acgt, empty, *sm, -10, -2);
        Rows r;
        EXPECT_EQ(g.GetAlignSeq(r.r1, r.r2), -16);
        EXPECT_EQ(str(r.r1), "acgt");
        EXPECT_EQ(str(r.r2), "----");
    }
    {
        std::string e2;
        NW_GOTOH g(empty, e2, *sm, -10, -2);
        Rows r{{'x'}, {'y'}};
        EXPECT_EQ(g.GetAlignSeq(r.r1, r.r2), 0);
        EXPECT_EQ(str(r.r1), "x");  // earlier content stays, nothing appended
    }
    {
        // The best alignment starts with a gap: those columns come first, in order.
        std::string a = "ttacgt", b = "acgt";
        NW_GOTOH g(a, b, *sm, -3, -1);
        Rows r{{'#'}, {'#'}};
        EXPECT_EQ(g.GetAlignSeq(r.r1, r.r2), 20 - 3 - 1);
        EXPECT_EQ(str(r.r1), "#ttacgt");
        EXPECT_EQ(str(r.r2), "#--acgt");
    }
}

TEST(Gotoh, FreeEndForms) {
    auto sm = testdata::simpleDna();
    {
        // Trailing overhang of the longer sequence 1 is free.
        std::string a = "acgttt", b = "acg";
        NW_GOTOH g(a, b, *sm, -10, -2);
        Rows r;
        EXPECT_EQ(g.GetRightAlign(r.r1, r.r2), 15);
        EXPECT_EQ(str(r.r1), "acgttt");
        EXPECT_EQ(str(r.r2), "acg---");
    }
    {
        // Leading overhang free: the first two residues of sequence 1 hang over.
        std::string a = "ttgc", b = "gc";
        NW_GOTOH g(a, b, *sm, -10, -2);
        Rows r;
        EXPECT_EQ(g.GetLeftAlign(r.r1, r.r2), 10);
        EXPECT_EQ(str(r.r1), "ttgc");
        EXPECT_EQ(str(r.r2), "--gc");
        EXPECT_EQ(a, "cgtt");  // the caller's strings are left reversed
        EXPECT_EQ(b, "cg");
    }
}

// The optimised kernel keeps one byte a cell instead of three score matrices;
// rows, scores and every tie-break must match the full-matrix version.
TEST(Gotoh, AgreesWithPlainVersionOnRandomInputs) {
    std::mt19937 rng(7);
    struct Setup {
        std::unique_ptr<ScoreMatrix> sm;
        std::string letters;
        int open, ext;
    };
    std::vector<Setup> setups;
    setups.push_back({testdata::binary(), "ac", -1, -1});
    setups.push_back({testdata::binary(), "acx", -2, 0});
    setups.push_back({testdata::simpleDna(), "acgt", -4, -4});
    setups.push_back({testdata::simpleDna(), "acgtn", -10, -1});
    setups.push_back({testdata::hoxd70(), "acgt", -500, -25});
    for (int round = 0; round < 600; ++round) {
        const Setup& s = setups[static_cast<std::size_t>(round) % setups.size()];
        std::uniform_int_distribution<int> len(0, 30);
        std::string a = testdata::randomSeq(rng, len(rng), s.letters);
        std::string b = round % 3 ? testdata::mutate(rng, a, 0.3, s.letters)
                                  : testdata::randomSeq(rng, len(rng), s.letters);
        const int form = round % 3;
        std::string a0 = a, b0 = b;
        NW_GOTOH g(a, b, *s.sm, s.open, s.ext);
        Rows r;
        std::string e1, e2;
        int got, want;
        if (form == 0) {
            got = g.GetAlignSeq(r.r1, r.r2);
            want = plain::Gotoh(a0, b0, scorerOf(g.lookup), s.open, s.ext).global(e1, e2);
            EXPECT_EQ(got, plain::affineScore(str(r.r1), str(r.r2), scorerOf(g.lookup), s.open, s.ext));
        } else if (form == 1) {
            got = g.GetRightAlign(r.r1, r.r2);
            want = plain::Gotoh(a0, b0, scorerOf(g.lookup), s.open, s.ext).right(e1, e2);
        } else {
            got = g.GetLeftAlign(r.r1, r.r2);
            std::string ra(a0.rbegin(), a0.rend()), rb(b0.rbegin(), b0.rend());
            want = plain::Gotoh(ra, rb, scorerOf(g.lookup), s.open, s.ext).right(e1, e2);
            std::reverse(e1.begin(), e1.end());
            std::reverse(e2.begin(), e2.end());
        }
        ASSERT_EQ(got, want) << a0 << " / " << b0 << " form " << form;
        ASSERT_EQ(str(r.r1), e1) << a0 << " / " << b0 << " form " << form;
        ASSERT_EQ(str(r.r2), e2) << a0 << " / " << b0 << " form " << form;
        ASSERT_EQ(testdata::withoutGaps(r.r1), a0);
        ASSERT_EQ(testdata::withoutGaps(r.r2), b0);
    }
}

TEST(Gotoh, GetAlignFromAnyCellAndScoreOnlyPass) {
    std::mt19937 rng(11);
    auto sm = testdata::simpleDna();
    for (int round = 0; round < 50; ++round) {
        std::string a = testdata::randomSeq(rng, 12, "acgt"), b = testdata::randomSeq(rng, 9, "acgt");
        NW_GOTOH g(a, b, *sm, -6, -2);
        plain::Gotoh ref(a, b, scorerOf(g.lookup), -6, -2);
        EXPECT_EQ(NW_GOTOH::globalScore(a, b, g.lookup, -6, -2), ref.best());
        const int state = round % 3, i = 1 + round % 12, j = 1 + round % 9;
        Rows r;
        const int got = g.GetAlign(foot{state, i, j}, r.r1, r.r2);
        const plain::Grid& m = state == 0 ? ref.D : state == 1 ? ref.P : ref.Q;
        EXPECT_EQ(got, m[i][j]);
        std::string e1, e2;
        ref.trace(state, i, j, e1, e2);
        EXPECT_EQ(str(r.r1), e1);
        EXPECT_EQ(str(r.r2), e2);
    }
}
