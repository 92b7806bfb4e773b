#include <gtest/gtest.h>

#include <random>

#include "anchor/BestAligner.hpp"
#include "support/PlainAligners.hpp"
#include "support/TestData.hpp"

using testdata::str;


TEST(LocalScores, CutoffRoundsUpAndIgnoresMissingLetters) {
    std::string a = "acgt", b = "acgt";
    // identities 1 + 1 + ... : S * factor = 50 -> 12.5 -> 13
    auto fives = testdata::matrixFrom(">m\nacgt\na 5 0 0 0\nc 0 5 0 0\ng 0 0 5 0\nt 0 0 0 5\n");
    EXPECT_EQ(BestAligner(a, b, *fives, -5, -1, 10, 10).cutoff, 50);
    auto odd = testdata::matrixFrom(">m\nacgt\na 2 0 0 0\nc 0 1 0 0\ng 0 0 1 0\nt 0 0 0 1\n");
    EXPECT_EQ(BestAligner(a, b, *odd, -5, -1, 10, 10).cutoff, 13);
    auto negative = testdata::matrixFrom(">m\nacgt\na -1 0 0 0\nc 0 0 0 0\ng 0 0 0 0\nt 0 0 0 0\n");
    EXPECT_EQ(BestAligner(a, b, *negative, -5, -1, 10, 10).cutoff, -2);
    // A protein-like alphabet without g: it contributes nothing.
    auto nog = testdata::matrixFrom(">m\nact\na 4 0 0\nc 0 9 0\nt 0 0 5\n");
    EXPECT_EQ(BestAligner(a, b, *nog, -5, -1, 6, 10).cutoff, 27);
}

TEST(LocalScores, BestCellsAndEmptySequences) {
    auto sm = testdata::simpleDna();
    std::string empty, s = "acgt";
    BestAligner e1(empty, s, *sm, -5, -1, 10, 10);
    EXPECT_EQ(e1.maxScore, 0);
    EXPECT_TRUE(e1.maxCells.empty());

    // Two equal best cells, listed row-major.
    std::string a = "acgxacg", b = "acg";
    BestAligner two(a, b, *sm, -5, -1, 10, 10);
    EXPECT_EQ(two.maxScore, 15);
    ASSERT_EQ(two.maxCells.size(), 2u);
    EXPECT_EQ(two.maxCells[0], (foot2{3, 3}));
    EXPECT_EQ(two.maxCells[1], (foot2{7, 3}));

    // Nothing positive: no cell can start a segment, so none is kept.
    std::string x = "aaaa", y = "cccc";
    BestAligner none(x, y, *sm, -5, -1, 10, 10);
    EXPECT_EQ(none.maxScore, 0);
    EXPECT_TRUE(none.maxCells.empty());
}

TEST(LocalScores, FillAgreesWithPlainVersionInBothCellWidths) {
  for (const bool narrow : {true, false}) {
    BestAligner::allowPackedCells(narrow);
    std::mt19937 rng(3);
    auto sm = testdata::simpleDna();
    auto bin = testdata::binary();
    for (int round = 0; round < 200; ++round) {
        const ScoreMatrix& m = round % 2 ? *sm : *bin;
        const std::string letters = round % 2 ? "acgtn" : "ac";
        std::string a = testdata::randomSeq(rng, 1 + round % 40, letters);
        std::string b = testdata::mutate(rng, a, 0.4, letters);
        const int open = -(round % 6);
        BestAligner al(a, b, m, open, -1, 10, 10);
        ASSERT_EQ(al.packedCells(), narrow);
        const plain::Grid want = plain::localFill(a, b, plain::scorerOf(m), open);
        for (int i = 0; i <= al.len1; ++i)
            for (int j = 0; j <= al.len2; ++j)
                ASSERT_EQ(al.valueAt(foot2{i, j}, 0), want[i][j]) << i << "," << j;
        const auto cells = plain::bestCells(want, 1, 1, al.len1, al.len2, 1);
        EXPECT_EQ(al.maxCells, cells);
    }
  }
  BestAligner::allowPackedCells(true);
}

TEST(LocalScores, ScoresBeyondTwelveBitsReadBackExactly) {
    // Long identical sequences under a large identity score: cell values far
    // beyond 12 bits still read back exactly, and cheap enough steps keep
    // packed cells; a gap cost too large for them switches to whole cells.
    std::mt19937 rng(17);
    auto sm = testdata::hoxd70();
    std::string a = testdata::randomSeq(rng, 3000, "acgt"), b = a;
    BestAligner narrow(a, b, *sm, -500, -25, 10, 100);
    EXPECT_TRUE(narrow.packedCells());
    EXPECT_GT(narrow.maxScore, 200000);
    EXPECT_EQ(narrow.valueAt(foot2{3000, 3000}, 0), narrow.maxScore);
    std::vector<char> r1, r2;
    foot2 end{3000, 3000};
    EXPECT_EQ(narrow.GetAlignSeq(end, r1, r2), narrow.maxScore);
    EXPECT_EQ(end, (foot2{0, 0}));
    BestAligner wide(a, b, *sm, -20000, -25, 10, 100);
    EXPECT_FALSE(wide.packedCells());
    EXPECT_EQ(wide.maxScore, narrow.maxScore);
}

TEST(SegmentTrace, StartCellRowsAndTieOrder) {
    auto sm = testdata::simpleDna();
    {
        // Stops at the first zero cell; only the new columns are reversed.
        std::string a = "ttacgtac", b = "ggacgtac";
        BestAligner al(a, b, *sm, -5, -1, 10, 10);
        foot2 cell{8, 8};
        std::vector<char> r1{'x'}, r2{'y'};
        EXPECT_EQ(al.GetAlignSeq(cell, r1, r2), 30);
        EXPECT_EQ(cell, (foot2{2, 2}));
        EXPECT_EQ(str(r1), "xacgtac");
        EXPECT_EQ(str(r2), "yacgtac");
    }
    {
        // A segment reaching row 0 starts there; a zero end cell gives nothing.
        std::string a = "acg", b = "tacg";
        BestAligner al(a, b, *sm, -5, -1, 10, 10);
        foot2 cell{3, 4};
        std::vector<char> r1, r2;
        EXPECT_EQ(al.GetAlignSeq(cell, r1, r2), 15);
        EXPECT_EQ(cell, (foot2{0, 1}));
        foot2 zero{1, 1};
        EXPECT_EQ(al.GetAlignSeq(zero, r1, r2), 0);
        EXPECT_EQ(zero, (foot2{1, 1}));
        EXPECT_EQ(r1.size(), 3u);
    }
    {
        // With free gaps a diagonal and a gap predecessor tie: the diagonal
        // wins, then a gap in sequence 2, then a gap in sequence 1.
        auto bin = testdata::matrixFrom(">b\nac\na 2 0\nc 0 2\n");
        std::string a = "aa", b = "a";
        BestAligner al(a, b, *bin, 0, 0, 10, 10);
        foot2 cell{2, 1};
        std::vector<char> r1, r2;
        EXPECT_EQ(al.GetAlignSeq(cell, r1, r2), 2);
        EXPECT_EQ(str(r1), "a");  // diagonal from (1,0): D[1][0] + 2 = 2
        EXPECT_EQ(cell, (foot2{1, 0}));
    }
}

TEST(SegmentTrace, CellRelationsAndUnknownLetters) {
    EXPECT_EQ(BestAligner::cmp_f2(foot2{4, 6}, foot2{3, 5}), 1);
    EXPECT_EQ(BestAligner::cmp_f2(foot2{3, 5}, foot2{3, 5}), 0);
    EXPECT_EQ(BestAligner::cmp_f2(foot2{2, 4}, foot2{3, 5}), 2);
    EXPECT_EQ(BestAligner::cmp_f2(foot2{3, 5}, foot2{3, 7}), 3);
    EXPECT_EQ(BestAligner::cmp_f2(foot2{4, 2}, foot2{3, 5}), 3);

    auto sm = testdata::simpleDna();
    ScoreLookup lookup(*sm);
    EXPECT_EQ(lookup.score('a', 'a'), 5);
    EXPECT_EQ(lookup.score('r', 'a'), 0);
    EXPECT_EQ(lookup.score('a', 'A'), 0);  // the alphabet is lower case
    EXPECT_EQ(sm->alphabet.count('r'), 0u);
}

TEST(LocalScores, PackedRowsStoreEveryWidth) {
    // Whole rows are packed four cells at a time, the rest one by one; every
    // width must read back the low 12 bits of every cell and nothing beyond.
    for (std::size_t width = 1; width <= 14; ++width) {
        std::vector<int> scores(width);
        for (std::size_t j = 0; j < width; ++j) scores[j] = static_cast<int>(j * 977 + 4093);
        std::vector<std::uint8_t> bytes(PackedCells::rowBytes(width) + 1, 0xAB);
        PackedCells::storeRow(PackedCells::Row{bytes.data()}, scores.data(), width);
        const PackedCells::Row row{bytes.data()};
        for (std::size_t j = 0; j < width; ++j) EXPECT_EQ(row.get(j), scores[j] & 0xFFF) << width;
        EXPECT_EQ(bytes.back(), 0xAB) << width;
        int value = scores[0];
        for (std::size_t j = 1; j < width; ++j) EXPECT_EQ(value = PackedCells::next(row, j, value), scores[j]);
    }
}
