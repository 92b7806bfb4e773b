#include "support/AnchoredProperties.hpp"

TEST(AnchoredAlignmentWhole, RowsGiveBackBothSequences) { anchored::checkRandomPairs(202, 300); }
