#pragma once

#include <string>

#include "align/PairAlignment.hpp"
#include "scoring/ScoreLookup.hpp"
#include "anchor/AlignParameters.hpp"
#include "common/FillProgress.hpp"

class WorkArena;

// Aligns one pair of records: collapses mask runs, runs the anchored aligner
// (the global alignment, or with localOnly the anchors only), restores the
// runs and returns everything the writers need. A pair whose buffers do not
// fit in memory comes back `skipped`, with the message that says so.
PairAlignment alignPair(std::string name1, std::string name2, std::string seq1, std::string seq2,
                        const ScoreLookup& lookup, const AlignParameters& params, WorkArena& arena,
                        FillProgress* progress = nullptr);
