#pragma once

#include "api/MatrixImpl.hpp"
#include "pair/PairEngine.hpp"
#include "pair/RunSettings.hpp"
#include "torva/torva.hpp"

// Options made concrete the way the programs decide them: the matrix, then
// the protein switch (protein, or a matrix of more than 20 letters, selects
// the mask character '*' and the protein defaults for the values not given).
// Throws std::invalid_argument for values the programs would refuse.
struct Settings {
    torva::Matrix matrix;
    AlignParameters params;
    ::Strand strand = ::Strand::kPlus;
    // The PairSettings of a call; the lookup lives in `matrix`.
    PairSettings pairSettings() const { return PairSettings{matrix.impl().lookup, params, strand, false}; }
};

Settings resolveSettings(const torva::Options& options, bool localOnly);
