#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "input/SeqAssemble.hpp"

namespace {

using Runs = std::map<unsigned long, unsigned long>;
using Positions = std::vector<unsigned long>;

}  // namespace

TEST(SeqAssembleCollapse, RunsShrinkToOneCharacterAndArePositioned) {
    seqAssemble sa;
    std::vector<std::string> seqs{"ACNNNNGT", "acgtn", "TTAnNnGNn", ""};
    EXPECT_TRUE(sa.removeMasked(seqs));
    EXPECT_EQ(seqs, (std::vector<std::string>{"acngt", "acgtn", "ttangn", ""}));
    ASSERT_EQ(sa.posMap.size(), 4u);
    ASSERT_EQ(sa.maskRuns.size(), 4u);
    EXPECT_EQ(sa.posMap[0], (Positions{0, 1, 2, 6, 7}));
    EXPECT_EQ(sa.maskRuns[0], (Runs{{2, 4}}));
    // A single mask character is a run of one; a run may end the sequence.
    EXPECT_EQ(sa.posMap[1], (Positions{0, 1, 2, 3, 4}));
    EXPECT_EQ(sa.maskRuns[1], (Runs{{4, 1}}));
    // Mixed case belongs to one run.
    EXPECT_EQ(sa.posMap[2], (Positions{0, 1, 2, 3, 6, 7}));
    EXPECT_EQ(sa.maskRuns[2], (Runs{{3, 3}, {5, 2}}));
    EXPECT_TRUE(sa.posMap[3].empty());
    EXPECT_TRUE(sa.maskRuns[3].empty());
}

TEST(SeqAssembleCollapse, WithoutMaskOnlyLowerCasesAndReportsNothing) {
    seqAssemble sa;
    std::vector<std::string> seqs{"ACGT", "GgTa"};
    EXPECT_FALSE(sa.removeMasked(seqs));
    EXPECT_EQ(seqs, (std::vector<std::string>{"acgt", "ggta"}));
    EXPECT_EQ(sa.posMap[0], (Positions{0, 1, 2, 3}));
    EXPECT_TRUE(sa.maskRuns[0].empty());
    EXPECT_TRUE(sa.maskRuns[1].empty());

    // One run in either sequence is enough.
    sa.clear();
    seqs = {"ACGT", "GN"};
    EXPECT_TRUE(sa.removeMasked(seqs));
}

TEST(SeqAssembleCollapse, ProteinMaskLeavesNAlone) {
    seqAssemble sa('*');
    std::vector<std::string> seqs{"MN***KN*", "NNQ"};
    EXPECT_TRUE(sa.removeMasked(seqs));
    EXPECT_EQ(seqs, (std::vector<std::string>{"mn*kn*", "nnq"}));
    EXPECT_EQ(sa.posMap[0], (Positions{0, 1, 2, 5, 6, 7}));
    EXPECT_EQ(sa.maskRuns[0], (Runs{{2, 3}, {5, 1}}));
    EXPECT_TRUE(sa.maskRuns[1].empty());
}

TEST(SeqAssembleCollapse, EachPairStartsFromFreshTables) {
    seqAssemble sa;
    std::vector<std::string> seqs{"ANNNA", "NNC", "G"};
    EXPECT_TRUE(sa.removeMasked(seqs));
    sa.clear();
    EXPECT_TRUE(sa.posMap.empty());
    EXPECT_TRUE(sa.maskRuns.empty());

    // Even without clear() the previous pair must not leak into the next.
    seqs = {"AN", "CC"};
    EXPECT_TRUE(sa.removeMasked(seqs));
    seqs = {"GG", "T"};
    EXPECT_FALSE(sa.removeMasked(seqs));
    ASSERT_EQ(sa.posMap.size(), 2u);
    EXPECT_EQ(sa.posMap[0], (Positions{0, 1}));
    EXPECT_EQ(sa.posMap[1], (Positions{0}));
    EXPECT_TRUE(sa.maskRuns[0].empty());
}
