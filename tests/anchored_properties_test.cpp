#include "support/AnchoredProperties.hpp"

TEST(AnchoredAlignment, RowsGiveBackBothSequences) { anchored::checkRandomPairs(101, 300); }
