#pragma once

#include <string>
#include <variant>

#include "align/PairAlignment.hpp"
#include "anchor/AlignParameters.hpp"
#include "common/FillProgress.hpp"
#include "pair/PairError.hpp"
#include "pair/ReverseComplement.hpp"
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
    Strand strand = Strand::kPlus;  // of sequence 2; DNA only
    // Other strands were asked for (--strand minus or both): the summary
    // line then says which one each pair was kept on. Plus alone writes
    // what a run without the option writes.
    bool strandChosen = false;
};

using PairResult = PairAlignment;
using PairOutcome = std::variant<PairResult, PairError>;

// Aligns one pair: collapses mask runs, runs the anchored aligner (the global
// alignment, or with localOnly the anchors only), restores the runs and
// returns everything the writers need, or why the pair was not aligned. With
// Strand::kMinus sequence 2 is aligned reverse-complemented; with kBoth the
// pair is aligned both ways (side by side when it has two threads or more)
// and the better is kept, plus on a tie: the score, or with localOnly the
// anchor score.
// Buffers come from `arena` and its memory budget. `progress`, when given,
// follows the fill of the local matrix.
PairOutcome alignPair(const PairInput& input, const PairSettings& settings, WorkArena& arena,
                      FillProgress* progress = nullptr);
