#pragma once

#include <string>
#include <vector>

// How a step of a run ended, as a value: each step says what happened and
// to which file or value, statusText() says it to the user, and exitStatus()
// gives the process's status. Nothing is printed where it is found.
struct RunStatus {
    enum class Kind {
        kGoOn,                // the step is done; the next one follows
        kOptionsDone,         // help, usage or version shown (their own text)
        kBadOptions,          // the options were refused (their own text)
        kKernelUnavailable,   // detail: why the kernels asked for cannot run
        kMatrixNotOpened,     // path; detail: the system's reason; listNames
        kMatrixNotParsed,     // path; firstLine (may be ""); detail (may be "")
        kNoOtherStrand,       // value: the strand; detail: why it is protein
        kInputNotOpened,      // detail: the reader's text; verbatim when scripts read it
        kOutputUnsafe,        // path; detail: why it may not be written
        kOutputNotOpened,     // what RunOutputs::open() noted
        kAllWritten,          // the run ended well
        kSomePairsSkipped,    // ended well, but some pairs were not aligned
        kNotCommitted,        // written, but a file did not take its name
        kStopped,             // the run stopped midway (see Stop)
        kOutOfMemory,         // detail: the bytes needed, "" when not known
        kSystemRefused,       // detail: what the system refused
    };
    // Where a run that stopped midway left things.
    struct Stop {
        bool anyWritten = false;       // some pair was written
        bool writeFailed = false;      // a write stopped it, at the pair after `pairsWritten`
        long pairsWritten = 0;         // counted from the run's first pair number
        std::string lastPair;          // "NAME1 and NAME2" of the last pair written
        std::vector<std::string> kept;  // the partial files
    };

    Kind kind = Kind::kGoOn;
    std::string path;
    std::string value;
    std::string detail;
    std::string firstLine;
    bool verbatim = false;
    bool listNames = false;
    Stop stop;

    bool goesOn() const { return kind == Kind::kGoOn; }
};
