#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "torva/torva.hpp"

// Two aligned rows as a person reads them, in blocks of at most `width`
// columns, each three lines and a blank one:
//
//   NAME1  START SEGMENT END
//                |||:.| |
//   NAME2  START SEGMENT END
//
// The middle line marks identical residues '|', pairs the matrix scores
// above 0 ':', other residue pairs '.', and a gap ' '. START and END are the
// 1-based positions of the segment's first and last residue (an all-gap
// segment shows the next position and the previous one). Names are cut at
// the first blank and to 30 characters. `minus2`: row 2 is the reverse
// complement of sequence 2, numbered downwards on its forward strand.
std::string blockedView(std::string_view row1, std::string_view row2, const std::string& name1,
                        const std::string& name2, const torva::Matrix& matrix,
                        std::size_t width = 60, bool minus2 = false);
