#include "kernels/Kernels.hpp"

#include <cstdlib>
#include <stdexcept>
#include <string>

#include "kernels/VectorRows.hpp"

const KernelSet& scalarKernels() {
    static const KernelSet kScalar{"scalar", localFillRowScalar, localFillRow16Scalar, gotohFillRowScalar,
                                   findEqualScalar, packChoicesScalar};
    return kScalar;
}

std::vector<const KernelSet*> availableKernels() {
    std::vector<const KernelSet*> sets{&scalarKernels()};
    for (const KernelSet* set : supportedVectorKernels()) sets.push_back(set);
    return sets;
}

const KernelSet* kernelByName(std::string_view name) {
    for (const KernelSet* set : availableKernels())
        if (name == set->name) return set;
    return nullptr;
}

const KernelSet& kernelsForRequest(const char* request) {
    if (request == nullptr || *request == '\0') {
        const KernelSet* dispatched = dispatchedVectorKernels();
        return dispatched ? *dispatched : scalarKernels();
    }
    if (const KernelSet* set = kernelByName(request)) return *set;
    std::string message = std::string("TORVA_KERNEL=") + request + ": this processor offers ";
    const char* separator = "";
    for (const KernelSet* set : availableKernels()) {
        message += separator;
        message += set->name;
        separator = ", ";
    }
    throw std::runtime_error(message);
}

const KernelSet& activeKernels() {
    // A failed choice leaves the static unset, so every later call reports it too.
    static const KernelSet& chosen = kernelsForRequest(std::getenv("TORVA_KERNEL"));
    return chosen;
}
