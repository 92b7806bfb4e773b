#pragma once

#include <string>
#include <vector>

// Something that went wrong with one of a run's outputs, as a value: the
// outputs know what and where, the command line says it.
struct OutputProblem {
    enum class Kind {
        kNotOpened,      // the file (or the picture folder) could not be made
        kNotWritten,     // a write, a close or the final rename failed
        kReaderGone,     // a stream's reader went away; the run goes on
    };
    Kind kind;
    std::string path;    // "" for the process's standard output
    std::string reason;  // the system's reason, "" when it gave none
};
using OutputProblems = std::vector<OutputProblem>;
