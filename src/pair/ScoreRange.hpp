#pragma once

#include <cstddef>

class ScoreLookup;

// Whether every score the aligners can compute for a pair of these lengths
// stays within 32 bits: the best pair score over the shorter length above,
// gap costs over both lengths (and the worst pair score) below. Values are
// checked one by one elsewhere; their products are not.
bool scoresFitInInt32(std::size_t length1, std::size_t length2, const ScoreLookup& lookup,
                      int gapOpen, int gapExt);
