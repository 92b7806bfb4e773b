#pragma once

#include <functional>
#include <string>

#include "align/PairAlignment.hpp"
#include "scoring/ScoreLookup.hpp"
#include "anchor/AlignParameters.hpp"
#include "common/FillProgress.hpp"
#include "common/MessageSink.hpp"

// One pair as read from the input.
struct PairJob {
    std::string name1, name2;  // headers cut at their first '|'
    std::string seq1, seq2;
    Messages readNotes;        // what reading the pair had to say, printed before its results
};

// Aligns pairs on `workers` threads, each with its own arena, and hands the
// results back in input order on the calling thread, which also reads. Many
// small pairs run side by side, one thread each; a large pair runs alone with
// every thread on its fills. A pair that does not fit in the memory left waits
// for the pairs running beside it, and is skipped only if it cannot fit alone.
class PairScheduler {
public:
    PairScheduler(int workers, const ScoreLookup& lookup, const AlignParameters& params);

    // Reads jobs with `next` until it returns false and delivers every result
    // with `deliver`, in input order; stops reading once `deliver` returns
    // false. `idle` is called about five times a second while waiting.
    void run(const std::function<bool(PairJob&)>& next,
             const std::function<bool(PairJob&, PairAlignment&)>& deliver,
             const std::function<void()>& idle);

    // Pairs read and delivered so far, and the fill of the large pair running.
    long pairsRead() const { return read_; }
    long pairsDone() const { return done_; }
    const FillProgress& fill() const { return fill_; }

private:
    int workers_;
    const ScoreLookup& lookup_;
    const AlignParameters& params_;
    long read_ = 0;
    long done_ = 0;
    FillProgress fill_;
};

// Pairs of at least this many cells (16 kb against 16 kb) run alone, with
// every thread on their fills. Below that, pairs side by side use the cores
// better: a strip hands on every row, and much of a pair's work after its
// fill is in parts too small to split.
inline constexpr long long kLargePairCells = 1LL << 28;
