#pragma once

#include <string_view>
#include <vector>

#include "kernels/GotohRow.hpp"
#include "kernels/LocalRow.hpp"

// The row kernels of one instruction set. One set is chosen once, at start-up,
// by Highway's dispatch from what the CPU reports; the scalar set stays
// available for inputs whose scores could wrap around 32-bit lanes.
struct KernelSet {
    const char* name;  // "scalar", "sse4", "avx2", "avx512"; "neon", "sve", ... on arm64
    LocalRowFn localRow;
    LocalRow16Fn localRow16;  // for rows whose values fit 16 bits (localRowFits16)
    GotohRowFn gotohRow;
    FindEqualFn findEqual;
    PackChoicesFn packChoices;
};

const KernelSet& scalarKernels();
// The sets this processor can run, scalar first, Highway's preferred one last.
std::vector<const KernelSet*> availableKernels();
// The available set of that name, or nullptr.
const KernelSet* kernelByName(std::string_view name);
// The set a TORVA_KERNEL value asks for; null or empty picks the one
// Highway's dispatch calls.
// Throws std::runtime_error naming the available sets when the request names
// none of them.
const KernelSet& kernelsForRequest(const char* request);
// The set in use for this process, chosen on the first call from the
// environment variable TORVA_KERNEL (throws as kernelsForRequest does).
const KernelSet& activeKernels();
