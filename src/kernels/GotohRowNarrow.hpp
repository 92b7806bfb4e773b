#pragma once

#include <cstddef>

#include "kernels/GotohRow.hpp"

// The affine row of the vector set at `entry` of the dispatch tables (as in
// VectorRows.cpp) that runs each stretch of the row in 16-bit lanes where all
// its values fit and in that set's 32-bit lanes elsewhere; same values and
// moves as the scalar row under the same conditions.
GotohRowFn gotohRowNarrowEntry(std::size_t entry);
