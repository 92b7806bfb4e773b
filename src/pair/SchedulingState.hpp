#pragma once

#include <cstdint>

// The scheduler's rules as plain functions of its counts, apart from its
// threads and locks, so that each can be tested alone. Every method is called
// with the scheduler's lock held.

// Pairs of at least this many cells (16 kb against 16 kb) run alone, with
// every thread on their fills. Below that, pairs side by side use the cores
// better: a strip hands on every row, and much of a pair's work after its
// fill is in parts too small to split.
inline constexpr long long kLargePairCells = 1LL << 28;

// What a waiting pair asks of the run.
struct PairDemand {
    long long cells = 0;      // of its local matrix
    std::uint64_t bytes = 0;  // that its tracebacks keep, at the least
    bool large() const { return cells >= kLargePairCells; }
};

// One attempt at a pair, as it was started.
struct Attempt {
    bool large = false;
    int threads = 1;         // the threads its fills may use
    long startNumber = 0;    // attempts started before it
    bool retry = false;      // the attempt made alone after one ran short of memory
    bool startedAlone = false;
    int workersAtStart = 0;  // worker threads alive when it started
};

class SchedulingState {
public:
    // `threads`: how many the fills of a pair running alone may use.
    explicit SchedulingState(int threads) : threads_(threads < 1 ? 1 : threads) {}

    // Whether the first waiting pair may start now, with `available` bytes
    // left in the budget: nothing starts while a pair waits to run again
    // alone; a large pair starts only when nothing runs, and nothing starts
    // beside it; a pair starts beside others only when it fits in what is left.
    bool canStart(const PairDemand& pair, std::uint64_t available) const;

    // Starts the first waiting pair. `lastOfInput`: no pair waits behind it
    // and no more will come, so alone it may use every thread too (results do
    // not depend on how many).
    Attempt takeNext(const PairDemand& pair, bool lastOfInput);

    // Whether an attempt ran as a run on one thread would have run it: alone
    // from start to end, on one thread, with no other worker keeping memory.
    // An attempt that ran short of memory that way has no better chance.
    bool ranAsOnOneThread(const Attempt& attempt) const;

    // An attempt that ran short of memory waits to run again alone.
    void waitToRetry(const Attempt& attempt);
    // Whether the waiting retry may run: every other pair is done, and every
    // other worker has given back its blocks and left, so the retry has the
    // memory a run on one thread would have. Retries run one after another.
    bool retryMayRun() const;
    // The retry starts, alone on one thread.
    Attempt retryAlone(const Attempt& failed);

    // The attempt ended; `keepsBlocks`: its worker's arena still holds blocks.
    void finishPair(const Attempt& attempt, bool keepsBlocks);
    // A worker between pairs gave back the blocks finishPair counted.
    void blocksGivenBack() { --idleHolding_; }

    // Idle workers leave while a retry waits for the memory they take.
    bool idleWorkersShouldLeave() const { return retryWaiters_ > 0; }
    // And none joins them until the retries are done.
    bool mayAddWorker() const { return retryWaiters_ == 0 && !retryRunning_; }
    void workerStarted() { ++workers_; }
    void workerLeft() { --workers_; }
    int workersAlive() const { return workers_; }

    // When the system refuses a thread: large pairs use the ones it started.
    void limitThreads(int threads) { threads_ = threads < 1 ? 1 : threads; }
    int running() const { return running_; }

private:
    int threads_;
    int running_ = 0;          // attempts in progress, retries included
    bool largeRunning_ = false;
    long starts_ = 0;          // attempts started so far
    int retryWaiters_ = 0;     // attempts that wait to run again alone
    bool retryRunning_ = false;
    int idleHolding_ = 0;      // workers between pairs whose arenas keep blocks
    int workers_ = 0;          // worker threads alive
};
