#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <random>
#include <stdexcept>

#include "align/GotohAligner.hpp"
#include "align/OptimalPathBound.hpp"
#include "support/PlainAligners.hpp"
#include "support/TestData.hpp"

using testdata::str;

namespace {

using testdata::Scoring;

std::vector<Scoring> scorings() {
    return {{testdata::binary(), "ac", -1, -1},        {testdata::binary(), "acx", -2, 0},
            {testdata::simpleDna(), "acgt", -4, -4},   {testdata::simpleDna(), "acgtn", -10, -1},
            {testdata::hoxd70(), "acgt", -500, -25}};
}

}  // namespace

// The optimised aligner keeps one byte a cell instead of three score
// matrices and may split its fills into strips of columns; rows, scores and
// every tie-break must match the full-matrix version in all three forms.
// Rows are appended to what they already hold.
TEST(Gotoh, AgreesWithPlainVersionOnRandomInputs) {
    std::mt19937 rng(7);
    const std::vector<Scoring> all = scorings();
    for (int round = 0; round < 900; ++round) {
        const Scoring& s = all[static_cast<std::size_t>(round) % all.size()];
        const plain::Score score = plain::scorerOf(s.lookup);
        std::uniform_int_distribution<int> len(0, 30);
        const std::string a = testdata::randomSeq(rng, len(rng), s.letters);
        const std::string b = round % 4 ? testdata::mutate(rng, a, 0.3, s.letters)
                                        : testdata::randomSeq(rng, len(rng), s.letters);
        const int form = round % 3;
        // One to four threads, strips down to one column wide.
        GotohAligner g(a, b, s.lookup, s.open, s.ext, nullptr, StripPolicy{1 + round / 3 % 4, 1, 0});
        std::vector<char> r1{'#'}, r2{'#'};
        std::string e1, e2;
        int got, want;
        if (form == 0) {
            got = g.alignGlobal(r1, r2);
            want = plain::Gotoh(a, b, score, s.open, s.ext).global(e1, e2);
            ASSERT_EQ(GotohAligner::globalScore(a, b, s.lookup, s.open, s.ext), want);
        } else if (form == 1) {
            got = g.alignFreeTail(r1, r2);
            want = plain::Gotoh(a, b, score, s.open, s.ext).right(e1, e2);
        } else {
            got = g.alignFreeHead(r1, r2);
            const std::string ra(a.rbegin(), a.rend()), rb(b.rbegin(), b.rend());
            want = plain::Gotoh(ra, rb, score, s.open, s.ext).right(e1, e2);
            std::reverse(e1.begin(), e1.end());
            std::reverse(e2.begin(), e2.end());
        }
        ASSERT_EQ(std::to_string(got) + " " + str(r1) + " " + str(r2),
                  std::to_string(want) + " #" + e1 + " #" + e2) << a << " / " << b << " form " << form;
    }
}

// Told the score of the plain aligner's own rows (the tightest bound there
// is), the aligner gives those rows; a bounded fill serves no free-end form.
TEST(Gotoh, ReachedScoreBoundsTheGlobalForm) {
    std::mt19937 rng(17);
    const std::vector<Scoring> all = scorings();
    for (int round = 0; round < 300; ++round) {
        const Scoring& s = all[static_cast<std::size_t>(round) % all.size()];
        std::uniform_int_distribution<int> len(1, 40);
        const std::string a = testdata::randomSeq(rng, len(rng), s.letters);
        const std::string b = testdata::mutate(rng, a, 0.3, s.letters);
        std::string e1, e2;
        const int want = plain::Gotoh(a, b, plain::scorerOf(s.lookup), s.open, s.ext).global(e1, e2);
        const std::optional<long long> reached = alignedRowsScore(e1, e2, a, b, s.lookup, s.open, s.ext);
        ASSERT_EQ(reached, want) << e1 << " / " << e2;
        GotohAligner g(a, b, s.lookup, s.open, s.ext, nullptr, StripPolicy{1 + round % 3, 1, 0});
        std::vector<char> r1, r2;
        ASSERT_EQ(g.alignGlobalReaching(*reached, r1, r2), want);
        ASSERT_EQ(str(r1) + " / " + str(r2), e1 + " / " + e2) << a << " / " << b;
        EXPECT_THROW(g.alignFreeTail(r1, r2), std::logic_error);
    }
}
