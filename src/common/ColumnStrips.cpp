#include "common/ColumnStrips.hpp"

#include <algorithm>
#include <deque>
#include <exception>
#include <optional>
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

StripHandOff::StripHandOff(std::size_t rows, std::size_t valuesPerRow)
    : own_(std::make_unique<Column>(rows, valuesPerRow)), column_(own_.get()) {}

void StripHandOff::publish(int k, const int* values) {
    const std::size_t perRow = column_->valuesPerRow;
    std::copy_n(values, perRow, column_->values.data() + static_cast<std::size_t>(k) * perRow);
    column_->published.store(earlier_ + k + 1, std::memory_order_release);
}

// The strip on the left is usually a row or two ahead and running on
// another core, so waiting spins for a while before it yields: a yield can
// hand the core to any other process for a whole time slice.
const int* StripHandOff::await(int k) {
    int spins = 0;
    while (column_->published.load(std::memory_order_acquire) <= earlier_ + k) {
        if (column_->abandoned.load(std::memory_order_acquire)) throw Abandoned{};
        if (++spins < 1 << 14) {
            spinPause();
        } else {
            std::this_thread::yield();
        }
    }
    return column_->values.data() + static_cast<std::size_t>(k) * column_->valuesPerRow;
}

void StripHandOff::abandon() { column_->abandoned.store(true, std::memory_order_release); }

void runColumnStrips(int count, std::size_t rows, std::size_t valuesPerRow, const StripWork& work) {
    runColumnTiles(count, count, rows, valuesPerRow, work);
}

// Tile t reads column t - 1 and writes column t; column c is kept in storage
// c % stored as its (c / stored)-th use. The writer of column c + stored
// writes a row only after the reader of column c has read it (its row waits
// on that reader's row). And it publishes nothing while the writer of column
// c is still in its rows: the tiles between them would still be in theirs
// too, stored + 1 tiles on `stored` threads.
void runColumnTiles(int count, int threads, std::size_t rows, std::size_t valuesPerRow,
                    const StripWork& work) {
    if (count <= 1) {
        work(0, nullptr, nullptr);
        return;
    }
    threads = std::clamp(threads, 1, count);
    const int stored = std::min(count - 1, threads);
    std::deque<StripHandOff::Column> columns;  // they hold atomics: never moved
    for (int c = 0; c < stored; ++c) columns.emplace_back(rows, valuesPerRow);
    const auto link = [&](int c) {
        return StripHandOff(columns[static_cast<std::size_t>(c % stored)],
                            static_cast<long long>(c / stored) * static_cast<long long>(rows));
    };
    std::vector<std::exception_ptr> failures(static_cast<std::size_t>(count));
    std::atomic<int> next{0};
    std::atomic<bool> failed{false};
    auto takeTiles = [&] {
        for (int t = next.fetch_add(1); t < count; t = next.fetch_add(1)) {
            std::optional<StripHandOff> in, out;
            if (t > 0) in.emplace(link(t - 1));
            if (t + 1 < count) out.emplace(link(t));
            try {
                if (failed.load(std::memory_order_acquire)) {
                    if (out) out->abandon();
                    continue;
                }
                work(t, in ? &*in : nullptr, out ? &*out : nullptr);
            } catch (const StripHandOff::Abandoned&) {
                // Only a failure on the left ends a strip this way; that one is reported.
                if (out) out->abandon();
            } catch (...) {
                failures[static_cast<std::size_t>(t)] = std::current_exception();
                failed.store(true, std::memory_order_release);
                if (out) out->abandon();
            }
        }
    };
    std::vector<std::thread> workers;
    workers.reserve(static_cast<std::size_t>(threads - 1));
    try {
        for (int w = 1; w < threads; ++w) workers.push_back(startThread(takeTiles));
    } catch (const std::system_error&) {
    }
    takeTiles();
    for (std::thread& w : workers) w.join();
    for (const auto& failure : failures)
        if (failure) std::rethrow_exception(failure);
}
