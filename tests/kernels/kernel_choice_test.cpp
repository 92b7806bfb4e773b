// The kernel sets are chosen by name: TORVA_KERNEL picks one the processor
// runs, and a name it cannot run is refused with the names it can.

#include <gtest/gtest.h>
#include <hwy/targets.h>

#include <algorithm>
#include <cstdint>
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

// The choice goes through Highway's view of the processor, so a program that
// narrows what Highway may use (hwy::DisableTargets) narrows TORVA too.
TEST(KernelChoice, FollowsTheTargetsHighwayMayUse) {
    const std::vector<const KernelSet*> all = availableKernels();
    std::vector<std::int64_t> targets = hwy::SupportedAndGeneratedTargets();
    targets.push_back(HWY_EMU128);  // no vector unit at all
    for (const std::int64_t target : targets) {
        hwy::SetSupportedTargetsForTest(target);
        const std::vector<const KernelSet*> sets = availableKernels();
        EXPECT_EQ(sets.front(), &scalarKernels()) << hwy::TargetName(target);
        EXPECT_LE(sets.size(), 2u) << hwy::TargetName(target);
        EXPECT_EQ(&kernelsForRequest(nullptr), sets.back()) << hwy::TargetName(target);
        for (const KernelSet* set : sets) EXPECT_NE(std::find(all.begin(), all.end(), set), all.end());
        if (target == HWY_EMU128 && all.size() > 1) {
            EXPECT_EQ(sets.size(), 1u);
            try {
                kernelsForRequest(all.back()->name);
                ADD_FAILURE() << all.back()->name << " accepted without a vector unit";
            } catch (const std::runtime_error& e) {
                EXPECT_EQ(std::string(e.what()),
                          "TORVA_KERNEL=" + std::string(all.back()->name) + ": this processor offers scalar");
            }
        }
    }
    hwy::SetSupportedTargetsForTest(0);
    EXPECT_EQ(availableKernels(), all);
}
