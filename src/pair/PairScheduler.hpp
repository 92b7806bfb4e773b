#pragma once

#include <any>
#include <functional>

#include "common/FillProgress.hpp"
#include "common/Message.hpp"
#include "pair/PairEngine.hpp"

class MemoryBudget;

// One pair as read, with what reading it had to say (printed before its results).
struct PairJob {
    PairInput input;
    Messages readNotes;
    // Whatever the after-pair step made of the pair, for `deliver`.
    std::any made;
};

// Aligns pairs on `workers` threads, each with its own arena, and hands the
// outcomes back in input order on the calling thread, which also reads. Many
// small pairs run side by side, one thread each; a large pair runs alone with
// every thread on its fills. A pair that does not fit in the memory left
// waits for the pairs running beside it, and fails only if it cannot fit
// alone. When the system starts fewer threads than asked, the run goes on
// with those it started (with none, on the calling thread).
class PairScheduler {
public:
    // How one pair is aligned: alignPair, or in tests a stand-in that fails
    // on cue to drive the scheduling rules.
    using PairAligner = std::function<PairOutcome(const PairInput&, const PairSettings&,
                                                  WorkArena&, FillProgress*)>;

    // Work on a pair's outcome that needs no order, run on the thread that
    // aligned it (the index counts the pairs read before it): what is slow
    // to make there keeps the thread that delivers in order from holding up
    // the others. It may keep what it makes in the job's `made`.
    using AfterPair = std::function<void(long index, PairJob&, PairOutcome&)>;

    PairScheduler(int workers, const PairSettings& settings, MemoryBudget& budget,
                  PairAligner aligner = alignPair);

    // Runs `step` on every outcome before it is delivered; set before run().
    void afterEachPair(AfterPair step) { after_ = std::move(step); }

    // Reads jobs with `next` until it returns false and delivers every
    // outcome with `deliver`, in input order; stops reading once `deliver`
    // returns false. `idle` is called about five times a second while waiting.
    void run(const std::function<bool(PairJob&)>& next,
             const std::function<bool(PairJob&, PairOutcome&)>& deliver,
             const std::function<void()>& idle);

    // Pairs read and delivered so far, and the fill of the large pair running.
    long pairsRead() const { return read_; }
    long pairsDone() const { return done_; }
    const FillProgress& fill() const { return fill_; }
    // The worker threads the last run had (fewer than asked when the system
    // could not start them all; 0 when it ran on the calling thread).
    int workersStarted() const { return started_; }

private:
    void runInline(const std::function<bool(PairJob&)>& next,
                   const std::function<bool(PairJob&, PairOutcome&)>& deliver);

    int workers_;
    const PairSettings& settings_;
    MemoryBudget& budget_;
    PairAligner align_;
    AfterPair after_;
    long read_ = 0;
    long done_ = 0;
    int started_ = 0;
    FillProgress fill_;
};

// Pairs of at least this many cells (16 kb against 16 kb) run alone, with
// every thread on their fills. Below that, pairs side by side use the cores
// better: a strip hands on every row, and much of a pair's work after its
// fill is in parts too small to split.
inline constexpr long long kLargePairCells = 1LL << 28;

// Whether an outcome is a failure that fitting alone could cure.
inline bool lackedMemory(const PairOutcome& outcome) {
    const PairError* error = std::get_if<PairError>(&outcome);
    return error && error->kind == PairError::Kind::kOutOfMemory;
}
