#pragma once

#include <ostream>

#include "align/PairAlignment.hpp"

// The ".loc" record of a pair: a header line
//   >NAME1 \t NAME2 \t ANCHOR-SCORE [\t SCORE]      (no SCORE with -L)
// then two lines per listed anchor, fields left-adjusted:
//   "1 " BEGIN1(6) " " END1(6) " " SCORE(10) "  " ROW1
//   "2 " BEGIN2(6) " " END2(6) " " SCORE(10) "  " ROW2
void writeLocRecord(std::ostream& out, const PairAlignment& pair);
