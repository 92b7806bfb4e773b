#pragma once

#include "align/kernels/GotohRow.hpp"
#include "align/kernels/LocalRow.hpp"

// The row kernels of one instruction set. One set is chosen once, at start-up,
// from what the CPU reports; the scalar set stays available for inputs whose
// scores could wrap around 32-bit lanes.
struct KernelSet {
    const char* name;  // "scalar", "sse4", "avx2", "avx512"
    LocalRowFn localRow;
    GotohRowFn gotohRow;
};

const KernelSet& scalarKernels();
// The set in use for this process.
const KernelSet& activeKernels();
