#include <gtest/gtest.h>

#include "common/Matrix.hpp"
#include "common/MemoryBudget.hpp"

TEST(Matrix, ZeroFilledRowsAreContiguousAndIndependent) {
    matrix<int> m(3, 4);
    ASSERT_EQ(m.size(), 3u);
    ASSERT_EQ(m.cols(), 4u);
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 4; ++j) EXPECT_EQ(m[i][j], 0);
    m[1][3] = 7;
    m[2][0] = -1;
    EXPECT_EQ(m[1][3], 7);
    EXPECT_EQ(m[2][0], -1);
    EXPECT_EQ(&m[2][0], &m[1][3] + 1);
    matrix<char> c(2, 2);
    EXPECT_EQ(c[1][1], '\0');
}

TEST(Matrix, EmptyShapesAndReassign) {
    matrix<int> m;
    EXPECT_TRUE(m.empty());
    m.assign(1, 0);
    EXPECT_EQ(m.size(), 1u);
    EXPECT_EQ(m.cols(), 0u);
    m.assign(2, 2);
    m[1][1] = 5;
    m.assign(2, 2);
    EXPECT_EQ(m[1][1], 0);
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
