// The kernel sets are chosen by name: TORVA_KERNEL picks one the processor
// runs, and a name it cannot run is refused with the names it can.

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "kernels/Kernels.hpp"

TEST(KernelChoice, NamesSelectAvailableSetsAndRejectOthers) {
    const std::vector<const KernelSet*> sets = availableKernels();
    ASSERT_EQ(sets.front(), &scalarKernels());
    EXPECT_EQ(&kernelsForRequest(nullptr), sets.back());
    EXPECT_EQ(&kernelsForRequest(""), sets.back());
    std::string offered;
    for (const KernelSet* set : sets) {
        EXPECT_EQ(kernelByName(set->name), set);
        EXPECT_EQ(&kernelsForRequest(set->name), set);
        offered += (offered.empty() ? "" : ", ") + std::string(set->name);
    }
    EXPECT_EQ(kernelByName("avx3"), nullptr);
    for (const char* bad : {"avx3", "AVX2", "avx512"}) {
        if (kernelByName(bad)) continue;  // a processor that has it
        try {
            kernelsForRequest(bad);
            ADD_FAILURE() << bad << " accepted";
        } catch (const std::runtime_error& e) {
            EXPECT_EQ(std::string(e.what()),
                      "TORVA_KERNEL=" + std::string(bad) + ": this processor offers " + offered);
        }
    }
}
