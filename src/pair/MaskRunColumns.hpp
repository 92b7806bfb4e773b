#pragma once

#include <map>
#include <span>
#include <vector>

#include "align/PairAlignment.hpp"

// The mask runs that an aligned row over a collapsed sequence passes through.
// `firstCell` is the collapsed index of the row's first residue and `runs` the
// sequence's table (collapsed index of a stand-in -> run length), as
// MaskRuns keeps them. Runs of one character are left out: nothing about
// them needs expanding.
std::vector<MaskRun> maskRunsInRow(std::span<const char> row, unsigned long firstCell,
                                   const std::map<unsigned long, unsigned long>& runs);
