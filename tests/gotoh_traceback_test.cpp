#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "align/GotohTraceback.hpp"
#include "align/NwGotoh.hpp"
#include "support/TestData.hpp"

using testdata::str;

namespace {

struct Scoring {
    std::unique_ptr<ScoreMatrix> sm;
    std::string letters;
    int open, ext;
};

// The checkpointed traceback of one pair, shaped like NW_GOTOH's forms.
struct Checkpointed {
    std::string s1, s2;
    ScoreLookup lookup;
    std::vector<ScoreLookup::Code> a, b;
    GotohProblem p;
    GotohFill fill;

    Checkpointed(std::string x, std::string y, const Scoring& s, int blockRows)
        : s1(std::move(x)), s2(std::move(y)), lookup(*s.sm), a(lookup.encode(s1)),
          b(lookup.encode(s2)),
          p{a.data(), static_cast<int>(a.size()), b.data(), static_cast<int>(b.size()), lookup,
            s.open, s.ext},
          fill(fillGotohCheckpointed(p, blockRows)) {}

    int trace(foot start, std::vector<char>& r1, std::vector<char>& r2) {
        return traceGotoh(p, fill, start, s1, s2, r1, r2);
    }
    int right(std::vector<char>& r1, std::vector<char>& r2) {
        const foot st = gotohRightStart(fill, p.n, p.m);
        const int v = trace(st, r1, r2);
        r1.insert(r1.end(), static_cast<std::size_t>(p.m - st.j), '-');
        r2.insert(r2.end(), s2.begin() + st.j, s2.end());
        r1.insert(r1.end(), s1.begin() + st.i, s1.end());
        r2.insert(r2.end(), static_cast<std::size_t>(p.n - st.i), '-');
        return v;
    }
};

std::string reversed(std::string s) { return {s.rbegin(), s.rend()}; }

void expectSame(int form, const std::string& a, const std::string& b, int blockRows, int want,
                const std::vector<char>& w1, const std::vector<char>& w2, int got,
                const std::vector<char>& g1, const std::vector<char>& g2) {
    ASSERT_EQ(got, want) << a << " / " << b << " form " << form << " k " << blockRows;
    ASSERT_EQ(str(g1), str(w1)) << a << " / " << b << " form " << form << " k " << blockRows;
    ASSERT_EQ(str(g2), str(w2)) << a << " / " << b << " form " << form << " k " << blockRows;
}

// Every form against the byte-per-cell traceback: the global start, both free
// ends, and starts in each state at random cells (inner starts take their
// value from a recomputed block).
void compareAllForms(std::mt19937& rng, const std::string& a, const std::string& b,
                     const Scoring& s, int blockRows, int randomStarts) {
    std::vector<char> w1{'#'}, w2{'#'}, g1{'#'}, g2{'#'};
    std::string x = a, y = b;
    NW_GOTOH old(x, y, *s.sm, s.open, s.ext);
    Checkpointed cur(a, b, s, blockRows);
    int want = old.GetAlignSeq(w1, w2);
    int got = cur.trace(gotohGlobalStart(cur.fill, cur.p.n, cur.p.m), g1, g2);
    expectSame(0, a, b, blockRows, want, w1, w2, got, g1, g2);

    for (int t = 0; t < randomStarts; ++t) {
        const foot start{t % 3, std::uniform_int_distribution<int>(0, cur.p.n)(rng),
                         std::uniform_int_distribution<int>(0, cur.p.m)(rng)};
        w1.clear(), w2.clear(), g1.clear(), g2.clear();
        want = old.GetAlign(start, w1, w2);
        got = cur.trace(start, g1, g2);
        expectSame(3 + start.state, a, b, blockRows, want, w1, w2, got, g1, g2);
    }

    std::string x2 = a, y2 = b;
    NW_GOTOH oldRight(x2, y2, *s.sm, s.open, s.ext);
    w1.clear(), w2.clear(), g1.clear(), g2.clear();
    want = oldRight.GetRightAlign(w1, w2);
    got = cur.right(g1, g2);
    expectSame(1, a, b, blockRows, want, w1, w2, got, g1, g2);

    std::string x3 = a, y3 = b;
    NW_GOTOH oldLeft(x3, y3, *s.sm, s.open, s.ext);
    w1.clear(), w2.clear(), g1.clear(), g2.clear();
    want = oldLeft.GetLeftAlign(w1, w2);
    Checkpointed back(reversed(a), reversed(b), s, blockRows);
    got = back.right(g1, g2);
    std::reverse(g1.begin(), g1.end());
    std::reverse(g2.begin(), g2.end());
    expectSame(2, a, b, blockRows, want, w1, w2, got, g1, g2);
}

std::vector<Scoring> tieHeavySetups() {
    std::vector<Scoring> setups;
    setups.push_back({testdata::binary(), "ac", -1, -1});
    setups.push_back({testdata::binary(), "ac", -2, -2});
    setups.push_back({testdata::binary(), "acx", -2, 0});
    setups.push_back({testdata::simpleDna(), "acgt", -4, -4});
    setups.push_back({testdata::hoxd70(), "acgt", -500, -25});
    return setups;
}

}  // namespace

TEST(GotohTraceback, SameRowsAsByteMatrixOnRandomPairs) {
    std::mt19937 rng(2024);
    const auto setups = tieHeavySetups();
    const int blockSizes[] = {1, 2, 3, 7, 0, 100000};
    for (int round = 0; round < 240; ++round) {
        const Scoring& s = setups[static_cast<std::size_t>(round) % setups.size()];
        const int maxLen = round % 4 == 0 ? 8 : 200;
        std::uniform_int_distribution<int> len(0, maxLen);
        const std::string a = testdata::randomSeq(rng, len(rng), s.letters);
        const std::string b = round % 3 ? testdata::mutate(rng, a, 0.3, s.letters)
                                        : testdata::randomSeq(rng, len(rng), s.letters);
        for (int k : blockSizes) compareAllForms(rng, a, b, s, k, 9);
    }
}

// Longer pairs cross many block borders with the default block size too.
TEST(GotohTraceback, SameRowsAsByteMatrixOnLongerPairs) {
    std::mt19937 rng(99);
    const auto setups = tieHeavySetups();
    const int cases[][3] = {{0, 2100, 0}, {0, 2100, 41}, {4, 3000, 0}, {3, 2500, 0}, {1, 1500, 17}};
    for (const auto& c : cases) {
        const Scoring& s = setups[static_cast<std::size_t>(c[0])];
        const std::string a = testdata::randomSeq(rng, c[1], s.letters);
        const std::string b = testdata::mutate(rng, a, 0.2, s.letters);
        compareAllForms(rng, a, b, s, c[2], 3);
    }
}

TEST(GotohTraceback, DefaultBlockSize) {
    EXPECT_EQ(gotohBlockRows(0, 10), 1);
    EXPECT_EQ(gotohBlockRows(500, 500), 500);  // small: one block, filled once
    const int k = gotohBlockRows(50000, 50000);
    EXPECT_GE(k, 600);
    EXPECT_LE(k, 650);
}
