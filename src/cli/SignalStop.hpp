#pragma once

#include <signal.h>

#include <atomic>
#include <string>
#include <utility>
#include <vector>

// While one is alive, SIGINT and SIGTERM end the run as a failed run ends:
// each temporary output file is renamed to its "PATH.partial", a line says
// which pair the run stopped after, and the process exits with status 1.
// The handler only renames, writes and exits, all safe in a signal handler;
// the files it renames hold whole pairs, since every pair is flushed.
class SignalStop {
public:
    // `renames` are (temporary, partial) paths; `pairsDone` is read when the
    // signal comes.
    SignalStop(const std::string& programName, const std::vector<std::pair<std::string, std::string>>& renames,
               const std::atomic<long>& pairsDone);
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

private:
    sigset_t before_;
};
