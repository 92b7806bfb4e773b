#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <system_error>
#include <vector>

#include "common/SideBySide.hpp"
#include "common/ThreadStart.hpp"

// Every task runs exactly once whatever the threads, including when the
// system starts none of the helpers; a failure comes back after every task
// ran, the lowest failed task's.
TEST(SideBySide, EveryTaskRunsOnceAndTheLowestFailureComesBack) {
    for (const bool startsFail : {false, true}) {
        ThreadStarter previous;
        if (startsFail)
            previous = replaceThreadStarter([](std::function<void()>) -> std::thread {
                throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again));
            });
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
        if (startsFail) replaceThreadStarter(previous);
    }
}
