#pragma once

#include <string>
#include <variant>

#include "align/PairAlignment.hpp"
#include "anchor/AlignParameters.hpp"
#include "common/FillProgress.hpp"
#include "pair/PairError.hpp"
#include "scoring/ScoreLookup.hpp"

class WorkArena;

// One pair as read from the input.
struct PairInput {
    std::string name1, name2;  // headers cut at their first '|'
    std::string seq1, seq2;
};

// What every pair of a run is aligned with, resolved once.
struct PairSettings {
    const ScoreLookup& lookup;
    AlignParameters params;
};

using PairResult = PairAlignment;
using PairOutcome = std::variant<PairResult, PairError>;

// Aligns one pair: collapses mask runs, runs the anchored aligner (the global
// alignment, or with localOnly the anchors only), restores the runs and
// returns everything the writers need, or why the pair was not aligned.
// Buffers come from `arena` and its memory budget. `progress`, when given,
// follows the fill of the local matrix.
PairOutcome alignPair(const PairInput& input, const PairSettings& settings, WorkArena& arena,
                      FillProgress* progress = nullptr);
