#pragma once

#include <functional>

// Independent tasks of one pair, run side by side when the pair has the
// threads to itself: work(task, worker) for every task 0 .. count - 1, each
// once, on up to `threads` threads, this one being worker 0. Workers take the
// next task in turn, so which worker runs a task varies from run to run:
// callers keep results by task and combine them in task order, which keeps
// them the same for every number of threads. A worker thread that cannot be
// started leaves its share to the others. Returns once every task has run;
// then rethrows the failure of the lowest task that failed.
using SideBySideWork = std::function<void(int task, int worker)>;
void runSideBySide(int count, int threads, const SideBySideWork& work);
