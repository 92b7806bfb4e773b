#include <gtest/gtest.h>

#include <random>
#include <tuple>

#include "align/GotohAligner.hpp"
#include "anchor/AnchorSteps.hpp"
#include "anchor/AnchoredAligner.hpp"
#include "common/MemoryBudget.hpp"
#include "common/WorkArena.hpp"
#include "support/TestData.hpp"

using testdata::rowOf;
using testdata::str;
using testdata::withoutGaps;

namespace {

AlignParameters params(int open, int ext, int factor, int cutLen,
                       GappedAnchorRealign gapped = GappedAnchorRealign::kWindows) {
    return AlignParameters{.gapOpen = open, .gapExt = ext, .scoreFactor = factor, .cutLen = cutLen,
                           .gappedAnchor = gapped};
}

// The chain of a pair and the global alignment through it.
struct Aligned {
    AnchorChain chain;
    GlobalRows global;
};
Aligned alignAnchored(const std::string& a, const std::string& b, const ScoreLookup& lookup,
                      const AlignParameters& p, WorkArena& arena) {
    AnchoredAligner al(a, b, lookup, p, arena);
    AnchorChain chain = al.selectAnchors();
    return {chain, al.anchored() ? al.joinAnchors(chain) : al.alignWhole()};
}

// Everything a run of the aligner gave: its anchors, their score and the rows.
std::string result(const Aligned& al) {
    std::string s = std::to_string(al.chain.score) + " " + str(al.global.row1) + " " + str(al.global.row2) +
                    " " + std::to_string(al.global.score);
    for (const Segment& r : al.chain.anchors)
        s += " " + std::to_string(r.region.begin.i) + "," + std::to_string(r.region.begin.j) + "-" + std::to_string(r.region.end.i) +
             "," + std::to_string(r.region.end.j) + ":" + std::to_string(r.score) + " " + str(r.row1) + " " + str(r.row2);
    return s;
}

// A pair of 16 related blocks (of two letters: ties everywhere) between
// stretches that never match, so that the anchor search recurses through
// many parts.
std::pair<std::string, std::string> relatedBlocks(std::mt19937& rng) {
    std::string a, b;
    std::uniform_int_distribution<int> block(15, 45), spacer(60, 160);
    for (int k = 0; k < 16; ++k) {
        const std::string shared = testdata::randomSeq(rng, block(rng), "ac");
        a += std::string(static_cast<std::size_t>(spacer(rng)), 'g') + shared;
        b += std::string(static_cast<std::size_t>(spacer(rng)), 't') + testdata::mutate(rng, shared, 0.05, "ac");
    }
    return {a, b};
}

}  // namespace

// On random related pairs with cheap gaps (so anchors often carry gaps), in
// both programs' forms: the rows give back both sequences, the anchors run in
// order along both and their scores add up to the chain's; a search that
// reads every row, fills split into narrow strips on three threads, conflict
// groups and stretches between anchors aligned side by side on three threads,
// tracebacks through grids of small blocks, and the parts of the search
// handed on among two to four threads give exactly the same anchors and rows.
TEST(AnchoredAlignment, PropertiesHoldOnRandomPairs) {
    const ScoreLookup lookup = testdata::simpleDna();
    WorkArena arena;
    std::mt19937 rng(101);
    for (int round = 0; round < 400; ++round) {
        std::uniform_int_distribution<int> len(0, 400);
        // Every eighth pair of two letters only: tied best cells and
        // conflicting groups of segments everywhere.
        const std::string letters = round % 8 == 3 ? "ac" : "acgt";
        const std::string a = testdata::randomSeq(rng, len(rng), letters);
        const std::string b = round % 4 == 0 ? testdata::randomSeq(rng, len(rng), "acgtn")
                                             : testdata::mutate(rng, a, 0.08 + 0.02 * (round % 5), letters);
        const AlignParameters fast = params(round % 2 ? -2 : -6, -1, 6 + round % 3, 5 + round % 30,
                                            round % 3 ? GappedAnchorRealign::kWindows : GappedAnchorRealign::kWhole);
        AlignParameters slow = fast, strips = fast, sideBySide = fast, blocks = fast, parts = fast;
        sideBySide.threads = 3;
        slow.tuning.allowRowSkipping = false;
        strips.threads = 3;
        strips.tuning.stripMinWidth = 4;
        strips.tuning.parallelFillMinCells = 0;
        strips.tuning.gridStep = 5;
        blocks.tuning.gridStep = 1 + round % 4;
        parts.threads = 2 + round % 3;
        parts.tuning.gridStep = 2 + round % 5;
        parts.tuning.searchPartMinCells = 0;
        const Aligned al = alignAnchored(a, b, lookup, fast, arena);
        const std::vector<char>&r1 = al.global.row1, &r2 = al.global.row2;
        ASSERT_TRUE(r1.size() == r2.size() && withoutGaps(r1) == a && withoutGaps(r2) == b) << a << " / " << b;
        int sum = 0;
        Cell prev{0, 0};
        for (const Segment& r : al.chain.anchors) {
            sum += r.score;
            ASSERT_TRUE(r.region.begin.i >= prev.i && r.region.begin.j >= prev.j && r.row1.size() == r.row2.size());
            ASSERT_EQ(withoutGaps(r.row1), a.substr(r.region.begin.i, r.region.end.i - r.region.begin.i));
            ASSERT_EQ(withoutGaps(r.row2), b.substr(r.region.begin.j, r.region.end.j - r.region.begin.j));
            prev = r.region.end;
        }
        ASSERT_EQ(sum, al.chain.score);

        for (const AlignParameters* other : {&slow, &strips, &sideBySide, &blocks, &parts})
            ASSERT_EQ(result(alignAnchored(a, b, lookup, *other, arena)), result(al));
    }
}

// The parts of the search of pairs of related blocks, handed on among two to
// four threads, and filled in strips on the threads left idle, give the
// chain of one thread.
TEST(AnchoredAlignment, PartsHandedOnGiveTheChainOfOneThread) {
    const ScoreLookup lookup = testdata::simpleDna();
    WorkArena arena;
    std::mt19937 rng(29);
    for (int round = 0; round < 40; ++round) {
        const auto [a, b] = relatedBlocks(rng);
        AlignParameters p = params(round % 2 ? -3 : -6, -1, 6, 8 + round % 10,
                                   round % 3 ? GappedAnchorRealign::kWindows : GappedAnchorRealign::kWhole);
        p.tuning.gridStep = 3 + round % 6;
        const std::string want = result(alignAnchored(a, b, lookup, p, arena));
        p.threads = 2 + round % 3;
        p.tuning.searchPartMinCells = 0;
        if (round % 2) {  // parts split into strips on the idle threads
            p.tuning.parallelFillMinCells = 0;
            p.tuning.stripMinWidth = 4;
        }
        ASSERT_EQ(result(alignAnchored(a, b, lookup, p, arena)), want) << a << " / " << b;
    }
}

// A worker of the search that runs short of memory fails the whole search
// (the pair is then tried again on one thread): the chain never comes back
// without the parts that worker took.
TEST(AnchoredAlignment, SearchWorkerShortOfMemoryFailsTheSearch) {
    const ScoreLookup lookup = testdata::simpleDna();
    std::mt19937 rng(7);
    const auto [a, b] = relatedBlocks(rng);
    AlignParameters p = params(-6, -1, 6, 10);
    p.tuning.gridStep = 4;
    WorkArena plenty;
    const std::string want = result(alignAnchored(a, b, lookup, p, plenty));
    p.threads = 2;
    p.tuning.searchPartMinCells = 0;
    int failed = 0;
    for (int round = 0; round < 20; ++round) {
        MemoryBudget tight(std::uint64_t{1} << 40, MemoryBudget::process());
        WorkArena arena(tight);
        AnchoredAligner aligner(a, b, lookup, p, arena);
        // Room for the first worker's small buffers, not for another's grid.
        tight.setCeilingForTesting(tight.reserved() + (256 << 10));
        try {
            const AnchorChain chain = aligner.selectAnchors();
            EXPECT_EQ(result(Aligned{chain, aligner.joinAnchors(chain)}), want);
        } catch (const OutOfMemory&) {
            ++failed;
        }
    }
    EXPECT_GT(failed, 0);
}

// A part shorter than -C in either sequence is not searched; a best value
// equal to the cutoff still counts. Both the scan and the re-scoring.
TEST(AnchoredAlignment, PartSearchHonoursLengthAndCutoff) {
    const ScoreLookup lookup = testdata::simpleDna();
    WorkArena arena;
    for (auto [factor, end, found] : std::vector<std::tuple<int, Cell, std::vector<Cell>>>{
             {9, {8, 10}, {}}, {9, {10, 8}, {}}, {9, {9, 9}, {{9, 9}}}, {10, {9, 9}, {}}}) {
        const AlignParameters p = params(-5, -1, factor, 9);  // cutoff 5 * factor, best 45
        const int cutoff = AnchoredAligner::cutoffScore(lookup, factor);
        for (const bool rescore : {false, true}) {
            LocalScoreMatrix m("acgtacgtac", "acgtacgtac", lookup, p.gapOpen, LocalFillOptions{}, arena);
            std::vector<Cell> cells{Cell{1, 1}};
            m.fill(cells);
            int best = 0;
            EXPECT_EQ(searchPart(m, Region{Cell{0, 0}, end}, rescore, cutoff, p, cells, best),
                      static_cast<int>(found.size()));
            EXPECT_EQ(cells, found) << factor << " " << end.i << "," << end.j;
        }
    }
}

// Segments given out of order come back sorted; of segments that conflict
// (directly or through a common neighbour) the one whose flanks align best is
// kept, the later one on a tie.
TEST(AnchoredAlignment, GroupSortKeepsOneSegmentPerConflictGroup) {
    const std::string as(100, 'a');
    const ScoreLookup lookup = testdata::simpleDna();
    const AlignParameters p = params(-5, -1, 10, 10);
    WorkArena arena;
    for (const auto& [a, b, given, kept] : std::vector<std::tuple<std::string, std::string, std::vector<Region>, std::vector<int>>>{
             {as, as, {{{30, 30}, {40, 40}}, {{10, 10}, {20, 20}}, {{20, 20}, {30, 30}}}, {1, 2, 0}},
             {"ccccacgtacgtgggg", "ccccacgtacgtgggg",
              {{{4, 6}, {8, 10}}, {{4, 4}, {8, 8}}, {{4, 2}, {8, 6}}}, {1}},
             {as, as, {{{2, 2}, {4, 4}}, {{2, 2}, {4, 4}}}, {1}},
             {as, as, {{{10, 10}, {20, 20}}, {{15, 5}, {35, 25}}, {{20, 20}, {30, 30}}, {{50, 50}, {60, 60}}},
              {2, 3}},
         }) {
        const SearchContext context{a, b, lookup, p, arena};
        const Region region{Cell{0, 0}, Cell{static_cast<int>(a.size()), static_cast<int>(b.size())}};
        std::vector<Region> spans = given;
        std::vector<int> order;
        EXPECT_EQ(groupSort(context, region, spans, order), static_cast<int>(kept.size()));
        EXPECT_EQ(order, kept);
        ASSERT_EQ(spans.size(), kept.size());
        for (std::size_t k = 0; k < spans.size(); ++k) EXPECT_EQ(spans[k], given[kept[k]]);
    }
}

// In both programs a short anchor whose rows each hold three gap characters
// is aligned again as a whole (its only window spans it); two gap characters
// in a row keep the traced rows.
TEST(AnchoredAlignment, GappedAnchorIsRealignedOnlyWithThreeGapsInEachRow) {
    const ScoreLookup lookup = testdata::simpleDna();
    const std::string s1 = "ttaaaccgtttgggtt", s2 = "gaaacccgttgggg";
    for (const auto gapped : {GappedAnchorRealign::kWindows, GappedAnchorRealign::kWhole}) {
        const AlignParameters p = params(-10, -2, 10, 10, gapped);
        WorkArena arena;
        const SearchContext context{s1, s2, lookup, p, arena};
        Segment rec{{Cell{2, 1}, Cell{14, 13}}, 3, rowOf("aaacc---gtttggg"), rowOf("aaa---cccgttggg")};
        realignGappedAnchor(context, rec);
        std::vector<char> w1, w2;
        EXPECT_EQ(rec.score, GotohAligner(s1.substr(2, 12), s2.substr(1, 12), lookup, -10, -2).alignGlobal(w1, w2));
        EXPECT_TRUE(rec.row1 == w1 && rec.row2 == w2);
        Segment two{{Cell{2, 1}, Cell{14, 14}}, 3, rowOf("aaacc---gtttggg"), rowOf("aaa--cccgttgggg")};
        realignGappedAnchor(context, two);
        EXPECT_EQ(std::to_string(two.score) + str(two.row1) + str(two.row2), "3aaacc---gtttgggaaa--cccgttgggg");
    }
}
