#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <random>
#include <string>
#include <utility>

#include "align/GotohTraceback.hpp"
#include "align/OptimalPathBound.hpp"
#include "common/MemoryBudget.hpp"
#include "common/WorkArena.hpp"
#include "support/RefusedThreads.hpp"
#include "support/TestData.hpp"

using testdata::str;

namespace {

using testdata::Scoring;

// The checkpointed traceback of one pair, shaped like GotohAligner's forms.
struct Checkpointed {
    std::string s1, s2;
    ScoreLookup lookup;
    std::vector<ScoreLookup::Code> a, b;
    GotohProblem p;
    GotohFill fill;

    Checkpointed(std::string x, std::string y, const Scoring& s, int blockRows,
                 const StripPolicy& strips = {}, int columnStep = 0,
                 const std::optional<OptimalPathBound>& bound = std::nullopt)
        : s1(std::move(x)), s2(std::move(y)), lookup(s.lookup), a(lookup.encode(s1)),
          b(lookup.encode(s2)),
          p{a.data(), static_cast<int>(a.size()), b.data(), static_cast<int>(b.size()), lookup,
            s.open, s.ext},
          fill(fillGotohCheckpointed(p, blockRows, nullptr, strips, columnStep, bound)) {}

    int trace(GotohCell start, std::vector<char>& r1, std::vector<char>& r2) {
        return traceGotoh(p, fill, start, s1, s2, r1, r2);
    }
    int right(std::vector<char>& r1, std::vector<char>& r2) {
        const GotohCell st = gotohRightStart(fill, p.n, p.m);
        const int v = trace(st, r1, r2);
        r1.insert(r1.end(), static_cast<std::size_t>(p.m - st.j), '-');
        r2.insert(r2.end(), s2.begin() + st.j, s2.end());
        r1.insert(r1.end(), s1.begin() + st.i, s1.end());
        r2.insert(r2.end(), static_cast<std::size_t>(p.n - st.i), '-');
        return v;
    }
};

std::string reversed(std::string s) { return {s.rbegin(), s.rend()}; }

struct Result {
    int value;
    std::string r1, r2;
    bool operator==(const Result&) const = default;
};

Result result(int value, const std::vector<char>& r1, const std::vector<char>& r2) {
    return {value, str(r1), str(r2)};
}

std::vector<Result> checkpointedForms(const std::string& a, const std::string& b,
                                      const Scoring& s, const std::vector<GotohCell>& starts,
                                      int blockRows, const StripPolicy& strips = {},
                                      int columnStep = 0) {
    std::vector<Result> out;
    std::vector<char> r1{'#'}, r2{'#'};
    Checkpointed cur(a, b, s, blockRows, strips, columnStep);
    const int v = cur.trace(gotohGlobalStart(cur.fill, cur.p.n, cur.p.m), r1, r2);
    out.push_back(result(v, r1, r2));
    for (const GotohCell& st : starts) {  // one fill, many traces: blocks get reloaded
        r1.clear(), r2.clear();
        const int w = cur.trace(st, r1, r2);
        out.push_back(result(w, r1, r2));
    }
    r1.clear(), r2.clear();
    const int rv = cur.right(r1, r2);
    out.push_back(result(rv, r1, r2));
    Checkpointed back(reversed(a), reversed(b), s, blockRows, strips, columnStep);
    r1.clear(), r2.clear();
    const int lv = back.right(r1, r2);
    std::reverse(r1.begin(), r1.end());
    std::reverse(r2.begin(), r2.end());
    out.push_back(result(lv, r1, r2));
    return out;
}

// A pair from the scoring's letters, up to maxLen long: b a copy of a with
// mutations at `rate`, or, without a rate, unrelated.
std::pair<std::string, std::string> drawPair(std::mt19937& rng, const Scoring& s, int maxLen, double rate) {
    std::uniform_int_distribution<int> len(0, maxLen);
    std::string a = testdata::randomSeq(rng, len(rng), s.letters);
    std::string b = rate > 0 ? testdata::mutate(rng, a, rate, s.letters)
                             : testdata::randomSeq(rng, len(rng), s.letters);
    return {std::move(a), std::move(b)};
}

// Strips of any width, down to a column, on `threads` threads, cut into
// tiles a few columns wide where they are wide enough.
StripPolicy narrowStrips(int threads) { return StripPolicy{threads, 1, 0, 4 + threads}; }

// `columnSteps`: the spacing of the kept columns (0 the default, -1 none).
void compareAllForms(std::mt19937& rng, const std::string& a, const std::string& b,
                     const Scoring& s, const std::vector<int>& blockSizes, int randomStarts,
                     const std::vector<int>& threadCounts = {1},
                     const std::vector<int>& columnSteps = {0}) {
    std::vector<GotohCell> starts;
    std::uniform_int_distribution<int> row(0, static_cast<int>(a.size()));
    std::uniform_int_distribution<int> col(0, static_cast<int>(b.size()));
    for (int t = 0; t < randomStarts; ++t) starts.push_back(GotohCell{static_cast<GotohState>(t % 3), row(rng), col(rng)});
    // One block holds every row's choices: the byte-per-cell traceback, which
    // the Gotoh tests check against the plain aligner.
    const std::vector<Result> want =
        checkpointedForms(a, b, s, starts, std::max(static_cast<int>(a.size()), 1));
    for (int k : blockSizes) {
        for (int threads : threadCounts) {
            for (int step : columnSteps) {
                const std::vector<Result> got =
                    checkpointedForms(a, b, s, starts, k, narrowStrips(threads), step);
                for (std::size_t f = 0; f < want.size(); ++f) {
                    ASSERT_EQ(got[f], want[f])
                        << a << " / " << b << " form " << f << " k " << k << " threads " << threads
                        << " kept columns " << step << ": " << got[f].r1 << " / " << got[f].r2
                        << " want " << want[f].r1 << " / " << want[f].r2;
                }
            }
        }
    }
}

std::vector<Scoring> tieHeavySetups() {
    std::vector<Scoring> setups;
    setups.push_back({testdata::binary(), "ac", -1, -1});
    setups.push_back({testdata::binary(), "ac", -2, -2});
    setups.push_back({testdata::binary(), "acx", -2, 0});
    setups.push_back({testdata::simpleDna(), "acgt", -4, -4});
    setups.push_back({testdata::hoxd70(), "acgt", -500, -25});
    // Steps along a row beyond 16 bits in rows that meet an 'x', small elsewhere.
    setups.push_back({testdata::lookupFrom(">wide\nA C X\nA 2 -1 -90000\nC -1 2 -90000\n"
                                           "X -90000 -90000 70000\n"),
                      "aacx", -3, -1});
    setups.push_back({testdata::simpleDna(), "acgt", -60000, -40000});
    return setups;
}

}  // namespace

// Blocks of any height, recomputed from kept columns of any spacing (down to
// every column, where a path leaving the loaded columns to the left is
// followed through one more recomputation per column), give the rows and
// values of the whole matrix of choices.
TEST(GotohTraceback, EveryBlockSizeGivesTheRowsOfOneBlock) {
    std::mt19937 rng(2024);
    const auto setups = tieHeavySetups();
    const std::vector<int> blockSizes = {1, 2, 3, 7, 0, 100000};
    for (int round = 0; round < 240; ++round) {
        const Scoring& s = setups[static_cast<std::size_t>(round) % setups.size()];
        const auto [a, b] = drawPair(rng, s, round % 4 == 0 ? 8 : 200, round % 3 ? 0.3 : 0);
        compareAllForms(rng, a, b, s, blockSizes, 9, {1}, {-1, 1, 3, 16});
    }
}

// Longer pairs cross many block borders with the default block size too.
TEST(GotohTraceback, LongerPairsAcrossManyBlocks) {
    std::mt19937 rng(99);
    const auto setups = tieHeavySetups();
    // {scoring, length, block rows}; 0 is the default, several blocks from about 2050 rows.
    const int cases[][3] = {{0, 2100, 0}, {4, 2100, 0}, {0, 900, 41}, {3, 800, 29},
                            {1, 1000, 17}, {5, 800, 13}};
    for (const auto& c : cases) {
        const Scoring& s = setups[static_cast<std::size_t>(c[0])];
        const std::string a = testdata::randomSeq(rng, c[1], s.letters);
        const std::string b = testdata::mutate(rng, a, 0.2, s.letters);
        compareAllForms(rng, a, b, s, {c[2]}, 3, {1}, {0, 37});
    }
}

// Fills and recomputed blocks split into strips of columns, down to one
// column a strip, hand every state on to the next strip: the rows and values
// are those of one pass, with any block size, on any number of threads, with
// kept columns on either side of strip borders, for steps that fit in 16
// bits and those that do not.
TEST(GotohTraceback, StripsGiveTheRowsOfOnePass) {
    std::mt19937 rng(404);
    const auto setups = tieHeavySetups();
    const std::vector<int> blockSizes = {7, 0};
    for (int round = 0; round < 70; ++round) {
        const Scoring& s = setups[static_cast<std::size_t>(round) % setups.size()];
        const auto [a, b] = drawPair(rng, s, round % 5 == 0 ? 6 : 100, round % 3 ? 0.3 : 0);
        compareAllForms(rng, a, b, s, blockSizes, 3, {2, 4}, {0, 5});
    }
}

// A strip whose thread cannot start runs on the caller after the strips on
// its left, with the same rows.
TEST(GotohTraceback, StripsWithoutTheirThreads) {
    std::mt19937 rng(5);
    const Scoring s = tieHeavySetups()[0];
    const std::string a = testdata::randomSeq(rng, 300, s.letters);
    const std::string b = testdata::mutate(rng, a, 0.2, s.letters);
    const std::vector<Result> want = checkpointedForms(a, b, s, {}, 17);
    for (const int allowed : {0, 1, 2}) {
        const testdata::RefusedThreads refused(allowed);
        EXPECT_EQ(checkpointedForms(a, b, s, {}, 17, narrowStrips(4)), want) << allowed;
    }
}

// The kept columns only save time: a fill with room for its checkpoints but
// not for them goes without, and traces the same rows.
TEST(GotohTraceback, KeptColumnsGiveWayWhenMemoryRunsShort) {
    std::mt19937 rng(8);
    const Scoring s = tieHeavySetups()[3];
    const std::string a = testdata::randomSeq(rng, 600, s.letters);
    const std::string b = testdata::mutate(rng, a, 0.2, s.letters);
    const std::vector<ScoreLookup::Code> ca = s.lookup.encode(a), cb = s.lookup.encode(b);
    const GotohProblem p{ca.data(), static_cast<int>(ca.size()), cb.data(), static_cast<int>(cb.size()),
                         s.lookup, s.open, s.ext};
    auto rows = [&](GotohFill& fill) {
        std::vector<char> r1, r2;
        const int v = traceGotoh(p, fill, gotohGlobalStart(fill, p.n, p.m), a, b, r1, r2);
        return result(v, r1, r2);
    };
    MemoryBudget tight(std::uint64_t{1} << 40, MemoryBudget::process());
    WorkArena arena(tight);
    std::uint64_t needed = 0;
    Result want;
    {
        const std::uint64_t before = tight.reserved();
        GotohFill without = fillGotohCheckpointed(p, 17, &arena, {}, -1);
        needed = tight.reserved() - before;
        want = rows(without);
    }
    tight.setCeilingForTesting(tight.reserved() + needed);
    GotohFill fill = fillGotohCheckpointed(p, 17, &arena, {}, 2);
    EXPECT_EQ(fill.keptColumnStep, 0);
    EXPECT_EQ(rows(fill), want);
    GotohFill roomy = fillGotohCheckpointed(p, 17, nullptr, {}, 2);
    EXPECT_EQ(roomy.keptColumnStep, 2);
    EXPECT_EQ(rows(roomy), want);
}

TEST(GotohTraceback, DefaultBlockSize) {
    EXPECT_EQ(gotohBlockRows(0, 10), 1);
    EXPECT_EQ(gotohBlockRows(500, 500), 500);  // small: one block, filled once
    const int k = gotohBlockRows(50000, 50000);
    EXPECT_GE(k, 420);
    EXPECT_LE(k, 480);
    // Kept columns only where a block is narrower than the pair by far.
    EXPECT_EQ(gotohKeptColumnStep(500, 500, 500), 0);
    EXPECT_EQ(gotohKeptColumnStep(50000, 6000, k), 0);
    EXPECT_EQ(gotohKeptColumnStep(50000, 50000, k), 4096);
}

namespace {

// The global form's rows and value from a fill bounded by a known score, or
// nothing when the score bounds nothing.
std::optional<Result> boundedGlobal(const std::string& a, const std::string& b, const Scoring& s,
                                    long long known, int blockRows, const StripPolicy& strips,
                                    int columnStep) {
    const std::optional<OptimalPathBound> bound = optimalPathBound(
        static_cast<int>(a.size()), static_cast<int>(b.size()), s.lookup.bestScore(), s.open, s.ext, known);
    if (!bound) return std::nullopt;
    Checkpointed cur(a, b, s, blockRows, strips, columnStep, bound);
    std::vector<char> r1, r2;
    const int v = cur.trace(gotohGlobalStart(cur.fill, cur.p.n, cur.p.m), r1, r2);
    return result(v, r1, r2);
}

// Pairs, then the longer sequence's tail against gaps: an alignment any
// pair has, usually far from the best.
long long pairsThenGaps(const std::string& a, const std::string& b, const Scoring& s) {
    const std::size_t pairs = std::min(a.size(), b.size());
    std::string r1 = a.substr(0, pairs), r2 = b.substr(0, pairs);
    r1 += a.size() > pairs ? a.substr(pairs) : std::string(b.size() - pairs, '-');
    r2 += b.size() > pairs ? b.substr(pairs) : std::string(a.size() - pairs, '-');
    return *alignedRowsScore(r1, r2, a, b, s.lookup, s.open, s.ext);
}

}  // namespace

// A fill that skips the cells no optimal path can touch traces the rows and
// value of the whole grid, ties included: bounded by the best score itself
// (the fewest cells), by a worse alignment's, with blocks, kept columns,
// strips and tiles of any size on several threads.
TEST(GotohTraceback, CellsOfOptimalPathsGiveTheRowsOfTheWholeGrid) {
    std::mt19937 rng(1717);
    const auto setups = tieHeavySetups();
    int narrowed = 0;
    for (int round = 0; round < 160; ++round) {
        const Scoring& s = setups[static_cast<std::size_t>(round) % setups.size()];
        const auto [a, b] = drawPair(rng, s, round % 5 == 0 ? 8 : 150, round % 4 ? 0.25 : 0);
        Result want = checkpointedForms(a, b, s, {}, std::max(static_cast<int>(a.size()), 1))[0];
        want.r1.erase(0, 1);  // the forms' rows start with a marker
        want.r2.erase(0, 1);
        // The optimal rows score what the fill says they do.
        ASSERT_EQ(alignedRowsScore(want.r1, want.r2, a, b, s.lookup, s.open, s.ext), want.value);
        for (const long long known : {static_cast<long long>(want.value), pairsThenGaps(a, b, s)}) {
            for (const int k : {1, 7, 0}) {
                for (const int threads : {1, 3}) {
                    for (const int step : {0, 5}) {
                        const std::optional<Result> got =
                            boundedGlobal(a, b, s, known, k, narrowStrips(threads), step);
                        if (!got) continue;
                        ++narrowed;
                        ASSERT_EQ(*got, want) << a << " / " << b << " known " << known << " k " << k
                                              << " threads " << threads << " kept columns " << step;
                    }
                }
            }
        }
    }
    EXPECT_GT(narrowed, 1000);
}

TEST(GotohTraceback, OptimalPathBound) {
    // Nothing to spare: the main diagonal alone, or the corners' diagonals.
    const auto none = optimalPathBound(10, 10, 5, -4, -1, 50);
    ASSERT_TRUE(none);
    EXPECT_EQ(none->diagonals.lowest, 0);
    EXPECT_EQ(none->diagonals.highest, 0);
    const auto corners = optimalPathBound(10, 13, 5, -4, -1, 50 - 4 - 1 - 1);
    ASSERT_TRUE(corners);
    EXPECT_EQ(corners->diagonals.lowest, 0);
    EXPECT_EQ(corners->diagonals.highest, 3);
    // 5 * 20 - 2 * 36 = 28, twice the known alignment's cost; a gap column
    // costs 5 + 2 of it: 4 gap columns, 2 each way.
    const auto some = optimalPathBound(10, 10, 5, -4, -1, 36);
    ASSERT_TRUE(some);
    EXPECT_EQ(some->diagonals.lowest, -2);
    EXPECT_EQ(some->diagonals.highest, 2);
    // A cell's cost so far counts: 10 residues scoring 11 cost 50 - 22 of
    // the 28. At (5, 7) the 12 residues cost 60 - 2 * 23, and the two gap
    // columns still to come 14.
    EXPECT_TRUE(some->mayHold(5, 5, 11));
    EXPECT_FALSE(some->mayHold(5, 5, 10));
    EXPECT_TRUE(some->mayHold(5, 7, 23));
    EXPECT_FALSE(some->mayHold(5, 7, 22));
    const auto all = optimalPathBound(10, 10, 5, -4, -1, -20);
    ASSERT_TRUE(all);
    EXPECT_EQ(all->diagonals.lowest, -10);
    EXPECT_EQ(all->diagonals.highest, 10);
    EXPECT_FALSE(optimalPathBound(10, 10, 5, -4, -1, 51));  // no alignment scores that
    EXPECT_FALSE(optimalPathBound(10, 13, 5, -4, -1, 50));
    EXPECT_FALSE(optimalPathBound(10, 10, 0, 0, 0, 0));  // a gap column may cost nothing
}

TEST(GotohTraceback, AlignedRowsScore) {
    const ScoreLookup lookup = testdata::simpleDna();
    // A gap in one row right after one in the other opens again.
    EXPECT_EQ(alignedRowsScore("a-c", "ag-", "ac", "ag", lookup, -4, -1), 5 - 4 - 4);
    EXPECT_EQ(alignedRowsScore("a--c", "agg-", "ac", "agg", lookup, -4, -1), 5 - 4 - 1 - 4);
    EXPECT_EQ(alignedRowsScore("ac", "ag", "ac", "ag", lookup, -4, -1), 5 - 4);
    EXPECT_EQ(alignedRowsScore("", "", "", "", lookup, -4, -1), 0);
    // Rows that do not spell the sequences, or a column of two gaps.
    EXPECT_FALSE(alignedRowsScore("ac", "ag", "ac", "agg", lookup, -4, -1));
    EXPECT_FALSE(alignedRowsScore("at", "ag", "ac", "ag", lookup, -4, -1));
    EXPECT_FALSE(alignedRowsScore("a-c", "a-g", "ac", "ag", lookup, -4, -1));
    EXPECT_FALSE(alignedRowsScore("ac", "a", "ac", "a", lookup, -4, -1));
    EXPECT_FALSE(alignedRowsScore("a-", "ag", "a-", "ag", lookup, -4, -1));
}
