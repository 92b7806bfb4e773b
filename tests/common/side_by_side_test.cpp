#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <optional>
#include <stdexcept>
#include <vector>

#include "common/SharedWork.hpp"
#include "common/SideBySide.hpp"
#include "support/RefusedThreads.hpp"

// Every task runs exactly once whatever the threads, including when the
// system starts none of the helpers; a failure comes back after every task
// ran, the lowest failed task's.
TEST(SideBySide, EveryTaskRunsOnceAndTheLowestFailureComesBack) {
    for (const bool startsFail : {false, true}) {
        std::optional<testdata::RefusedThreads> refused;
        if (startsFail) refused.emplace(0);
        for (const int threads : {1, 2, 5}) {
            for (const int count : {0, 1, 3, 40}) {
                std::vector<std::atomic<int>> runs(static_cast<std::size_t>(count));
                std::atomic<int> highestWorker{0};
                runSideBySide(count, threads, [&](int task, int worker) {
                    ++runs[static_cast<std::size_t>(task)];
                    int seen = highestWorker.load();
                    while (worker > seen && !highestWorker.compare_exchange_weak(seen, worker)) {}
                });
                for (const auto& r : runs) ASSERT_EQ(r.load(), 1) << threads << " threads, " << count << " tasks";
                ASSERT_LT(highestWorker.load(), startsFail ? 1 : threads);
            }
            std::atomic<int> ran{0};
            try {
                runSideBySide(10, threads, [&](int task, int) {
                    ++ran;
                    if (task == 7 || task == 3) throw std::runtime_error("task " + std::to_string(task));
                });
                FAIL() << "no failure came back";
            } catch (const std::runtime_error& e) {
                EXPECT_STREQ(e.what(), "task 3");
            }
            EXPECT_EQ(ran.load(), 10);
        }
    }
}

// A tree of pieces, each offering its two halves and doing itself those no
// idle worker took: every leaf is done exactly once whatever the threads,
// also when no helper starts. A failure comes back from run(), and an offer
// after it ends the task that makes it. Borrowed idle workers take no piece.
TEST(SharedWork, EveryPieceRunsOnceAndAFailureEndsTheRest) {
    for (const bool startsFail : {false, true}) {
        std::optional<testdata::RefusedThreads> refused;
        if (startsFail) refused.emplace(0);
        for (const int threads : {1, 2, 5}) {
            constexpr int kLeaves = 1 << 12;
            std::vector<std::atomic<int>> done(kLeaves);
            std::atomic<int> highestWorker{0};
            SharedWork work(threads);
            std::function<void(int, int, int)> split = [&](int from, int to, int worker) {
                int seen = highestWorker.load();
                while (worker > seen && !highestWorker.compare_exchange_weak(seen, worker)) {}
                if (to - from == 1) {
                    ++done[static_cast<std::size_t>(from)];
                    return;
                }
                const int mid = (from + to) / 2;
                for (const auto& [a, b] : {std::pair{from, mid}, std::pair{mid, to}})
                    if (!work.offer([&split, a, b](int w) { split(a, b, w); })) split(a, b, worker);
            };
            work.run([&](int worker) { split(0, kLeaves, worker); });
            for (const auto& d : done) ASSERT_EQ(d.load(), 1) << threads << " threads";
            ASSERT_LT(highestWorker.load(), startsFail ? 1 : threads);

            SharedWork failing(threads);
            std::atomic<int> leaves{0};
            std::function<void(int, int)> failAt = [&](int from, int to) {
                if (to - from == 1) {
                    if (from == 100) throw std::runtime_error("leaf 100");
                    ++leaves;
                    return;
                }
                const int mid = (from + to) / 2;
                for (const auto& [a, b] : {std::pair{from, mid}, std::pair{mid, to}})
                    if (!failing.offer([&failAt, a, b](int) { failAt(a, b); })) failAt(a, b);
            };
            try {
                failing.run([&](int) { failAt(0, kLeaves); });
                FAIL() << "no failure came back";
            } catch (const std::runtime_error& e) {
                EXPECT_STREQ(e.what(), "leaf 100");
            }
            EXPECT_LT(leaves.load(), kLeaves);
            EXPECT_THROW(failing.offer([](int) {}), SharedWork::Abandoned);

            // Idle workers lent out take no piece until they are given back.
            SharedWork lending(threads);
            std::atomic<int> ranElsewhere{0};
            lending.run([&](int) {
                const int lent = lending.borrowIdle(8);
                EXPECT_EQ(lent, startsFail ? 0 : threads - 1);
                EXPECT_FALSE(lending.offer([&](int) { ++ranElsewhere; }));
                lending.giveBack(lent);
                EXPECT_EQ(lending.offer([&](int) { ++ranElsewhere; }), lent > 0);
            });
            EXPECT_EQ(ranElsewhere.load(), startsFail || threads == 1 ? 0 : 1);
        }
    }
}
