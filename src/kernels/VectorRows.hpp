#pragma once

#include <vector>

#include "kernels/Kernels.hpp"

// The vector kernel sets this processor can run, narrowest first (sse4, avx2,
// avx512). All come from one source compiled once per instruction set.
std::vector<const KernelSet*> supportedVectorKernels();
