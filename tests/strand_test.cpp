// Both strands: the reverse complement, and a pair aligned on the minus
// strand or on both against its reverse-complemented twin.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <variant>

#include "common/WorkArena.hpp"
#include "pair/PairEngine.hpp"
#include "pair/ReverseComplement.hpp"
#include "support/TestData.hpp"

using testdata::str;

TEST(ReverseComplement, ComplementsIupacKeepsCaseAndOtherCharacters) {
    EXPECT_EQ(reverseComplement("ACGTacgt"), "acgtACGT");
    EXPECT_EQ(reverseComplement("RYKMBVDHSWN"), "NWSDHBVKMRY");
    EXPECT_EQ(reverseComplement("ryn"), "nry");
    EXPECT_EQ(reverseComplement("u"), "a");
    EXPECT_EQ(reverseComplement("a*1 x"), "x 1*t");
    EXPECT_EQ(reverseComplement(""), "");
    std::mt19937 rng(5);
    const std::string s = testdata::randomSeq(rng, 500, "ACGTRYKMBVDHSWNacgtrykmbvdhswn");
    EXPECT_EQ(reverseComplement(reverseComplement(s)), s);
}

namespace {

PairAlignment aligned(const std::string& a, const std::string& b, Strand strand, int threads, bool localOnly = false) {
    const ScoreLookup lookup = testdata::hoxd70();
    AlignParameters params;
    params.threads = threads;
    params.localOnly = localOnly;
    params.cutLen = 20;
    params.listingMinLength = 20;
    WorkArena arena;
    PairOutcome outcome = alignPair(PairInput{"one", "two", a, b}, PairSettings{lookup, params, strand}, arena);
    EXPECT_TRUE(std::holds_alternative<PairAlignment>(outcome));
    return std::get<PairAlignment>(std::move(outcome));
}

}  // namespace

// A pair and its twin with sequence 2 reverse-complemented: the minus strand
// of the twin is the plus strand of the pair, row for row; with both strands
// each keeps the orientation in which the two are alike, whatever the threads.
TEST(Strands, TwinOnTheOtherStrandAlignsTheSame) {
    std::mt19937 rng(11);
    const std::string a = testdata::randomSeq(rng, 700, "acgt");
    const std::string b = testdata::mutate(rng, a.substr(40, 600), 0.1, "acgt");
    const std::string twin = reverseComplement(b);
    const PairAlignment plus = aligned(a, b, Strand::kPlus, 1);
    const PairAlignment minus = aligned(a, twin, Strand::kMinus, 1);
    EXPECT_FALSE(plus.minusStrand);
    EXPECT_TRUE(minus.minusStrand);
    EXPECT_EQ(minus.score, plus.score);
    EXPECT_EQ(minus.anchorScore, plus.anchorScore);
    EXPECT_EQ(str(minus.row1), str(plus.row1));
    EXPECT_EQ(str(minus.row2), str(plus.row2));
    for (const int threads : {1, 2, 4}) {
        const PairAlignment keptPlus = aligned(a, b, Strand::kBoth, threads);
        EXPECT_FALSE(keptPlus.minusStrand) << threads;
        EXPECT_EQ(str(keptPlus.row1), str(plus.row1)) << threads;
        const PairAlignment keptMinus = aligned(a, twin, Strand::kBoth, threads);
        EXPECT_TRUE(keptMinus.minusStrand) << threads;
        EXPECT_EQ(keptMinus.score, plus.score) << threads;
        EXPECT_EQ(str(keptMinus.row2), str(plus.row2)) << threads;
    }
    // Listing only: the anchor score decides.
    const PairAlignment listed = aligned(a, twin, Strand::kBoth, 2, true);
    EXPECT_TRUE(listed.minusStrand);
    EXPECT_EQ(listed.anchorScore, aligned(a, b, Strand::kPlus, 1, true).anchorScore);
}

// A palindromic pair scores the same both ways: the tie keeps plus.
TEST(Strands, TieKeepsPlus) {
    const std::string a = "acgtacgtaattcgcgaattacgtacgt";
    ASSERT_EQ(reverseComplement(a), a);
    EXPECT_FALSE(aligned(a, a, Strand::kBoth, 2).minusStrand);
    EXPECT_FALSE(aligned(a, a, Strand::kBoth, 1).minusStrand);
}
