#include <gtest/gtest.h>

#include <random>
#include <stdexcept>

#include "anchor/LocalScoreMatrix.hpp"
#include "common/WorkArena.hpp"
#include "support/PlainAligners.hpp"
#include "support/TestData.hpp"

using testdata::str;

// Every cell's choice kept (what small matrices do) on one thread and with
// fills split into narrow strips on three threads; then grids whose kept rows
// and columns are 1, 2, 3 or 7 apart, so that tracebacks cross many blocks
// (with more than one thread, refilling the next diagonal block ahead) and
// strips keep columns of their neighbours' widths.
const std::vector<LocalFillOptions> kFillSplits = {
    {1}, {3, 4, 0}, {1, 1024, 1LL << 22, 1}, {2, 1024, 1LL << 22, 1}, {3, 4, 0, 2},
    {1, 1024, 1LL << 22, 3}, {3, 5, 0, 7}};

// Traces every cell of `ends` in the matrix and in the plain scores `want`
// of the same region (cell (i, j) of the matrix is want[i - at.i][j - at.j]),
// one at a time and all at once.
void expectSameTraces(LocalScoreMatrix& m, const std::vector<Cell>& ends, const plain::Grid& want,
                      Cell at, const std::string& a, const std::string& b, const plain::Score& score,
                      int gap) {
    std::vector<int> values;
    for (Cell end : ends) {
        int i = end.i - at.i, j = end.j - at.j;
        std::string e1, e2;
        plain::localTrace(want, a, b, score, gap, i, j, e1, e2);
        std::vector<char> r1{'#'}, r2{'#'};
        const int value = want[end.i - at.i][end.j - at.j];
        values.push_back(value);
        ASSERT_EQ(m.traceSegment(end, value, r1, r2), value);
        ASSERT_TRUE(end == (Cell{i + at.i, j + at.j}) && str(r1) == "#" + e1 && str(r2) == "#" + e2)
            << a << " / " << b;
    }
    std::vector<std::vector<char>> batch1(ends.size()), batch2(ends.size());
    std::vector<Cell> batchStarts = ends;
    m.traceSegments(batchStarts, values, &batch1, &batch2);
    for (std::size_t k = 0; k < ends.size(); ++k) {
        int i = ends[k].i - at.i, j = ends[k].j - at.j;
        std::string e1, e2;
        plain::localTrace(want, a, b, score, gap, i, j, e1, e2);
        ASSERT_TRUE(batchStarts[k] == (Cell{i + at.i, j + at.j}) && str(batch1[k]) == e1 &&
                    str(batch2[k]) == e2)
            << "all at once: " << a << " / " << b;
    }
}

// The matrix must give the plain recurrence's scores, best cells, part
// scans and segment tracebacks, however its fills are split and its grid spaced.
TEST(LocalScoreMatrix, AgreesWithPlainVersion) {
    const ScoreLookup dna = testdata::simpleDna(), bin = testdata::binary();
    WorkArena arena;
    for (const LocalFillOptions& options : kFillSplits) {
        std::mt19937 rng(3);
        for (int round = 0; round < 200; ++round) {
            const ScoreLookup& lookup = round % 2 ? dna : bin;
            const std::string letters = round % 2 ? "acgtn" : "ac";
            const std::string a = testdata::randomSeq(rng, round % 40, letters);
            const std::string b = testdata::mutate(rng, a, 0.4, letters);
            const int gap = -(round % 6);
            const plain::Score score = plain::scorerOf(lookup);
            LocalScoreMatrix m(a, b, lookup, gap, options, arena);
            std::vector<Cell> cells;
            const int best = m.fill(cells);
            const plain::Grid want = plain::localFill(a, b, score, gap);
            const int n1 = m.len1(), n2 = m.len2();
            for (int i = 0; i <= n1; ++i)
                for (int j = 0; j <= n2; ++j) ASSERT_EQ(m.valueAt(Cell{i, j}), want[i][j]) << i << "," << j;
            ASSERT_EQ(cells, plain::bestCells(want, 1, 1, n1, n2, 1));
            ASSERT_EQ(best, cells.empty() ? 0 : want[cells[0].i][cells[0].j]);
            expectSameTraces(m, cells, want, Cell{0, 0}, a, b, score, gap);

            // A part keeping the scores of the fill starts at row and column
            // 0, as the search's parts do; its cells trace as in the whole.
            const int bottom = static_cast<int>(rng() % (n1 + 1));
            const Region part{Cell{0, 0}, Cell{bottom, static_cast<int>(rng() % (n2 + 1))}};
            const int cutoff = static_cast<int>(rng() % 15) - 2;
            for (const bool skip : {true, false}) {
                std::vector<Cell> found;
                int partBest = cutoff;
                m.scanPart(part, found, partBest, skip);
                ASSERT_EQ(found, plain::bestCells(want, 0, 0, bottom, part.end.j, cutoff)) << skip;
                expectSameTraces(m, found, want, Cell{0, 0}, a, b, score, gap);
            }
        }
    }
}

// Rows whose values fit 16 bits are filled in 16-bit lanes, the others in 32:
// with pair scores in the thousands a fill's rows climb past INT16_MAX and
// fall back below it again and again, and every cell, best cell and trace
// must still be the plain recurrence's, whatever the split.
TEST(LocalScoreMatrix, RowsCrossingSixteenBitsAgreeWithPlainVersion) {
    const ScoreLookup steep = testdata::lookupFrom(">steep\nA C\nA 9000 -7000\nC -7000 9000\n");
    const ScoreLookup edge = testdata::lookupFrom(">edge\nA C\nA 4000 -3000\nC -3000 4000\n");
    WorkArena arena;
    for (const LocalFillOptions& options : kFillSplits) {
        std::mt19937 rng(11);
        for (int round = 0; round < 60; ++round) {
            const ScoreLookup& lookup = round % 2 ? steep : edge;
            const std::string a = testdata::randomSeq(rng, 10 + round % 70, "ac");
            const std::string b = testdata::mutate(rng, a, 0.1 + 0.1 * (round % 4), "ac");
            const int gap = round % 3 ? -2500 : -40000;
            const plain::Score score = plain::scorerOf(lookup);
            LocalScoreMatrix m(a, b, lookup, gap, options, arena);
            std::vector<Cell> cells;
            const int best = m.fill(cells);
            const plain::Grid want = plain::localFill(a, b, score, gap);
            for (int i = 0; i <= m.len1(); ++i)
                for (int j = 0; j <= m.len2(); ++j) ASSERT_EQ(m.valueAt(Cell{i, j}), want[i][j]) << i << "," << j;
            ASSERT_EQ(cells, plain::bestCells(want, 1, 1, m.len1(), m.len2(), 1));
            ASSERT_EQ(best, cells.empty() ? 0 : want[cells[0].i][cells[0].j]);
            expectSameTraces(m, cells, want, Cell{0, 0}, a, b, score, gap);
        }
    }
}

// A row's chunks take 16 or 32 bits each: copies of the short sequence inside
// a long one raise the scores of the chunks around them, one of them across
// a chunk's edge, while the rest of each row stays low.
TEST(LocalScoreMatrix, ChunksOfOneRowMayDifferInWidth) {
    const ScoreLookup steep = testdata::lookupFrom(">steep\nA C\nA 9000 -7000\nC -7000 9000\n");
    const plain::Score score = plain::scorerOf(steep);
    WorkArena arena;
    std::mt19937 rng(13);
    for (const LocalFillOptions& options : {LocalFillOptions{1}, LocalFillOptions{3, 1500, 0},
                                            LocalFillOptions{1, 1024, 1LL << 22, 5}}) {
        const std::string a = testdata::randomSeq(rng, 24, "ac");
        std::string b = testdata::randomSeq(rng, 6000, "ac");
        b.replace(2040, a.size(), a);
        b.replace(4500, a.size(), testdata::mutate(rng, a, 0.2, "ac"));
        LocalScoreMatrix m(a, b, steep, -2500, options, arena);
        std::vector<Cell> cells;
        m.fill(cells);
        const plain::Grid want = plain::localFill(a, b, score, -2500);
        for (int i = 0; i <= m.len1(); ++i)
            for (int j = 0; j <= m.len2(); ++j) ASSERT_EQ(m.valueAt(Cell{i, j}), want[i][j]) << i << "," << j;
        ASSERT_EQ(cells, plain::bestCells(want, 1, 1, m.len1(), m.len2(), 1));
        expectSameTraces(m, cells, want, Cell{0, 0}, a, b, score, -2500);
    }
}

// Re-scoring a part must give exactly a fresh fill of that part from a zero
// boundary, offer the part's best cells and trace them within it; again for a
// part nested in the re-scored one.
TEST(LocalScoreMatrix, RescoringEqualsFreshFill) {
    const ScoreLookup lookup = testdata::hoxd70();
    const plain::Score score = plain::scorerOf(lookup);
    WorkArena arena;
    for (const LocalFillOptions& options : kFillSplits) {
        std::mt19937 rng(5);
        for (int round = 0; round < 150; ++round) {
            const std::string a = testdata::randomSeq(rng, 20 + round % 50, "acgt");
            const std::string b = testdata::mutate(rng, a, 0.2, "acgt");
            if (b.size() < 4) continue;
            const int gap = -(50 + 100 * (round % 5));
            LocalScoreMatrix m(a, b, lookup, gap, options, arena);
            std::vector<Cell> cells;
            m.fill(cells);
            const int n1 = m.len1(), n2 = m.len2();
            // Traces of the whole fill first: nothing they leave behind (a
            // block refilled ahead, say) may leak into a part's traces.
            expectSameTraces(m, cells, plain::localFill(a, b, score, gap), Cell{0, 0}, a, b, score, gap);
            auto rescore = [&](Cell r0, Cell r1) {
                const int cutoff = 100 * (round % 4);
                int best = cutoff;
                std::vector<Cell> got;
                m.rescorePart(Region{r0, r1}, got, best, false);
                const std::string partA = a.substr(r0.i, r1.i - r0.i), partB = b.substr(r0.j, r1.j - r0.j);
                const plain::Grid fresh = plain::localFill(partA, partB, score, gap);
                for (int i = r0.i; i <= r1.i; ++i)
                    for (int j = r0.j; j <= r1.j; ++j)
                        ASSERT_EQ(m.valueAt(Cell{i, j}), fresh[i - r0.i][j - r0.j]) << i << "," << j;
                std::vector<Cell> want = plain::bestCells(fresh, 1, 1, r1.i - r0.i, r1.j - r0.j, cutoff);
                for (Cell& c : want) c = Cell{c.i + r0.i, c.j + r0.j};
                ASSERT_EQ(got, want);
                expectSameTraces(m, got, fresh, r0, partA, partB, score, gap);
            };
            auto within = [&](int from, int to) { return from + static_cast<int>(rng() % (to - from + 1)); };
            const Cell r0{within(0, n1 - 1), within(0, n2 - 1)}, r1{within(r0.i, n1), within(r0.j, n2)};
            rescore(r0, r1);
            rescore(Cell{within(r0.i, r1.i), within(r0.j, r1.j)}, r1);
            // The last part's grid is all a traceback has: a cell outside it is refused.
            if (!m.keepsChoices() && r0.i > 0) {
                Cell outside{r0.i - 1, r0.j};
                std::vector<char> r1s, r2s;
                EXPECT_THROW(m.traceSegment(outside, 1, r1s, r2s), std::logic_error);
            }
        }
    }
}

// What a fill keeps grows with the area over the grid's spacing, and the
// spacing widens on huge pairs so that a megabase pair's grid stays small;
// small pairs keep a quarter of a byte a cell.
TEST(LocalScoreMatrix, TracebackMemoryStaysSmall) {
    const struct {
        long long len;
        double maxBytesPerCell;
    } cases[] = {{3'000, 0.26}, {25'000, 0.02}, {100'000, 0.01}, {1'000'000, 0.003}};
    for (const auto& c : cases)
        EXPECT_LE(static_cast<double>(LocalScoreMatrix::tracebackBytes(c.len, c.len)) /
                      (static_cast<double>(c.len) * static_cast<double>(c.len)),
                  c.maxBytesPerCell)
            << c.len;
}
