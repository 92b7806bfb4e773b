#include <gtest/gtest.h>

#include "common/Matrix.hpp"
#include "common/MemoryBudget.hpp"

TEST(Matrix, RowsAreContiguousAndReassignClears) {
    matrix<int> m(3, 4);
    ASSERT_EQ(m.size(), 3u);
    m[1][3] = 7;
    EXPECT_EQ(&m[2][0], &m[1][3] + 1);
    EXPECT_EQ(m[2][0], 0);
    m.assign(3, 4);
    EXPECT_EQ(m[1][3], 0);
    m.assign(1, 0);
    EXPECT_EQ(m.size(), 1u);
    EXPECT_EQ(m.cols(), 0u);
}

TEST(Matrix, LargeBuffersAreReusedAfterRelease) {
    PooledBuffer<int>::drainPool();
    const int* first;
    {
        matrix<int> m;
        m.resizeUninitialized(1024, 1024);
        first = m.data();
    }
    matrix<int> again;
    again.resizeUninitialized(512, 1024);
    EXPECT_EQ(again.data(), first);
}

TEST(Matrix, AllocationBeyondAvailableMemoryIsRefused) {
    PooledBuffer<int>::drainPool();
    setMemoryLimitForTesting(1 << 20);
    matrix<int> m;
    try {
        m.resizeUninitialized(1024, 1024);
        ADD_FAILURE() << "expected OutOfMemory";
    } catch (const OutOfMemory& e) {
        EXPECT_EQ(e.bytesNeeded, 4u << 20);
    }
    setMemoryLimitForTesting(0);
}
