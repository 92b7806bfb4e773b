#pragma once

#include <vector>

#include "kernels/Kernels.hpp"

// The vector kernel sets of every target Highway built them for that this
// processor runs (as far as Highway is allowed to use it), Highway's least
// preferred first. All come from one source compiled once per target.
std::vector<const KernelSet*> supportedVectorKernels();
// The set Highway's own dispatch would call here, or nullptr when that is its
// portable fallback, the scalar kernels.
const KernelSet* dispatchedVectorKernels();
