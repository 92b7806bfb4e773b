#include <gtest/gtest.h>

#include <random>

#include "anchor/LocalScoreMatrix.hpp"
#include "common/WorkArena.hpp"
#include "support/PlainAligners.hpp"
#include "support/TestData.hpp"

using testdata::str;

// One thread, and fills split into narrow strips on three threads.
const std::vector<LocalFillOptions> kFillSplits = {{1}, {3, 4, 0}};

// The matrix must give the plain recurrence's scores, best cells, part
// scans and segment tracebacks, however its fills are split.
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

            // A part keeping the scores of the fill starts at row and column
            // 0, as the search's parts do.
            const int bottom = static_cast<int>(rng() % (n1 + 1));
            const Region part{Cell{0, 0}, Cell{bottom, static_cast<int>(rng() % (n2 + 1))}};
            const int cutoff = static_cast<int>(rng() % 15) - 2;
            for (const bool skip : {true, false}) {
                std::vector<Cell> found;
                int partBest = cutoff;
                m.scanPart(part, found, partBest, skip);
                ASSERT_EQ(found, plain::bestCells(want, 0, 0, bottom, part.end.j, cutoff)) << skip;
            }

            for (Cell end : cells) {
                int i = end.i, j = end.j;
                std::string e1, e2;
                plain::localTrace(want, a, b, score, gap, i, j, e1, e2);
                std::vector<char> r1{'#'}, r2{'#'};
                ASSERT_EQ(m.traceSegment(end, best, r1, r2), best);
                ASSERT_TRUE(end == (Cell{i, j}) && str(r1) == "#" + e1 && str(r2) == "#" + e2) << a << " / " << b;
            }
        }
    }
}

// Re-scoring a part in place must leave it exactly as a fresh fill of that
// part from a zero boundary, leave every other cell alone and offer the
// part's best cells; again for a part nested in the re-scored one, whose
// rows then hold scores relative to the outer part's first column.
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
            auto rescore = [&](Cell r0, Cell r1) {
                std::vector<std::vector<long long>> before(n1 + 1, std::vector<long long>(n2 + 1));
                for (int i = 0; i <= n1; ++i)
                    for (int j = 0; j <= n2; ++j) before[i][j] = m.choiceAt(i, j);
                const Region region{r0, r1};
                const int cutoff = 100 * (round % 4);
                int best = cutoff;
                std::vector<Cell> got;
                m.rescorePart(region, got, best, false);
                const plain::Grid fresh = plain::localFill(a.substr(r0.i, r1.i - r0.i),
                                                           b.substr(r0.j, r1.j - r0.j), score, gap);
                for (int i = 0; i <= n1; ++i)
                    for (int j = 0; j <= n2; ++j) {
                        if (i >= r0.i && i <= r1.i && j >= r0.j && j <= r1.j) {
                            ASSERT_EQ(m.valueAt(Cell{i, j}), fresh[i - r0.i][j - r0.j]) << i << "," << j;
                        } else {
                            ASSERT_EQ(m.choiceAt(i, j), before[i][j]) << i << "," << j;
                        }
                    }
                std::vector<Cell> want = plain::bestCells(fresh, 1, 1, r1.i - r0.i, r1.j - r0.j, cutoff);
                for (Cell& c : want) c = Cell{c.i + r0.i, c.j + r0.j};
                ASSERT_EQ(got, want);
            };
            auto within = [&](int from, int to) { return from + static_cast<int>(rng() % (to - from + 1)); };
            const Cell r0{within(0, n1 - 1), within(0, n2 - 1)}, r1{within(r0.i, n1), within(r0.j, n2)};
            rescore(r0, r1);
            rescore(Cell{within(r0.i, r1.i), within(r0.j, r1.j)}, r1);
        }
    }
}
