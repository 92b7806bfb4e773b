#include <gtest/gtest.h>

#include "align/NwGotoh.hpp"
#include "anchor/BestAligner.hpp"
#include "support/TestData.hpp"

using testdata::rowOf;
using testdata::str;


TEST(GappedAnchorWhole, SegmentIsAlignedAgainAsAWhole) {
    auto sm = testdata::simpleDna();
    std::string s1 = "ttaaaccgtttgggtt", s2 = "gaaacccgttgggg";
    BestAligner al(s1, s2, *sm, -10, -2, 10, 10);
    f2pScore rec;
    rec.f2p = {foot2{2, 1}, foot2{14, 13}};
    rec.score = 3;
    rec.align1 = rowOf("aaacc---gtttggg");
    rec.align2 = rowOf("aaa---cccgttggg");
    al.realignGappedAnchor(rec);

    std::string sub1 = s1.substr(2, 12), sub2 = s2.substr(1, 12);
    NW_GOTOH whole(sub1, sub2, *sm, -10, -2);
    std::vector<char> w1, w2;
    EXPECT_EQ(rec.score, whole.GetAlignSeq(w1, w2));
    EXPECT_EQ(rec.align1, w1);
    EXPECT_EQ(rec.align2, w2);

    // Two gap characters in one row: kept as traced.
    f2pScore two;
    two.f2p = {foot2{2, 1}, foot2{14, 14}};
    two.score = 3;
    two.align1 = rowOf("aaacc---gtttggg");
    two.align2 = rowOf("aaa--cccgttgggg");
    al.realignGappedAnchor(two);
    EXPECT_EQ(two.score, 3);
    EXPECT_EQ(str(two.align2), "aaa--cccgttgggg");
}
