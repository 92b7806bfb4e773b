#include <gtest/gtest.h>

#include "align/NwGotoh.hpp"
#include "anchor/BestAligner.hpp"
#include "anchor/windowed/GapWindows.hpp"
#include "support/TestData.hpp"

using testdata::rowOf;
using testdata::str;

namespace {

// Rows of `length` identical pair columns with a gap in row 2 at `gapCols`.
std::pair<std::vector<char>, std::vector<char>> rowsWithGaps(int length, std::vector<int> gapCols) {
    std::vector<char> a(static_cast<std::size_t>(length), 'a'), b = a;
    for (int c : gapCols) b[static_cast<std::size_t>(c)] = '-';
    return {a, b};
}

}  // namespace

TEST(GapWindows, ClustersSplitAt82ColumnsAndOuterEndsWiden) {
    {
        auto [a, b] = rowsWithGaps(300, {100, 181});
        auto w = gapWindows(a, b);
        ASSERT_EQ(w.size(), 1u);
        EXPECT_EQ(w[0].first, 19);
        EXPECT_EQ(w[0].last, 262);
        EXPECT_EQ(w[0].gapColumns, 2);
    }
    {
        auto [a, b] = rowsWithGaps(300, {100, 182, 200});
        auto w = gapWindows(a, b);
        ASSERT_EQ(w.size(), 2u);
        EXPECT_EQ(w[0].first, 19);
        EXPECT_EQ(w[0].last, 100);  // inner ends are not widened
        EXPECT_EQ(w[1].first, 182);
        EXPECT_EQ(w[1].last, 281);
        EXPECT_EQ(w[1].gapColumns, 2);
    }
    {
        // Near the row ends the widening stops at the first and last column.
        auto [a, b] = rowsWithGaps(200, {81, 118});
        auto w = gapWindows(a, b);
        ASSERT_EQ(w.size(), 1u);
        EXPECT_EQ(w[0].first, 0);
        EXPECT_EQ(w[0].last, 199);
    }
    auto [a, b] = rowsWithGaps(50, {});
    EXPECT_TRUE(gapWindows(a, b).empty());
}

TEST(ReAlign, WindowsAreRealignedAndCopiedColumnsScoredWithAffineGaps) {
    auto sm = testdata::simpleDna();
    std::string s1 = "a", s2 = "a";
    BestAligner al(s1, s2, *sm, -10, -2, 10, 10);

    // No gap at all: copied column by column.
    std::vector<char> r1 = rowOf("acgtacgt"), r2 = rowOf("acgaacgt");
    EXPECT_EQ(al.reAlign(r1, r2), 7 * 5 - 4);
    EXPECT_EQ(str(r2), "acgaacgt");

    // Three clusters: the widened first and last windows are aligned again;
    // the inner one is a single run of gap columns (in either row), copied and
    // charged as one gap.
    std::vector<char> a(400, 'c'), b(400, 'c');
    a[10] = 'g';
    b[10] = '-';
    b[150] = '-';
    a[151] = '-';
    b[152] = '-';
    a[300] = '-';
    b[300] = 't';
    auto residues = [](const std::vector<char>& row, int from, int to) {
        std::string s;
        for (int c = from; c <= to; ++c)
            if (row[c] != '-') s.push_back(row[c]);
        return s;
    };
    const ScoreLookup lookup(*sm);
    const int first = NW_GOTOH::globalScore(residues(a, 0, 91), residues(b, 0, 91), lookup, -10, -2);
    const int last = NW_GOTOH::globalScore(residues(a, 300, 381), residues(b, 300, 381), lookup, -10, -2);
    const int expected = first + 5 * (150 - 92) + (-10 - 2 - 2) + 5 * (300 - 153) + last + 5 * (400 - 382);
    std::vector<char> c1 = a, c2 = b;
    EXPECT_EQ(al.reAlign(c1, c2), expected);
    EXPECT_EQ(c1.size(), c2.size());
    EXPECT_EQ(testdata::withoutGaps(c1), testdata::withoutGaps(a));
    EXPECT_EQ(testdata::withoutGaps(c2), testdata::withoutGaps(b));
    EXPECT_EQ(std::string(c1.begin() + 150, c1.begin() + 153), std::string("c-c"));
}

TEST(GappedAnchor, WindowedFormRealignsOnlyWhenBothRowsHoldThreeGaps) {
    auto sm = testdata::simpleDna();
    std::string s1 = "aaaccctttggg", s2 = "aaaccctttggg";
    BestAligner al(s1, s2, *sm, -10, -2, 10, 10);
    f2pScore rec;
    rec.f2p = {foot2{0, 0}, foot2{12, 12}};
    rec.score = 7;
    rec.align1 = rowOf("aaaccctttggg---");
    rec.align2 = rowOf("aaaccc---tttggg");
    al.realignGappedAnchor(rec);
    EXPECT_EQ(rec.score, 60);
    EXPECT_EQ(str(rec.align1), "aaaccctttggg");
    EXPECT_EQ(str(rec.align2), "aaaccctttggg");

    f2pScore two;
    two.f2p = {foot2{0, 0}, foot2{12, 12}};
    two.score = 7;
    two.align1 = rowOf("aaaccctttggg--");
    two.align2 = rowOf("aaaccc--tttggg");
    al.realignGappedAnchor(two);
    EXPECT_EQ(two.score, 7);
    EXPECT_EQ(str(two.align2), "aaaccc--tttggg");
}
