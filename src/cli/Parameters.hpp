#pragma once

#include "pair/RunSettings.hpp"

class CommandLine;
class ScoreMatrix;

// The values every pair is aligned with: the options as given, resolved with
// the presets (pair/RunSettings.hpp), the matrix's letters deciding the mode
// as -P does. -t 0 counts the cores this process may use.
AlignParameters resolveParameters(const CommandLine& args, const ScoreMatrix& scoreMatrix,
                                  GappedAnchorRealign gappedAnchor);
