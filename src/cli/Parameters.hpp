#pragma once

#include "anchor/AlignParameters.hpp"

class CommandLine;
class ScoreMatrix;

// The values every pair is aligned with, decided here and nowhere else: the
// options, then the protein switch (a matrix of more than 20 distinct
// letters, or -P, selects the mask character '*' and the protein defaults
// for the values not given). Gap costs are made non-positive.
AlignParameters resolveParameters(const CommandLine& args, const ScoreMatrix& scoreMatrix,
                                  GappedAnchorRealign gappedAnchor);
