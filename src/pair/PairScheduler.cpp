#include "pair/PairScheduler.hpp"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <exception>
#include <map>
#include <mutex>
#include <thread>
#include <vector>

#include "pair/PairEngine.hpp"
#include "common/MemoryBudget.hpp"
#include "common/WorkArena.hpp"

namespace {

long long cellsOf(const PairJob& job) {
    return static_cast<long long>(job.seq1.size() + 1) * static_cast<long long>(job.seq2.size() + 1);
}

// What the local matrix of a pair takes at the least: its traceback choices.
std::uint64_t bytesOf(const PairJob& job) { return static_cast<std::uint64_t>(cellsOf(job)) / 4; }

}  // namespace

PairScheduler::PairScheduler(int workers, const ScoreLookup& lookup, const AlignParameters& params)
    : workers_(workers < 1 ? 1 : workers), lookup_(lookup), params_(params) {}

void PairScheduler::run(const std::function<bool(PairJob&)>& next,
                   const std::function<bool(PairJob&, PairAlignment&)>& deliver,
                   const std::function<void()>& idle) {
    struct Slot {
        PairJob job;
        PairAlignment result;
        bool ready = false;
    };
    std::mutex lock;
    std::condition_variable workReady, resultReady;
    std::map<long, Slot> slots;   // read and not yet delivered
    std::deque<long> waiting;     // slots no worker has taken, in input order
    bool closing = false;         // no more work will come
    int running = 0;
    bool largeRunning = false;
    std::exception_ptr failure;
    MemoryBudget& budget = MemoryBudget::process();

    // The first waiting pair may start when it fits beside the pairs running.
    auto canStart = [&](const PairJob& job) {
        const bool large = cellsOf(job) >= kLargePairCells;
        if (large ? running > 0 : largeRunning) return false;
        return running == 0 || budget.reserved() + bytesOf(job) <= budget.ceiling();
    };

    auto work = [&]() {
        WorkArena arena;
        std::unique_lock<std::mutex> held(lock);
        const auto ready = [&] {
            return (closing && waiting.empty()) || failure ||
                   (!waiting.empty() && canStart(slots[waiting.front()].job));
        };
        for (;;) {
            // The buffers of the last pair serve the next one; a worker that
            // has to wait gives them back, since a pair that waits for memory
            // may be waiting for them.
            if (!ready()) {
                held.unlock();
                arena.drain();
                held.lock();
            }
            workReady.wait(held, ready);
            if (waiting.empty() || failure) return;
            const long index = waiting.front();
            waiting.pop_front();
            Slot& slot = slots[index];
            const bool large = cellsOf(slot.job) >= kLargePairCells;
            bool alone = running == 0;
            // The last pair of the input, with nothing beside it, may use
            // every thread too (results do not depend on how many).
            const bool last = alone && closing && waiting.empty();
            ++running;
            largeRunning = large;
            held.unlock();

            AlignParameters params = params_;
            params.threads = large || last ? workers_ : 1;
            PairAlignment result;
            try {
                for (;;) {
                    result = alignPair(slot.job.name1, slot.job.name2, slot.job.seq1, slot.job.seq2,
                                       lookup_, params, arena, large ? &fill_ : nullptr);
                    if (!result.skipped || alone) break;
                    // It did not fit beside the others: once they are done, again alone.
                    arena.drain();
                    held.lock();
                    workReady.wait(held, [&] { return running == 1; });
                    held.unlock();
                    alone = true;
                }
            } catch (...) {
                held.lock();
                failure = std::current_exception();
                --running;
                resultReady.notify_all();
                workReady.notify_all();
                return;
            }
            held.lock();
            slot.result = std::move(result);
            slot.ready = true;
            --running;
            if (large) largeRunning = false;
            resultReady.notify_all();
            workReady.notify_all();
        }
    };

    std::vector<std::thread> threads;
    for (int k = 0; k < workers_; ++k) threads.emplace_back(work);
    auto finish = [&] {
        {
            std::lock_guard<std::mutex> hold(lock);
            closing = true;
            // Pairs not yet started are dropped once the output has failed.
            waiting.clear();
        }
        workReady.notify_all();
        for (std::thread& t : threads) t.join();
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
                return failure || slots[nextDeliver].ready;
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
            if (!deliver(slot.job, slot.result)) break;
        }
    } catch (...) {
        finish();
        throw;
    }
    finish();
    if (failure) std::rethrow_exception(failure);
}
