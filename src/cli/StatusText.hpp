#pragma once

#include "cli/RunStatus.hpp"
#include "common/Message.hpp"
#include "output/OutputProblem.hpp"
#include "pair/PairError.hpp"

// Every status, problem and pair failure of a run in the user's words. The
// sink puts the program's own name (torva or torva-b) in front of each line
// that is not verbatim; the verbatim ones are the first lines scripts have
// read since the first release.
Messages statusText(const RunStatus& status);
Messages statusText(const OutputProblems& problems);
Message statusText(const PairError& error);

// The process's exit status after `status`.
int exitStatus(const RunStatus& status);
