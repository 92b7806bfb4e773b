#pragma once

#include <functional>
#include <map>
#include <mutex>

#include "common/FillProgress.hpp"
#include "common/Message.hpp"
#include "pair/PairEngine.hpp"
#include "pair/SchedulingState.hpp"

class MemoryBudget;

// One pair as read, with what reading it had to say (printed before its
// results) and what the step after the pair made of it (`Made`, the caller's
// own type).
template <class Made>
struct PairJob {
    PairInput input;
    Messages readNotes;
    Made made{};
};

// Aligns pairs on `workers` threads, each with its own arena, and hands the
// outcomes back in input order on the calling thread, which also reads. Many
// small pairs run side by side, one thread each; a large pair runs alone with
// every thread on its fills. A pair that does not fit in the memory left
// waits for the pairs running beside it; one that runs short of memory is
// tried again alone, as a run on one thread would align it, and fails only
// then, so the pairs aligned do not depend on the number of workers. When
// the system starts fewer threads than asked, the run goes on with those it
// started (with none, on the calling thread).
class PairScheduler {
public:
    // How one pair is aligned: alignPair, or in tests a stand-in that fails
    // on cue to drive the scheduling rules.
    using PairAligner = std::function<PairOutcome(const PairInput&, const PairSettings&,
                                                  WorkArena&, FillProgress*)>;

    PairScheduler(int workers, const PairSettings& settings, MemoryBudget& budget,
                  PairAligner aligner = alignPair);

    // Reads jobs with `next` until it returns false and delivers every
    // outcome with `deliver`, in input order; stops reading once `deliver`
    // returns false. `after` runs on the thread that aligned the pair, before
    // it is delivered (the index counts the pairs read before it): what is
    // slow to make there keeps the thread that delivers in order from holding
    // up the others; it may keep what it makes in the job's `made`. `idle`
    // is called about five times a second while waiting. An exception from
    // any of them ends the run with it, once the pairs in progress are done.
    template <class Made>
    void run(const std::function<bool(PairJob<Made>&)>& next,
             const std::function<void(long, PairJob<Made>&, PairOutcome&)>& after,
             const std::function<bool(PairJob<Made>&, PairOutcome&)>& deliver,
             const std::function<void()>& idle);

    // Pairs read and delivered so far, and the fill of the large pair running.
    long pairsRead() const { return read_; }
    long pairsDone() const { return done_; }
    const FillProgress& fill() const { return fill_; }
    // The most worker threads alive at once in the last run (fewer than
    // asked when the system could not start them all; 0 when it ran on the
    // calling thread).
    int workersStarted() const { return started_; }

private:
    // What run() needs of the caller's jobs, known by their index. `read`
    // runs without the scheduler's lock; `input` and `after` may run on any
    // thread, and each job stays where it is until `deliver` takes it.
    struct Steps {
        std::function<bool(long)> read;
        std::function<const PairInput&(long)> input;
        std::function<void(long, PairOutcome&)> after;
        std::function<bool(long, PairOutcome&)> deliver;
        std::function<void()> idle;
    };
    void runSteps(const Steps& steps);
    void runInline(const Steps& steps);

    int workers_;
    const PairSettings& settings_;
    MemoryBudget& budget_;
    PairAligner align_;
    long read_ = 0;
    long done_ = 0;
    int started_ = 0;
    FillProgress fill_;
};

template <class Made>
void PairScheduler::run(const std::function<bool(PairJob<Made>&)>& next,
                        const std::function<void(long, PairJob<Made>&, PairOutcome&)>& after,
                        const std::function<bool(PairJob<Made>&, PairOutcome&)>& deliver,
                        const std::function<void()>& idle) {
    // A map keeps each job where it is while others come and go.
    std::map<long, PairJob<Made>> jobs;
    std::mutex lock;
    const auto job = [&](long index) -> PairJob<Made>& {
        std::lock_guard<std::mutex> hold(lock);
        return jobs.at(index);
    };
    Steps steps;
    steps.read = [&](long index) {
        PairJob<Made> read;
        if (!next(read)) return false;
        std::lock_guard<std::mutex> hold(lock);
        jobs.emplace(index, std::move(read));
        return true;
    };
    steps.input = [&](long index) -> const PairInput& { return job(index).input; };
    steps.after = [&](long index, PairOutcome& outcome) {
        if (after) after(index, job(index), outcome);
    };
    steps.deliver = [&](long index, PairOutcome& outcome) {
        typename std::map<long, PairJob<Made>>::node_type taken;
        {
            std::lock_guard<std::mutex> hold(lock);
            taken = jobs.extract(index);
        }
        return deliver(taken.mapped(), outcome);
    };
    steps.idle = idle;
    runSteps(steps);
}

// Whether an outcome is a failure that fitting alone could cure.
inline bool lackedMemory(const PairOutcome& outcome) {
    const PairError* error = std::get_if<PairError>(&outcome);
    return error && error->kind == PairError::Kind::kOutOfMemory;
}
