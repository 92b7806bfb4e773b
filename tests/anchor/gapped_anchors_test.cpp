#include <gtest/gtest.h>

#include <random>
#include <string>

#include "anchor/AnchorSteps.hpp"
#include "anchor/AnchoredAligner.hpp"
#include "common/WorkArena.hpp"
#include "support/TestData.hpp"

using testdata::str;

namespace {

// Everything the search and the joins gave: each anchor's cells, score and
// rows, the chain's score and the global rows.
std::string alignedText(const std::string& a, const std::string& b, const ScoreLookup& lookup,
                        const AlignParameters& p, int& gappedAnchors) {
    WorkArena arena;
    AnchoredAligner al(a, b, lookup, p, arena);
    const AnchorChain chain = al.selectAnchors();
    const GlobalRows global = al.anchored() ? al.joinAnchors(chain) : al.alignWhole();
    std::string s = std::to_string(chain.score) + " " + std::to_string(global.score) + " " + str(global.row1) +
                    " " + str(global.row2);
    for (const Segment& r : chain.anchors) {
        s += " " + std::to_string(r.region.begin.i) + "," + std::to_string(r.region.begin.j) + "-" +
             std::to_string(r.region.end.i) + "," + std::to_string(r.region.end.j) + ":" + std::to_string(r.score) +
             " " + str(r.row1) + " " + str(r.row2);
        // After re-alignment the rows may have lost gaps; count by the span.
        if (r.row1.size() > static_cast<std::size_t>(r.region.end.i - r.region.begin.i) + 2) ++gappedAnchors;
    }
    return s;
}

}  // namespace

// The gapped anchors are re-aligned after the search, side by side when the
// pair has threads: on pairs with several gapped anchors each, half of them
// over two letters (tied cells everywhere), in both programs' forms, every
// thread count gives the anchors, scores and rows of one thread.
TEST(GappedAnchors, SideBySideGivesTheResultOfOneThread) {
    const ScoreLookup lookup = testdata::simpleDna();
    std::mt19937 rng(61);
    int pairsWithSeveral = 0;
    for (int round = 0; round < 40; ++round) {
        const std::string letters = round % 2 ? "ac" : "acgt";  // two letters: ties everywhere
        // Related blocks with indels between spacers that cannot be bridged: one
        // anchor a block.
        std::string a, b;
        for (int block = 0, blocks = 3 + static_cast<int>(rng() % 6); block < blocks; ++block) {
            const std::string shared = testdata::randomSeq(rng, 100 + static_cast<int>(rng() % 100), letters);
            a += shared + std::string(300 + rng() % 100, 'g');
            b += testdata::mutate(rng, shared, 0.1 + 0.02 * (round % 4), letters) +
                 std::string(300 + rng() % 100, 't');
        }
        AlignParameters p{.gapOpen = round % 3 ? -4 : -6, .gapExt = -1, .scoreFactor = 6, .cutLen = 8,
                          .gappedAnchor = round % 2 ? GappedAnchorRealign::kWhole : GappedAnchorRealign::kWindows};
        int gapped = 0, ignored = 0;
        const std::string one = alignedText(a, b, lookup, p, gapped);
        if (gapped >= 2) ++pairsWithSeveral;
        for (const int threads : {2, 3, 8}) {
            p.threads = threads;
            ASSERT_EQ(alignedText(a, b, lookup, p, ignored), one) << "round " << round << ", " << threads << " threads";
        }
    }
    // The pairs must give the side-by-side step something to share out.
    EXPECT_GT(pairsWithSeveral, 10);
}
