#include <gtest/gtest.h>

#include <random>

#include "align/NwGotoh.hpp"
#include "anchor/BestAligner.hpp"
#include "support/PlainAligners.hpp"
#include "support/TestData.hpp"

using testdata::str;
using Segment = std::pair<foot2, foot2>;

namespace {


// The incremental re-scoring must leave the region exactly as a fresh fill of
// the region from a zero boundary, leave every other cell alone, and offer
// the region's best cells. `zeroColumn` is the first column of the scores the
// region held before.
void expectRescoredLike(BestAligner& al, const std::string& a, const std::string& b,
                        const ScoreMatrix& sm, int open, foot2 r0, foot2 r1, int zeroColumn) {
    std::vector<std::vector<long long>> before(al.len1 + 1, std::vector<long long>(al.len2 + 1));
    for (int i = 0; i <= al.len1; ++i)
        for (int j = 0; j <= al.len2; ++j) before[i][j] = al.storedCell(i, j);
    foot2 region[2] = {r0, r1};
    std::vector<foot2> got;
    al.next_best(region, got, 1, zeroColumn);

    const plain::Grid fresh = plain::localFill(a.substr(r0.i, r1.i - r0.i),
                                               b.substr(r0.j, r1.j - r0.j), plain::scorerOf(sm), open);
    for (int i = 0; i <= al.len1; ++i)
        for (int j = 0; j <= al.len2; ++j) {
            const bool inside = i >= r0.i && i <= r1.i && j >= r0.j && j <= r1.j;
            if (inside) {
                ASSERT_EQ(al.valueAt(foot2{i, j}, r0.j), fresh[i - r0.i][j - r0.j]) << i << "," << j;
            } else {
                ASSERT_EQ(al.storedCell(i, j), before[i][j]) << i << "," << j;
            }
        }
    std::vector<foot2> want = plain::bestCells(fresh, 1, 1, r1.i - r0.i, r1.j - r0.j, al.cutoff);
    for (foot2& c : want) c = foot2{c.i + r0.i, c.j + r0.j};
    EXPECT_EQ(got, want);
}

// +5 for identities, -100 otherwise: unrelated stretches end a segment at once.
std::unique_ptr<ScoreMatrix> harshDna() {
    return testdata::matrixFrom(
        ">harsh\nA C G T\nA 5 -100 -100 -100\nC -100 5 -100 -100\nG -100 -100 5 -100\n"
        "T -100 -100 -100 5\n");
}

}  // namespace

// Run with packed 12-bit and with whole 32-bit cells: both must give the same scores.
class NextBestCells : public testing::TestWithParam<bool> {
protected:
    void SetUp() override { BestAligner::allowPackedCells(GetParam()); }
    void TearDown() override { BestAligner::allowPackedCells(true); }
};

INSTANTIATE_TEST_SUITE_P(CellWidths, NextBestCells, testing::Values(true, false));

TEST_P(NextBestCells, IncrementalRescoringEqualsFreshFill) {
    std::mt19937 rng(5);
    auto sm = testdata::hoxd70();
    for (int round = 0; round < 150; ++round) {
        std::string a = testdata::randomSeq(rng, 20 + round % 50, "acgt");
        std::string b = testdata::mutate(rng, a, 0.2, "acgt");
        if (b.size() < 4) continue;
        const int open = -(50 + 100 * (round % 5));
        BestAligner al(a, b, *sm, open, -1, 6, 0);
        ASSERT_EQ(al.packedCells(), GetParam());
        std::uniform_int_distribution<int> ri(0, al.len1 - 1), rj(0, al.len2 - 1);
        foot2 r0{ri(rng), rj(rng)};
        foot2 r1{std::uniform_int_distribution<int>(r0.i, al.len1)(rng),
                 std::uniform_int_distribution<int>(r0.j, al.len2)(rng)};
        expectRescoredLike(al, a, b, *sm, open, r0, r1, 0);
        // Again inside the re-scored part, as the search does for nested parts.
        foot2 s0{std::uniform_int_distribution<int>(r0.i, r1.i)(rng),
                 std::uniform_int_distribution<int>(r0.j, r1.j)(rng)};
        expectRescoredLike(al, a, b, *sm, open, s0, r1, r0.j);
    }
}

TEST(NextBest, SizeLimitAndCutoff) {
    auto sm = testdata::simpleDna();
    std::string a = "acgtacgtac", b = "acgtacgtac";
    BestAligner al(a, b, *sm, -5, -1, 10, 9);
    std::vector<foot2> list{foot2{1, 1}};
    foot2 shortPart[2] = {foot2{0, 0}, foot2{8, 10}};  // 8 rows < -C 9
    EXPECT_EQ(al.next_best(shortPart, list, 0), 0);
    EXPECT_TRUE(list.empty());
    // The best there is 45: a cutoff of 45 still lets it through, 46 does not.
    foot2 part[2] = {foot2{0, 0}, foot2{9, 9}};
    al.cutoff = 45;
    ASSERT_EQ(al.next_best(part, list, 0), 1);
    EXPECT_EQ(list[0], (foot2{9, 9}));
    al.cutoff = 46;
    EXPECT_EQ(al.next_best(part, list, 0), 0);
}

TEST(GroupSort, ConflictFreeSegmentsAreSortedWithoutAligning) {
    auto sm = testdata::simpleDna();
    std::string a(60, 'a'), b(60, 'a');
    BestAligner al(a, b, *sm, -5, -1, 10, 10);
    foot2 region[2] = {foot2{0, 0}, foot2{60, 60}};
    // Given out of order; the second starts exactly at the first one's end.
    std::vector<Segment> pairs{{foot2{30, 30}, foot2{40, 40}},
                               {foot2{10, 10}, foot2{20, 20}},
                               {foot2{20, 20}, foot2{30, 30}}};
    std::vector<int> order;
    EXPECT_EQ(al.groupSort(region, pairs, order), 3);
    EXPECT_EQ(order, (std::vector<int>{1, 2, 0}));
    EXPECT_EQ(pairs[0].first, (foot2{10, 10}));
    EXPECT_EQ(pairs[2].first, (foot2{30, 30}));
}

TEST(GroupSort, ConflictingSegmentsKeepTheBestFlanks) {
    auto sm = testdata::simpleDna();
    std::string a = "ccccacgtacgtgggg", b = "ccccacgtacgtgggg";
    BestAligner al(a, b, *sm, -5, -1, 10, 10);
    foot2 region[2] = {foot2{0, 0}, foot2{16, 16}};
    // Same rows, shifted columns: they cross. The diagonal one aligns its
    // flanks best.
    std::vector<Segment> pairs{{foot2{4, 6}, foot2{8, 10}},
                               {foot2{4, 4}, foot2{8, 8}},
                               {foot2{4, 2}, foot2{8, 6}}};
    std::vector<int> order;
    EXPECT_EQ(al.groupSort(region, pairs, order), 1);
    EXPECT_EQ(order, (std::vector<int>{1}));
    ASSERT_EQ(pairs.size(), 1u);
    EXPECT_EQ(pairs[0].first, (foot2{4, 4}));

    // Equal flank sums: the higher input index wins.
    std::string x = "aaaaaaaa", y = "aaaaaaaa";
    BestAligner tie(x, y, *sm, -5, -1, 10, 10);
    foot2 whole[2] = {foot2{0, 0}, foot2{8, 8}};
    std::vector<Segment> same{{foot2{2, 2}, foot2{4, 4}}, {foot2{2, 2}, foot2{4, 4}}};
    order.clear();
    tie.groupSort(whole, same, order);
    EXPECT_EQ(order, (std::vector<int>{1}));
}

TEST(GroupSort, GroupsJoinThroughTheirBoxAndFlanksStopAtNeighbours) {
    auto sm = testdata::simpleDna();
    std::string a(100, 'a'), b(100, 'a');
    BestAligner al(a, b, *sm, -5, -1, 10, 10);
    foot2 region[2] = {foot2{0, 0}, foot2{100, 100}};
    // 0 and 2 do not conflict with each other but both conflict with 1, so
    // all three form one group; 3 lies after them and stays alone.
    std::vector<Segment> pairs{{foot2{10, 10}, foot2{20, 20}},
                               {foot2{15, 5}, foot2{35, 25}},
                               {foot2{20, 20}, foot2{30, 30}},
                               {foot2{50, 50}, foot2{60, 60}}};
    std::vector<int> order;
    EXPECT_EQ(al.groupSort(region, pairs, order), 2);
    ASSERT_EQ(order.size(), 2u);
    EXPECT_EQ(order[1], 3);
    // Of the group, the member whose flanks (from the region start to the next
    // group's start) score best is kept: the diagonal ones tie, the later wins.
    EXPECT_EQ(order[0], 2);
}

TEST(AnchorSearch, SingleAnchorAndSeparateStretches) {
    auto sm = testdata::simpleDna();
    std::mt19937 rng(9);
    {
        std::string core = testdata::randomSeq(rng, 60, "acgt");
        std::string a = testdata::randomSeq(rng, 30, "acgt") + core + testdata::randomSeq(rng, 30, "acgt");
        std::string b = testdata::randomSeq(rng, 10, "acgt") + core + testdata::randomSeq(rng, 50, "acgt");
        BestAligner al(a, b, *sm, -20, -2, 10, 100);
        std::vector<char> r1, r2;
        al.global_align(r1, r2);
        ASSERT_EQ(al.hssList.size(), 1u);
        EXPECT_GE(al.hssList[0].score, 300);
        EXPECT_EQ(al.hssScore, al.hssList[0].score);
    }
    {
        // Three shared blocks separated by unrelated stretches that cost more
        // than a block gains, short -C.
        auto harsh = harshDna();
        std::string a, b;
        for (int k = 0; k < 3; ++k) {
            std::string block = testdata::randomSeq(rng, 40, "acgt");
            a += std::string(25, 'a') + block;
            b += std::string(35, 'c') + block;
        }
        BestAligner al(a, b, *harsh, -200, -2, 10, 15);
        std::vector<char> r1, r2;
        al.global_align(r1, r2);
        ASSERT_EQ(al.hssList.size(), 3u);
        int sum = 0;
        for (std::size_t k = 0; k < al.hssList.size(); ++k) {
            sum += al.hssList[k].score;
            EXPECT_EQ(al.hssList[k].score, 200);
            EXPECT_EQ(al.hssList[k].f2p.first, (foot2{65 * static_cast<int>(k) + 25, 75 * static_cast<int>(k) + 35}));
        }
        EXPECT_EQ(sum, al.hssScore);
    }
}

TEST(AnchorSearch, NoAnchoringAtOrBelowTheCutoff) {
    auto sm = testdata::simpleDna();
    std::string a = "ttttacgtacgtcccc", b = "ggacgtacgtgg";
    BestAligner al(a, b, *sm, -7, -1, 10, 1);
    al.cutoff = al.maxScore;  // equal: still no anchoring
    std::vector<char> r1, r2;
    const int score = al.global_align(r1, r2);
    EXPECT_EQ(al.hssScore, 0);
    EXPECT_TRUE(al.hssList.empty());
    std::string c1 = "ttttacgtacgtcccc", c2 = "ggacgtacgtgg";
    NW_GOTOH whole(c1, c2, *sm, -7, -1);
    std::vector<char> w1, w2;
    EXPECT_EQ(score, whole.GetAlignSeq(w1, w2));
    EXPECT_EQ(r1, w1);
    EXPECT_EQ(r2, w2);
}

TEST(AnchorSearch, EmptyOrNonPositiveCandidatesRecordNothing) {
    auto sm = testdata::simpleDna();
    std::string a = "aaaa", b = "cccc";
    BestAligner al(a, b, *sm, -5, -1, 10, 0);
    foot2 whole[2] = {foot2{0, 0}, foot2{4, 4}};
    EXPECT_EQ(al.getBestHSS(whole, {}), 0);
    EXPECT_EQ(al.getBestHSS(whole, {foot2{1, 1}, foot2{2, 2}}), 0);
    EXPECT_TRUE(al.hssList.empty());
}

TEST(AnchorSearch, NestedSearchesKeepTheChainInOrder) {
    // Blocks whose scores fall along the sequences: each search finds one
    // block and hands the rest to the search of the part after it, so the
    // searches nest as deep as the chain is long.
    std::mt19937 rng(13);
    auto harsh = harshDna();
    std::string a, b;
    const int blocks = 60;
    for (int k = 0; k < blocks; ++k) {
        std::string block = testdata::randomSeq(rng, 80 - k, "acgt");
        a += block + "aaaaa";
        b += block + "ccccc";
    }
    BestAligner al(a, b, *harsh, -300, -1, 6, 1);
    std::vector<char> r1, r2;
    al.global_align(r1, r2);
    ASSERT_EQ(al.hssList.size(), static_cast<std::size_t>(blocks));
    for (int k = 0; k < blocks; ++k) EXPECT_EQ(al.hssList[k].score, 5 * (80 - k));
    EXPECT_EQ(testdata::withoutGaps(r1), a);
    EXPECT_EQ(testdata::withoutGaps(r2), b);
}
