#pragma once

#include <cstddef>
#include <string>

#include "align/PairAlignment.hpp"

// What the picture, the view and the report all say of a pair besides its
// alignment: its short names and its anchor counts, in the same words.

// The first word of a name, at most `limit` characters ("*" for none).
std::string shortName(const std::string& name, std::size_t limit = 30);

// The anchors of a pair the global alignment was built on, and those the
// ".loc" listing shows (an anchor may be both, or either).
struct AnchorCounts {
    long long used = 0, listed = 0;
};
AnchorCounts anchorCounts(const PairAlignment& pair);
// "3 used, 4 listed", with why none is used when the listing shows some.
std::string anchorCountsText(const PairAlignment& pair);
