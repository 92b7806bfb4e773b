// The scheduler's rules one at a time, on the counts alone.
#include <gtest/gtest.h>

#include "pair/SchedulingState.hpp"

namespace {

const PairDemand kSmall{1000, 4096};
const PairDemand kLarge{kLargePairCells, 1u << 30};

}  // namespace

// Beside others a pair starts only when its bytes fit in what is left; alone
// it always starts (and fails there if it must). A large pair waits until
// nothing runs, and nothing starts beside it.
TEST(SchedulingState, WhoMayStartBesideWhom) {
    SchedulingState state(4);
    EXPECT_TRUE(state.canStart(kSmall, 0));
    const Attempt first = state.takeNext(kSmall, false);
    EXPECT_TRUE(state.canStart(kSmall, kSmall.bytes));
    EXPECT_FALSE(state.canStart(kSmall, kSmall.bytes - 1));
    EXPECT_FALSE(state.canStart(kLarge, UINT64_MAX));
    state.finishPair(first, false);
    EXPECT_TRUE(state.canStart(kLarge, 0));
    const Attempt large = state.takeNext(kLarge, false);
    EXPECT_EQ(large.threads, 4);
    EXPECT_FALSE(state.canStart(kSmall, UINT64_MAX));
    state.finishPair(large, false);
    EXPECT_TRUE(state.canStart(kSmall, 0));
}

// A small pair gets one thread, except the last of the input when it starts
// alone: results do not depend on the threads, so it may use them all.
TEST(SchedulingState, TheLastPairAloneTakesEveryThread) {
    SchedulingState state(3);
    const Attempt beside = state.takeNext(kSmall, false);
    EXPECT_EQ(beside.threads, 1);
    const Attempt lastBeside = state.takeNext(kSmall, true);
    EXPECT_EQ(lastBeside.threads, 1);
    state.finishPair(beside, false);
    state.finishPair(lastBeside, false);
    EXPECT_EQ(state.takeNext(kSmall, true).threads, 3);
}

// Only an attempt made as a run on one thread would make it is final when it
// runs short of memory: alone from start to end, one thread, no other worker.
TEST(SchedulingState, ShortOfMemoryIsFinalOnlyAsOnOneThread) {
    {
        SchedulingState state(1);
        state.workerStarted();
        const Attempt alone = state.takeNext(kSmall, false);
        EXPECT_TRUE(state.ranAsOnOneThread(alone));
    }
    {
        SchedulingState state(2);
        state.workerStarted();
        state.workerStarted();
        const Attempt alone = state.takeNext(kSmall, false);
        EXPECT_FALSE(state.ranAsOnOneThread(alone)) << "another worker took memory beside it";
    }
    {
        SchedulingState state(1);
        state.workerStarted();
        const Attempt first = state.takeNext(kSmall, false);
        state.takeNext(kSmall, false);
        EXPECT_FALSE(state.ranAsOnOneThread(first)) << "a pair started beside it";
    }
    {
        SchedulingState state(2);
        state.workerStarted();
        const Attempt wide = state.takeNext(kLarge, false);
        EXPECT_FALSE(state.ranAsOnOneThread(wide)) << "its fills ran on two threads";
    }
    {
        SchedulingState state(1);
        state.workerStarted();
        const Attempt first = state.takeNext(kSmall, false);
        state.finishPair(first, true);
        const Attempt afterHolder = state.takeNext(kSmall, false);
        EXPECT_FALSE(state.ranAsOnOneThread(afterHolder)) << "a worker still kept blocks";
    }
}

// A retry waits until every other pair is done, every block given back and
// every other worker gone; meanwhile nothing starts and no worker is added;
// it runs on one thread and is then final. Two retries run one at a time.
TEST(SchedulingState, RetryRunsAloneAndIsFinal) {
    SchedulingState state(3);
    for (int k = 0; k < 3; ++k) state.workerStarted();
    const Attempt a = state.takeNext(kSmall, false);
    const Attempt b = state.takeNext(kSmall, false);
    const Attempt c = state.takeNext(kLarge, false);  // refused by canStart in a real run; counts alike
    state.finishPair(c, true);
    state.waitToRetry(a);
    EXPECT_FALSE(state.canStart(kSmall, UINT64_MAX));
    EXPECT_FALSE(state.mayAddWorker());
    EXPECT_TRUE(state.idleWorkersShouldLeave());
    EXPECT_FALSE(state.retryMayRun()) << "b still runs";
    state.waitToRetry(b);
    EXPECT_FALSE(state.retryMayRun()) << "c's worker keeps blocks and has not left";
    state.blocksGivenBack();
    EXPECT_FALSE(state.retryMayRun());
    state.workerLeft();
    ASSERT_TRUE(state.retryMayRun());
    const Attempt retry = state.retryAlone(a);
    EXPECT_EQ(retry.threads, 1);
    EXPECT_TRUE(state.ranAsOnOneThread(retry));
    EXPECT_FALSE(state.retryMayRun()) << "one retry at a time";
    state.finishPair(retry, false);
    EXPECT_FALSE(state.retryMayRun()) << "the retry's worker is still there";
    state.workerLeft();
    ASSERT_TRUE(state.retryMayRun());
    const Attempt second = state.retryAlone(b);
    state.finishPair(second, false);
    EXPECT_TRUE(state.mayAddWorker());
    EXPECT_FALSE(state.idleWorkersShouldLeave());
    EXPECT_TRUE(state.canStart(kLarge, 0));
}
