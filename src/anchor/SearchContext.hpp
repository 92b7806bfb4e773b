#pragma once

#include <string_view>

#include "anchor/AlignParameters.hpp"
#include "scoring/ScoreLookup.hpp"

class WorkArena;

// What the steps of the anchor search read besides the local matrix: the
// pair, its scores and values, and the worker's arena for the affine
// alignments they run.
struct SearchContext {
    std::string_view seq1, seq2;
    const ScoreLookup& lookup;
    const AlignParameters& params;
    WorkArena& arena;
};
