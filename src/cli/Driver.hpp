#pragma once

#include <string>

#include "cli/OutputSafety.hpp"
#include "pair/RunSettings.hpp"

// The program entry: start-up (options, matrix, input, output files), the
// loop over pairs and the closing of the files. Returns the exit status:
// 0 on success (and after -H/-V), 1 after any failure. The two programs
// differ only in `gappedAnchor`.
int runProgram(int argc, char** argv,
               GappedAnchorRealign gappedAnchor = GappedAnchorRealign::kWindows);


// Opens /dev/null on each of descriptors 0, 1 and 2 that is closed (for
// reading on 1: writing there then fails, as it should, instead of landing in
// a file opened later).
void makeStandardDescriptorsValid();
