#include <gtest/gtest.h>

#include "common/Matrix.hpp"
#include "common/MemoryBudget.hpp"

// A worker's large blocks serve its next pair; a block beyond the budget is
// refused before it is allocated, and every reservation is given back.
TEST(WorkArena, ReusesLargeBlocksAndRefusesWhatTheBudgetCannotHold) {
    MemoryBudget& budget = MemoryBudget::process();
    const std::uint64_t before = budget.reserved();
    {
        WorkArena arena;
        const int* first;
        {
            matrix<int> m(&arena);
            m.resizeUninitialized(1024, 1024);
            first = m.data();
        }
        EXPECT_EQ(arena.keptBlocks(), 1u);
        matrix<int> again(&arena);
        again.resizeUninitialized(512, 1024);
        EXPECT_EQ(again.data(), first);
        budget.setCeilingForTesting(budget.reserved() + (1u << 20));
        matrix<int> big(&arena);
        try {
            big.resizeUninitialized(2048, 1024);
            ADD_FAILURE() << "expected OutOfMemory";
        } catch (const OutOfMemory& e) {
            EXPECT_EQ(e.bytesNeeded, 8u << 20);
        }
        budget.setCeilingForTesting(0);
    }
    EXPECT_EQ(budget.reserved(), before);
}
