#include "common/SideBySide.hpp"

#include <algorithm>
#include <atomic>
#include <exception>
#include <system_error>
#include <thread>
#include <vector>

#include "common/ThreadStart.hpp"

void runSideBySide(int count, int threads, const SideBySideWork& work) {
    std::atomic<int> next{0};
    std::vector<std::exception_ptr> failures(static_cast<std::size_t>(std::max(count, 0)));
    auto runTasks = [&](int worker) {
        for (int task = next++; task < count; task = next++) {
            try {
                work(task, worker);
            } catch (...) {
                failures[static_cast<std::size_t>(task)] = std::current_exception();
            }
        }
    };
    std::vector<std::thread> helpers;
    const int wanted = std::min(threads, count) - 1;
    helpers.reserve(static_cast<std::size_t>(std::max(wanted, 0)));
    try {
        for (int w = 1; w <= wanted; ++w) helpers.push_back(startThread([&runTasks, w] { runTasks(w); }));
    } catch (const std::system_error&) {
    }
    runTasks(0);
    for (std::thread& h : helpers) h.join();
    for (const auto& failure : failures)
        if (failure) std::rethrow_exception(failure);
}
