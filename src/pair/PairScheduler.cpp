#include "pair/PairScheduler.hpp"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <exception>
#include <map>
#include <mutex>
#include <optional>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

#include "anchor/LocalScoreMatrix.hpp"
#include "common/MemoryBudget.hpp"
#include "common/ThreadStart.hpp"
#include "common/WorkArena.hpp"

namespace {

long long cellsOf(const PairJob& job) {
    return static_cast<long long>(job.input.seq1.size() + 1) *
           static_cast<long long>(job.input.seq2.size() + 1);
}

// What the local matrix of a pair takes at the least: what its tracebacks read.
std::uint64_t bytesOf(const PairJob& job) {
    return LocalScoreMatrix::tracebackBytes(static_cast<long long>(job.input.seq1.size()),
                                       static_cast<long long>(job.input.seq2.size()));
}

}  // namespace

PairScheduler::PairScheduler(int workers, const PairSettings& settings, MemoryBudget& budget,
                             PairAligner aligner)
    : workers_(workers < 1 ? 1 : workers), settings_(settings), budget_(budget),
      align_(std::move(aligner)) {}

// Without worker threads: one pair after the other, each with every thread
// its fills can start.
void PairScheduler::runInline(const std::function<bool(PairJob&)>& next,
                              const std::function<bool(PairJob&, PairOutcome&)>& deliver) {
    WorkArena arena(budget_);
    PairSettings settings = settings_;
    settings.params.threads = workers_;
    for (;;) {
        PairJob job;
        if (!next(job)) return;
        ++read_;
        const bool large = cellsOf(job) >= kLargePairCells;
        PairOutcome outcome = align_(job.input, settings, arena, large ? &fill_ : nullptr);
        if (after_) after_(read_ - 1, job, outcome);
        ++done_;
        if (!deliver(job, outcome)) return;
    }
}

void PairScheduler::run(const std::function<bool(PairJob&)>& next,
                        const std::function<bool(PairJob&, PairOutcome&)>& deliver,
                        const std::function<void()>& idle) {
    struct Slot {
        PairJob job;
        std::optional<PairOutcome> outcome;
    };
    std::mutex lock;
    std::condition_variable workReady, resultReady;
    std::map<long, Slot> slots;   // read and not yet delivered
    std::deque<long> waiting;     // slots no worker has taken, in input order
    bool closing = false;         // no more work will come
    int running = 0;
    bool largeRunning = false;
    long starts = 0;              // pairs started so far
    int retryWaiters = 0;         // pairs that wait to run again alone
    int idleHolding = 0;          // workers between pairs whose arenas still keep blocks
    bool retryRunning = false;    // one of them runs
    int threads = workers_;       // how many the fills of a large pair may use
    bool startFailed = false;     // the system refused a worker thread
    std::exception_ptr failure;

    // The first waiting pair may start when it fits beside the pairs running.
    auto canStart = [&](const PairJob& job) {
        if (retryWaiters > 0 || retryRunning) return false;
        const bool large = cellsOf(job) >= kLargePairCells;
        if (large ? running > 0 : largeRunning) return false;
        return running == 0 || bytesOf(job) <= budget_.available();
    };

    auto work = [&]() {
        WorkArena arena(budget_);
        std::unique_lock<std::mutex> held(lock);
        const auto ready = [&] {
            return (closing && waiting.empty()) || failure ||
                   (!waiting.empty() && canStart(slots[waiting.front()].job));
        };
        // A worker between pairs counts in idleHolding while its arena keeps
        // the last pair's blocks: a pair retried alone must wait for them.
        bool holding = false;
        const auto giveBack = [&] {
            held.unlock();
            arena.drain();
            held.lock();
            if (holding) {
                holding = false;
                --idleHolding;
                workReady.notify_all();
            }
        };
        for (;;) {
            // The buffers of the last pair serve the next one; a worker that
            // has to wait gives them back, since a pair that waits for memory
            // may be waiting for them.
            if (!ready()) giveBack();
            workReady.wait(held, ready);
            if (waiting.empty() || failure) {
                giveBack();
                return;
            }
            if (holding) {
                holding = false;
                --idleHolding;
            }
            const long index = waiting.front();
            waiting.pop_front();
            Slot& slot = slots[index];
            const bool large = cellsOf(slot.job) >= kLargePairCells;
            const bool alone = running == 0;
            // The last pair of the input, with nothing beside it, may use
            // every thread too (results do not depend on how many).
            const bool last = alone && closing && waiting.empty();
            ++running;
            // A pair that started alone may still get company later on.
            const long startedAs = starts++;
            largeRunning = large;
            PairSettings settings = settings_;
            settings.params.threads = large || last ? threads : 1;
            held.unlock();

            PairOutcome outcome;
            bool retried = false;
            try {
                for (;;) {
                    outcome = align_(slot.job.input, settings, arena, large ? &fill_ : nullptr);
                    if (!lackedMemory(outcome)) break;
                    held.lock();
                    const bool hadCompany = !retried && (!alone || starts != startedAs + 1);
                    held.unlock();
                    if (!hadCompany) break;
                    // It did not fit beside the others: once they are done,
                    // again alone, with nothing new started meanwhile. Pairs
                    // that failed the same way run alone one after another.
                    arena.drain();
                    held.lock();
                    ++retryWaiters;
                    workReady.wait(held, [&] {
                        return !retryRunning && running == retryWaiters && idleHolding == 0;
                    });
                    --retryWaiters;
                    retryRunning = retried = true;
                    settings.params.threads = threads;
                    held.unlock();
                }
                if (after_) after_(index, slot.job, outcome);
            } catch (...) {
                held.lock();
                if (retried) retryRunning = false;
                failure = std::current_exception();
                --running;
                resultReady.notify_all();
                workReady.notify_all();
                return;
            }
            held.lock();
            slot.outcome = std::move(outcome);
            if (retried) retryRunning = false;
            --running;
            if (arena.keptBlocks() > 0) {
                holding = true;
                ++idleHolding;
            }
            if (large) largeRunning = false;
            resultReady.notify_all();
            workReady.notify_all();
        }
    };

    // Workers start as pairs come in, up to `workers_`: a run of one pair
    // needs one, and every idle thread's stack takes address space that a
    // run under an address-space limit may need for its matrices.
    std::vector<std::thread> pool;
    auto startWorker = [&] {
        try {
            pool.push_back(startThread(work));
        } catch (const std::system_error&) {
            // Fewer threads than asked: the ones running do the work.
            std::lock_guard<std::mutex> hold(lock);
            threads = std::max<int>(1, static_cast<int>(pool.size()));
            startFailed = true;
        }
        started_ = static_cast<int>(pool.size());
    };
    startWorker();
    if (pool.empty()) {
        runInline(next, deliver);
        return;
    }
    auto finish = [&] {
        {
            std::lock_guard<std::mutex> hold(lock);
            closing = true;
            // Pairs not yet started are dropped once the output has failed.
            waiting.clear();
        }
        workReady.notify_all();
        for (std::thread& t : pool) t.join();
    };

    try {
        const long inFlight = 2L * workers_;
        long nextDeliver = 0;
        bool moreInput = true;
        for (;;) {
            while (moreInput && static_cast<long>(slots.size()) < inFlight) {
                PairJob job;
                moreInput = next(job);
                if (!moreInput) break;
                if (!startFailed && static_cast<int>(pool.size()) < workers_ &&
                    static_cast<long>(pool.size()) <= read_)
                    startWorker();
                std::lock_guard<std::mutex> hold(lock);
                slots[read_].job = std::move(job);
                waiting.push_back(read_++);
                workReady.notify_all();
            }
            if (!moreInput) {
                std::lock_guard<std::mutex> hold(lock);
                closing = true;
                workReady.notify_all();
            }
            std::unique_lock<std::mutex> held(lock);
            if (slots.empty()) break;
            const bool ready = resultReady.wait_for(held, std::chrono::milliseconds(200), [&] {
                return failure || slots[nextDeliver].outcome.has_value();
            });
            if (failure) break;
            if (!ready) {
                held.unlock();
                idle();
                continue;
            }
            Slot slot = std::move(slots[nextDeliver]);
            slots.erase(nextDeliver++);
            held.unlock();
            ++done_;
            if (!deliver(slot.job, *slot.outcome)) break;
        }
    } catch (...) {
        finish();
        throw;
    }
    finish();
    if (failure) std::rethrow_exception(failure);
}
