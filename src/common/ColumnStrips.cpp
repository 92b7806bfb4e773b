#include "common/ColumnStrips.hpp"

#include <algorithm>
#include <climits>
#include <deque>
#include <exception>
#include <system_error>
#include <thread>

#include "common/ThreadStart.hpp"

namespace {

inline void spinPause() {
#if defined(__x86_64__) || defined(__i386__)
    __builtin_ia32_pause();
#elif defined(__aarch64__)
    asm volatile("yield");
#endif
}

}  // namespace

std::vector<int> columnStripEdges(int columns, long long rows, const StripPolicy& policy) {
    const long long cells = rows * columns;
    const int strips = std::min(policy.threads, columns / std::max(policy.minWidth, 1));
    std::vector<int> edges{0};
    if (strips > 1 && cells >= policy.minCells) {
        for (int s = 1; s < strips; ++s) {
            const int edge = static_cast<int>(static_cast<long long>(columns) * s / strips);
            if (edge > edges.back() && edge < columns) edges.push_back(edge);
        }
    }
    edges.push_back(columns);
    return edges;
}

void StripHandOff::publish(int k, const int* values) {
    std::copy_n(values, perRow_, values_.data() + static_cast<std::size_t>(k) * perRow_);
    rowsDone_.store(k + 1, std::memory_order_release);
}

// The strip on the left is usually a row or two ahead and running on
// another core, so waiting spins for a while before it yields: a yield can
// hand the core to any other process for a whole time slice.
const int* StripHandOff::await(int k) {
    int spins = 0;
    while (rowsDone_.load(std::memory_order_acquire) <= k) {
        if (++spins < 1 << 14) {
            spinPause();
        } else {
            std::this_thread::yield();
        }
    }
    return values_.data() + static_cast<std::size_t>(k) * perRow_;
}

void StripHandOff::abandon() { rowsDone_.store(INT_MAX, std::memory_order_release); }

void runColumnStrips(int count, std::size_t rows, std::size_t valuesPerRow, const StripWork& work) {
    if (count <= 1) {
        work(0, nullptr, nullptr);
        return;
    }
    std::deque<StripHandOff> links;  // they hold an atomic: never moved
    for (int s = 1; s < count; ++s) links.emplace_back(rows, valuesPerRow);
    std::vector<std::exception_ptr> failures(static_cast<std::size_t>(count));
    auto run = [&](int s) {
        StripHandOff* in = s > 0 ? &links[static_cast<std::size_t>(s - 1)] : nullptr;
        StripHandOff* out = s + 1 < count ? &links[static_cast<std::size_t>(s)] : nullptr;
        try {
            work(s, in, out);
        } catch (...) {
            failures[static_cast<std::size_t>(s)] = std::current_exception();
            if (out) out->abandon();
        }
    };
    std::vector<std::thread> workers;
    workers.reserve(static_cast<std::size_t>(count - 1));
    try {
        for (int s = 1; s < count; ++s) workers.push_back(startThread([&run, s] { run(s); }));
    } catch (const std::system_error&) {
    }
    run(0);
    for (std::thread& w : workers) w.join();
    for (int s = static_cast<int>(workers.size()) + 1; s < count; ++s) run(s);
    for (const auto& failure : failures)
        if (failure) std::rethrow_exception(failure);
}
