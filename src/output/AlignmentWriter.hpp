#pragma once

#include <ostream>

#include "align/PairAlignment.hpp"

// The alignment file's record of a global pair:
//   >NAME1 \t ANCHOR-SCORE \t SCORE
//   ROW1
//   >NAME2
//   ROW2
//   (an empty line)
void writeAlignmentRecord(std::ostream& out, const PairAlignment& pair);
