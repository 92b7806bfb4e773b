#pragma once

#include <cstdint>
#include <vector>

#include "align/Cell.hpp"

// One high-scoring segment of the local matrix; its aligned rows use '-' for
// a gap.
struct Segment {
    Region region;  // from its start cell to its end cell
    std::int32_t score = 0;
    std::vector<char> row1;
    std::vector<char> row2;
};
