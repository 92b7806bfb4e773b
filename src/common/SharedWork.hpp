#pragma once

#include <condition_variable>
#include <deque>
#include <exception>
#include <functional>
#include <mutex>

// Work of one pair that splits as it goes, such as a recursive search whose
// parts are found only by searching: a task may hand a piece of its work on
// with offer(), which takes it only while another worker is idle, and
// otherwise leaves it to the caller. So pieces go to other threads exactly
// when those would wait, and no queue builds up. Which worker runs a piece
// varies from run to run: callers keep each piece's results apart and
// combine them in their own order.
class SharedWork {
public:
    using Task = std::function<void(int worker)>;

    explicit SharedWork(int threads) : threads_(threads < 1 ? 1 : threads) {}
    SharedWork(const SharedWork&) = delete;
    SharedWork& operator=(const SharedWork&) = delete;

    // Runs `first` on this thread as worker 0, and the pieces offered
    // meanwhile on up to `threads` threads (fewer when no more can be
    // started); returns once every piece has run. A failure stops pieces not
    // yet started from starting, and the first one is rethrown here.
    void run(Task first);
    // Queues `piece` for an idle worker and returns true; false when none is
    // idle. After a failure elsewhere it throws Abandoned instead, which ends
    // the caller's task too: its results would be thrown away.
    bool offer(Task piece);
    struct Abandoned {};

    // Takes up to `wanted` idle workers off the pool, which then wait on
    // (using no core) until giveBack(), and returns how many: the caller may
    // run that many threads of its own meanwhile, such as the strips of one
    // large fill that nothing else would keep the idle workers from.
    int borrowIdle(int wanted);
    void giveBack(int count);

private:
    void serve(int worker);
    void runOne(Task& task, int worker);

    const int threads_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<Task> pending_;
    int idle_ = 0;     // workers waiting for a piece
    int lent_ = 0;     // of them, those borrowed
    int running_ = 0;  // pieces being run
    std::exception_ptr failure_;
};
