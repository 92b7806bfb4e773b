#pragma once

#include <signal.h>

#include <atomic>
#include <string>
#include <utility>
#include <vector>

// What a signal handler does with the run's temporary outputs: made before
// the handler can run, since it may not allocate.
struct SignalCleanup {
    // (temporary, "PATH.partial") pairs, made when some pair was written.
    std::vector<std::pair<std::string, std::string>> renames;
    // Removed instead when none was, so that such a run leaves nothing new:
    // the temporary files, then the folders (innermost first).
    std::vector<std::string> files;
    std::vector<std::string> folders;
};

// While one is alive, SIGINT and SIGTERM end the run as a failed run ends:
// each temporary output file is renamed to its "PATH.partial" (or, before
// the first pair, removed), a line says which pair the run stopped after, and
// the process exits with status 1. The handler only renames, removes, writes
// and exits, all safe in a signal handler; the files it renames hold whole
// pairs, since every pair is flushed.
class SignalStop {
public:
    // `pairsDone` is read when the signal comes; it equals `pairsBefore`
    // until the first pair is written.
    SignalStop(const std::string& programName, SignalCleanup cleanup, const std::atomic<long>& pairsDone,
               long pairsBefore);
    // Restores the earlier handlers.
    ~SignalStop();
    SignalStop(const SignalStop&) = delete;
    SignalStop& operator=(const SignalStop&) = delete;
};

// Holds SIGINT and SIGTERM back on the calling thread (and on the threads it
// starts meanwhile) while held: around the steps that create or rename the
// output files, so that a signal finds them either all temporary or all in
// place. A signal that came meanwhile takes effect when the hold ends.
class SignalHold {
public:
    SignalHold();   // held from the start
    ~SignalHold();  // the mask as it was before
    SignalHold(const SignalHold&) = delete;
    SignalHold& operator=(const SignalHold&) = delete;
    void hold();
    void release();
    // The files are in place: a signal held back, or coming later, no longer
    // changes how the run ends (it is dropped, and the run's own status
    // stands). Call while held.
    void dropFromNow();

private:
    sigset_t before_;
    bool dropped_ = false;
    struct sigaction oldInt_ {}, oldTerm_ {};
};
