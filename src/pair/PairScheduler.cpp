#include "pair/PairScheduler.hpp"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <exception>
#include <list>
#include <new>
#include <optional>
#include <system_error>
#include <thread>
#include <utility>

#include "anchor/LocalScoreMatrix.hpp"
#include "common/MemoryBudget.hpp"
#include "common/ThreadStart.hpp"
#include "common/WorkArena.hpp"

namespace {

PairDemand demandOf(const PairInput& input) {
    PairDemand demand;
    demand.cells = static_cast<long long>(input.seq1.size() + 1) *
                   static_cast<long long>(input.seq2.size() + 1);
    demand.bytes = LocalScoreMatrix::tracebackBytes(static_cast<long long>(input.seq1.size()),
                                                    static_cast<long long>(input.seq2.size()));
    return demand;
}

}  // namespace

// One run(): the workers, the pairs between reading and delivery, and the
// rules' counts, all behind one lock.
class ScheduledRun {
public:
    ScheduledRun(int workers, const PairSettings& settings, MemoryBudget& budget,
                 const PairScheduler::PairAligner& align, FillProgress& fill)
        : workers_(workers), settings_(settings), budget_(budget), align_(align), fill_(fill),
          state_(workers) {}

    template <class S>
    void start(const S& steps) { input_ = steps.input; after_ = steps.after; }

    // Starts one more worker when a pair could use it; false when the system
    // refused the thread.
    bool addWorker();
    // Joins the workers that left.
    void reapWorkers();
    // Hands a pair read to the workers.
    void enqueue(long index);
    void closeInput();
    // Waits up to 200 ms for the outcome of pair `index`; empty on time-out.
    std::optional<PairOutcome> takeOutcome(long index);
    std::exception_ptr failure();
    // Drops the pairs not started and joins every worker.
    void finish();
    int mostWorkers() const { return mostWorkers_; }
    bool threadRefused() const { return refused_; }
    // Starts workers while pairs wait for them.
    void topUpWorkers();

private:
    struct Worker {
        std::thread thread;
        bool left = false;
        std::uint64_t stackReserved = 0;  // in the budget while it lives
    };
    void work(Worker& self);
    // Aligns a pair, again alone when it ran short of memory beside others.
    // `attempt` ends as the last one made.
    PairOutcome attemptPair(long index, Attempt& attempt, WorkArena& arena,
                            std::unique_lock<std::mutex>& held);
    bool hasWork() const;

    int workers_;
    const PairSettings& settings_;
    MemoryBudget& budget_;
    const PairScheduler::PairAligner& align_;
    FillProgress& fill_;
    std::function<const PairInput&(long)> input_;
    std::function<void(long, PairOutcome&)> after_;

    std::mutex lock_;
    std::condition_variable workReady_, resultReady_;
    SchedulingState state_;
    std::map<long, std::optional<PairOutcome>> outcomes_;  // read and not yet delivered
    std::deque<long> waiting_;                             // not yet taken, in input order
    bool closing_ = false;                                 // no more pairs will come
    std::exception_ptr failure_;
    std::list<Worker> pool_;
    int mostWorkers_ = 0;
    bool refused_ = false;
    const std::uint64_t stackCost_ = threadStackCost();
};

bool ScheduledRun::hasWork() const {
    return !waiting_.empty() && state_.canStart(demandOf(input_(waiting_.front())), budget_.available());
}

void ScheduledRun::work(Worker& self) {
    WorkArena arena(budget_);
    std::unique_lock<std::mutex> held(lock_);
    const auto ready = [&] {
        return (closing_ && waiting_.empty()) || failure_ || state_.idleWorkersShouldLeave() || hasWork();
    };
    // A worker between pairs counts as holding while its arena keeps the
    // last pair's blocks: a pair retried alone must wait for them.
    bool holding = false;
    const auto giveBack = [&] {
        held.unlock();
        arena.drain();
        held.lock();
        if (holding) {
            holding = false;
            state_.blocksGivenBack();
            workReady_.notify_all();
        }
    };
    for (;;) {
        // The buffers of the last pair serve the next one; a worker that has
        // to wait gives them back, since a pair that waits for memory may be
        // waiting for them.
        if (!ready()) giveBack();
        workReady_.wait(held, ready);
        if (failure_ || state_.idleWorkersShouldLeave() || waiting_.empty()) {
            giveBack();
            break;
        }
        if (holding) {
            holding = false;
            state_.blocksGivenBack();
        }
        const long index = waiting_.front();
        waiting_.pop_front();
        Attempt attempt = state_.takeNext(demandOf(input_(index)), closing_ && waiting_.empty());
        held.unlock();
        PairOutcome outcome;
        try {
            outcome = attemptPair(index, attempt, arena, held);
            if (after_) after_(index, outcome);
        } catch (...) {
            held.lock();
            failure_ = std::current_exception();
            state_.finishPair(attempt, false);
            resultReady_.notify_all();
            workReady_.notify_all();
            break;
        }
        held.lock();
        outcomes_[index] = std::move(outcome);
        holding = arena.keptBlocks() > 0;
        state_.finishPair(attempt, holding);
        resultReady_.notify_all();
        workReady_.notify_all();
    }
    // Still holding the lock: leave, so a retry waiting for this worker's
    // memory may run, and the reading thread joins this one.
    self.left = true;
    state_.workerLeft();
    budget_.release(self.stackReserved);
    workReady_.notify_all();
    resultReady_.notify_all();
}

PairOutcome ScheduledRun::attemptPair(long index, Attempt& attempt, WorkArena& arena,
                                      std::unique_lock<std::mutex>& held) {
    PairSettings settings = settings_;
    for (;;) {
        settings.params.threads = attempt.threads;
        PairOutcome outcome = align_(input_(index), settings, arena, attempt.large ? &fill_ : nullptr);
        if (!lackedMemory(outcome)) return outcome;
        held.lock();
        if (state_.ranAsOnOneThread(attempt) || failure_) {
            held.unlock();
            return outcome;
        }
        // Again alone, once the others are done and gone: what fits in a run
        // on one thread fits then, whatever the number of workers.
        state_.waitToRetry(attempt);
        workReady_.notify_all();
        held.unlock();
        arena.drain();
        held.lock();
        workReady_.wait(held, [&] { return state_.retryMayRun() || failure_; });
        attempt = state_.retryAlone(attempt);
        const bool stop = failure_ != nullptr;
        held.unlock();
        if (stop) return outcome;
    }
}

bool ScheduledRun::addWorker() {
    std::unique_lock<std::mutex> held(lock_);
    // Under an address-space limit a stack takes its whole size from what
    // the pairs may use: every worker but the first reserves it, so that
    // stacks never take the room a pair needs, and one that does not fit is
    // not started. A run on one thread reserves nothing. Stacks take at most
    // a quarter of the budget: what the budget does not count (the rows, the
    // reading, the writing) needs room too.
    const std::uint64_t stack = state_.workersAlive() > 0 ? stackCost_ : 0;
    if (stack > 0 && stack * static_cast<std::uint64_t>(state_.workersAlive()) > budget_.ceiling() / 4)
        return false;
    try {
        budget_.reserve(stack);
    } catch (const OutOfMemory&) {
        return false;
    }
    pool_.emplace_back();
    Worker& worker = pool_.back();
    worker.stackReserved = stack;
    state_.workerStarted();
    try {
        worker.thread = startThread([this, &worker] { work(worker); });
    } catch (const std::exception&) {
        budget_.release(stack);
        // No room for its stack or its start (std::system_error or
        // std::bad_alloc): fewer threads than asked, and the ones running do
        // the work.
        pool_.pop_back();
        state_.workerLeft();
        state_.limitThreads(std::max(1, state_.workersAlive()));
        refused_ = true;
        return false;
    }
    mostWorkers_ = std::max(mostWorkers_, state_.workersAlive());
    return true;
}

void ScheduledRun::topUpWorkers() {
    for (;;) {
        {
            std::lock_guard<std::mutex> hold(lock_);
            const int wanted = std::min<long>(workers_, static_cast<long>(waiting_.size()) + state_.running());
            if (refused_ || !state_.mayAddWorker() || state_.workersAlive() >= wanted) return;
        }
        if (!addWorker()) return;
    }
}

void ScheduledRun::reapWorkers() {
    std::list<Worker> gone;
    {
        std::lock_guard<std::mutex> hold(lock_);
        for (auto it = pool_.begin(); it != pool_.end();) {
            const auto here = it++;
            if (here->left) gone.splice(gone.end(), pool_, here);
        }
    }
    for (Worker& worker : gone) worker.thread.join();
}

void ScheduledRun::enqueue(long index) {
    std::lock_guard<std::mutex> hold(lock_);
    outcomes_[index];
    waiting_.push_back(index);
    workReady_.notify_all();
}

void ScheduledRun::closeInput() {
    std::lock_guard<std::mutex> hold(lock_);
    closing_ = true;
    workReady_.notify_all();
}

std::optional<PairOutcome> ScheduledRun::takeOutcome(long index) {
    std::unique_lock<std::mutex> held(lock_);
    resultReady_.wait_for(held, std::chrono::milliseconds(200),
                          [&] { return failure_ || outcomes_[index].has_value(); });
    if (failure_ || !outcomes_[index]) return std::nullopt;
    std::optional<PairOutcome> outcome = std::move(outcomes_[index]);
    outcomes_.erase(index);
    return outcome;
}

std::exception_ptr ScheduledRun::failure() {
    std::lock_guard<std::mutex> hold(lock_);
    return failure_;
}

void ScheduledRun::finish() {
    {
        std::lock_guard<std::mutex> hold(lock_);
        closing_ = true;
        // Pairs not yet started are dropped once the output has failed.
        waiting_.clear();
        workReady_.notify_all();
    }
    std::list<Worker> all;
    {
        std::lock_guard<std::mutex> hold(lock_);
        all.splice(all.end(), pool_);
    }
    for (Worker& worker : all) worker.thread.join();
}

PairScheduler::PairScheduler(int workers, const PairSettings& settings, MemoryBudget& budget,
                             PairAligner aligner)
    : workers_(workers < 1 ? 1 : workers), settings_(settings), budget_(budget),
      align_(std::move(aligner)) {}

// Without worker threads: one pair after the other, each with every thread
// its fills can start.
void PairScheduler::runInline(const Steps& steps) {
    WorkArena arena(budget_);
    PairSettings settings = settings_;
    settings.params.threads = workers_;
    for (;;) {
        if (!steps.read(read_)) return;
        const long index = read_++;
        const PairInput& input = steps.input(index);
        PairOutcome outcome = align_(input, settings, arena, demandOf(input).large() ? &fill_ : nullptr);
        if (steps.after) steps.after(index, outcome);
        ++done_;
        if (!steps.deliver(index, outcome)) return;
    }
}

void PairScheduler::runSteps(const Steps& steps) {
    ScheduledRun run(workers_, settings_, budget_, align_, fill_);
    run.start(steps);
    // Workers start as pairs come in, up to `workers_`: a run of one pair
    // needs one, and every idle thread's stack takes address space that a
    // run under an address-space limit may need for its matrices.
    if (!run.addWorker()) {
        runInline(steps);
        return;
    }
    try {
        const long inFlight = 2L * workers_;
        long nextDeliver = 0;
        bool moreInput = true;
        for (;;) {
            while (moreInput && read_ - nextDeliver < inFlight) {
                moreInput = steps.read(read_);
                if (!moreInput) {
                    run.closeInput();
                    break;
                }
                run.enqueue(read_++);
                run.topUpWorkers();
            }
            run.reapWorkers();
            run.topUpWorkers();
            started_ = run.mostWorkers();
            if (nextDeliver == read_) break;
            std::optional<PairOutcome> outcome = run.takeOutcome(nextDeliver);
            if (run.failure()) break;
            if (!outcome) {
                if (steps.idle) steps.idle();
                continue;
            }
            ++done_;
            if (!steps.deliver(nextDeliver++, *outcome)) break;
        }
    } catch (...) {
        run.finish();
        throw;
    }
    run.finish();
    if (std::exception_ptr failure = run.failure()) std::rethrow_exception(failure);
}
