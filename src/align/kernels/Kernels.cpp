#include "align/kernels/Kernels.hpp"

const KernelSet& scalarKernels() {
    static const KernelSet kScalar{"scalar", localFillRowScalar, gotohFillRowScalar};
    return kScalar;
}

const KernelSet& activeKernels() { return scalarKernels(); }
