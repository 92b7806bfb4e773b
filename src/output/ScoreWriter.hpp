#pragma once

#include <ostream>

#include "align/PairAlignment.hpp"

// The ".score" line of a pair: NAME1 \t NAME2 \t ANCHOR-SCORE [\t SCORE]
// (no SCORE with -L).
void writeScoreLine(std::ostream& out, const PairAlignment& pair);
